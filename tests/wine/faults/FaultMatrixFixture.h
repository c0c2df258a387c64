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

#include "HeldFile.h"
#include "ProgramFixture.h"
#include "TempFolder.h"
#include "ZipBuilder.h"

namespace vyn::faults {

namespace fs = std::filesystem;
using driver::HeldFile;
using test::Differences;
using test::FolderSnapshot;
using test::WriteBytes;

// One archive the server hands out, and the members it unpacks to.
struct Archive {
  std::string bytes;
  FolderSnapshot members;  // as a snapshot of what it unpacks to
};
Archive MakeArchive(const std::map<std::string, std::string>& members);

// What a failure must leave as it was: the data folder, the application-data
// folder with the settings file, "Tax Path Local" and the "~re" files of the
// temporary folder.
struct Snapshot {
  FolderSnapshot data;
  FolderSnapshot appData;
  std::optional<e2e::RegistryString> taxPathLocal;
  std::set<std::wstring> tempReFiles;
};

// The fault matrix: each case starts the real program on fresh folders that
// hold an earlier refresh (data files, archives, settings with refresh times,
// "Tax Path Local"), makes one thing fail, drives the program through the
// failure as a user would, and then checks that nothing was lost or left behind.
class FaultMatrix : public e2e::ProgramFixture {
 protected:
  static constexpr const wchar_t* kPreviousTaxPath = L"D:\\Previous Tax\\";

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

  // The program pointed at the server on this port, these boxes ticked, Download pressed.
  void StartAndDownload(std::uint16_t port, std::initializer_list<const wchar_t*> boxes) {
    ASSERT_NO_FATAL_FAILURE(ProgramFixture::StartAndDownload(Values(kCityId, port), boxes));
  }
  // The failed fetch: the failure message (or another), then the window stays until Close.
  void ExpectFailureMessageThenClose(const std::wstring& message = kFailureMessage) {
    ASSERT_NO_FATAL_FAILURE(AnswerBox(message));
    ASSERT_NO_FATAL_FAILURE(CloseAndExpectExit());
  }

  static constexpr const wchar_t* kCityId = L"5100";
  Archive mls_;
  Archive tax_;
  fs::path state_;
};

// What the user reads about a file that another program holds. Wine's Restart
// Manager names no program; on Windows the text says which, e.g. "in use by VYN
// Veltrix (VYN Veltrix.exe)".
inline std::wstring InUse(const std::wstring& file) {
  return file + L" is in use by another program. Close it and press Download again.";
}

// The data folder after a complete refresh with `archive`: its members in
// place, the fetched archive deleted, everything else as it was.
inline FolderSnapshot Refreshed(FolderSnapshot data, const Archive& archive,
                                const std::string& archiveName) {
  for (const auto& [name, bytes] : archive.members) data[name] = bytes;
  data.erase(archiveName);
  return data;
}

// The mounts that the fixture script could set up ("small", "ro").
bool MountReady(const fs::path& mounts, const std::string& name);

}  // namespace vyn::faults
