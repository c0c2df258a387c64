// The fault matrix, disk cases: a small file system that fills up during the
// transfer, while the download moves into the data folder and while the archive
// is unpacked, and a data folder on a read-only mount. The mounts come from the
// fixture script; where it could not mount, the case is skipped and says so.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "FaultMatrixFixture.h"
#include "LoopbackHttpServer.h"

namespace vyn::faults {
namespace {

using test::LoopbackHttpServer;

// Three times the small file system.
constexpr std::uint64_t kLargeBody = 3u << 20;

std::optional<std::wstring> Variable(const wchar_t* name) {
  wchar_t value[32768];
  DWORD length = GetEnvironmentVariableW(name, value, 32768);
  if (length == 0 || length >= 32768) return std::nullopt;
  return std::wstring(value, length);
}

// A 200 answer of kLargeBody bytes, made up as they are sent.
LoopbackHttpServer::Reply LargeReply() {
  LoopbackHttpServer::Reply large;
  large.head = "HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(kLargeBody);
  large.generatedBodySize = kLargeBody;
  return large;
}

class DiskFault : public FaultMatrix {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(FaultMatrix::SetUp());
    mounts_ = state_ / "mnt";
  }

  void TearDown() override {
    // The program's temporary folder is this process's, which it inherits.
    for (const auto& [name, value] : savedVariables_) {
      SetEnvironmentVariableW(name.c_str(), value ? value->c_str() : nullptr);
    }
  }

  // A fresh folder for this case on the small file system; nullopt when there is none.
  std::optional<fs::path> SmallFolder(const wchar_t* name) {
    if (!MountReady(mounts_, "small")) return std::nullopt;
    fs::path folder = mounts_ / "small" / name;
    if (!test::FreshFolder(folder)) return std::nullopt;
    return folder;
  }

  void UseTempFolder(const fs::path& folder) {
    for (const wchar_t* name : {L"TEMP", L"TMP"}) {
      savedVariables_.emplace_back(name, Variable(name));
      SetEnvironmentVariableW(name, folder.c_str());
    }
  }

  fs::path mounts_;
  std::vector<std::pair<std::wstring, std::optional<std::wstring>>> savedVariables_;
};

TEST_F(DiskFault, TemporaryFolderFillingUpDuringTheTransferKeepsEverything) {
  auto temp = SmallFolder(L"Temp");
  if (!temp) GTEST_SKIP() << "no small file system: mounting a tmpfs is not permitted here";
  UseTempFolder(*temp);
  PlantPreviousRefresh();
  LoopbackHttpServer server({LargeReply()});
  const Snapshot before = Take();

  ASSERT_NO_FATAL_FAILURE(StartAndDownload(server.Port(), {kMls}));
  ASSERT_NO_FATAL_FAILURE(ExpectNumberedFailureBox(L"61 - Disk full"));
  ASSERT_NO_FATAL_FAILURE(ExpectFailureMessageThenClose());

  ExpectUnchanged(before);
  EXPECT_EQ(Differences({}, test::Snapshot(*temp)), "") << "left in the temporary folder";
}

TEST_F(DiskFault, DataFolderFillingUpWhileTheDownloadMovesInKeepsEverything) {
  auto small = SmallFolder(L"MoveIn");
  if (!small) GTEST_SKIP() << "no small file system: mounting a tmpfs is not permitted here";
  UseDataFolder(*small / "Data");
  PlantPreviousRefresh();
  LoopbackHttpServer server({LargeReply()});
  const Snapshot before = Take();

  ASSERT_NO_FATAL_FAILURE(StartAndDownload(server.Port(), {kMls}));
  ASSERT_NO_FATAL_FAILURE(ExpectNumberedFailureBox(L"61 - Disk full"));
  ASSERT_NO_FATAL_FAILURE(ExpectFailureMessageThenClose());

  ExpectUnchanged(before);
}

// The archive fits; what it unpacks to does not. Nothing is unpacked over the
// old data files, no staging folder stays, and the archive stays for a look.
TEST_F(DiskFault, DataFolderFillingUpWhileUnpackingKeepsTheOldDataFiles) {
  auto small = SmallFolder(L"Unpack");
  if (!small) GTEST_SKIP() << "no small file system: mounting a tmpfs is not permitted here";
  UseDataFolder(*small / "Data");
  PlantPreviousRefresh();
  Archive packed = MakeArchive({{"listings.csv", std::string(kLargeBody, 'x')}});
  ASSERT_LT(packed.bytes.size(), 64u * 1024);
  LoopbackHttpServer server({LoopbackHttpServer::Ok(packed.bytes)});
  Snapshot before = Take();

  ASSERT_NO_FATAL_FAILURE(StartAndDownload(server.Port(), {kMls}));
  ASSERT_NO_FATAL_FAILURE(ExpectRunTimeErrorEnd());

  before.data["VYNData.zip"] = packed.bytes;
  ExpectUnchanged(before);
}

TEST_F(DiskFault, ReadOnlyDataFolderKeepsEverything) {
  if (!MountReady(mounts_, "ro")) {
    GTEST_SKIP() << "no read-only folder: a read-only bind mount is not permitted here";
  }
  // Planted through the writable side; the program sees the read-only side.
  const fs::path name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
  ASSERT_TRUE(test::FreshFolder(mounts_ / "rw" / name));
  UseDataFolder(mounts_ / "rw" / name);
  PlantDataFiles();
  UseDataFolder(mounts_ / "ro" / name);
  WriteSettings();
  LoopbackHttpServer server({LoopbackHttpServer::Ok(mls_.bytes)});
  const Snapshot before = Take();
  ASSERT_FALSE(before.data.empty());

  ASSERT_NO_FATAL_FAILURE(StartAndDownload(server.Port(), {kMls}));
  ASSERT_NO_FATAL_FAILURE(ExpectNumberedFailureBox(L"70 - Permission denied"));
  ASSERT_NO_FATAL_FAILURE(ExpectFailureMessageThenClose());

  ExpectUnchanged(before);
}

}  // namespace
}  // namespace vyn::faults
