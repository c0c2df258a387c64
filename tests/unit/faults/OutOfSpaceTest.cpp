// Writes that run out of space while unpacking an archive and while saving the
// settings: what was there before stays whole, and nothing half-done is left.
// The process's file-size limit makes every write past it fail, as a full disk would.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <string>

#include "TempFolder.h"
#include "UnpackArchive.h"
#include "ZipBuilder.h"
#include "components/settings/LocalClock.h"
#include "components/settings/ProductSettingsFile.h"
#include "components/unpack/StagedExtraction.h"
#include "components/unpack/ZipArchiveExtractor.h"
#include "components/unpack/ZipErrors.h"
#include "platform/Error.h"

namespace vyn::test {
namespace {

namespace fs = std::filesystem;

// Files of this process cannot grow past `bytes` while it lives; a write past
// the limit fails with EFBIG instead of raising SIGXFSZ.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    getrlimit(RLIMIT_FSIZE, &previous_);
    rlimit limited = previous_;
    limited.rlim_cur = bytes;
    set_ = setrlimit(RLIMIT_FSIZE, &limited) == 0;
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &previous_);
    std::signal(SIGXFSZ, previousHandler_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;
  bool Set() const { return set_; }

 private:
  rlimit previous_{};
  void (*previousHandler_)(int) = SIG_DFL;
  bool set_ = false;
};

constexpr rlim_t kLimit = 64 * 1024;

ZipTestMember Member(std::string name, std::string data) {
  ZipTestMember member;
  member.name = std::move(name);
  member.data = std::move(data);
  return member;
}

class OutOfSpaceTest : public ::testing::Test {
 protected:
  void Unpack(const std::string& archiveBytes) {
    const fs::path archive = work_.Path() / "VYNData.zip";
    WriteBytes(archive, archiveBytes);
    ZipArchiveExtractor zip;
    UnpackArchive(zip, archive, data_.Text());
  }

  TempFolder work_;
  TempFolder data_{"Data"};
  TempFolder appData_{"AppData"};
};

TEST_F(OutOfSpaceTest, UnpackingThatRunsOutOfSpaceKeepsTheOldDataFilesAndLeavesNoStaging) {
  WriteBytes(data_.Path() / "listings.csv", "listing_id\n1\n");
  WriteBytes(data_.Path() / "keep.txt", "kept by the user");
  // The first member fits; the second, large but small when packed, does not.
  const std::string archive = ZipBuilder()
                                  .Add(Member("agents.csv", "agent_id\n7\n"))
                                  .Add(Member("listings.csv", std::string(4 * kLimit, 'x')))
                                  .Build();
  ASSERT_LT(archive.size(), kLimit);
  const auto before = Snapshot(data_.Path());

  {
    FileSizeLimit limit(kLimit);
    ASSERT_TRUE(limit.Set());
    try {
      Unpack(archive);
      ADD_FAILURE() << "the unpacking was reported as done";
    } catch (const Error& error) {
      EXPECT_EQ(error.Number(), zip_errors::kTargetUnwritable);
    }
  }

  // All or nothing: not even the member that fitted is in place.
  EXPECT_EQ(Snapshot(data_.Path()), before);
}

TEST_F(OutOfSpaceTest, SettingsSaveThatRunsOutOfSpaceKeepsTheOldFileUntilASaveSucceeds) {
  // Larger than the limit, so that the new text cannot be written whole.
  const std::string original = "# " + std::string(2 * kLimit, '-') +
                               "\nFilePrefix = CHI\nMlsDataUpdated = 2020-01-02 03:04:05\n";
  const fs::path file = appData_.Path() / "Veltrix Settings.txt";
  WriteBytes(file, original);
  ProductSettingsFile settings([] { return LocalDateTime{2026, 3, 14, 9, 26, 53}; });
  settings.AppDataFolder(appData_.Text());
  settings.LoadSettings();

  {
    FileSizeLimit limit(kLimit);
    ASSERT_TRUE(limit.Set());
    EXPECT_THROW(settings.MlsDataUpdated(1), Error);
  }
  EXPECT_EQ(ReadBytes(file), original);
  EXPECT_EQ(Snapshot(appData_.Path()).size(), 1u) << "a pending copy was left behind";

  settings.MlsDataUpdated(1);

  const std::string saved = ReadBytes(file);
  EXPECT_NE(saved.find("MlsDataUpdated = 2026-03-14 09:26:53"), std::string::npos);
  EXPECT_NE(saved.find("FilePrefix = CHI"), std::string::npos);
  EXPECT_EQ(Snapshot(appData_.Path()).size(), 1u);
}

}  // namespace
}  // namespace vyn::test
