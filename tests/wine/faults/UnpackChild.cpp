// The program's unpacking alone, for the kill cases: unpacks ARCHIVE into FOLDER
// as ExtractArchive does; exit code 0, or 1 with the failure on stderr.
//   unpack_child ARCHIVE FOLDER
#include <cstdio>
#include <string>

#include "components/unpack/ZipArchiveExtractor.h"
#include "platform/Error.h"

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) return 2;
  vyn::ZipArchiveExtractor zip;
  try {
    zip.SourceArchive(argv[1]);
    zip.TargetFolder(L"\"" + std::wstring(argv[2]) + L"\"");
    zip.FileMask(L"\"*.*\"");
    zip.Execute(vyn::kZipActionExtract);
  } catch (const vyn::Error& failure) {
    std::fwprintf(stderr, L"%d %ls\n", failure.Number(), failure.Description().c_str());
    return 1;
  }
  return 0;
}
