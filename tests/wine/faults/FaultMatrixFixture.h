#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <map>
#include <optional>
#include <set>
#include <string>

#include "AppSession.h"
#include "E2eSetup.h"
#include "ZipBuilder.h"

namespace vyn::faults {

namespace fs = std::filesystem;

// Every file and folder below a folder by its relative path ("\" between levels),
// with the exact bytes of each file; folders end in "\" and hold nothing.
using FolderBytes = std::map<std::wstring, std::string>;
FolderBytes ReadFolder(const fs::path& folder);
// Readable differences ("missing x", "unexpected y", "different z"); empty when equal.
std::wstring Differences(const FolderBytes& expected, const FolderBytes& actual);

std::string ReadBytes(const fs::path& file);
void WriteBytes(const fs::path& file, const std::string& bytes);

// A file held open without any sharing, as another program might hold it.
class HeldFile {
 public:
  explicit HeldFile(const fs::path& path);
  ~HeldFile();
  HeldFile(const HeldFile&) = delete;
  HeldFile& operator=(const HeldFile&) = delete;
  bool Held() const { return handle_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE handle_;
};

// One archive the server hands out, and the members it unpacks to.
struct Archive {
  std::string bytes;
  FolderBytes members;  // relative path -> contents, with the folders they need
};
Archive MakeArchive(const std::map<std::string, std::string>& members);

// What a failure must leave as it was: the data folder, the application-data
// folder with the settings file, "Tax Path Local" and the "~re" files of the
// temporary folder.
struct Snapshot {
  FolderBytes data;
  FolderBytes appData;
  std::optional<e2e::RegistryString> taxPathLocal;
  std::set<std::wstring> tempReFiles;
};

// The fault matrix: each case starts the real program on fresh folders that
// hold an earlier refresh (data files, archives, settings with refresh times,
// "Tax Path Local"), makes one thing fail, drives the program through the
// failure as a user would, and then checks that nothing was lost or left behind.
class FaultMatrix : public ::testing::Test {
 protected:
  static constexpr const wchar_t* kAppTitle = L"VYNDataLoader";
  static constexpr const wchar_t* kMls = L"MLS Data";
  static constexpr const wchar_t* kTax = L"Tax Data (Public records)";
  static constexpr const wchar_t* kPreviousTaxPath = L"D:\\Previous Tax\\";
  static constexpr const wchar_t* kFailureMessage =
      L"Unable to download data files - call technical support";

  void SetUp() override;

  // The data folder of the case (by default the case folder's "Data").
  void UseDataFolder(const fs::path& data);
  // The earlier refresh: data files, both archives, the settings file.
  void PlantPreviousRefresh();
  void PlantDataFiles();
  void WriteSettings();  // naming the current data folder
  Snapshot Take() const;
  // Everything in `before` is still exactly so.
  void ExpectUnchanged(const Snapshot& before) const;

  // Registry values pointing at the case's folders and at the server; then the
  // program up to its main window.
  HWND Start(std::uint16_t port);
  void Tick(HWND window, const std::wstring& box);
  void PressDownload(HWND window);
  // Start, tick these boxes, press Download.
  void StartAndDownload(std::uint16_t port, std::initializer_list<const wchar_t*> boxes);
  // The next box must have this title and a text starting with `start`; it is
  // answered with `button`. Returns its text.
  std::wstring AnswerBox(const std::wstring& title, const std::wstring& start,
                         const std::wstring& button = L"OK");
  // The failed fetch: the failure message (or another), then the window stays until Close.
  void ExpectFailureMessageThenClose(const std::wstring& message = kFailureMessage);
  // A failure the program does not handle: its run-time error report, exit code 1.
  void ExpectRunTimeErrorEnd();

  // The settings file's text, and a refresh time it records that was written during the case.
  std::string SettingsBytes() const { return ReadBytes(appData_ / e2e::kSettingsFileName); }
  void ExpectRecordedNow(const std::wstring& key) const;

  Archive mls_;
  Archive tax_;
  fs::path state_;
  fs::path case_;
  fs::path appData_;
  fs::path data_;
  std::wstring started_;
  DWORD hostType_ = REG_SZ;  // the type "Download Host" is written with
  e2e::AppSession app_;      // a program still running at the end is ended with it

 private:
  std::wstring caption_;
};

// The mounts that the fixture script could set up ("small", "ro").
bool MountReady(const fs::path& mounts, const std::string& name);

}  // namespace vyn::faults
