// The fault matrix in company: the real program under Wine beside a second copy
// of itself (a scheduled refresh), the product rewriting its settings, and a
// scanner holding the fresh archive.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "FaultMatrixFixture.h"
#include "LoopbackHttpServer.h"

namespace vyn::faults {
namespace {

using test::LoopbackHttpServer;
using namespace std::chrono_literals;

constexpr DWORD kRunMs = 120000;

// A data set of a few thousand members: its unpack lasts a while under Wine.
Archive ManyMembers() {
  std::map<std::string, std::string> members;
  for (int i = 0; i < 3000; ++i) {
    members["m/" + std::to_string(i / 500) + "/" + std::to_string(i) + ".csv"] =
        "id,value\r\n" + std::to_string(i) + ",x\r\n";
  }
  return MakeArchive(members);
}

// The archive sent 4 KiB every 50 ms: a download of a few seconds.
LoopbackHttpServer::Reply Dripped(const std::string& bytes) {
  LoopbackHttpServer::Reply reply = LoopbackHttpServer::Ok(bytes);
  reply.dripChunk = 4096;
  reply.dripDelay = 50ms;
  return reply;
}

class Company : public FaultMatrix {
 protected:
  void SetUp() override {
    FaultMatrix::SetUp();
    many_ = ManyMembers();
  }

  // A scheduled refresh of the MLS data, beside the user's; `wait` sets how long
  // it waits for the data folder (nullptr: the standard 30 minutes).
  void LaunchScheduled(e2e::AppSession& run, const wchar_t* wait = nullptr) {
    SetEnvironmentVariableW(L"VYNDATALOADER_LOCK_WAIT", wait);
    const bool launched = run.Launch(exe_, L"/refresh /mls");
    SetEnvironmentVariableW(L"VYNDATALOADER_LOCK_WAIT", nullptr);
    ASSERT_TRUE(launched);
  }

  void ExpectEnds(e2e::AppSession& run, DWORD code) {
    const std::optional<DWORD> ended = run.WaitForExit(kRunMs);
    ASSERT_TRUE(ended) << "the scheduled run did not end; the log:\n" << e2e::Utf8(LogText());
    EXPECT_EQ(*ended, code) << e2e::Utf8(LogText());
  }

  template <typename Done>
  void WaitFor(const char* what, Done done) {
    ASSERT_TRUE(e2e::AppSession::WaitUntil(kRunMs, done)) << "never " << what;
  }

  // A staging folder of the unpacking, with (or without) its journal.
  bool Staging(bool withJournal) const {
    std::error_code error;
    for (fs::directory_iterator item(data_, error), end; !error && item != end;
         item.increment(error)) {
      if (item->path().filename().wstring().rfind(L".vyn-", 0) != 0 || !item->is_directory()) {
        continue;
      }
      if (!withJournal || fs::exists(item->path() / "journal", error)) return true;
    }
    return false;
  }

  // The data folder holds exactly the new set: nothing staged, no archive.
  void ExpectNewSet(const Snapshot& before) const {
    EXPECT_EQ(Differences(Refreshed(before.data, many_, "VYNData.zip"), test::Snapshot(data_)), "");
  }

  Archive many_;
};

// The user's refresh is at `phase` when a scheduled one starts: the scheduled run
// touches nothing of it (its start-up recovery too), waits its turn, then refreshes.
enum class Phase { kDownloading, kStaging, kCommitting, kDeletingTheArchive };

class RefreshesMeet : public Company, public ::testing::WithParamInterface<Phase> {};

TEST_P(RefreshesMeet, ScheduledRunWaitsItsTurnAndTheFolderEndsWithTheNewSet) {
  PlantPreviousRefresh();
  // An older version of every member: the commit moves each aside, and lasts.
  for (const auto& [name, bytes] : many_.members) {
    if (bytes == test::kFolder) continue;
    fs::create_directories((data_ / fs::u8path(name)).parent_path());
    WriteBytes(data_ / fs::u8path(name), "old");
  }
  const Snapshot before = Take();
  LoopbackHttpServer server(
      {GetParam() == Phase::kDownloading ? Dripped(many_.bytes)
                                         : LoopbackHttpServer::Ok(many_.bytes),
       LoopbackHttpServer::Ok(many_.bytes)},
      std::chrono::seconds(240));
  ASSERT_NO_FATAL_FAILURE(StartAndDownload(server.Port(), {kMls}));
  std::optional<HeldFile> scanner;
  switch (GetParam()) {
    case Phase::kDownloading:
      ASSERT_NE(app_.WaitForWindow(L"Downloading MLS Data", kRunMs), nullptr);
      break;
    case Phase::kStaging:
      ASSERT_NO_FATAL_FAILURE(WaitFor("staging", [&] { return Staging(false); }));
      break;
    case Phase::kCommitting:
      ASSERT_NO_FATAL_FAILURE(WaitFor("a journal", [&] { return Staging(true); }));
      break;
    case Phase::kDeletingTheArchive:
      // A scanner reads the fresh archive: the unpack goes on, its delete waits.
      ASSERT_NO_FATAL_FAILURE(WaitFor("staging", [&] { return Staging(false); }));
      scanner.emplace(data_ / "VYNData.zip", FILE_SHARE_READ);
      ASSERT_TRUE(scanner->Held());
      ASSERT_NO_FATAL_FAILURE(
          WaitFor("the unpack's end", [&] { return LogMentions(L"Unpacked ") == 1; }));
      break;
  }
  e2e::AppSession scheduled;
  ASSERT_NO_FATAL_FAILURE(LaunchScheduled(scheduled));
  if (scanner) scanner->ReleaseAfter(1s);  // within the delete's retries

  ASSERT_NO_FATAL_FAILURE(AnswerBox(L"Download Complete", kRunMs));
  ASSERT_NO_FATAL_FAILURE(ExpectExitCode(0));
  ASSERT_NO_FATAL_FAILURE(ExpectEnds(scheduled, 0));

  ExpectNewSet(before);
  ExpectRecordedNow(L"MlsDataUpdated");
  EXPECT_EQ(server.Requests().size(), 2u) << "each run fetched once";
  EXPECT_EQ(LogMentions(L"Archive left in the data folder"), 0u);
}

std::string PhaseName(const ::testing::TestParamInfo<Phase>& info) {
  static const char* const kNames[] = {"Downloading", "Staging", "Committing",
                                       "DeletingTheArchive"};
  return kNames[static_cast<int>(info.param)];
}

INSTANTIATE_TEST_SUITE_P(Phases, RefreshesMeet,
                         ::testing::Values(Phase::kDownloading, Phase::kStaging, Phase::kCommitting,
                                           Phase::kDeletingTheArchive),
                         PhaseName);

// With no time to wait, the scheduled run gives up at once, changes nothing and
// names the holder; the user's refresh goes on undisturbed.
TEST_F(Company, ScheduledRunWithoutAWaitEndsBusyAndNamesTheHolder) {
  PlantPreviousRefresh();
  const Snapshot before = Take();
  LoopbackHttpServer server({Dripped(many_.bytes)}, std::chrono::seconds(240));
  ASSERT_NO_FATAL_FAILURE(StartAndDownload(server.Port(), {kMls}));
  ASSERT_NE(app_.WaitForWindow(L"Downloading MLS Data", kRunMs), nullptr);
  e2e::AppSession scheduled;
  ASSERT_NO_FATAL_FAILURE(LaunchScheduled(scheduled, L"0"));
  ASSERT_NO_FATAL_FAILURE(ExpectEnds(scheduled, 7));
  EXPECT_EQ(LogMentions(L"Data folder busy, nothing changed: another refresh (interactive, "
                        L"started by "),
            1u)
      << e2e::Utf8(LogText());
  EXPECT_EQ(server.Requests().size(), 1u) << "the busy run fetched";

  ASSERT_NO_FATAL_FAILURE(AnswerBox(L"Download Complete", kRunMs));
  ASSERT_NO_FATAL_FAILURE(ExpectExitCode(0));
  ExpectNewSet(before);
}

// Two scheduled runs at once: one refreshes, the other waits and then refreshes.
TEST_F(Company, TwoScheduledRunsAtOnceBothEndWellOneAfterTheOther) {
  PlantPreviousRefresh();
  const Snapshot before = Take();
  LoopbackHttpServer server({Dripped(many_.bytes)}, std::chrono::seconds(240));
  ASSERT_TRUE(e2e::WriteProductValues(Values(kCityId, server.Port())));
  e2e::AppSession first, second;
  ASSERT_NO_FATAL_FAILURE(LaunchScheduled(first));
  ASSERT_NO_FATAL_FAILURE(LaunchScheduled(second));
  ASSERT_NO_FATAL_FAILURE(ExpectEnds(first, 0));
  ASSERT_NO_FATAL_FAILURE(ExpectEnds(second, 0));

  EXPECT_EQ(LogMentions(L"Waiting up to 1800 s for the data folder: another refresh (scheduled"),
            1u)
      << e2e::Utf8(LogText());
  EXPECT_EQ(LogMentions(L"Ends with exit code 0"), 2u);
  ExpectNewSet(before);
}

// The user presses Download while a scheduled run holds the folder: told who, and
// nothing changes; the window stays.
TEST_F(Company, InteractiveRefreshWhileAScheduledOneRunsNamesItAndChangesNothing) {
  PlantPreviousRefresh();
  const Snapshot before = Take();
  LoopbackHttpServer server({Dripped(many_.bytes)}, std::chrono::seconds(240));
  ASSERT_TRUE(e2e::WriteProductValues(Values(kCityId, server.Port())));
  e2e::AppSession scheduled;
  ASSERT_NO_FATAL_FAILURE(LaunchScheduled(scheduled));
  ASSERT_NE(scheduled.WaitForWindow(L"Downloading MLS Data", kRunMs), nullptr);

  ASSERT_NO_FATAL_FAILURE(StartAndDownload(server.Port(), {kMls}));
  std::wstring text;
  ASSERT_NO_FATAL_FAILURE(AnswerBox(
      kAppTitle, L"A refresh of this data folder is already running (scheduled, started by ", L"OK",
      &text));
  EXPECT_NE(text.find(L"Wait for it to finish, then press Download again."), std::wstring::npos)
      << e2e::Utf8(text);
  EXPECT_EQ(server.Requests().size(), 1u) << "the user's refresh fetched";
  ASSERT_NO_FATAL_FAILURE(ExpectEnds(scheduled, 0));
  ASSERT_NO_FATAL_FAILURE(CloseAndExpectExit());
  ExpectNewSet(before);
}

// The unpack shows its own window; a second click on Download meanwhile starts nothing.
TEST_F(Company, SecondDownloadClickDuringTheUnpackStartsNothing) {
  PlantPreviousRefresh();
  const Snapshot before = Take();
  LoopbackHttpServer server({LoopbackHttpServer::Ok(many_.bytes)}, std::chrono::seconds(240));
  ASSERT_NO_FATAL_FAILURE(StartAndDownload(server.Port(), {kMls}));
  ASSERT_NE(app_.WaitForWindow(L"Unpacking MLS Data", kRunMs), nullptr) << "no unpack window";
  const HWND download = e2e::FindControl(window_, L"Download");
  ASSERT_NE(download, nullptr);
  EXPECT_FALSE(IsWindowEnabled(download)) << "Download stays pressable during the refresh";
  e2e::Click(download);

  ASSERT_NO_FATAL_FAILURE(AnswerBox(L"Download Complete", kRunMs));
  ASSERT_NO_FATAL_FAILURE(ExpectExitCode(0));
  EXPECT_EQ(server.Requests().size(), 1u);
  EXPECT_EQ(LogMentions(L"Message \"VYNDataLoader\": Download Complete"), 1u);
  ExpectNewSet(before);
}

// Cancel in the unpack's window, pressed while the members are staged: nothing
// in the data folder changes but the fetched archive, kept for another try.
TEST_F(Company, CancelDuringTheUnpackKeepsTheDataFolder) {
  PlantPreviousRefresh();
  Snapshot before = Take();
  LoopbackHttpServer server({LoopbackHttpServer::Ok(many_.bytes)}, std::chrono::seconds(240));
  ASSERT_NO_FATAL_FAILURE(StartAndDownload(server.Port(), {kMls}));
  const HWND unpacking = app_.WaitForWindow(L"Unpacking MLS Data", kRunMs);
  ASSERT_NE(unpacking, nullptr);
  ASSERT_TRUE(e2e::Press(unpacking, L"&Cancel"));

  ASSERT_NO_FATAL_FAILURE(ExpectFailureMessageThenClose());
  EXPECT_EQ(LogMentions(L"Unpack cancelled before its commit"), 1u) << e2e::Utf8(LogText());
  before.data["VYNData.zip"] = many_.bytes;
  ExpectUnchanged(before);
}

// A staging folder whose files another program holds for good: the start-up
// spends the retries once, not once per file, and the window opens; the files
// wait for the next start.
TEST_F(Company, StagingThatCannotBeDeletedCostsTheStartAFewSecondsAtMost) {
  PlantPreviousRefresh();
  const fs::path staging = data_ / ".vyn-0123abcd" / "0";
  fs::create_directories(staging);
  std::vector<std::unique_ptr<HeldFile>> held;
  for (int i = 0; i < 4; ++i) {
    WriteBytes(staging / std::to_string(i), "staged");
    held.push_back(std::make_unique<HeldFile>(staging / std::to_string(i)));
    ASSERT_TRUE(held.back()->Held());
  }
  LoopbackHttpServer server({LoopbackHttpServer::Ok(mls_.bytes)});
  const auto started = std::chrono::steady_clock::now();
  ASSERT_NO_FATAL_FAILURE(Start(Values(kCityId, server.Port())));
  const auto opened = std::chrono::steady_clock::now() - started;

  // Each file alone would cost two rounds of 3 s of retries: 24 s for four.
  EXPECT_LT(opened, std::chrono::seconds(12));
  EXPECT_TRUE(fs::exists(staging / "0"));
  ASSERT_NO_FATAL_FAILURE(CloseAndExpectExit());
}

// The product rewrites its settings file while the window stands open: its change
// and the new refresh time are both in the file afterwards.
TEST_F(Company, SettingsChangedFromOutsideAreKeptBesideTheNewStamp) {
  PlantPreviousRefresh();
  LoopbackHttpServer server({LoopbackHttpServer::Ok(mls_.bytes)});
  ASSERT_NO_FATAL_FAILURE(Start(Values(kCityId, server.Port())));
  const std::string outside = "ProductOwnSetting=written while the window was open\n";
  WriteBytes(SettingsPath(), test::ReadBytes(SettingsPath()) + outside);
  ASSERT_NO_FATAL_FAILURE(Tick(kMls));
  ASSERT_NO_FATAL_FAILURE(PressDownload());
  ASSERT_NO_FATAL_FAILURE(AnswerBox(L"Download Complete"));
  ASSERT_NO_FATAL_FAILURE(ExpectExitCode(0));

  EXPECT_NE(test::ReadBytes(SettingsPath()).find(outside), std::string::npos);
  ExpectRecordedNow(L"MlsDataUpdated");
}

// A scanner keeps the fresh archive open past the delete's retries: the refresh is
// complete and recorded all the same, and the next refresh removes the archive.
TEST_F(Company, ArchiveHeldAfterTheUnpackIsLeftForTheNextRefresh) {
  PlantPreviousRefresh();
  const Snapshot before = Take();
  LoopbackHttpServer server({LoopbackHttpServer::Ok(many_.bytes)}, std::chrono::seconds(240));
  ASSERT_NO_FATAL_FAILURE(StartAndDownload(server.Port(), {kMls}));
  {
    ASSERT_NO_FATAL_FAILURE(WaitFor("staging", [&] { return Staging(false); }));
    HeldFile scanner(data_ / "VYNData.zip", FILE_SHARE_READ);
    ASSERT_TRUE(scanner.Held());
    ASSERT_NO_FATAL_FAILURE(AnswerBox(L"Download Complete", kRunMs));
    ASSERT_NO_FATAL_FAILURE(ExpectExitCode(0));
  }
  ExpectRecordedNow(L"MlsDataUpdated");
  EXPECT_EQ(LogMentions(L"Archive left in the data folder, for the next refresh to delete: "), 1u);
  EXPECT_TRUE(fs::exists(data_ / "VYNData.zip"));

  e2e::AppSession next;
  ASSERT_NO_FATAL_FAILURE(LaunchScheduled(next));
  ASSERT_NO_FATAL_FAILURE(ExpectEnds(next, 0));
  ExpectNewSet(before);
}

}  // namespace
}  // namespace vyn::faults
