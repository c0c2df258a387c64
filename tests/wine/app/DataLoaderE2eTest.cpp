// VYNDataLoader.exe end to end under Wine: real windows, the real registry of
// the prefix, real WinInet against the fixture's nginx on loopback, the real
// settings file and zip components. Each case starts on fresh folders and
// fresh registry values and drives the program as a user would.
#include <windows.h>

#include <wincrypt.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <tuple>

#include "DataFolderCheck.h"
#include "ProgramFixture.h"
#include "TempFolder.h"
#include "WindowQueries.h"
#include "WinePath.h"

namespace vyn::e2e {
namespace {

namespace fs = std::filesystem;
using vyn::test::Differences;
using vyn::test::ReadBytes;
using vyn::test::Snapshot;

constexpr const wchar_t* kNotFoundMessage =
    L"Could not locate VYN Veltrix Data folder - please call tech support";

// The test authority, trusted for as long as the object lives: in the test
// prefix's own user store of roots, never in the machine's.
class TrustedTestAuthority {
 public:
  explicit TrustedTestAuthority(const fs::path& pem) {
    const std::string text = ReadBytes(pem);
    DWORD size = 0;
    if (!CryptStringToBinaryA(text.c_str(), 0, CRYPT_STRING_BASE64HEADER, nullptr, &size, nullptr,
                              nullptr)) {
      return;
    }
    std::string der(size, '\0');
    if (!CryptStringToBinaryA(text.c_str(), 0, CRYPT_STRING_BASE64HEADER,
                              reinterpret_cast<BYTE*>(&der[0]), &size, nullptr, nullptr)) {
      return;
    }
    store_ = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, L"Root");
    if (store_ == nullptr) return;
    // Wine writes a store's changes to the registry, where the program reads
    // them, only when told to; Windows at once.
    if (CertAddEncodedCertificateToStore(store_, X509_ASN_ENCODING,
                                         reinterpret_cast<const BYTE*>(der.data()), size,
                                         CERT_STORE_ADD_REPLACE_EXISTING, &added_) &&
        !CertControlStore(store_, 0, CERT_STORE_CTRL_COMMIT, nullptr)) {
      CertFreeCertificateContext(added_);
      added_ = nullptr;
    }
  }
  ~TrustedTestAuthority() {
    if (added_ != nullptr && CertDeleteCertificateFromStore(added_)) {  // frees it too
      CertControlStore(store_, 0, CERT_STORE_CTRL_COMMIT, nullptr);
    }
    if (store_ != nullptr) CertCloseStore(store_, 0);
  }
  TrustedTestAuthority(const TrustedTestAuthority&) = delete;
  TrustedTestAuthority& operator=(const TrustedTestAuthority&) = delete;

  bool Trusted() const { return added_ != nullptr; }

 private:
  HCERTSTORE store_ = nullptr;
  PCCERT_CONTEXT added_ = nullptr;
};

class DataLoaderE2e : public ProgramFixture {
 protected:
  void SetUp() override {
    state_ = driver::OnDriveZ(VYN_E2E_STATE);
    www_ = state_ / "www";
    auto ports = ReadPorts(state_ / "nginx" / "ports");
    ASSERT_TRUE(ports) << "the e2e_nginx fixture did not leave its ports";
    ports_ = *ports;
    ASSERT_NO_FATAL_FAILURE(SetUpCase(state_, driver::OnDriveZ(VYN_APP_EXE)));
    DeleteMachineValue(kFileLocationsKey, kTaxPathLocal);
    logOffset_ = ReadBytes(state_ / "nginx" / "access.log").size();
    // The office's own authority of the HTTPS cases, trusted by this Windows.
    ASSERT_GT(ports_.tlsWrongName, 0) << "the e2e_nginx fixture serves no TLS";
    authority_.emplace(state_ / "tls" / "ca.crt");
    ASSERT_TRUE(authority_->Trusted()) << "the test authority could not be added";
  }
  void TearDown() override { authority_.reset(); }

  // Registry values and settings file for a case, then the program up to its
  // main window; the download host is plain HTTP unless `https`.
  void Start(const std::wstring& cityId, int port, const SettingsFile& settings,
             bool https = false) {
    ASSERT_TRUE(WriteSettingsFile(appData_, settings));
    ProductValues values = Values(cityId, static_cast<std::uint16_t>(port));
    // The test certificates name the server "localhost": Wine does not match a
    // certificate's IP address to the server as Windows does.
    if (https) values.downloadHost = L"https://localhost:" + std::to_wstring(port);
    ASSERT_NO_FATAL_FAILURE(ProgramFixture::Start(values));
  }

  SettingsFile DefaultSettings() const {
    SettingsFile settings;
    settings.dataFolder = WithBackslash(data_);
    return settings;
  }

  FolderContents Manifest(const wchar_t* archive) const {
    FolderContents contents = ReadManifest(www_ / (std::wstring(archive) + L".manifest"));
    EXPECT_FALSE(contents.empty()) << "no manifest for " << ::testing::PrintToString(archive);
    return contents;
  }

  void ExpectDataFolder(const FolderContents& expected) const {
    EXPECT_EQ(Differences(expected, ListFolder(data_)), "");
  }

  // What nginx logged since the case began.
  std::string CaseLog() const {
    std::string log = ReadBytes(state_ / "nginx" / "access.log");
    return log.size() > logOffset_ ? log.substr(logOffset_) : std::string();
  }

  // The request reached nginx as an HTTP/1.0 GET from the program's agent and got this status.
  void ExpectServed(const std::string& file, int status) const {
    std::string request = "\"GET /Downloads/" + file + " HTTP/1.0\" " + std::to_string(status);
    std::string log = CaseLog();
    std::size_t at = log.find(request);
    EXPECT_NE(at, std::string::npos) << "nginx logged no " << request;
    if (at == std::string::npos) return;
    std::string line = log.substr(at, log.find('\n', at) - at);
    EXPECT_NE(line.find("\"http sample\""), std::string::npos) << line;
  }

  void ExpectNotRequested(const std::string& file) const {
    EXPECT_EQ(CaseLog().find("/Downloads/" + file), std::string::npos) << file << " was requested";
  }

  // "Tax Path Local" names the data folder, as text, in the product's view:
  // under Wow6432Node as 64-bit programs see it, not beside it.
  void ExpectTaxPathLocal() const {
    auto taxPath = ReadMachineString(kFileLocationsKey, kTaxPathLocal);
    EXPECT_EQ(taxPath.value_or(RegistryString{}).type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(taxPath.value_or(RegistryString{}).text, WithBackslash(data_));
    auto seen64 = ReadMachineString(L"Software\\Wow6432Node\\Tevrin Labs\\Veltrix\\File Locations",
                                    kTaxPathLocal, KEY_WOW64_64KEY);
    EXPECT_EQ(seen64 ? seen64->text : L"(none)", WithBackslash(data_));
    EXPECT_FALSE(ReadMachineString(kFileLocationsKey, kTaxPathLocal, KEY_WOW64_64KEY));
  }

  fs::path state_, www_;
  ServerPorts ports_;
  std::size_t logOffset_ = 0;
  std::optional<TrustedTestAuthority> authority_;
};

// A complete refresh of the ticked data sets: "Download Complete", the program
// ends, and each ticked set is fetched, unpacked and recorded; the other is not.
struct CompleteRefresh {
  const char* name;
  const wchar_t* cityId;
  bool mls;
  bool tax;
  bool https = false;               // from an HTTPS download host
  const wchar_t* prefix = nullptr;  // the sets' file prefix; VYN when none
};

class CompleteRefreshE2e : public DataLoaderE2e,
                           public ::testing::WithParamInterface<CompleteRefresh> {};

TEST_P(CompleteRefreshE2e, UnpacksTheTickedSetsRecordsThemAndEnds) {
  const CompleteRefresh& row = GetParam();
  SettingsFile settings = DefaultSettings();
  if (row.prefix) settings.filePrefix = row.prefix;
  ASSERT_NO_FATAL_FAILURE(
      Start(row.cityId, row.https ? ports_.tls : ports_.fast, settings, row.https));
  if (row.mls) {
    ASSERT_NO_FATAL_FAILURE(Tick(kMls));
  }
  if (row.tax) {
    ASSERT_NO_FATAL_FAILURE(Tick(kTax));
  }
  ASSERT_NO_FATAL_FAILURE(PressDownload());
  ASSERT_NO_FATAL_FAILURE(AnswerBox(L"Download Complete"));
  ASSERT_NO_FATAL_FAILURE(ExpectExitCode(0));

  FolderContents expected;
  if (row.mls) expected = Merge(expected, Manifest(L"VYNData.vyn"));
  if (row.tax) expected = Merge(expected, Manifest(L"VYNTax.vyn"));
  ExpectDataFolder(expected);
  for (auto [ticked, key, file] : {std::tuple{row.mls, L"MlsDataUpdated", "VYNData.vyn"},
                                   std::tuple{row.tax, L"TaxDataUpdated", "VYNTax.vyn"}}) {
    if (ticked) {
      ExpectRecordedNow(key);
      ExpectServed(file, 200);
    } else {
      ExpectNotRecorded(key);
      ExpectNotRequested(file);
    }
  }
  if (row.tax) {
    EXPECT_EQ(ReadSetting(SettingsPath(), L"TaxDataLocation"), WithBackslash(data_));
    ExpectTaxPathLocal();
  } else {
    EXPECT_FALSE(ReadMachineString(kFileLocationsKey, kTaxPathLocal));
  }
  ExpectNoTempFileLeft();
}

INSTANTIATE_TEST_SUITE_P(DataSets, CompleteRefreshE2e,
                         ::testing::Values(CompleteRefresh{"MlsOnly", L"4101", true, false},
                                           CompleteRefresh{"TaxOnly", L"4102", false, true},
                                           CompleteRefresh{"Both", L"4103", true, true},
                                           CompleteRefresh{"BothOverHttps", L"4120", true, true,
                                                           true},
                                           // Both sets redirected to the VYN ones over https.
                                           CompleteRefresh{"BothRedirectedOverHttps", L"4122", true,
                                                           true, true, L"Moved"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(DataLoaderE2e, MissingDataSetShowsFailureLeavesDataFolderAndWindowThenCloseEnds) {
  SettingsFile settings = DefaultSettings();
  settings.filePrefix = L"Gone";  // the server has no GoneData.vyn: nginx answers its 404 page
  test::WriteBytes(data_ / "GoneData.zip", "the archive of an earlier refresh");
  test::WriteBytes(data_ / "listings.csv", "listing_id\r\n1\r\n");
  const auto before = Snapshot(data_);
  ASSERT_NO_FATAL_FAILURE(Start(L"4104", ports_.fast, settings));

  ASSERT_NO_FATAL_FAILURE(Tick(kMls));
  ASSERT_NO_FATAL_FAILURE(Tick(kTax));
  ASSERT_NO_FATAL_FAILURE(PressDownload());
  ASSERT_NO_FATAL_FAILURE(AnswerBox(kFailureMessage));

  EXPECT_TRUE(app_.Running());
  EXPECT_FALSE(app_.ShowsMessageBox());
  EXPECT_EQ(Differences(before, Snapshot(data_)), "");
  ExpectNotRecorded(L"MlsDataUpdated");
  ExpectServed("GoneData.vyn", 404);
  ExpectNotRequested("GoneTax.vyn");
  ASSERT_NO_FATAL_FAILURE(CloseAndExpectExit());
  ExpectNoTempFileLeft();
  // The story support reads afterwards.
  EXPECT_EQ(LogMentions(L"/Downloads/GoneData.vyn into "), 1u) << Utf8(LogText());
  EXPECT_EQ(LogMentions(L"HTTP status 404"), 1u);
  EXPECT_EQ(LogMentions(L"Message \"VYNDataLoader\": " + std::wstring(kFailureMessage)), 1u);
}

TEST_F(DataLoaderE2e, TaxFailureAfterMlsKeepsMlsDataUnpackedAndRecorded) {
  SettingsFile settings = DefaultSettings();
  settings.filePrefix = L"Half";  // HalfData.vyn is served, HalfTax.vyn is not
  ASSERT_NO_FATAL_FAILURE(Start(L"4107", ports_.fast, settings));

  ASSERT_NO_FATAL_FAILURE(Tick(kMls));
  ASSERT_NO_FATAL_FAILURE(Tick(kTax));
  ASSERT_NO_FATAL_FAILURE(PressDownload());
  ASSERT_NO_FATAL_FAILURE(AnswerBox(kFailureMessage));

  ExpectDataFolder(Manifest(L"HalfData.vyn"));
  ExpectRecordedNow(L"MlsDataUpdated");
  ExpectNotRecorded(L"TaxDataUpdated");
  EXPECT_FALSE(ReadMachineString(kFileLocationsKey, kTaxPathLocal));
  ExpectServed("HalfData.vyn", 200);
  ExpectServed("HalfTax.vyn", 404);
  ASSERT_NO_FATAL_FAILURE(CloseAndExpectExit());
  ExpectNoTempFileLeft();
}

// Over plain HTTP and over TLS alike.
class CancelDuringTransfer : public DataLoaderE2e, public ::testing::WithParamInterface<bool> {};

TEST_P(CancelDuringTransfer, ShowsFailureAndLeavesNoArchiveNorTempFile) {
  const bool https = GetParam();
  ASSERT_NO_FATAL_FAILURE(
      Start(L"4105", https ? ports_.tlsSlow : ports_.slow, DefaultSettings(), https));

  ASSERT_NO_FATAL_FAILURE(Tick(kMls));
  ASSERT_NO_FATAL_FAILURE(PressDownload());
  HWND progress = app_.WaitForWindow(L"Downloading MLS Data", kStartTimeoutMs);
  ASSERT_NE(progress, nullptr) << "no progress window";
  Sleep(1000);  // some of the body arrives at 32 KiB/s
  HWND cancel = FindControl(progress, L"&Cancel");
  ASSERT_NE(cancel, nullptr);
  ULONGLONG clicked = GetTickCount64();
  Click(cancel);
  ASSERT_NO_FATAL_FAILURE(AnswerBox(kFailureMessage, 10000));

  EXPECT_LT(GetTickCount64() - clicked, 5000u) << "the cancel took effect too late";
  EXPECT_EQ(app_.FindWindowByCaption(L"Downloading MLS Data"), nullptr);
  EXPECT_EQ(Differences({}, Snapshot(data_)), "");
  ExpectNotRecorded(L"MlsDataUpdated");
  ASSERT_NO_FATAL_FAILURE(CloseAndExpectExit());
  ExpectNoTempFileLeft();
}

INSTANTIATE_TEST_SUITE_P(Schemes, CancelDuringTransfer, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Https" : "Http"; });

// Windows greys a window whose thread has not looked at its messages for 5 s
// and offers to end the program; Wine's server keeps the same rule. The main
// window answers while a long unpack runs.
TEST_F(DataLoaderE2e, MainWindowAnswersAnotherProcessDuringALongUnpack) {
  SettingsFile settings = DefaultSettings();
  settings.filePrefix = L"Many";  // ManyData.vyn: 20,000 small members
  ASSERT_NO_FATAL_FAILURE(Start(L"4108", ports_.fast, settings));
  ASSERT_NO_FATAL_FAILURE(Tick(kMls));
  ASSERT_NO_FATAL_FAILURE(PressDownload());
  HWND progress = app_.WaitForWindow(L"Downloading MLS Data", kStartTimeoutMs);
  ASSERT_NE(progress, nullptr) << "no progress window";
  ASSERT_TRUE(driver::WaitForWindowGone(progress, kStartTimeoutMs));  // fetched: the unpack runs

  Sleep(6000);
  std::string hung = driver::HungFromAnotherProcess(window_);
  bool stillUnpacking = !app_.ShowsMessageBox();
  ASSERT_NO_FATAL_FAILURE(AnswerBox(L"Download Complete", 120000));

  EXPECT_TRUE(stillUnpacking) << "the unpack ended before the window was asked";
  EXPECT_EQ(hung, "");
  ASSERT_NO_FATAL_FAILURE(ExpectExitCode(0));
}

TEST_F(DataLoaderE2e, UnknownInstallFolderAsksForDataFolderAndUsesTypedOne) {
  std::wstring exeFolder = exe_.substr(0, exe_.find_last_of(L'\\') + 1);
  ASSERT_FALSE(fs::exists(exeFolder + L"VYN Veltrix.exe"));
  ASSERT_FALSE(fs::exists(L"C:\\Program Files\\Vyn Veltrix\\VYN Veltrix.exe"));
  ASSERT_FALSE(fs::exists(L"C:\\Program Files (x86)\\Vyn Veltrix\\VYN Veltrix.exe"));
  ProductValues values = Values(L"4106", static_cast<std::uint16_t>(ports_.fast));
  values.installPath = std::nullopt;
  SettingsFile settings = DefaultSettings();
  settings.dataFolder = WithBackslash(appData_) + L"Elsewhere\\";
  std::wstring typed = data_.wstring();  // no trailing "\": the program adds it
  std::wstring missing = (data_.parent_path() / L"Nowhere").wstring();

  ASSERT_TRUE(WriteProductValues(values));
  ASSERT_TRUE(WriteSettingsFile(appData_, settings));
  ASSERT_NO_FATAL_FAILURE(Launch());
  auto box = app_.WaitForMessageBox(kStartTimeoutMs);
  ASSERT_TRUE(box) << "no \"Could not locate\" message";
  EXPECT_EQ(box->text, kNotFoundMessage);
  EXPECT_EQ(app_.FindWindowByCaption(L"VYN Veltrix - 4106"), nullptr)
      << "the box came after the window";
  ASSERT_TRUE(PressButton(box->window, L"OK"));
  ASSERT_NO_FATAL_FAILURE(WaitForMainWindow(L"4106"));
  HWND pathBox = FindControlOfClass(window_, L"Edit");
  ASSERT_NE(pathBox, nullptr);
  EXPECT_TRUE(IsWindowEnabled(pathBox));

  ASSERT_NO_FATAL_FAILURE(Tick(kMls));
  ASSERT_TRUE(SetTextOf(pathBox, missing));
  ASSERT_NO_FATAL_FAILURE(PressDownload());
  ASSERT_NO_FATAL_FAILURE(AnswerBox(L"Invalid data path:" + missing + L"\\", 10000));
  EXPECT_EQ(driver::WindowText(pathBox), missing + L"\\");
  ASSERT_TRUE(SetTextOf(pathBox, typed));
  ASSERT_NO_FATAL_FAILURE(PressDownload());
  ASSERT_NO_FATAL_FAILURE(AnswerBox(L"Download Complete"));

  ASSERT_NO_FATAL_FAILURE(ExpectExitCode(0));
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
          << "reg add " << ::testing::PrintToString(name) << " " << ::testing::PrintToString(view);
    }
  };
  RunReg(L"delete " + key + L" /f /reg:32");  // fails when there is none
  ASSERT_FALSE(ReadMachineString(kProductKey, L"Current City Id"));
  ASSERT_NO_FATAL_FAILURE(writeValues(L"/reg:64"));
  ASSERT_TRUE(WriteSettingsFile(appData_, DefaultSettings()));

  ASSERT_NO_FATAL_FAILURE(Launch());
  ASSERT_NO_FATAL_FAILURE(AnswerBox(kNotFoundMessage, kStartTimeoutMs));
  ASSERT_NO_FATAL_FAILURE(WaitForMainWindow(L""));
  ASSERT_NO_FATAL_FAILURE(CloseAndExpectExit());

  ASSERT_NO_FATAL_FAILURE(writeValues(L"/reg:32"));
  ASSERT_NO_FATAL_FAILURE(Launch());
  ASSERT_NO_FATAL_FAILURE(WaitForMainWindow(L"4108"));
  EXPECT_FALSE(app_.ShowsMessageBox());
  EXPECT_EQ(driver::WindowText(FindControlOfClass(window_, L"Edit")), WithBackslash(data_));
  ASSERT_NO_FATAL_FAILURE(CloseAndExpectExit());
  RunReg(L"delete " + key + L" /f /reg:64");
}

// Scheduled refreshes: no box, an exit code, and the story in the log.
TEST_F(DataLoaderE2e, RefreshFetchesBothSetsEndsWithZeroAndLogsTheStory) {
  ASSERT_TRUE(WriteSettingsFile(appData_, DefaultSettings()));
  ASSERT_NO_FATAL_FAILURE(
      RunUnattended(Values(L"4110", static_cast<std::uint16_t>(ports_.fast)), L"/refresh", 0));

  ExpectDataFolder(Merge(Manifest(L"VYNData.vyn"), Manifest(L"VYNTax.vyn")));
  ExpectRecordedNow(L"MlsDataUpdated");
  ExpectRecordedNow(L"TaxDataUpdated");
  ExpectTaxPathLocal();
  ExpectNoTempFileLeft();
  const std::wstring server = L"127.0.0.1:" + std::to_wstring(ports_.fast);
  // Each event as often as it happens; no probe: the install folder is known.
  for (const auto& [event, count] : std::initializer_list<std::pair<std::wstring, std::size_t>>{
           {L" starts a scheduled refresh", 1},
           {L"Probe ", 0},
           {L"GET " + server + L"/Downloads/VYNData.vyn into ", 1},
           {L"GET " + server + L"/Downloads/VYNTax.vyn into ", 1},
           {L"HTTP status 200", 2},
           {L"Content-Length ", 2},
           {L"Received ", 2},
           {L"Unpacked ", 2},
           {L"Data folder used: " + WithBackslash(data_), 1},
           {L"Recorded in the settings: MlsDataUpdated", 1},
           {L"Registry write (a refusal is reported before): HKLM\\", 1},
           {L"Message \"VYNDataLoader\": Download Complete", 1},
           {L"Ends with exit code 0", 1}}) {
    EXPECT_EQ(LogMentions(event), count) << Utf8(event) << " in\n" << Utf8(LogText());
  }
}

// A second scheduled refresh of the MLS set (prefix "Cond", a copy of VYN's):
// the server is asked first, and only what changed is fetched.
struct SecondRefresh {
  const char* name;
  const wchar_t* cityId;
  enum Between {
    kNothing,
    kArchiveReplaced,
    kMemberChanged,
    kMemberDeleted,
    kRecordDamaged,
    kFirstOverHttps
  } between;
  bool notModified;  // the server answers the second request 304
  bool fetched;      // the second refresh fetches and unpacks the whole archive
};

class SecondRefreshE2e : public DataLoaderE2e, public ::testing::WithParamInterface<SecondRefresh> {
 protected:
  std::size_t Served(int status) const {
    const std::string line = "\"GET /Downloads/CondData.vyn HTTP/1.0\" " + std::to_string(status);
    std::size_t count = 0;
    const std::string log = CaseLog();
    for (std::size_t at = log.find(line); at != std::string::npos; at = log.find(line, at + 1)) {
      ++count;
    }
    return count;
  }
  std::map<std::string, fs::file_time_type> Times() const {
    std::map<std::string, fs::file_time_type> times;
    for (const auto& item : fs::recursive_directory_iterator(data_)) {
      times[item.path().lexically_relative(data_).generic_u8string()] = item.last_write_time();
    }
    return times;
  }
};

TEST_P(SecondRefreshE2e, AsksTheServerFirstAndFetchesOnlyWhatChanged) {
  const SecondRefresh& row = GetParam();
  // As the maker publishes a new archive: its bytes in place of the old one's.
  const auto publish = [&](const char* archive) {
    test::WriteBytes(www_ / "CondData.vyn", ReadBytes(www_ / archive));
  };
  publish("VYNData.vyn");
  SettingsFile settings = DefaultSettings();
  settings.filePrefix = L"Cond";
  ASSERT_TRUE(WriteSettingsFile(appData_, settings));
  ProductValues values = Values(row.cityId, static_cast<std::uint16_t>(ports_.fast));
  ProductValues first = values;
  if (row.between == SecondRefresh::kFirstOverHttps) {
    first.downloadHost = L"https://localhost:" + std::to_wstring(ports_.tls);
  }
  ASSERT_NO_FATAL_FAILURE(RunUnattended(first, L"/refresh /mls", 0));
  const fs::path record = data_ / ".vyn-CondData.zip.state";
  ASSERT_TRUE(fs::exists(record)) << Utf8(LogText());
  EXPECT_TRUE(GetFileAttributesW(record.c_str()) & FILE_ATTRIBUTE_HIDDEN);

  FolderContents expected = Manifest(L"VYNData.vyn");
  fs::path member;
  for (const auto& [name, facts] : expected) {
    if (!facts.folder && facts.size > 0) member = data_ / fs::u8path(name);
  }
  switch (row.between) {
    case SecondRefresh::kArchiveReplaced:
      publish("VYNTax.vyn");
      expected = Merge(expected, Manifest(L"VYNTax.vyn"));
      break;
    case SecondRefresh::kMemberChanged: {
      std::string bytes = ReadBytes(member);
      bytes[bytes.size() / 2] ^= 1;
      test::WriteBytes(member, bytes);
      break;
    }
    case SecondRefresh::kMemberDeleted:
      fs::remove(member);
      break;
    case SecondRefresh::kRecordDamaged:
      fs::resize_file(record, fs::file_size(record) / 2);
      break;
    default:
      break;
  }
  const auto times = Times();
  ASSERT_TRUE(WriteSettingsFile(appData_, settings));  // the first refresh's stamp gone
  ASSERT_NO_FATAL_FAILURE(RunUnattended(values, L"/refresh /mls", 0));

  ExpectDataFolder(expected);
  ExpectRecordedNow(L"MlsDataUpdated");
  EXPECT_EQ(LogMentions(L"Download Complete"), 2u);
  EXPECT_EQ(Served(304), row.notModified ? 1u : 0u) << CaseLog();
  EXPECT_EQ(Served(200), row.fetched ? 2u : 1u) << CaseLog();
  EXPECT_EQ(LogMentions(L"files checked, nothing fetched"), row.fetched ? 0u : 1u)
      << Utf8(LogText());
  if (!row.fetched) {
    EXPECT_EQ(Times(), times) << "a data file was written";
  }
  if (row.notModified && row.fetched) {
    EXPECT_EQ(LogMentions(L" in the data folder; fetching the whole archive"), 1u);
  }
  if (row.between == SecondRefresh::kFirstOverHttps) {
    EXPECT_EQ(LogMentions(L"the data folder's record is of another address"), 1u);
  }
  EXPECT_TRUE(fs::exists(record));
  ExpectNoTempFileLeft();
}

INSTANTIATE_TEST_SUITE_P(
    Changes, SecondRefreshE2e,
    ::testing::Values(
        SecondRefresh{"NothingChanged", L"4130", SecondRefresh::kNothing, true, false},
        SecondRefresh{"ArchiveReplaced", L"4131", SecondRefresh::kArchiveReplaced, false, true},
        SecondRefresh{"MemberChanged", L"4132", SecondRefresh::kMemberChanged, true, true},
        SecondRefresh{"MemberDeleted", L"4133", SecondRefresh::kMemberDeleted, true, true},
        SecondRefresh{"RecordDamaged", L"4134", SecondRefresh::kRecordDamaged, false, true},
        SecondRefresh{"RecordOfAnotherAddress", L"4135", SecondRefresh::kFirstOverHttps, false,
                      true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DataLoaderE2e, RefreshAgainstADownServerRetriesThenEndsWithDownloadFailed) {
  test::WriteBytes(data_ / "listings.csv", "listing_id\r\n1\r\n");
  const auto before = Snapshot(data_);
  ASSERT_TRUE(WriteSettingsFile(appData_, DefaultSettings()));
  ASSERT_TRUE(SetEnvironmentVariableW(L"VYNDATALOADER_RETRY_PAUSES", L"1,1"));
  // Port 1 on loopback: nothing listens there, every connection is refused.
  ASSERT_NO_FATAL_FAILURE(RunUnattended(Values(L"4111", 1), L"/refresh /mls", 4));
  SetEnvironmentVariableW(L"VYNDATALOADER_RETRY_PAUSES", nullptr);

  EXPECT_EQ(Differences(before, Snapshot(data_)), "");
  ExpectNotRecorded(L"MlsDataUpdated");
  ExpectNoTempFileLeft();
  EXPECT_EQ(LogMentions(L"/Downloads/VYNData.vyn into "), 3u) << Utf8(LogText());
  EXPECT_EQ(LogMentions(L"Network failure: "), 3u);
  EXPECT_EQ(LogMentions(L"Answered Yes: retrying in 1 s"), 2u);
  EXPECT_EQ(LogMentions(L"Answered No: no retries left"), 1u);
  EXPECT_EQ(LogMentions(kFailureMessage), 1u);
  EXPECT_EQ(LogMentions(L"Ends with exit code 4"), 1u);
}

TEST_F(DataLoaderE2e, RefreshWithoutTheProductOrWithABadSwitchEndsWithItsCode) {
  ProductValues values = Values(L"4112", static_cast<std::uint16_t>(ports_.fast));
  values.installPath = std::nullopt;
  ASSERT_TRUE(WriteSettingsFile(appData_, DefaultSettings()));
  ASSERT_NO_FATAL_FAILURE(RunUnattended(values, L"/refresh", 3));
  EXPECT_EQ(LogMentions(L"Probe "), 3u) << Utf8(LogText());
  EXPECT_EQ(LogMentions(L"Refresh ends: the product was not found"), 1u);

  ASSERT_NO_FATAL_FAILURE(RunUnattended(values, L"/refresh /fast", 2));
  EXPECT_EQ(LogMentions(L"Unknown switch: /fast"), 1u) << Utf8(LogText());
  EXPECT_EQ(LogMentions(L"Usage: VYNDataLoader.exe [/refresh"), 1u);
  EXPECT_EQ(Differences({}, Snapshot(data_)), "");
  ExpectNotRequested("VYNData.vyn");
}

// A certificate Windows refuses, or a redirect that would leave https: the
// retry question names the reason, No gives up, nothing in the data folder
// changes, and nothing is asked of a plain server.
struct RefusedCertificate {
  const char* name;
  int ServerPorts::*port;
  const wchar_t* reason;
  const wchar_t* windowsError;
  const wchar_t* prefix = nullptr;  // the MLS set's file prefix; VYN when none
  std::size_t requests = 0;         // of the prefix's set, when redirected
};

class RefusedCertificateE2e : public DataLoaderE2e,
                              public ::testing::WithParamInterface<RefusedCertificate> {};

TEST_P(RefusedCertificateE2e, QuestionNamesTheReasonAndNothingChanges) {
  const RefusedCertificate& row = GetParam();
  test::WriteBytes(data_ / "listings.csv", "listing_id\r\n1\r\n");
  const auto before = Snapshot(data_);
  SettingsFile settings = DefaultSettings();
  if (row.prefix) settings.filePrefix = row.prefix;
  ASSERT_NO_FATAL_FAILURE(Start(L"4121", ports_.*row.port, settings, true));
  ASSERT_NO_FATAL_FAILURE(Tick(kMls));
  ASSERT_NO_FATAL_FAILURE(PressDownload());
  std::wstring question;
  ASSERT_NO_FATAL_FAILURE(AnswerBox(
      L"Connect Error", L"Error connecting to server. Do you want to retry?", L"&No", &question));
  ASSERT_NO_FATAL_FAILURE(AnswerBox(kFailureMessage));
  ASSERT_NO_FATAL_FAILURE(CloseAndExpectExit());

  EXPECT_NE(question.find(std::wstring(L"Reason: ") + row.reason), std::wstring::npos)
      << Utf8(question);
  EXPECT_EQ(Differences(before, Snapshot(data_)), "");
  ExpectNotRecorded(L"MlsDataUpdated");
  ExpectNotRequested("VYNData.vyn");
  ExpectNoTempFileLeft();
  EXPECT_EQ(LogMentions(std::wstring(L", Windows error ") + row.windowsError), 1u)
      << Utf8(LogText());
  if (row.prefix) {
    const std::string file = "/Downloads/" + Utf8(row.prefix) + "Data.vyn HTTP/1.0\" 302";
    const std::string log = CaseLog();
    std::size_t requests = 0;
    for (std::size_t at = log.find(file); at != std::string::npos; at = log.find(file, at + 1)) {
      ++requests;
    }
    EXPECT_EQ(requests, row.requests) << log;
    EXPECT_EQ(LogMentions(L"Redirect refused: https://localhost:" + std::to_wstring(ports_.tls) +
                          L"/Downloads/" + row.prefix + L"Data.vyn sent the download to "),
              1u)
        << Utf8(LogText());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Certificates, RefusedCertificateE2e,
    ::testing::Values(RefusedCertificate{"UntrustedAuthority", &ServerPorts::tlsUntrusted,
                                         L"the server's certificate is not trusted.", L"12045"},
                      RefusedCertificate{"AnotherName", &ServerPorts::tlsWrongName,
                                         L"the server's certificate is for another name.",
                                         L"12038"},
                      // The plain server would serve the archive, were it asked.
                      RefusedCertificate{"RedirectToPlainHttp", &ServerPorts::tls,
                                         L"the server sent the download to an address that is not "
                                         L"secure (http://localhost:",
                                         L"0", L"Plain", 1},
                      RefusedCertificate{"RedirectLoop", &ServerPorts::tls,
                                         L"the server redirected the download more than 10 times.",
                                         L"0", L"Loop", 11}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vyn::e2e
