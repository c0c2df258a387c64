#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "platform/win32/Win32BinaryFiles.h"

namespace vyn::test {
namespace {

std::wstring ScratchFile() {
  wchar_t folder[MAX_PATH + 1];
  GetTempPathW(MAX_PATH + 1, folder);
  return std::wstring(folder) + L"vyn-put-" + std::to_wstring(GetCurrentProcessId()) + L".bin";
}

std::string Contents(const std::wstring& path) {
  std::ifstream in(path.c_str(), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Put(BinaryFile& file, std::int64_t position, const std::string& bytes) {
  file.Put(position, reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

// Chunks that follow each other skip the seek; every other position still gets one.
TEST(BinaryFilePutTest, EachPutLandsWhereAskedWhetherItFollowsThePreviousOrNot) {
  std::wstring path = ScratchFile();
  DeleteFileW(path.c_str());
  Win32BinaryFiles files;
  auto file = files.OpenForBinary(path);

  Put(*file, 1, "abc");
  Put(*file, 4, "def");  // right after
  Put(*file, 2, "XY");   // back
  Put(*file, 7, "gh");   // ahead of the pointer
  Put(*file, 4, "Z");    // back again
  Put(*file, 5, "W");    // right after
  file->Close();
  std::string written = Contents(path);
  DeleteFileW(path.c_str());

  EXPECT_EQ(written, "aXYZWfgh");
}

}  // namespace
}  // namespace vyn::test
