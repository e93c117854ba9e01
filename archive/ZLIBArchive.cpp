// STUB: to be written (construction, closing, CRC, progress).
#include "archive/ZLIBArchive.h"

#include "platform/Env.h"

TZLBArchive::TZLBArchive(TComponent* owner, platform::Env* env)
    : TComponent(owner), FTrailer(ZeroTrailer()), env_(env ? env : platform::Env::Default()) {}
TZLBArchive::~TZLBArchive() = default;
void TZLBArchive::CloseArchive() { throw Exception("not implemented"); }
std::uint32_t TZLBArchive::CalcCRC(TStream&, std::int64_t) { throw Exception("not implemented"); }
void TZLBArchive::BuildCRCTable() { throw Exception("not implemented"); }
void TZLBArchive::DoProgress(TObject*) { throw Exception("not implemented"); }
