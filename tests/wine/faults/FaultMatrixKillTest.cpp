// The fault matrix, kill cases: the unpacking ended by TerminateProcess (as
// Windows' "End task", a power cut or a crash would end it) at several moments
// while it moves a few thousand files into place; then the program started again,
// or the unpacking run again. Each time the data folder holds the whole old or the
// whole new data set, nothing missing, and no staging folder is left.
#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>
#include <string>

#include "ChildProcess.h"
#include "FaultMatrixFixture.h"
#include "WinePath.h"

namespace vyn::faults {
namespace {

constexpr int kFiles = 2000;

class KillFault : public FaultMatrix {
 protected:
  // Old versions of kFiles files in existing folders, and the archive of new ones.
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(FaultMatrix::SetUp());
    std::map<std::string, std::string> fresh;
    for (int i = 0; i < kFiles; ++i) {
      const std::string name =
          "listings/" + std::to_string(i / 400) + "/part-" + std::to_string(i) + ".csv";
      old_[name] = "old " + std::to_string(i);
      fresh[name] = "new " + std::to_string(i);
    }
    fresh["photos/index.txt"] = "a folder the data folder does not have yet";
    const Archive archive = MakeArchive(fresh);
    archive_ = case_ / "VYNData.zip";
    WriteBytes(archive_, archive.bytes);
    ASSERT_NO_FATAL_FAILURE(PlantOldFiles());
    oldState_ = test::Snapshot(data_);
    newState_ = oldState_;
    for (const auto& [name, bytes] : archive.members) newState_[name] = bytes;
    WriteSettings();
  }

  void PlantOldFiles() {
    ASSERT_TRUE(test::FreshFolder(data_));
    for (const auto& [name, bytes] : old_) {
      fs::create_directories((data_ / name).parent_path());
      WriteBytes(data_ / name, bytes);
    }
  }

  driver::ChildProcess StartUnpacking() {
    return driver::ChildProcess::Launch(L"\"" + driver::OnDriveZ(VYN_UNPACK_CHILD_EXE) + L"\" \"" +
                                        archive_.wstring() + L"\" \"" + data_.wstring() + L"\"");
  }

  // Starts the unpacking and ends it `delayMs` after its commit began: after a
  // staging folder of the data folder holds a journal.
  void KillDuringCommit(DWORD delayMs) {
    driver::ChildProcess child = StartUnpacking();
    ASSERT_TRUE(e2e::AppSession::WaitUntil(60000, [&] {
      std::error_code error;
      for (fs::directory_iterator item(data_, error), end; !error && item != end;
           item.increment(error)) {
        if (item->path().filename().wstring().rfind(L".vyn-", 0) == 0 &&
            fs::exists(item->path() / "journal", error)) {
          return true;
        }
      }
      return child.WaitForExit(0).has_value();
    }));
    Sleep(delayMs);
    child.Terminate();  // and waits until it is gone
  }

  fs::path archive_;
  std::map<std::string, std::string> old_;
  FolderSnapshot oldState_, newState_;
};

TEST_F(KillFault, RefreshKilledDuringItsCommitIsCompletedByTheNextStartOrUnpacking) {
  int round = 0;
  for (const DWORD delayMs : {0u, 150u, 400u, 800u}) {
    ++round;
    if (round > 1) {
      ASSERT_NO_FATAL_FAILURE(PlantOldFiles());
    }
    ASSERT_NO_FATAL_FAILURE(KillDuringCommit(delayMs));
    FolderSnapshot now = test::Snapshot(data_);
    for (auto item = now.begin(); item != now.end();) {
      item = item->first.rfind(".vyn-", 0) == 0 ? now.erase(item) : std::next(item);
    }
    const std::string killed = Differences(oldState_, now);
    std::cout << "killed " << delayMs
              << " ms into the commit: " << std::count(killed.begin(), killed.end(), '\n')
              << " files new or missing\n";

    const bool startAgain = round % 2 == 1;
    if (startAgain) {
      ASSERT_NO_FATAL_FAILURE(Start(Values(kCityId, 1)));
      ASSERT_NO_FATAL_FAILURE(CloseAndExpectExit());
    } else {
      driver::ChildProcess again = StartUnpacking();
      EXPECT_EQ(again.WaitForExit(120000), std::optional<DWORD>(0));
    }

    const FolderSnapshot state = test::Snapshot(data_);
    if (startAgain) {
      EXPECT_TRUE(state == oldState_ || state == newState_)
          << "killed after " << delayMs << " ms, then started:\n"
          << Differences(newState_, state);
    } else {
      EXPECT_EQ(Differences(newState_, state), "")
          << "killed after " << delayMs << " ms, then unpacked again";
    }
  }
}

}  // namespace
}  // namespace vyn::faults
