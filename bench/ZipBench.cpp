// Unpacks one archive into an empty folder with our ZipExtractor, as the
// program's ExtractArchive calls it, and prints "seconds=S" for scripts/bench.sh,
// then where the time went: "PHASE-ms=M" for each phase of the unpacking.
//   zip_bench ARCHIVE TARGET_FOLDER

#include <chrono>
#include <cstdio>
#include <string>

#include "components/unpack/ZipArchiveExtractor.h"
#include "platform/Error.h"

namespace {

std::wstring Widen(const char* text) {
  std::string narrow(text);
  return std::wstring(narrow.begin(), narrow.end());  // the bench's paths are ASCII
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: zip_bench ARCHIVE TARGET_FOLDER\n");
    return 2;
  }
  std::wstring folder = Widen(argv[2]);
  vyn::ZipArchiveExtractor zip;
  vyn::UnpackProfile profile;
  zip.Profile(&profile);
  auto start = std::chrono::steady_clock::now();
  try {
    zip.SourceArchive(Widen(argv[1]));
    zip.TargetFolder(L"\"" + folder + L"\"");
    zip.FileMask(L"\"*.*\"");
    zip.Execute(vyn::kZipActionExtract);
  } catch (const vyn::Error& failure) {
    std::fprintf(stderr, "zip_bench: %d %ls\n", failure.Number(), failure.Description().c_str());
    return 1;
  }
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("seconds=%.3f", seconds);
  for (int phase = 0; phase < vyn::UnpackProfile::kPhases; ++phase) {
    std::printf(" %s-ms=%.1f",
                vyn::UnpackProfile::Name(static_cast<vyn::UnpackProfile::Phase>(phase)),
                static_cast<double>(profile.nanoseconds[phase].load()) / 1e6);
  }
  std::printf("\n");
  return 0;
}
