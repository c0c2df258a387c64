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
  std::vector<std::wstring> ZipCalls() const {
    std::vector<std::wstring> calls;
    for (const auto& call : components.log.calls) {
      if (call.rfind(L"Execute", 0) == 0 || call.rfind(L"TargetFolder", 0) == 0 ||
          call.rfind(L"FileMask", 0) == 0 || call.rfind(L"SourceArchive", 0) == 0) {
        calls.push_back(call);
      }
    }
    return calls;
  }
  std::optional<fakes::FakeRegistry::StoredValue> TaxPathLocal() const {
    return registry.Value(L"Software\\Tevrin Labs\\Veltrix\\Settings\\File Locations",
                          L"Tax Path Local");
  }
};

TEST_F(DownloadSequenceTest, BothDataSetsFetchUnpackRecordAndEndTheProgram) {
  inet.responses = {Archive("PK-mls"), Archive("PK-tax")};
  LoadAndShow();
  Tick(L"chkMls");
  Tick(L"chkTax");

  PressDownload();

  EXPECT_THAT(RequestedPaths(), ElementsAre("/Downloads/VynData.vyn", "/Downloads/VynTax.vyn"));
  EXPECT_EQ(inet.CallsTo("InternetConnectA").at(0).args.at(1), "downloads.tevrinlabs.com");
  EXPECT_THAT(
      SettingsCalls(),
      ElementsAre(L"AppDataFolder(C:\\ProgramData\\Veltrix\\)", L"LoadSettings",
                  L"TaxDataAvailable", L"DataFolder", L"FilePrefix", L"FilePrefix",
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

TEST_F(DownloadSequenceTest, RetrievalWindowsAreCaptionedPerDataSetAndUnloaded) {
  inet.responses = {Archive("PK-mls"), Archive("PK-tax")};
  std::vector<std::wstring> captions;
  forms.afterTick = [&](fakes::FakeForm& form) { captions.push_back(form.Caption()); };
  LoadAndShow();
  Tick(L"chkMls");
  Tick(L"chkTax");

  PressDownload();

  EXPECT_THAT(captions, ElementsAre(L"Downloading MLS Data", L"Downloading Tax Data"));
  EXPECT_EQ(forms.Loads(L"frmGetHTMLFile"), 2);
  EXPECT_EQ(forms.Unloads(L"frmGetHTMLFile"), 2);
}

TEST_F(DownloadSequenceTest, OnlyTaxTickedSkipsTheMlsStep) {
  inet.responses = {Archive("PK-tax")};
  LoadAndShow();
  Tick(L"chkTax");

  PressDownload();

  EXPECT_THAT(RequestedPaths(), ElementsAre("/Downloads/VynTax.vyn"));
  EXPECT_EQ(ZipCalls().size(), 4u);
  EXPECT_TRUE(TaxPathLocal().has_value());
  EXPECT_EQ(boxes.Texts(), std::vector<std::wstring>{L"Download Complete"});
  EXPECT_FALSE(WindowLoaded());
}

TEST_F(DownloadSequenceTest, MlsOnlyWritesNoTaxRecord) {
  inet.responses = {Archive("PK-mls")};
  LoadAndShow();
  Tick(L"chkMls");

  PressDownload();

  EXPECT_THAT(RequestedPaths(), ElementsAre("/Downloads/VynData.vyn"));
  EXPECT_FALSE(TaxPathLocal().has_value());
  EXPECT_FALSE(registry.KeyExists(L"Software\\Tevrin Labs\\Veltrix\\Settings\\File Locations"));
  EXPECT_EQ(boxes.Texts(), std::vector<std::wstring>{L"Download Complete"});
}

TEST_F(DownloadSequenceTest, FailedMlsFetchStopsBeforeTax) {
  inet.responses = {NotFound()};
  LoadAndShow();
  Tick(L"chkMls");
  Tick(L"chkTax");

  PressDownload();

  EXPECT_THAT(RequestedPaths(), ElementsAre("/Downloads/VynData.vyn"));
  EXPECT_EQ(boxes.Texts(), std::vector<std::wstring>{kUnableToDownload});
  EXPECT_TRUE(WindowLoaded());
  EXPECT_EQ(Window().Fake(L"chkMls").Value(), 1);
  EXPECT_EQ(Window().Fake(L"chkTax").Value(), 1);
  EXPECT_TRUE(ZipCalls().empty());
  EXPECT_FALSE(disk.HasFile(L"C:\\Veltrix\\Data\\VynData.zip"));
}

TEST_F(DownloadSequenceTest, FailedTaxFetchKeepsTheMlsDataRecorded) {
  inet.responses = {Archive("PK-mls"), NotFound()};
  LoadAndShow();
  Tick(L"chkMls");
  Tick(L"chkTax");

  PressDownload();

  EXPECT_EQ(ZipCalls().size(), 4u);
  auto calls = SettingsCalls();
  EXPECT_NE(std::find(calls.begin(), calls.end(), L"MlsDataUpdated(1)"), calls.end());
  EXPECT_EQ(std::find(calls.begin(), calls.end(), L"TaxDataUpdated(1)"), calls.end());
  EXPECT_EQ(boxes.Texts(), std::vector<std::wstring>{kUnableToDownload});
  EXPECT_FALSE(TaxPathLocal().has_value());
  EXPECT_TRUE(WindowLoaded());
}

TEST_F(DownloadSequenceTest, CancelInTheProgressWindowIsAFailedFetch) {
  inet.responses = {Archive(std::string(20000, 'x'))};
  pump.onDoEvents = [this](int call) {
    if (call == 4) forms.Find(L"frmGetHTMLFile")->Click(L"cmdCancel");
  };
  LoadAndShow();
  Tick(L"chkMls");

  PressDownload();

  EXPECT_EQ(boxes.Texts(), std::vector<std::wstring>{kUnableToDownload});
  EXPECT_TRUE(WindowLoaded());
  EXPECT_FALSE(disk.HasFile(L"C:\\Veltrix\\Data\\VynData.zip"));
  EXPECT_TRUE(disk.FilesIn(L"C:\\Users\\user\\AppData\\Local\\Temp", L"~re").empty());
}

TEST_F(DownloadSequenceTest, PressingDownloadAgainStartsTheWholeSequenceAnew) {
  inet.responses = {Archive("PK-mls"), NotFound(), Archive("PK-mls"), Archive("PK-tax")};
  LoadAndShow();
  Tick(L"chkMls");
  Tick(L"chkTax");
  PressDownload();
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
  LoadAndShow();
  Tick(L"chkMls");

  PressDownload();

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
  LoadAndShow();
  Tick(L"chkMls");
  Tick(L"chkTax");

  PressDownload();

  ASSERT_EQ(boxes.Shown().size(), 1u);
  EXPECT_NE(boxes.Shown()[0].text.find(L"\"Download Host\" is not text"), std::wstring::npos)
      << NarrowForDiagnostics(boxes.Shown()[0].text);
  EXPECT_EQ(boxes.Shown()[0].title, L"VYNDataLoader");
  EXPECT_TRUE(inet.CallsTo("InternetOpenA").empty());
  EXPECT_TRUE(WindowLoaded());
  EXPECT_EQ(SettingsCalls().size(), 4u) << "only the load step's calls";
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

TEST_F(DownloadSequenceTest, RefusedRegistryWriteIsReportedAndStillCompletes) {
  registry.failCreateKey = 5;
  inet.responses = {Archive("PK-tax")};
  LoadAndShow();
  Tick(L"chkTax");

  PressDownload();

  EXPECT_FALSE(TaxPathLocal().has_value());
  EXPECT_THAT(boxes.Texts(), ElementsAre(L"Error: 5. Access is denied.", L"Download Complete"));
  EXPECT_EQ(boxes.Shown()[0].title, L"RegistrySetKeyValue");
  EXPECT_FALSE(WindowLoaded());
}

}  // namespace
}  // namespace vyn::test
