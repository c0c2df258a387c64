// VYNDataLoader.exe end to end under Wine: real windows, the real registry of
// the prefix, real WinInet against the fixture's nginx on loopback, the real
// settings file and zip components. Each case starts on fresh folders and
// fresh registry values and drives the program as a user would.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "AppSession.h"
#include "DataFolderCheck.h"
#include "E2eSetup.h"
#include "WindowQueries.h"

namespace vyn::e2e {
namespace {

namespace fs = std::filesystem;

constexpr DWORD kStartTimeoutMs = 30000;
constexpr DWORD kDownloadTimeoutMs = 60000;
constexpr DWORD kExitTimeoutMs = 15000;
constexpr const wchar_t* kFailureMessage =
    L"Unable to download data files - call technical support";
constexpr const wchar_t* kNotFoundMessage =
    L"Could not locate VYN Veltrix Data folder - please call tech support";

std::string ReadAll(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class DataLoaderE2e : public ::testing::Test {
 protected:
  void SetUp() override {
    state_ = WinePath(VYN_E2E_STATE);
    www_ = state_ / "www";
    auto ports = ReadPorts(state_ / "nginx" / "ports");
    ASSERT_TRUE(ports) << "the e2e_nginx fixture did not leave its ports";
    ports_ = *ports;

    fs::path caseFolder =
        state_ / "cases" / ::testing::UnitTest::GetInstance()->current_test_info()->name();
    appData_ = caseFolder / "AppData";
    data_ = caseFolder / "Data";
    install_ = caseFolder / "Install";
    ASSERT_TRUE(FreshFolder(appData_) && FreshFolder(data_) && FreshFolder(install_));
    DeleteMachineValue(kFileLocationsKey, kTaxPathLocal);
    tempBefore_ = TempReFiles();
    started_ = LocalTimestamp();
    logOffset_ = ReadAll(state_ / "nginx" / "access.log").size();
  }

  // Registry values and settings file for a case, then the program up to its main window.
  HWND Start(const std::wstring& cityId, int port, const SettingsFile& settings) {
    ProductValues values{cityId, WithBackslash(appData_), WithBackslash(install_),
                         L"127.0.0.1:" + std::to_wstring(port)};
    return Start(values, settings);
  }

  HWND Start(const ProductValues& values, const SettingsFile& settings) {
    caption_ = L"VYN Veltrix - " + values.cityId;
    EXPECT_TRUE(WriteProductValues(values));
    EXPECT_TRUE(WriteSettingsFile(appData_, settings));
    EXPECT_TRUE(app_.Launch(WinePath(VYN_APP_EXE)));
    return app_.WaitForWindow(caption_, kStartTimeoutMs);
  }

  SettingsFile DefaultSettings() const {
    SettingsFile settings;
    settings.dataFolder = WithBackslash(data_);
    return settings;
  }

  void Tick(HWND window, const std::wstring& box) {
    HWND check = FindControl(window, box);
    ASSERT_NE(check, nullptr) << "no check box " << testing::PrintToString(box);
    Click(check);
    EXPECT_TRUE(AppSession::WaitUntil(5000, [&] { return Checked(check); }));
  }

  void PressDownload(HWND window) {
    HWND download = FindControl(window, L"Download");
    ASSERT_NE(download, nullptr);
    EXPECT_TRUE(AppSession::WaitUntil(5000, [&] { return IsWindowEnabled(download) != FALSE; }));
    Click(download);
  }

  // The next message box must say `text`; it is answered with OK.
  void AnswerBox(const std::wstring& text, DWORD timeoutMs = kDownloadTimeoutMs) {
    auto box = app_.WaitForMessageBox(timeoutMs);
    ASSERT_TRUE(box) << "no message box saying " << testing::PrintToString(text);
    EXPECT_EQ(box->text, text);
    EXPECT_EQ(box->title, L"VYNDataLoader");
    ASSERT_TRUE(PressButton(box->window, L"OK"));
    EXPECT_TRUE(AppSession::WaitUntil(
        5000, [&] { return !IsWindow(box->window) || !IsWindowVisible(box->window); }));
  }

  void ExpectExitCode(DWORD expected) {
    auto code = app_.WaitForExit(kExitTimeoutMs);
    ASSERT_TRUE(code) << "the program did not end";
    EXPECT_EQ(*code, expected);
  }

  void CloseAndExpectExit() {
    HWND window = app_.FindWindowByCaption(caption_);
    ASSERT_NE(window, nullptr) << "the main window is gone";
    Click(FindControl(window, L"Close"));
    ExpectExitCode(0);
  }

  FolderContents Manifest(const wchar_t* archive) const {
    FolderContents contents = ReadManifest(www_ / (std::wstring(archive) + L".manifest"));
    EXPECT_FALSE(contents.empty()) << "no manifest for " << testing::PrintToString(archive);
    return contents;
  }

  void ExpectDataFolder(const FolderContents& expected) const {
    EXPECT_EQ(Differences(expected, ListFolder(data_)), L"");
  }

  // A refresh time recorded during this case.
  void ExpectRecordedNow(const std::wstring& key) const {
    auto recorded = ReadSetting(appData_ / kSettingsFileName, key);
    ASSERT_TRUE(recorded) << "settings file records no " << testing::PrintToString(key);
    EXPECT_GE(*recorded, started_);
    EXPECT_LE(*recorded, LocalTimestamp());
  }

  void ExpectNotRecorded(const std::wstring& key) const {
    EXPECT_EQ(ReadSetting(appData_ / kSettingsFileName, key).value_or(L""), L"");
  }

  void ExpectNoTempFileLeft() const { EXPECT_EQ(TempReFiles(), tempBefore_); }

  // What nginx logged since the case began.
  std::string CaseLog() const {
    std::string log = ReadAll(state_ / "nginx" / "access.log");
    return log.size() > logOffset_ ? log.substr(logOffset_) : std::string();
  }

  // The request reached nginx as an HTTP/1.0 GET from the program's agent and got this status.
  void ExpectServed(const std::string& file, int status) const {
    std::string request = "\"GET /Downloads/" + file + " HTTP/1.0\" " + std::to_string(status);
    std::string log = CaseLog();
    std::size_t at = log.find(request);
    ASSERT_NE(at, std::string::npos) << "nginx logged no " << request;
    std::string line = log.substr(at, log.find('\n', at) - at);
    EXPECT_NE(line.find("\"http sample\""), std::string::npos) << line;
  }

  void ExpectNotRequested(const std::string& file) const {
    EXPECT_EQ(CaseLog().find("/Downloads/" + file), std::string::npos) << file << " was requested";
  }

  fs::path state_, www_, appData_, data_, install_;
  ServerPorts ports_;
  std::set<std::wstring> tempBefore_;
  std::wstring started_;
  std::wstring caption_;
  std::size_t logOffset_ = 0;
  AppSession app_;
};

TEST_F(DataLoaderE2e, MlsOnlyUnpacksListingsRecordsRefreshAndEnds) {
  HWND window = Start(L"4101", ports_.fast, DefaultSettings());
  ASSERT_NE(window, nullptr) << "no main window";

  Tick(window, L"MLS Data");
  PressDownload(window);
  AnswerBox(L"Download Complete");

  ExpectExitCode(0);
  ExpectDataFolder(Manifest(L"VYNData.vyn"));
  ExpectRecordedNow(L"MlsDataUpdated");
  ExpectNotRecorded(L"TaxDataUpdated");
  EXPECT_FALSE(ReadMachineString(kFileLocationsKey, kTaxPathLocal));
  ExpectServed("VYNData.vyn", 200);
  ExpectNotRequested("VYNTax.vyn");
  ExpectNoTempFileLeft();
}

TEST_F(DataLoaderE2e, TaxOnlyUnpacksTaxRecordsAndWritesTaxPathLocal) {
  HWND window = Start(L"4102", ports_.fast, DefaultSettings());
  ASSERT_NE(window, nullptr) << "no main window";

  Tick(window, L"Tax Data (Public records)");
  PressDownload(window);
  AnswerBox(L"Download Complete");

  ExpectExitCode(0);
  ExpectDataFolder(Manifest(L"VYNTax.vyn"));
  ExpectRecordedNow(L"TaxDataUpdated");
  ExpectNotRecorded(L"MlsDataUpdated");
  EXPECT_EQ(ReadSetting(appData_ / kSettingsFileName, L"TaxDataLocation"), WithBackslash(data_));
  auto taxPath = ReadMachineString(kFileLocationsKey, kTaxPathLocal);
  ASSERT_TRUE(taxPath) << "no \"Tax Path Local\"";
  EXPECT_EQ(taxPath->type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(taxPath->text, WithBackslash(data_));
  // In the product's view: under Wow6432Node as 64-bit programs see it, not beside it.
  auto seen64 = ReadMachineString(L"Software\\Wow6432Node\\Tevrin Labs\\Veltrix\\File Locations",
                                  kTaxPathLocal, KEY_WOW64_64KEY);
  EXPECT_EQ(seen64 ? seen64->text : L"(none)", WithBackslash(data_));
  EXPECT_FALSE(ReadMachineString(kFileLocationsKey, kTaxPathLocal, KEY_WOW64_64KEY));
  ExpectServed("VYNTax.vyn", 200);
  ExpectNotRequested("VYNData.vyn");
  ExpectNoTempFileLeft();
}

TEST_F(DataLoaderE2e, BothDataSetsUnpackIntoOneFolderAndAreBothRecorded) {
  HWND window = Start(L"4103", ports_.fast, DefaultSettings());
  ASSERT_NE(window, nullptr) << "no main window";

  Tick(window, L"MLS Data");
  Tick(window, L"Tax Data (Public records)");
  PressDownload(window);
  AnswerBox(L"Download Complete");

  ExpectExitCode(0);
  ExpectDataFolder(Merge(Manifest(L"VYNData.vyn"), Manifest(L"VYNTax.vyn")));
  ExpectRecordedNow(L"MlsDataUpdated");
  ExpectRecordedNow(L"TaxDataUpdated");
  auto taxPath = ReadMachineString(kFileLocationsKey, kTaxPathLocal);
  ASSERT_TRUE(taxPath) << "no \"Tax Path Local\"";
  EXPECT_EQ(taxPath->text, WithBackslash(data_));
  ExpectServed("VYNData.vyn", 200);
  ExpectServed("VYNTax.vyn", 200);
  ExpectNoTempFileLeft();
}

TEST_F(DataLoaderE2e, MissingDataSetShowsFailureLeavesDataFolderAndWindowThenCloseEnds) {
  SettingsFile settings = DefaultSettings();
  settings.filePrefix = L"Gone";  // the server has no GoneData.vyn: nginx answers its 404 page
  {
    std::ofstream(data_ / "GoneData.zip", std::ios::binary) << "the archive of an earlier refresh";
  }
  { std::ofstream(data_ / "listings.csv", std::ios::binary) << "listing_id\r\n1\r\n"; }
  FolderContents before = ListFolder(data_);
  HWND window = Start(L"4104", ports_.fast, settings);
  ASSERT_NE(window, nullptr) << "no main window";

  Tick(window, L"MLS Data");
  Tick(window, L"Tax Data (Public records)");
  PressDownload(window);
  AnswerBox(kFailureMessage);

  EXPECT_TRUE(app_.Running());
  EXPECT_NE(app_.FindWindowByCaption(caption_), nullptr);
  EXPECT_FALSE(app_.ShowsMessageBox());
  EXPECT_EQ(Differences(before, ListFolder(data_)), L"");
  ExpectNotRecorded(L"MlsDataUpdated");
  ExpectServed("GoneData.vyn", 404);
  ExpectNotRequested("GoneTax.vyn");
  CloseAndExpectExit();
  ExpectNoTempFileLeft();
}

TEST_F(DataLoaderE2e, TaxFailureAfterMlsKeepsMlsDataUnpackedAndRecorded) {
  SettingsFile settings = DefaultSettings();
  settings.filePrefix = L"Half";  // HalfData.vyn is served, HalfTax.vyn is not
  HWND window = Start(L"4107", ports_.fast, settings);
  ASSERT_NE(window, nullptr) << "no main window";

  Tick(window, L"MLS Data");
  Tick(window, L"Tax Data (Public records)");
  PressDownload(window);
  AnswerBox(kFailureMessage);

  EXPECT_NE(app_.FindWindowByCaption(caption_), nullptr);
  ExpectDataFolder(Manifest(L"HalfData.vyn"));
  ExpectRecordedNow(L"MlsDataUpdated");
  ExpectNotRecorded(L"TaxDataUpdated");
  EXPECT_FALSE(ReadMachineString(kFileLocationsKey, kTaxPathLocal));
  ExpectServed("HalfData.vyn", 200);
  ExpectServed("HalfTax.vyn", 404);
  CloseAndExpectExit();
  ExpectNoTempFileLeft();
}

TEST_F(DataLoaderE2e, CancelDuringTransferShowsFailureAndLeavesNoArchiveNorTempFile) {
  HWND window = Start(L"4105", ports_.slow, DefaultSettings());
  ASSERT_NE(window, nullptr) << "no main window";

  Tick(window, L"MLS Data");
  PressDownload(window);
  HWND progress = app_.WaitForWindow(L"Downloading MLS Data", kStartTimeoutMs);
  ASSERT_NE(progress, nullptr) << "no progress window";
  Sleep(1000);  // some of the body arrives at 32 KiB/s
  HWND cancel = FindControl(progress, L"&Cancel");
  ASSERT_NE(cancel, nullptr);
  ULONGLONG clicked = GetTickCount64();
  Click(cancel);
  AnswerBox(kFailureMessage, 10000);

  EXPECT_LT(GetTickCount64() - clicked, 5000u) << "the cancel took effect too late";
  EXPECT_EQ(app_.FindWindowByCaption(L"Downloading MLS Data"), nullptr);
  EXPECT_EQ(Differences({}, ListFolder(data_)), L"");
  ExpectNotRecorded(L"MlsDataUpdated");
  CloseAndExpectExit();
  ExpectNoTempFileLeft();
}

TEST_F(DataLoaderE2e, UnknownInstallFolderAsksForDataFolderAndUsesTypedOne) {
  std::wstring exeFolder = WinePath(VYN_APP_EXE);
  exeFolder.resize(exeFolder.find_last_of(L'\\') + 1);
  ASSERT_FALSE(fs::exists(exeFolder + L"VYN Veltrix.exe"));
  ASSERT_FALSE(fs::exists(L"C:\\Program Files\\Vyn Veltrix\\VYN Veltrix.exe"));
  ASSERT_FALSE(fs::exists(L"C:\\Program Files (x86)\\Vyn Veltrix\\VYN Veltrix.exe"));
  ProductValues values{L"4106", WithBackslash(appData_), std::nullopt,
                       L"127.0.0.1:" + std::to_wstring(ports_.fast)};
  SettingsFile settings = DefaultSettings();
  settings.dataFolder = WithBackslash(appData_) + L"Elsewhere\\";
  std::wstring typed = data_.wstring();  // no trailing "\": the program adds it
  std::wstring missing = (data_.parent_path() / L"Nowhere").wstring();

  caption_ = L"VYN Veltrix - 4106";
  ASSERT_TRUE(WriteProductValues(values));
  ASSERT_TRUE(WriteSettingsFile(appData_, settings));
  ASSERT_TRUE(app_.Launch(WinePath(VYN_APP_EXE)));
  auto box = app_.WaitForMessageBox(kStartTimeoutMs);
  ASSERT_TRUE(box) << "no \"Could not locate\" message";
  EXPECT_EQ(box->text, kNotFoundMessage);
  EXPECT_EQ(app_.FindWindowByCaption(caption_), nullptr) << "the box came after the window";
  ASSERT_TRUE(PressButton(box->window, L"OK"));
  HWND window = app_.WaitForWindow(caption_, kStartTimeoutMs);
  ASSERT_NE(window, nullptr) << "no main window";
  HWND pathBox = FindControlOfClass(window, L"Edit");
  ASSERT_NE(pathBox, nullptr);
  EXPECT_TRUE(IsWindowEnabled(pathBox));

  Tick(window, L"MLS Data");
  ASSERT_TRUE(SetTextOf(pathBox, missing));
  PressDownload(window);
  AnswerBox(L"Invalid data path:" + missing + L"\\", 10000);
  EXPECT_EQ(driver::WindowText(pathBox), missing + L"\\");
  ASSERT_TRUE(SetTextOf(pathBox, typed));
  PressDownload(window);
  AnswerBox(L"Download Complete");

  ExpectExitCode(0);
  ExpectDataFolder(Manifest(L"VYNData.vyn"));
  EXPECT_FALSE(fs::exists(missing));
  ExpectRecordedNow(L"MlsDataUpdated");
  ExpectNoTempFileLeft();
}

// The product's values written with reg.exe as an installer would: in the 64-bit
// view only, the program finds none of them; in the product's 32-bit view, all.
TEST_F(DataLoaderE2e, ReadsTheProductsValuesFromThe32BitViewOnly) {
  const std::wstring key = L"\"HKLM\\Software\\Tevrin Labs\\Veltrix\"";
  auto writeValues = [&](const wchar_t* view) {
    for (const auto& [name, value] :
         {std::pair<std::wstring, std::wstring>{L"Current City Id", L"4108"},
          {L"AppData", WithBackslash(appData_)},
          {L"Install Path", WithBackslash(install_)},
          {L"Download Host", L"127.0.0.1:" + std::to_wstring(ports_.fast)}}) {
      ASSERT_TRUE(RunReg(L"add " + key + L" /v " + RegArgument(name) + L" /t REG_SZ /d " +
                         RegArgument(value) + L" /f " + view))
          << "reg add " << testing::PrintToString(name) << " " << testing::PrintToString(view);
    }
  };
  RunReg(L"delete " + key + L" /f /reg:32");  // fails when there is none
  ASSERT_FALSE(ReadMachineString(kProductKey, L"Current City Id"));
  ASSERT_NO_FATAL_FAILURE(writeValues(L"/reg:64"));
  ASSERT_TRUE(WriteSettingsFile(appData_, DefaultSettings()));

  ASSERT_TRUE(app_.Launch(WinePath(VYN_APP_EXE)));
  AnswerBox(kNotFoundMessage, kStartTimeoutMs);
  caption_ = L"VYN Veltrix - ";
  ASSERT_NE(app_.WaitForWindow(caption_, kStartTimeoutMs), nullptr) << "no main window";
  CloseAndExpectExit();

  ASSERT_NO_FATAL_FAILURE(writeValues(L"/reg:32"));
  ASSERT_TRUE(app_.Launch(WinePath(VYN_APP_EXE)));
  caption_ = L"VYN Veltrix - 4108";
  HWND window = app_.WaitForWindow(caption_, kStartTimeoutMs);
  ASSERT_NE(window, nullptr) << "no main window";
  EXPECT_FALSE(app_.ShowsMessageBox());
  EXPECT_EQ(driver::WindowText(FindControlOfClass(window, L"Edit")), WithBackslash(data_));
  CloseAndExpectExit();
  RunReg(L"delete " + key + L" /f /reg:64");
}

}  // namespace
}  // namespace vyn::e2e
