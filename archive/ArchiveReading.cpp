// STUB: to be written (opening, entries, extraction).
#include "archive/ZLIBArchive.h"

bool TZLBArchive::OpenArchive(const std::string&) { throw Exception("not implemented"); }
void TZLBArchive::GetFileEntry(int, TArchiveEntry&) const { throw Exception("not implemented"); }
bool TZLBArchive::ExtractToStream(int, TStream&) { throw Exception("not implemented"); }
void TZLBArchive::ExtractFile(const std::string&, int) { throw Exception("not implemented"); }
