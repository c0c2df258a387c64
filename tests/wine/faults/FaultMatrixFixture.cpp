#include "FaultMatrixFixture.h"

#include <fstream>
#include <iterator>
#include <system_error>

namespace vyn::faults {
namespace {

constexpr DWORD kStartTimeoutMs = 30000;
constexpr DWORD kBoxTimeoutMs = 60000;
constexpr DWORD kExitTimeoutMs = 15000;
constexpr const wchar_t* kCityId = L"5100";

std::wstring Backslashes(std::wstring path) {
  for (wchar_t& c : path) {
    if (c == L'/') c = L'\\';
  }
  return path;
}

// A listing file of `rows` rows whose contents depend on `seed`.
std::string Listings(int rows, int seed) {
  std::string text = "listing_id,price,city\r\n";
  for (int i = 0; i < rows; ++i) {
    text += std::to_string(i) + "," + std::to_string(100000 + (i * 7919 + seed) % 900000) +
            ",Springfield\r\n";
  }
  return text;
}

}  // namespace

FolderBytes ReadFolder(const fs::path& folder) {
  FolderBytes contents;
  std::error_code error;
  for (auto it = fs::recursive_directory_iterator(folder, error);
       !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
    std::wstring name = Backslashes(fs::relative(it->path(), folder).wstring());
    if (it->is_directory()) {
      contents[name + L"\\"] = std::string();
    } else {
      contents[name] = ReadBytes(it->path());
    }
  }
  return contents;
}

std::wstring Differences(const FolderBytes& expected, const FolderBytes& actual) {
  std::wstring report;
  for (const auto& [name, bytes] : expected) {
    auto found = actual.find(name);
    if (found == actual.end()) {
      report += L"missing " + name + L"\n";
    } else if (found->second != bytes) {
      report += L"different " + name + L" (" + std::to_wstring(found->second.size()) +
                L" bytes, expected " + std::to_wstring(bytes.size()) + L")\n";
    }
  }
  for (const auto& entry : actual) {
    if (expected.count(entry.first) == 0) report += L"unexpected " + entry.first + L"\n";
  }
  return report;
}

std::string ReadBytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const fs::path& file, const std::string& bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  ASSERT_TRUE(out.flush()) << "cannot write " << file.string();
}

HeldFile::HeldFile(const fs::path& path)
    : handle_(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr)) {}

HeldFile::~HeldFile() {
  if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
}

Archive MakeArchive(const std::map<std::string, std::string>& members) {
  testing::ZipBuilder builder;
  Archive archive;
  for (const auto& [name, data] : members) {
    testing::ZipTestMember member;
    member.name = name;
    member.data = data;
    builder.Add(member);
    std::wstring path = Backslashes(e2e::Wide(name));
    archive.members[path] = data;
    for (std::size_t slash = path.find(L'\\'); slash != std::wstring::npos;
         slash = path.find(L'\\', slash + 1)) {
      archive.members[path.substr(0, slash + 1)] = std::string();
    }
  }
  archive.bytes = builder.Build();
  return archive;
}

bool MountReady(const fs::path& mounts, const std::string& name) {
  std::ifstream in(mounts / "state");
  std::string line;
  while (std::getline(in, line)) {
    if (line == name) return true;
  }
  return false;
}

void FaultMatrix::SetUp() {
  state_ = e2e::WinePath(VYN_FAULTS_STATE);
  case_ = state_ / "cases" / ::testing::UnitTest::GetInstance()->current_test_info()->name();
  ASSERT_TRUE(e2e::FreshFolder(case_));
  appData_ = case_ / "AppData";
  ASSERT_TRUE(fs::create_directories(appData_));
  ASSERT_TRUE(fs::create_directories(case_ / "Install"));
  UseDataFolder(case_ / "Data");
  mls_ = MakeArchive({{"listings.csv", Listings(2000, 2)}, {"photos/index.txt", "1.jpg\r\n"}});
  tax_ = MakeArchive({{"parcels.csv", "parcel_id,owner\r\n17,Smith\r\n"}});
  ASSERT_TRUE(
      e2e::WriteMachineString(e2e::kFileLocationsKey, e2e::kTaxPathLocal, kPreviousTaxPath));
  started_ = e2e::LocalTimestamp();
}

void FaultMatrix::UseDataFolder(const fs::path& data) {
  data_ = data;
  std::error_code error;
  fs::create_directories(data_, error);
}

void FaultMatrix::PlantPreviousRefresh() {
  PlantDataFiles();
  WriteSettings();
}

void FaultMatrix::PlantDataFiles() {
  WriteBytes(data_ / "listings.csv", Listings(3, 1));
  WriteBytes(data_ / "parcels.csv", "parcel_id,owner\r\n17,Jones\r\n");
  WriteBytes(data_ / "keep.txt", "kept by the user");
  WriteBytes(data_ / "VYNData.zip", "the MLS archive of an earlier refresh");
  WriteBytes(data_ / "VYNTax.zip", "the tax archive of an earlier refresh");
}

void FaultMatrix::WriteSettings() {
  std::string settings =
      "# Settings of an earlier refresh.\r\n"
      "DataFolder = " +
      e2e::Utf8(e2e::WithBackslash(data_)) +
      "\r\n"
      "FilePrefix = VYN\r\n"
      "TaxDataAvailable = Yes\r\n"
      "SettingsKey = Software\\Tevrin Labs\\Veltrix\r\n"
      "TaxDataLocation = " +
      e2e::Utf8(kPreviousTaxPath) +
      "\r\n"
      "MlsDataUpdated = 2020-01-02 03:04:05\r\n"
      "TaxDataUpdated = 2020-01-02 03:04:06\r\n";
  WriteBytes(appData_ / e2e::kSettingsFileName, settings);
}

Snapshot FaultMatrix::Take() const {
  return Snapshot{ReadFolder(data_), ReadFolder(appData_),
                  e2e::ReadMachineString(e2e::kFileLocationsKey, e2e::kTaxPathLocal),
                  e2e::TempReFiles()};
}

void FaultMatrix::ExpectUnchanged(const Snapshot& before) const {
  const Snapshot after = Take();
  EXPECT_EQ(Differences(before.data, after.data), L"") << "in the data folder";
  EXPECT_EQ(Differences(before.appData, after.appData), L"") << "in the application-data folder";
  ASSERT_TRUE(after.taxPathLocal) << "\"Tax Path Local\" is gone";
  EXPECT_EQ(after.taxPathLocal->text, before.taxPathLocal->text);
  EXPECT_EQ(after.taxPathLocal->type, before.taxPathLocal->type);
  EXPECT_EQ(after.tempReFiles, before.tempReFiles) << "\"~re\" files in the temporary folder";
}

HWND FaultMatrix::Start(std::uint16_t port) {
  caption_ = std::wstring(L"VYN Veltrix - ") + kCityId;
  e2e::ProductValues values{kCityId, e2e::WithBackslash(appData_),
                            e2e::WithBackslash(case_ / "Install"),
                            L"127.0.0.1:" + std::to_wstring(port)};
  EXPECT_TRUE(e2e::WriteProductValues(values));
  if (hostType_ != REG_SZ) {
    EXPECT_TRUE(e2e::WriteMachineString(e2e::kProductKey, L"Download Host", *values.downloadHost,
                                        hostType_));
  }
  EXPECT_TRUE(app_.Launch(e2e::WinePath(VYN_APP_EXE)));
  return app_.WaitForWindow(caption_, kStartTimeoutMs);
}

void FaultMatrix::Tick(HWND window, const std::wstring& box) {
  HWND check = e2e::FindControl(window, box);
  ASSERT_NE(check, nullptr) << "no check box " << ::testing::PrintToString(box);
  e2e::Click(check);
  EXPECT_TRUE(e2e::AppSession::WaitUntil(5000, [&] { return e2e::Checked(check); }));
}

void FaultMatrix::PressDownload(HWND window) {
  HWND download = e2e::FindControl(window, L"Download");
  ASSERT_NE(download, nullptr);
  EXPECT_TRUE(e2e::AppSession::WaitUntil(5000, [&] { return IsWindowEnabled(download) != FALSE; }));
  e2e::Click(download);
}

void FaultMatrix::StartAndDownload(std::uint16_t port,
                                   std::initializer_list<const wchar_t*> boxes) {
  HWND window = Start(port);
  ASSERT_NE(window, nullptr) << "no main window";
  for (const wchar_t* box : boxes) Tick(window, box);
  PressDownload(window);
}

std::wstring FaultMatrix::AnswerBox(const std::wstring& title, const std::wstring& start,
                                    const std::wstring& button) {
  auto box = app_.WaitForMessageBox(kBoxTimeoutMs);
  if (!box) {
    ADD_FAILURE() << "no message box starting " << ::testing::PrintToString(start);
    return std::wstring();
  }
  EXPECT_EQ(box->title, title);
  EXPECT_EQ(box->text.substr(0, start.size()), start);
  EXPECT_TRUE(e2e::PressButton(box->window, button));
  EXPECT_TRUE(e2e::AppSession::WaitUntil(
      5000, [&] { return !IsWindow(box->window) || !IsWindowVisible(box->window); }));
  return box->text;
}

void FaultMatrix::ExpectFailureMessageThenClose(const std::wstring& message) {
  EXPECT_EQ(AnswerBox(kAppTitle, message), message);
  HWND window = app_.FindWindowByCaption(caption_);
  ASSERT_NE(window, nullptr) << "the main window is gone";
  e2e::Click(e2e::FindControl(window, L"Close"));
  auto code = app_.WaitForExit(kExitTimeoutMs);
  ASSERT_TRUE(code) << "the program did not end";
  EXPECT_EQ(*code, 0u);
}

void FaultMatrix::ExpectRunTimeErrorEnd() {
  AnswerBox(kAppTitle, L"Run-time error '");
  auto code = app_.WaitForExit(kExitTimeoutMs);
  ASSERT_TRUE(code) << "the program did not end";
  EXPECT_EQ(*code, 1u);
}

void FaultMatrix::ExpectRecordedNow(const std::wstring& key) const {
  auto recorded = e2e::ReadSetting(appData_ / e2e::kSettingsFileName, key);
  ASSERT_TRUE(recorded) << "the settings file records no " << ::testing::PrintToString(key);
  EXPECT_GE(*recorded, started_);
  EXPECT_LE(*recorded, e2e::LocalTimestamp());
}

}  // namespace vyn::faults
