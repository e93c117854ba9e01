// STUB: to be written (creating archives, adding files).
#include "archive/ZLIBArchive.h"

void TZLBArchive::CreateArchive(const std::string&) { throw Exception("not implemented"); }
void TZLBArchive::AddFile(const std::string&) { throw Exception("not implemented"); }
int TZLBArchive::IndexOfFile(const std::string&) const { throw Exception("not implemented"); }
void TZLBArchive::WriteRegistry(TStream&) { throw Exception("not implemented"); }
std::string TZLBArchive::MakeTempFileName() { throw Exception("not implemented"); }
void TZLBArchive::ListDirectory(const std::string&, std::vector<std::string>&) {
  throw Exception("not implemented");
}
