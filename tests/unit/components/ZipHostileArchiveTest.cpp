// Hostile and broken archives: each must fail with a clear error and leave the
// target folder exactly as it was, with nothing written anywhere else.
#include <gtest/gtest.h>

#include "TempFolder.h"
#include "ZipBuilder.h"
#include "platform/Error.h"
#include "platform/components/NativeFile.h"
#include "platform/components/ZipArchiveExtractor.h"

namespace vyn::testing {
namespace {

namespace fs = std::filesystem;

ZipTestMember Member(std::string name, std::string data) {
  ZipTestMember member;
  member.name = std::move(name);
  member.data = std::move(data);
  return member;
}

class ZipHostileArchiveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The target sits two levels down, so escapes have somewhere to land that we can watch.
    fs::create_directories(target_);
    WriteBytes(target_ / "existing.txt", "keep me");
    fs::create_directories(target_ / "sub");
    WriteBytes(target_ / "sub" / "nested.txt", "keep me too");
  }

  // Runs the extraction, expects it to fail with `number`, and checks that nothing changed.
  Error ExpectRefused(const std::string& archiveBytes, std::int32_t number) {
    const fs::path archive = work_.Path() / "archive.zip";
    WriteBytes(archive, archiveBytes);
    const auto before = Snapshot(work_.Path());
    ZipArchiveExtractor zip(freeSpace_);
    zip.SourceArchive(archive.wstring());
    zip.TargetFolder(L"\"" + target_.wstring() + L"\"");
    zip.FileMask(L"\"*.*\"");
    try {
      zip.Execute(kZipActionExtract);
    } catch (const Error& error) {
      EXPECT_EQ(error.Number(), number) << error.what();
      EXPECT_NE(error.Description().find(L"archive.zip"), std::wstring::npos) << error.what();
      EXPECT_EQ(Snapshot(work_.Path()), before);
      return error;
    }
    ADD_FAILURE() << "the archive was unpacked";
    return Error(0, L"");
  }

  TempFolder work_;
  fs::path target_ = work_.Path() / "outer" / "data";
  ZipArchiveExtractor::FreeSpaceQuery freeSpace_ = FreeSpace;
};

TEST_F(ZipHostileArchiveTest, TraversalWithEitherSlashIsRefused) {
  for (const char* name : {"../escaped.txt", "..\\escaped.txt", "sub/../../escaped.txt",
                           "sub\\..\\..\\escaped.txt", "ok/..", "a/.../b.txt"}) {
    const std::string archive =
        ZipBuilder().Add(Member("good.txt", "fine")).Add(Member(name, "evil")).Build();

    const Error error = ExpectRefused(archive, zip_errors::kUnsafeMember);

    EXPECT_NE(error.Description().find(L"member"), std::wstring::npos) << name;
  }
}

TEST_F(ZipHostileArchiveTest, AbsoluteDriveAndUncNamesAreRefused) {
  for (const char* name : {"/etc/escaped.txt", "\\escaped.txt", "C:escaped.txt", "C:\\escaped.txt",
                           "\\\\server\\share\\x.txt", "//server/share/x.txt", "file.txt:stream",
                           "sub/NUL.txt", "con", "bad|name.txt"}) {
    const std::string archive = ZipBuilder().Add(Member(name, "evil")).Build();

    ExpectRefused(archive, zip_errors::kUnsafeMember);
  }
}

TEST_F(ZipHostileArchiveTest, SymbolicLinkMemberIsRefused) {
  ZipTestMember link = Member("link", "/etc");
  link.versionMadeBy = 0x031E;  // Unix
  link.externalAttributes = 0120777u << 16;

  const Error error = ExpectRefused(ZipBuilder().Add(link).Build(), zip_errors::kUnsafeMember);

  EXPECT_NE(error.Description().find(L"symbolic link"), std::wstring::npos);
}

TEST_F(ZipHostileArchiveTest, CrcMismatchIsRefusedAfterGoodMembers) {
  ZipTestMember bad = Member("bad.txt", "the bytes that were packed");
  bad.storedCrc = 0x12345678;

  const Error error = ExpectRefused(ZipBuilder()
                                        .Add(Member("existing.txt", "new"))
                                        .Add(Member("fresh.txt", "fresh"))
                                        .Add(bad)
                                        .Build(),
                                    zip_errors::kBadData);

  EXPECT_NE(error.Description().find(L"bad.txt"), std::wstring::npos);
  EXPECT_NE(error.Description().find(L"CRC-32"), std::wstring::npos);
}

TEST_F(ZipHostileArchiveTest, TruncatedArchiveIsRefusedAtEveryLength) {
  const std::string whole = ZipBuilder()
                                .Add(Member("one.txt", std::string(5000, 'x')))
                                .Add(Member("two.txt", "two"))
                                .Build();
  for (std::size_t length : {std::size_t{0}, std::size_t{10}, whole.size() / 2, whole.size() - 1}) {
    ExpectRefused(whole.substr(0, length), zip_errors::kDamaged);
  }
}

TEST_F(ZipHostileArchiveTest, DamagedDeflateStreamIsRefused) {
  std::string archive = ZipBuilder().Add(Member("data.txt", std::string(4000, 'q'))).Build();
  archive[30 + 8] = '\xFF';  // first bytes of the deflated data

  ExpectRefused(archive, zip_errors::kBadData);
}

TEST_F(ZipHostileArchiveTest, OverlappingMembersAreRefused) {
  // "inner.txt" has its local header and data inside "outer.bin"'s stored data.
  const ZipTestMember inner = Member("inner.txt", "shared bytes");
  ZipTestMember outer = Member("outer.bin", ZipBuilder::LocalRecord(inner));
  outer.deflate = false;
  const std::uint64_t innerOffset = 30 + outer.name.size();

  const Error error = ExpectRefused(
      ZipBuilder().Add(outer).AddDirectoryOnly(inner, innerOffset).Build(), zip_errors::kDamaged);

  EXPECT_NE(error.Description().find(L"overlaps"), std::wstring::npos);
}

TEST_F(ZipHostileArchiveTest, LocalHeaderNamingAnotherMemberIsRefused) {
  ZipTestMember member = Member("innocent.txt", "x");
  member.localName = "../escaped.txt";

  ExpectRefused(ZipBuilder().Add(member).Build(), zip_errors::kDamaged);
}

TEST_F(ZipHostileArchiveTest, DuplicateAndFileFolderClashesAreRefused) {
  ExpectRefused(ZipBuilder().Add(Member("twice.txt", "1")).Add(Member("TWICE.txt", "2")).Build(),
                zip_errors::kUnsafeMember);
  ExpectRefused(ZipBuilder().Add(Member("both", "file")).Add(Member("both/inner.txt", "x")).Build(),
                zip_errors::kUnsafeMember);
}

TEST_F(ZipHostileArchiveTest, UnsupportedMethodNamesTheMember) {
  ZipTestMember odd = Member("odd.bin", "data");
  odd.deflate = false;
  odd.method = 12;

  const Error error = ExpectRefused(ZipBuilder().Add(odd).Build(), zip_errors::kUnsupportedMember);

  EXPECT_NE(error.Description().find(L"odd.bin"), std::wstring::npos);
}

TEST_F(ZipHostileArchiveTest, FileWhoseFolderIsAFileInTheTargetLeavesEverythingAsItWas) {
  WriteBytes(target_ / "blocker", "a file where the archive wants a folder");

  ExpectRefused(
      ZipBuilder().Add(Member("first.txt", "1")).Add(Member("blocker/inside.txt", "2")).Build(),
      zip_errors::kTargetUnwritable);
}

TEST_F(ZipHostileArchiveTest, MissingArchiveIsUnreadable) {
  ZipArchiveExtractor zip;
  zip.SourceArchive((work_.Path() / "absent.zip").wstring());
  zip.TargetFolder(L"\"" + target_.wstring() + L"\"");

  try {
    zip.Execute(kZipActionExtract);
    ADD_FAILURE() << "a missing archive was accepted";
  } catch (const Error& error) {
    EXPECT_EQ(error.Number(), zip_errors::kUnreadable);
    EXPECT_NE(error.Description().find(L"absent.zip"), std::wstring::npos);
  }
}

TEST_F(ZipHostileArchiveTest, MembersBeyondTheFreeSpaceAreRefusedBeforeAnythingIsWritten) {
  // Two honest 5 MiB members, 10 MiB in all; the drive has 9 MiB beside the margin.
  constexpr std::uint64_t kFree = (64u << 20) + (9u << 20);
  const std::string archive = ZipBuilder()
                                  .Add(Member("first.csv", std::string(5u << 20, '\0')))
                                  .Add(Member("second.csv", std::string(5u << 20, ' ')))
                                  .Build();
  std::map<std::string, std::string> whenAsked;
  freeSpace_ = [&](const fs::path& folder) {
    EXPECT_EQ(folder, target_);
    whenAsked = Snapshot(work_.Path());
    return kFree;
  };

  const Error error = ExpectRefused(archive, zip_errors::kTargetUnwritable);

  EXPECT_EQ(whenAsked, Snapshot(work_.Path())) << "written before the free space was known";
  EXPECT_NE(error.Description().find(L"10485760 bytes"), std::wstring::npos) << error.what();
  EXPECT_NE(error.Description().find(std::to_wstring(kFree) + L" bytes free"), std::wstring::npos);
}

TEST_F(ZipHostileArchiveTest, EndRecordHiddenInTheCommentDoesNotHideTheMembers) {
  // The real directory holds a member that must be refused; a record in the comment
  // would make the archive look empty, either ending the file itself or not.
  const ZipBuilder real = ZipBuilder().Add(Member("../escaped.txt", "evil"));
  const std::size_t commentAt = real.Build().size();
  for (const std::string& comment :
       {"hidden: " + ZipBuilder::EmptyEndRecord(commentAt + 8, 0),
        ZipBuilder::EmptyEndRecord(commentAt, 4) + "tail and more text"}) {
    ExpectRefused(ZipBuilder(real).Comment(comment).Build(), zip_errors::kUnsafeMember);
  }
}

TEST_F(ZipHostileArchiveTest, ArchiveWithoutFilesIsNoRefresh) {
  for (const std::string& archive :
       {ZipBuilder().Build(), ZipBuilder().AddFolder("maps/").Build()}) {
    const Error error = ExpectRefused(archive, zip_errors::kDamaged);

    EXPECT_NE(error.Description().find(L"no files"), std::wstring::npos) << error.what();
  }
}

}  // namespace
}  // namespace vyn::testing
