#include "FaultMatrixFixture.h"

#include <fstream>
#include <system_error>

#include "WinePath.h"

namespace vyn::faults {
namespace {

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

Archive MakeArchive(const std::map<std::string, std::string>& members) {
  test::ZipBuilder builder;
  Archive archive;
  for (const auto& [name, data] : members) {
    test::ZipTestMember member;
    member.name = name;
    member.data = data;
    builder.Add(member);
    archive.members[name] = data;
    for (std::size_t slash = name.find('/'); slash != std::string::npos;
         slash = name.find('/', slash + 1)) {
      archive.members[name.substr(0, slash)] = test::kFolder;
    }
  }
  archive.bytes = builder.Build();
  return archive;
}

void FaultMatrix::SetUp() {
  state_ = driver::OnDriveZ(VYN_FAULTS_STATE);
  ASSERT_NO_FATAL_FAILURE(SetUpCase(state_, driver::OnDriveZ(VYN_APP_EXE)));
  mls_ = MakeArchive({{"listings.csv", Listings(2000, 2)}, {"photos/index.txt", "1.jpg\r\n"}});
  tax_ = MakeArchive({{"parcels.csv", "parcel_id,owner\r\n17,Smith\r\n"}});
  ASSERT_TRUE(
      e2e::WriteMachineString(e2e::kFileLocationsKey, e2e::kTaxPathLocal, kPreviousTaxPath));
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
  WriteBytes(SettingsPath(), settings);
}

Snapshot FaultMatrix::Take() const {
  return Snapshot{test::Snapshot(data_), test::Snapshot(appData_),
                  e2e::ReadMachineString(e2e::kFileLocationsKey, e2e::kTaxPathLocal),
                  e2e::TempReFiles()};
}

void FaultMatrix::ExpectUnchanged(const Snapshot& before) const {
  const Snapshot after = Take();
  EXPECT_EQ(Differences(before.data, after.data), "") << "in the data folder";
  EXPECT_EQ(Differences(before.appData, after.appData), "") << "in the application-data folder";
  EXPECT_TRUE(after.taxPathLocal) << "\"Tax Path Local\" is gone";
  if (after.taxPathLocal) {
    EXPECT_EQ(after.taxPathLocal->text, before.taxPathLocal->text);
    EXPECT_EQ(after.taxPathLocal->type, before.taxPathLocal->type);
  }
  EXPECT_EQ(after.tempReFiles, before.tempReFiles) << "\"~re\" files in the temporary folder";
}

bool MountReady(const fs::path& mounts, const std::string& name) {
  std::ifstream in(mounts / "state");
  std::string line;
  while (std::getline(in, line)) {
    if (line == name) return true;
  }
  return false;
}

}  // namespace vyn::faults
