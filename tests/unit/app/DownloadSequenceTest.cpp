#include "AppFixture.h"

namespace vyn::test {
namespace {

using ::testing::ElementsAre;

constexpr const wchar_t* kUnableToDownload =
    L"Unable to download data files - call technical support";

class DownloadSequenceTest : public AppTest {
 protected:
  void Tick(const wchar_t* box) { Window().Click(box); }
  void PressDownload() { Window().Click(L"cmdDownload"); }
  // Starts the program, ticks the boxes and presses Download.
  void Download(const std::vector<const wchar_t*>& ticked) {
    LoadAndShow();
    for (const wchar_t* box : ticked) Tick(box);
    PressDownload();
  }
  std::optional<fakes::FakeRegistry::StoredValue> TaxPathLocal() const {
    return registry.Value(L"Software\\Tevrin Labs\\Veltrix\\Settings\\File Locations",
                          L"Tax Path Local");
  }
};

TEST_F(DownloadSequenceTest, BothDataSetsFetchUnpackRecordAndEndTheProgram) {
  inet.responses = {Archive("PK-mls"), Archive("PK-tax")};
  Download({L"chkMls", L"chkTax"});

  EXPECT_THAT(RequestedPaths(), ElementsAre("/Downloads/VynData.vyn", "/Downloads/VynTax.vyn"));
  EXPECT_EQ(inet.CallsTo("InternetConnectA").at(0).args.at(1), "downloads.tevrinlabs.com");
  EXPECT_THAT(
      SettingsCalls(),
      ElementsAre(L"AppDataFolder(C:\\ProgramData\\Veltrix\\)", L"LoadSettings",
                  L"TaxDataAvailable", L"DataFolder",
                  L"FinishInterruptedUnpacking(C:\\Veltrix\\Data\\)", L"FilePrefix", L"FilePrefix",
                  L"MlsDataUpdated(1)", L"FilePrefix", L"FilePrefix", L"TaxDataUpdated(1)",
                  L"TaxDataFolder(C:\\Veltrix\\Data\\)", L"SettingsKey", L"TaxDataLocation"));
  EXPECT_THAT(
      ZipCalls(),
      ElementsAre(L"SourceArchive(C:\\Veltrix\\Data\\VynData.zip)",
                  L"TargetFolder(\"C:\\Veltrix\\Data\\\")", L"FileMask(\"*.*\")", L"Execute(8)",
                  L"SourceArchive(C:\\Veltrix\\Data\\VynTax.zip)",
                  L"TargetFolder(\"C:\\Veltrix\\Data\\\")", L"FileMask(\"*.*\")", L"Execute(8)"));
  EXPECT_EQ(components.zipExtractorsCreated, 1);
  EXPECT_FALSE(disk.HasFile(L"C:\\Veltrix\\Data\\VynData.zip"));
  EXPECT_FALSE(disk.HasFile(L"C:\\Veltrix\\Data\\VynTax.zip"));
  auto taxPath = TaxPathLocal();
  ASSERT_TRUE(taxPath.has_value());
  EXPECT_EQ(taxPath->type, kRegSz);
  EXPECT_EQ(taxPath->bytes, std::string("C:\\Veltrix\\Data\\Tax\0", 20));
  EXPECT_EQ(boxes.Texts(), std::vector<std::wstring>{L"Download Complete"});
  EXPECT_EQ(boxes.Shown()[0].title, L"VYNDataLoader");
  EXPECT_FALSE(WindowLoaded());
  EXPECT_EQ(registry.OpenHandles(), 0);
  EXPECT_EQ(inet.OpenHandles(), 0);
}

TEST_F(DownloadSequenceTest, RetrievalAndUnpackWindowsAreCaptionedPerDataSetAndUnloaded) {
  inet.responses = {Archive("PK-mls"), Archive("PK-tax")};
  std::vector<std::wstring> captions;
  forms.afterTick = [&](fakes::FakeForm& form) { captions.push_back(form.Caption()); };
  Download({L"chkMls", L"chkTax"});

  EXPECT_THAT(captions, ElementsAre(L"Downloading MLS Data", L"Unpacking MLS Data",
                                    L"Downloading Tax Data", L"Unpacking Tax Data"));
  for (const wchar_t* window : {L"frmGetHTMLFile", L"frmUnpack"}) {
    EXPECT_EQ(forms.Loads(window), 2);
    EXPECT_EQ(forms.Unloads(window), 2);
  }
}

// A Cancel in the unpack's window before the files move in changes nothing: the
// archive stays, nothing is recorded, the window stays for another try.
TEST_F(DownloadSequenceTest, CancelInTheUnpackWindowBeforeTheCommitKeepsEverything) {
  inet.responses = {Archive("PK-mls")};
  forms.onShowModal = [&](fakes::FakeForm& form) {
    if (form.Caption() == L"Unpacking MLS Data") form.Click(L"cmdCancel");
  };
  Download({L"chkMls"});

  EXPECT_EQ(boxes.Texts(), std::vector<std::wstring>{kUnableToDownload});
  EXPECT_EQ(disk.Contents(L"C:\\Veltrix\\Data\\VynData.zip"), std::string("PK-mls"));
  auto calls = SettingsCalls();
  EXPECT_EQ(std::find(calls.begin(), calls.end(), L"MlsDataUpdated(1)"), calls.end());
  EXPECT_TRUE(WindowLoaded());
  EXPECT_FALSE(locks.IsHeld(kDataFolder));
  EXPECT_NE(log.Find(L"Unpack cancelled before its commit"), L"");
}

// How a run ends, by the data sets ticked and what the server answers: a
// completed run ends the program, a failed fetch keeps the window and its ticks
// for another try, and what was unpacked before the failure stays recorded.
struct OutcomeRow {
  const char* name;
  std::vector<const wchar_t*> ticked;
  std::vector<const char*> answers;  // "404" for a missing file, "304" for "unchanged",
                                     // else an archive's bytes
  std::vector<std::string> requested;
  std::size_t zipCalls;
  bool mlsRecorded;
  bool taxRecorded;
  const wchar_t* message;
  bool lastRefreshRecorded = false;  // of the MLS set, from the same address
  const wchar_t* differs = nullptr;  // what the check of its files finds
};

constexpr const wchar_t* kMlsArchive = L"C:\\Veltrix\\Data\\VynData.zip";

void PrintTo(const OutcomeRow& row, std::ostream* out) {
  *out << row.name;
}

class DownloadOutcome : public DownloadSequenceTest,
                        public ::testing::WithParamInterface<OutcomeRow> {};

TEST_P(DownloadOutcome, EndsAsTheFetchesWent) {
  const OutcomeRow& row = GetParam();
  inet.responses.clear();
  for (const char* answer : row.answers) {
    fakes::FakeWinInet::Response response = Archive(answer);
    if (std::string(answer) == "404") response = NotFound();
    if (std::string(answer) == "304") response = fakes::FakeWinInet::Response{304, "0", {}, {}};
    inet.responses.push_back(response);
  }
  if (row.lastRefreshRecorded) {
    components.refreshRecords.records[kMlsArchive] =
        RefreshRecord{L"downloads.tevrinlabs.com/Downloads/VynData.vyn",
                      "\"e1\"",
                      "Tue, 01 Dec 2026 10:00:00 GMT",
                      6,
                      {{L"a.csv", 1, 0}}};
  }
  if (row.differs) components.refreshRecords.difference = row.differs;
  Download(row.ticked);

  EXPECT_EQ(RequestedPaths(), row.requested);
  const auto sends = inet.CallsTo("HttpSendRequestA");
  ASSERT_EQ(sends.size(), row.requested.size());
  for (std::size_t i = 0; i < sends.size(); ++i) {
    // Only the first request of a recorded set asks whether it changed.
    EXPECT_EQ(sends[i].args[1], row.lastRefreshRecorded && i == 0
                                    ? "If-None-Match: \"e1\"\r\n"
                                      "If-Modified-Since: Tue, 01 Dec 2026 10:00:00 GMT\r\n"
                                    : "null")
        << i;
  }
  EXPECT_EQ(components.refreshRecords.checks,
            row.lastRefreshRecorded && row.answers[0] == std::string("304") ? 1 : 0);
  // A set unpacked is recorded for the next refresh; one found current keeps its record.
  EXPECT_EQ(components.refreshRecords.records.count(kMlsArchive),
            row.mlsRecorded ? 1u : static_cast<std::size_t>(row.lastRefreshRecorded));
  EXPECT_EQ(ZipCalls().size(), row.zipCalls);
  const auto calls = SettingsCalls();
  const auto called = [&](const wchar_t* call) {
    return std::find(calls.begin(), calls.end(), call) != calls.end();
  };
  EXPECT_EQ(called(L"MlsDataUpdated(1)"), row.mlsRecorded);
  EXPECT_EQ(called(L"TaxDataUpdated(1)"), row.taxRecorded);
  EXPECT_EQ(TaxPathLocal().has_value(), row.taxRecorded);
  EXPECT_EQ(registry.KeyExists(L"Software\\Tevrin Labs\\Veltrix\\Settings\\File Locations"),
            row.taxRecorded);
  EXPECT_EQ(boxes.Texts(), std::vector<std::wstring>{row.message});
  EXPECT_FALSE(disk.HasFile(L"C:\\Veltrix\\Data\\VynData.zip"));
  const bool completed = std::wstring(row.message) == L"Download Complete";
  ASSERT_EQ(WindowLoaded(), !completed);
  if (completed) return;
  for (const wchar_t* box : row.ticked) {
    EXPECT_EQ(Window().Fake(box).Value(), 1) << NarrowForDiagnostics(box);
  }
}

const std::vector<const wchar_t*> kBoth = {L"chkMls", L"chkTax"};
const std::string kData = "/Downloads/VynData.vyn";
const std::string kTax = "/Downloads/VynTax.vyn";

// clang-format off
INSTANTIATE_TEST_SUITE_P(Runs, DownloadOutcome, ::testing::Values(
    OutcomeRow{"OnlyTaxSkipsTheMlsStep", {L"chkTax"}, {"PK-tax"}, {kTax}, 4, false, true,
               L"Download Complete"},
    OutcomeRow{"MlsOnlyWritesNoTaxRecord", {L"chkMls"}, {"PK-mls"}, {kData}, 4, true, false,
               L"Download Complete"},
    OutcomeRow{"FailedMlsFetchStopsBeforeTax", kBoth, {"404"}, {kData}, 0, false, false,
               kUnableToDownload},
    OutcomeRow{"FailedTaxFetchKeepsTheMlsDataRecorded", kBoth, {"PK-mls", "404"}, {kData, kTax}, 4,
               true, false, kUnableToDownload},
    OutcomeRow{"UnchangedMlsIsCheckedNotFetched", {L"chkMls"}, {"304"}, {kData}, 0, true, false,
               L"Download Complete", true},
    OutcomeRow{"MlsFileDifferingFetchesTheWholeArchive", {L"chkMls"}, {"304", "PK-mls"},
               {kData, kData}, 4, true, false, L"Download Complete", true, L"\"a.csv\" is missing"}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

TEST_F(DownloadSequenceTest, CancelInTheProgressWindowIsAFailedFetch) {
  inet.responses = {Archive(std::string(20000, 'x'))};
  pump.onDoEvents = [this](int call) {
    if (call == 4) forms.Find(L"frmGetHTMLFile")->Click(L"cmdCancel");
  };
  Download({L"chkMls"});

  EXPECT_EQ(boxes.Texts(), std::vector<std::wstring>{kUnableToDownload});
  EXPECT_TRUE(WindowLoaded());
  EXPECT_FALSE(disk.HasFile(L"C:\\Veltrix\\Data\\VynData.zip"));
  EXPECT_TRUE(disk.FilesIn(L"C:\\Users\\user\\AppData\\Local\\Temp", L"~re").empty());
}

TEST_F(DownloadSequenceTest, PressingDownloadAgainStartsTheWholeSequenceAnew) {
  inet.responses = {Archive("PK-mls"), NotFound(), Archive("PK-mls"), Archive("PK-tax")};
  Download({L"chkMls", L"chkTax"});
  ASSERT_TRUE(WindowLoaded());

  PressDownload();

  EXPECT_THAT(RequestedPaths(), ElementsAre("/Downloads/VynData.vyn", "/Downloads/VynTax.vyn",
                                            "/Downloads/VynData.vyn", "/Downloads/VynTax.vyn"));
  EXPECT_EQ(components.zipExtractorsCreated, 2);
  EXPECT_EQ(boxes.Texts().back(), L"Download Complete");
}

TEST_F(DownloadSequenceTest, DownloadHostFromTheRegistryCarriesItsPort) {
  registry.SetString(kKey, L"Download Host", L"127.0.0.1:8080");
  inet.responses = {Archive("PK-mls")};
  Download({L"chkMls"});

  auto connect = inet.CallsTo("InternetConnectA").at(0);
  EXPECT_EQ(connect.args.at(1), "127.0.0.1");
  EXPECT_EQ(connect.args.at(2), "8080");
}

// A "Download Host" that is no text names no server: one message, nothing fetched,
// and the window stays for another try.
struct StoredHost {
  const char* name;
  std::uint32_t type;
  std::string bytes;
};

class NonTextDownloadHost : public DownloadSequenceTest,
                            public ::testing::WithParamInterface<StoredHost> {};

TEST_P(NonTextDownloadHost, IsRefusedWithAMessageAndNothingIsFetched) {
  registry.SetValue(kKey, L"Download Host", GetParam().type, GetParam().bytes);
  inet.responses = {Archive("PK-mls"), Archive("PK-tax")};
  Download({L"chkMls", L"chkTax"});

  ASSERT_EQ(boxes.Shown().size(), 1u);
  EXPECT_NE(boxes.Shown()[0].text.find(L"\"Download Host\" is not text"), std::wstring::npos)
      << NarrowForDiagnostics(boxes.Shown()[0].text);
  EXPECT_EQ(boxes.Shown()[0].title, L"VYNDataLoader");
  EXPECT_TRUE(inet.CallsTo("InternetOpenA").empty());
  EXPECT_TRUE(WindowLoaded());
  EXPECT_EQ(SettingsCalls().size(), 5u) << "only the load step's calls";
}

INSTANTIATE_TEST_SUITE_P(
    Types, NonTextDownloadHost,
    ::testing::Values(StoredHost{"MultiSz", kRegMultiSz, std::string("127.0.0.1\0\0", 11)},
                      StoredHost{"Binary", kRegBinary, "127.0.0.1"},
                      StoredHost{"Dword", kRegDword, std::string("\x7F\0\0\x01", 4)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DownloadSequenceTest, UnpackingFailureEndsTheProgramAndKeepsTheArchive) {
  inet.responses = {Archive("PK-broken")};
  components.log.failOn = L"Execute";
  LoadAndShow();
  Tick(L"chkMls");

  EXPECT_THROW(PressDownload(), Error);

  EXPECT_EQ(disk.Contents(L"C:\\Veltrix\\Data\\VynData.zip"), std::string("PK-broken"));
  auto calls = SettingsCalls();
  EXPECT_EQ(std::find(calls.begin(), calls.end(), L"MlsDataUpdated(1)"), calls.end());
}

// The record of the last refresh goes before the unpacking touches a file: an
// unpacking that fails, or is ended, leaves none that vouches for the old files.
TEST_F(DownloadSequenceTest, FailedUnpackingLeavesNoRecordOfTheLastRefresh) {
  inet.responses = {Archive("PK-new")};
  components.refreshRecords.records[L"C:\\Veltrix\\Data\\VynData.zip"] =
      RefreshRecord{L"elsewhere/Downloads/VynData.vyn", "\"e0\"", "", 6, {}};
  components.log.failOn = L"Execute";
  LoadAndShow();
  Tick(L"chkMls");

  EXPECT_THROW(PressDownload(), Error);

  EXPECT_TRUE(components.refreshRecords.records.empty());
}

// Once the new set is in place, an archive another program holds is left for the
// next fetch to replace: the set is recorded and the run completes.
TEST_F(DownloadSequenceTest, ArchiveHeldAfterTheUnpackIsLeftAndTheSetStillRecorded) {
  inet.responses = {Archive("PK-mls")};
  disk.held.insert(L"c:\\veltrix\\data\\vyndata.zip");
  Download({L"chkMls"});

  EXPECT_EQ(boxes.Texts().back(), L"Download Complete");
  auto calls = SettingsCalls();
  EXPECT_NE(std::find(calls.begin(), calls.end(), L"MlsDataUpdated(1)"), calls.end());
  EXPECT_TRUE(disk.HasFile(L"C:\\Veltrix\\Data\\VynData.zip"));
  EXPECT_NE(log.Find(L"Archive left in the data folder"), L"");
}

// Another refresh holds the data folder: the user is told who, nothing is fetched
// or recorded, and the window stays for another try.
TEST_F(DownloadSequenceTest, DataFolderHeldByAnotherRefreshNamesItsHolderAndChangesNothing) {
  locks.heldByOthers[kDataFolder] = {L"jsmith", L"FRONTDESK-2", L"4711", L"07:00", true};
  inet.responses = {Archive("PK-mls")};
  Download({L"chkMls"});

  EXPECT_EQ(boxes.Texts(),
            std::vector<std::wstring>{
                L"A refresh of this data folder is already running (scheduled, started by jsmith "
                L"on FRONTDESK-2 at 07:00). Wait for it to finish, then press Download again."});
  EXPECT_TRUE(RequestedPaths().empty());
  auto calls = SettingsCalls();
  EXPECT_EQ(std::find(calls.begin(), calls.end(), L"MlsDataUpdated(1)"), calls.end());
  EXPECT_TRUE(WindowLoaded());
  EXPECT_TRUE(Window().Fake(L"cmdDownload").Enabled());
}

// The lock is held from the fetch until the set is recorded, not while the last box
// waits; Download is greyed meanwhile, and a click that still arrives starts nothing.
TEST_F(DownloadSequenceTest, SecondDownloadDuringTheUnpackStartsNothingAndTheLockEndsAtTheRecord) {
  inet.responses = {Archive("PK-mls"), Archive("PK-mls")};
  waits.onRun = [&] {
    EXPECT_TRUE(locks.IsHeld(kDataFolder));
    EXPECT_FALSE(Window().Fake(L"cmdDownload").Enabled());
    EXPECT_FALSE(Window().Fake(L"chkMls").Enabled());
    loader.OnClick(L"cmdDownload");
  };
  boxes.onShow = [&](const fakes::ShownMessage&) { EXPECT_FALSE(locks.IsHeld(kDataFolder)); };
  Download({L"chkMls"});

  EXPECT_THAT(RequestedPaths(), ElementsAre("/Downloads/VynData.vyn"));
  EXPECT_EQ(boxes.Texts(), std::vector<std::wstring>{L"Download Complete"});
  EXPECT_FALSE(WindowLoaded());
}

// The unpack can outlast Windows' 5 s hung-window rule: the window's thread waits answering.
TEST_F(DownloadSequenceTest, UnpackRunsInTheResponsiveWait) {
  inet.responses = {Archive("PK-mls")};
  waits.log = &components.log;
  Download({L"chkMls"});

  const auto& calls = components.log.calls;
  auto execute = std::find(calls.begin(), calls.end(), L"Execute(8)");
  ASSERT_NE(execute, calls.end());
  ASSERT_NE(execute, calls.begin());
  ASSERT_NE(execute + 1, calls.end());
  EXPECT_EQ(*(execute - 1), L"Wait begins");
  EXPECT_EQ(*(execute + 1), L"Wait ends");
  EXPECT_EQ(std::count(calls.begin(), calls.end(), L"Wait begins"), 1);
}

TEST_F(DownloadSequenceTest, RefusedRegistryWriteIsReportedAndStillCompletes) {
  registry.failCreateKey = 5;
  inet.responses = {Archive("PK-tax")};
  Download({L"chkTax"});

  EXPECT_FALSE(TaxPathLocal().has_value());
  EXPECT_THAT(boxes.Texts(), ElementsAre(L"Error: 5. Access is denied.", L"Download Complete"));
  EXPECT_EQ(boxes.Shown()[0].title, L"RegistrySetKeyValue");
  EXPECT_FALSE(WindowLoaded());
}

}  // namespace
}  // namespace vyn::test
