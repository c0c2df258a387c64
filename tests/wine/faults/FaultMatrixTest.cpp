// The fault matrix, network and locking cases: the real program under Wine
// against a scripted server on loopback.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "FaultMatrixFixture.h"
#include "LoopbackHttpServer.h"

namespace vyn::faults {
namespace {

using test::LoopbackHttpServer;

class NetworkFault : public FaultMatrix {
 protected:
  // The read failure asks to retry; No gives up.
  void DeclineRetry() {
    ASSERT_NO_FATAL_FAILURE(
        AnswerBox(L"Connect Error", L"Error connecting to server. Do you want to retry?", L"&No"));
  }

  // A transfer that breaks off with this reply (none: no server on the port):
  // the program offers a retry, No gives up, nothing changes, nothing more is fetched.
  void ExpectBrokenTransferKeepsEverything(const LoopbackHttpServer::Reply* cut,
                                           std::initializer_list<const wchar_t*> boxes) {
    PlantPreviousRefresh();
    LoopbackHttpServer server({cut != nullptr ? *cut : LoopbackHttpServer::Ok("")});
    const Snapshot before = Take();
    const std::uint16_t port = cut != nullptr ? server.Port() : LoopbackHttpServer::UnusedPort();
    ASSERT_NO_FATAL_FAILURE(StartAndDownload(port, boxes));
    ASSERT_NO_FATAL_FAILURE(DeclineRetry());
    ASSERT_NO_FATAL_FAILURE(ExpectFailureMessageThenClose());
    ExpectUnchanged(before);
    EXPECT_EQ(server.Requests().size(), cut != nullptr ? 1u : 0u) << "fetched after the failure";
  }
};

// A "Download Host" that is a list, not text, names no server: the program says
// so and fetches nothing, and the window stays.
TEST_F(NetworkFault, DownloadHostThatIsNotTextFetchesNothingAndKeepsEverything) {
  PlantPreviousRefresh();
  LoopbackHttpServer server({LoopbackHttpServer::Ok(mls_.bytes)});
  hostType_ = REG_MULTI_SZ;
  const Snapshot before = Take();
  ASSERT_NO_FATAL_FAILURE(StartAndDownload(server.Port(), {kMls, kTax}));
  ASSERT_NO_FATAL_FAILURE(ExpectFailureMessageThenClose(
      L"The registry value \"Download Host\" is not text. It must be a string (REG_SZ) naming "
      L"the download server, \"host\" or \"host:port\". Nothing was downloaded."));

  ExpectUnchanged(before);
  EXPECT_TRUE(server.Requests().empty());
}

TEST_F(NetworkFault, RefusedConnectionKeepsEverything) {
  ASSERT_NO_FATAL_FAILURE(ExpectBrokenTransferKeepsEverything(nullptr, {kMls, kTax}));
}

TEST_F(NetworkFault, ResetInTheMiddleOfTheBodyKeepsEverything) {
  LoopbackHttpServer::Reply reset = LoopbackHttpServer::Ok(mls_.bytes);
  reset.closeAfter = mls_.bytes.size() / 2;
  reset.resetAtEnd = true;
  ASSERT_NO_FATAL_FAILURE(ExpectBrokenTransferKeepsEverything(&reset, {kMls, kTax}));
}

TEST_F(NetworkFault, BodyShorterThanItsContentLengthKeepsEverything) {
  LoopbackHttpServer::Reply shortBody = LoopbackHttpServer::Ok(mls_.bytes);
  shortBody.closeAfter = mls_.bytes.size() - 100;
  ASSERT_NO_FATAL_FAILURE(ExpectBrokenTransferKeepsEverything(&shortBody, {kMls}));
}

// Without a Content-Length a cut body cannot be told from a whole one: the
// transfer completes, and the unpacking refuses the damaged archive before it
// touches a data file. The archive stays for a look, as after any unpacking failure.
TEST_F(NetworkFault, TruncatedArchiveWithoutContentLengthIsRefusedBeforeAnyDataFile) {
  PlantPreviousRefresh();
  LoopbackHttpServer::Reply truncated = LoopbackHttpServer::Ok(mls_.bytes, false);
  truncated.closeAfter = mls_.bytes.size() / 2;
  LoopbackHttpServer server({truncated});
  Snapshot before = Take();
  ASSERT_NO_FATAL_FAILURE(StartAndDownload(server.Port(), {kMls, kTax}));
  ASSERT_NO_FATAL_FAILURE(ExpectRunTimeErrorEnd());

  before.data["VYNData.zip"] = mls_.bytes.substr(0, mls_.bytes.size() / 2);
  ExpectUnchanged(before);
}

TEST_F(NetworkFault, LockedTaxArchiveFailsTheTaxStepAfterACompleteMlsRefresh) {
  PlantPreviousRefresh();
  LoopbackHttpServer server(
      {LoopbackHttpServer::Ok(mls_.bytes), LoopbackHttpServer::Ok(tax_.bytes)});
  const Snapshot before = Take();
  {
    HeldFile lock(data_ / "VYNTax.zip");
    ASSERT_TRUE(lock.Held());
    ASSERT_NO_FATAL_FAILURE(StartAndDownload(server.Port(), {kMls, kTax}));
    ASSERT_NO_FATAL_FAILURE(ExpectNumberedFailureBox(
        L"70 - " + InUse(L"\"" + e2e::WithBackslash(data_) + L"VYNTax.zip\"")));
    ASSERT_NO_FATAL_FAILURE(ExpectFailureMessageThenClose());
  }

  // MLS fully refreshed and recorded, only its refresh time changed in its place;
  // tax as it was, its archive untouched; no pending settings copy left.
  ExpectRecordedNow(L"MlsDataUpdated");
  auto recorded = e2e::ReadSetting(SettingsPath(), L"MlsDataUpdated");
  ASSERT_TRUE(recorded);
  Snapshot expected = before;
  expected.data = Refreshed(before.data, mls_, "VYNData.zip");
  std::string& settings = expected.appData[e2e::Utf8(e2e::kSettingsFileName)];
  const std::string oldLine = "MlsDataUpdated = 2020-01-02 03:04:05";
  settings.replace(settings.find(oldLine), oldLine.size(),
                   "MlsDataUpdated = " + e2e::Utf8(*recorded));
  ExpectUnchanged(expected);
}

// The refresh cannot be recorded: the program ends before the registry is
// written, and the settings file is the old one, whole.
TEST_F(NetworkFault, SettingsFileThatCannotBeSavedLeavesSettingsAndRegistryAsTheyWere) {
  PlantPreviousRefresh();
  // A folder where the save's lock would be made.
  ASSERT_TRUE(fs::create_directory(appData_ / "Veltrix Settings.txt.lock"));
  LoopbackHttpServer server({LoopbackHttpServer::Ok(tax_.bytes)});
  const Snapshot before = Take();
  ASSERT_NO_FATAL_FAILURE(StartAndDownload(server.Port(), {kTax}));
  ASSERT_NO_FATAL_FAILURE(ExpectRunTimeErrorEnd());

  Snapshot expected = before;
  expected.data = Refreshed(before.data, tax_, "VYNTax.zip");
  ExpectUnchanged(expected);
}

TEST_F(NetworkFault, LockedSettingsFileLeavesItWholeAndNoPendingCopy) {
  PlantPreviousRefresh();
  std::wstring report;
  LoopbackHttpServer server({LoopbackHttpServer::Ok(mls_.bytes)});
  const Snapshot before = Take();
  ASSERT_NO_FATAL_FAILURE(Start(Values(kCityId, server.Port())));
  {
    // Held after the program has read it, as the product itself might hold it.
    HeldFile lock(SettingsPath());
    ASSERT_TRUE(lock.Held());

    ASSERT_NO_FATAL_FAILURE(Tick(kMls));
    ASSERT_NO_FATAL_FAILURE(PressDownload());
    ASSERT_NO_FATAL_FAILURE(ExpectRunTimeErrorEnd(&report));
  }

  EXPECT_NE(report.find(L"The data were refreshed, but the refresh could not be recorded: " +
                        InUse(L"the settings file \"" + e2e::WithBackslash(appData_) +
                              e2e::kSettingsFileName + L"\"")),
            std::wstring::npos)
      << ::testing::PrintToString(report);
  Snapshot expected = before;
  expected.data = Refreshed(before.data, mls_, "VYNData.zip");
  ExpectUnchanged(expected);
}

// A set of 33 MiB that hardly compresses, as a large city's listings and photos.
Archive LargeArchive(std::uint32_t seed) {
  std::mt19937_64 random(seed);
  std::string bytes(33u << 20, '\0');
  for (std::size_t i = 0; i + 8 <= bytes.size(); i += 8) {
    const std::uint64_t word = random();
    std::memcpy(&bytes[i], &word, 8);
  }
  return MakeArchive({{"listings.csv", "id,price\r\n"}, {"photos/all.bin", bytes}});
}

class BrokenBody : public NetworkFault {
 protected:
  // The archive sent whole but for its last tenth, under this ETag.
  static LoopbackHttpServer::Reply CutAt90Percent(const Archive& archive, const char* etag) {
    LoopbackHttpServer::Reply reply = LoopbackHttpServer::Ok(archive.bytes);
    reply.head += std::string("\r\nETag: ") + etag;
    reply.closeAfter = archive.bytes.size() / 10 * 9;
    return reply;
  }

  // The MLS refresh through one broken body and Yes to the retry: the set of
  // `refreshed` is in the data folder, recorded, and nothing else changed.
  void RetryAfterTheBreak(LoopbackHttpServer& server, const Archive& refreshed) {
    PlantPreviousRefresh();
    const Snapshot before = Take();
    ASSERT_NO_FATAL_FAILURE(StartAndDownload(server.Port(), {kMls}));
    ASSERT_NO_FATAL_FAILURE(
        AnswerBox(L"Connect Error", L"Error connecting to server. Do you want to retry?", L"&Yes"));
    ASSERT_NO_FATAL_FAILURE(AnswerBox(L"Download Complete", 120000));
    ASSERT_NO_FATAL_FAILURE(ExpectExitCode(0));
    ExpectRecordedNow(L"MlsDataUpdated");
    EXPECT_EQ(Differences(Refreshed(before.data, refreshed, "VYNData.zip"), test::Snapshot(data_)),
              "");
    ExpectNoTempFileLeft();
  }
};

// Yes asks only for the rest of the body, and the archive it makes is the one served.
TEST_F(BrokenBody, RetryContinuesWhereTheBodyBrokeOff) {
  const Archive large = LargeArchive(1);
  const std::size_t cut = large.bytes.size() / 10 * 9;
  LoopbackHttpServer::Reply rest =
      LoopbackHttpServer::Status(206, "Partial Content", large.bytes.substr(cut));
  rest.head += "\r\nETag: \"v1\"\r\nContent-Range: bytes " + std::to_string(cut) + "-" +
               std::to_string(large.bytes.size() - 1) + "/" + std::to_string(large.bytes.size());
  LoopbackHttpServer server({CutAt90Percent(large, "\"v1\""), rest}, std::chrono::seconds(300));

  ASSERT_NO_FATAL_FAILURE(RetryAfterTheBreak(server, large));

  EXPECT_LE(server.BodyBytesSent(), large.bytes.size() / 100 * 115);
  const std::vector<std::string> requests = server.Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_NE(requests[1].find("Range: bytes=" + std::to_string(cut) + "-\r\nIf-Range: \"v1\"\r\n"),
            std::string::npos)
      << requests[1];
}

// The archive changed between the attempts: the server sends the new one whole,
// and only the new one is unpacked.
TEST_F(BrokenBody, ArchiveChangedBeforeTheRetryIsFetchedWhole) {
  const Archive old = LargeArchive(1);
  const Archive changed = LargeArchive(2);
  LoopbackHttpServer::Reply whole = LoopbackHttpServer::Ok(changed.bytes);
  whole.head += "\r\nETag: \"v2\"";
  LoopbackHttpServer server({CutAt90Percent(old, "\"v1\""), whole}, std::chrono::seconds(300));

  ASSERT_NO_FATAL_FAILURE(RetryAfterTheBreak(server, changed));

  EXPECT_EQ(server.BodyBytesSent(), old.bytes.size() / 10 * 9 + changed.bytes.size());
}

class HeldDataFile : public FaultMatrix {
 protected:
  // The program holding on where it moves the new files into place: the fetched
  // archive is in the data folder, and the unpacking of so small an archive is
  // over within moments.
  void WaitForTheArchive(const Archive& archive, const char* name) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    const auto arrived = [&] {
      try {
        return test::ReadBytes(data_ / name) == archive.bytes;
      } catch (const std::exception&) {
        return false;  // between the old archive and the new one
      }
    };
    while (!arrived()) {
      ASSERT_LT(std::chrono::steady_clock::now(), until) << "the archive never arrived";
      Sleep(20);
    }
  }
};

TEST_F(HeldDataFile, HeldForASecondIsWaitedForAndTheRefreshCompletes) {
  PlantPreviousRefresh();
  LoopbackHttpServer server({LoopbackHttpServer::Ok(mls_.bytes)});
  const Snapshot before = Take();
  ASSERT_NO_FATAL_FAILURE(Start(Values(kCityId, server.Port())));
  ASSERT_NO_FATAL_FAILURE(Tick(kMls));
  {
    HeldFile lock(data_ / "listings.csv");
    ASSERT_TRUE(lock.Held());
    ASSERT_NO_FATAL_FAILURE(PressDownload());
    ASSERT_NO_FATAL_FAILURE(WaitForTheArchive(mls_, "VYNData.zip"));
    lock.ReleaseAfter(std::chrono::seconds(1));
    ASSERT_NO_FATAL_FAILURE(AnswerBox(L"Download Complete"));
  }
  ASSERT_NO_FATAL_FAILURE(ExpectExitCode(0));

  ExpectRecordedNow(L"MlsDataUpdated");
  EXPECT_EQ(Differences(Refreshed(before.data, mls_, "VYNData.zip"), test::Snapshot(data_)), "");
}

// Held on, the file stops the refresh once the retries are over (3 s of pauses),
// with the file named, and nothing of the new data set in the folder.
TEST_F(HeldDataFile, HeldOnFailsAfterTheRetriesNamingTheFileAndKeepsEverything) {
  PlantPreviousRefresh();
  LoopbackHttpServer server({LoopbackHttpServer::Ok(mls_.bytes)});
  Snapshot before = Take();
  ASSERT_NO_FATAL_FAILURE(Start(Values(kCityId, server.Port())));
  ASSERT_NO_FATAL_FAILURE(Tick(kMls));
  std::wstring report;
  std::chrono::steady_clock::duration waited{};
  {
    HeldFile lock(data_ / "listings.csv");
    ASSERT_TRUE(lock.Held());
    ASSERT_NO_FATAL_FAILURE(PressDownload());
    ASSERT_NO_FATAL_FAILURE(WaitForTheArchive(mls_, "VYNData.zip"));
    const auto arrived = std::chrono::steady_clock::now();
    ASSERT_NO_FATAL_FAILURE(ExpectRunTimeErrorEnd(&report));
    waited = std::chrono::steady_clock::now() - arrived;
  }

  EXPECT_NE(report.find(InUse(L"\"listings.csv\" in the data folder")), std::wstring::npos)
      << ::testing::PrintToString(report);
  EXPECT_GE(waited, std::chrono::seconds(3));
  EXPECT_LT(waited, std::chrono::seconds(30)) << "far longer than the retries";
  // The archive stays for another try; no staging folder is left.
  before.data["VYNData.zip"] = mls_.bytes;
  ExpectUnchanged(before);
}

}  // namespace
}  // namespace vyn::faults
