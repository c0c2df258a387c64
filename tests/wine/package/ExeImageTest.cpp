// Checks the built VYNDataLoader.exe as a user's machine would see it: one file
// that needs no DLL beyond those Windows ships, with its manifest, version
// resource and icon.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "WinePath.h"

namespace {

std::wstring ExePath() {
  return vyn::driver::OnDriveZ(VYN_EXE_PATH);
}

std::vector<unsigned char> ReadAll(const std::wstring& path) {
  std::ifstream in(path.c_str(), std::ios::binary);
  return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
}

template <typename T>
T At(const std::vector<unsigned char>& image, std::size_t offset) {
  T value{};
  if (offset + sizeof(T) > image.size()) throw std::runtime_error("truncated image");
  std::memcpy(&value, image.data() + offset, sizeof(T));
  return value;
}

// Names of the DLLs in the import directory, lower case.
std::vector<std::string> ImportedDlls(const std::vector<unsigned char>& image) {
  auto ntOffset = static_cast<std::size_t>(At<IMAGE_DOS_HEADER>(image, 0).e_lfanew);
  auto nt = At<IMAGE_NT_HEADERS64>(image, ntOffset);
  EXPECT_EQ(nt.OptionalHeader.Magic, IMAGE_NT_OPTIONAL_HDR64_MAGIC);
  std::size_t sectionsOffset =
      ntOffset + offsetof(IMAGE_NT_HEADERS64, OptionalHeader) + nt.FileHeader.SizeOfOptionalHeader;
  auto toOffset = [&](DWORD rva) -> std::size_t {
    for (WORD i = 0; i < nt.FileHeader.NumberOfSections; ++i) {
      auto s = At<IMAGE_SECTION_HEADER>(image, sectionsOffset + i * sizeof(IMAGE_SECTION_HEADER));
      if (rva >= s.VirtualAddress && rva < s.VirtualAddress + s.SizeOfRawData) {
        return rva - s.VirtualAddress + s.PointerToRawData;
      }
    }
    throw std::runtime_error("RVA outside every section");
  };
  std::vector<std::string> names;
  DWORD importRva = nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
  for (std::size_t at = toOffset(importRva);; at += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
    auto descriptor = At<IMAGE_IMPORT_DESCRIPTOR>(image, at);
    if (descriptor.Name == 0) break;
    std::string name;
    for (std::size_t p = toOffset(descriptor.Name); image.at(p); ++p) {
      name += static_cast<char>(std::tolower(image[p]));
    }
    names.push_back(name);
  }
  return names;
}

// rstrtmgr.dll, the Restart Manager, is in Windows since Vista.
bool ShippedWithWindows(const std::string& dll) {
  static const std::vector<std::string> system = {
      "kernel32.dll", "user32.dll",   "gdi32.dll",    "advapi32.dll", "comctl32.dll", "wininet.dll",
      "shell32.dll",  "ole32.dll",    "oleaut32.dll", "msvcrt.dll",   "ws2_32.dll",   "version.dll",
      "shlwapi.dll",  "comdlg32.dll", "ucrtbase.dll", "rstrtmgr.dll"};
  return std::find(system.begin(), system.end(), dll) != system.end() ||
         dll.rfind("api-ms-win-", 0) == 0;
}

class ExeImageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    module_ = LoadLibraryExW(ExePath().c_str(), nullptr,
                             LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(module_, nullptr) << "cannot open the exe as a resource file";
  }
  void TearDown() override {
    if (module_) FreeLibrary(module_);
  }
  std::string Resource(LPCWSTR type, LPCWSTR name) {
    HRSRC found = FindResourceW(module_, name, type);
    if (!found) return {};
    HGLOBAL loaded = LoadResource(module_, found);
    auto* data = static_cast<const char*>(LockResource(loaded));
    return std::string(data, SizeofResource(module_, found));
  }
  HMODULE module_ = nullptr;
};

TEST_F(ExeImageTest, ImportsOnlyDllsThatWindowsShips) {
  auto dlls = ImportedDlls(ReadAll(ExePath()));
  ASSERT_FALSE(dlls.empty());
  for (const auto& dll : dlls) EXPECT_TRUE(ShippedWithWindows(dll)) << dll;
  EXPECT_NE(std::find(dlls.begin(), dlls.end(), "wininet.dll"), dlls.end());
}

TEST_F(ExeImageTest, CarriesItsManifest) {
  std::string manifest = Resource(MAKEINTRESOURCEW(24), MAKEINTRESOURCEW(1));  // RT_MANIFEST
  ASSERT_FALSE(manifest.empty());
  EXPECT_NE(manifest.find("Microsoft.Windows.Common-Controls"), std::string::npos);
  EXPECT_NE(manifest.find("6.0.0.0"), std::string::npos);
  EXPECT_NE(manifest.find("asInvoker"), std::string::npos);
  EXPECT_NE(manifest.find("dpiAware"), std::string::npos);
  EXPECT_NE(manifest.find("supportedOS"), std::string::npos);
}

TEST_F(ExeImageTest, CarriesItsVersionAndIcon) {
  std::wstring path = ExePath();
  DWORD ignored = 0;
  DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
  ASSERT_GT(size, 0u);
  std::vector<char> info(size);
  ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, info.data()));
  struct Translation {
    WORD language, codePage;
  }* translation = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation",
                             reinterpret_cast<void**>(&translation), &length));
  wchar_t query[80];
  swprintf(query, 80, L"\\StringFileInfo\\%04x%04x\\ProductName", translation->language,
           translation->codePage);
  wchar_t* product = nullptr;
  ASSERT_TRUE(VerQueryValueW(info.data(), query, reinterpret_cast<void**>(&product), &length));
  EXPECT_STREQ(product, L"VYNDataLoader");

  std::string group = Resource(MAKEINTRESOURCEW(14), MAKEINTRESOURCEW(1));  // RT_GROUP_ICON
  ASSERT_GE(group.size(), 6u);
  auto count = static_cast<unsigned char>(group[4]);
  std::vector<int> widths;
  for (unsigned i = 0; i < count && 6 + i * 14 < group.size(); ++i) {
    int width = static_cast<unsigned char>(group[6 + i * 14]);
    widths.push_back(width == 0 ? 256 : width);
  }
  std::sort(widths.begin(), widths.end());
  EXPECT_NE(std::find(widths.begin(), widths.end(), 16), widths.end());
  EXPECT_NE(std::find(widths.begin(), widths.end(), 32), widths.end());
}

}  // namespace
