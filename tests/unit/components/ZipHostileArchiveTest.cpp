// Hostile and broken archives: each must fail with a clear error and leave the
// target folder exactly as it was, with nothing written anywhere else.
#include <gtest/gtest.h>

#include <map>

#include "AllocationPeak.h"
#include "TempFolder.h"
#include "UnpackArchive.h"
#include "ZipBuilder.h"
#include "components/files/NativeFile.h"
#include "components/unpack/ZipArchiveExtractor.h"
#include "platform/Error.h"

namespace vyn::test {
namespace {

namespace fs = std::filesystem;

ZipTestMember Utf8Member(std::string name, std::string data) {
  ZipTestMember member = Member(std::move(name), std::move(data));
  member.utf8Name = true;
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
    try {
      UnpackArchive(zip, archive, target_.wstring());
    } catch (const Error& error) {
      EXPECT_EQ(error.Number(), number) << error.what();
      EXPECT_NE(error.Description().find(L"archive.zip"), std::wstring::npos) << error.what();
      EXPECT_EQ(Snapshot(work_.Path()), before);
      return error;
    }
    ADD_FAILURE() << "the archive was unpacked";
    return Error(0, L"");
  }

  // Unpacks an archive that must be accepted.
  void Extract(const std::string& archiveBytes) {
    const fs::path archive = work_.Path() / "archive.zip";
    WriteBytes(archive, archiveBytes);
    ZipArchiveExtractor zip;
    UnpackArchive(zip, archive, target_.wstring());
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

// Headers that agree with packed bytes cut short: zlib then asks for input that
// never comes, which must end the member, not loop (ctest's timeout would catch that).
TEST_F(ZipHostileArchiveTest, DeflatedDataCutShortWithAgreeingHeadersIsRefused) {
  std::string data;
  for (int i = 0; i < 100000; ++i) data += static_cast<char>('a' + (i * 7 + i / 13) % 26);
  ZipTestMember cut = Member("cut.csv", data);
  const std::string whole = ZipBuilder::Deflate(data);
  for (std::size_t length : {std::size_t{1}, whole.size() / 2, whole.size() - 1}) {
    cut.packed = whole.substr(0, length);

    const Error error = ExpectRefused(ZipBuilder().Add(cut).Build(), zip_errors::kBadData);

    EXPECT_NE(error.Description().find(L"end too early"), std::wstring::npos) << error.what();
  }
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
  for (const std::string folder : {"", "photos/", "photos/2024/"}) {
    const std::string archive =
        ZipBuilder()
            .Add(Member(folder + "first.csv", std::string(5u << 20, '\0')))
            .Add(Member("photos/" + folder + "second.csv", std::string(5u << 20, ' ')))
            .Build();
    std::map<std::string, std::string> whenAsked;
    freeSpace_ = [&](const fs::path& asked) {
      EXPECT_EQ(asked, target_);
      whenAsked = Snapshot(work_.Path());
      return kFree;
    };

    const Error error = ExpectRefused(archive, zip_errors::kTargetUnwritable);

    EXPECT_EQ(whenAsked, Snapshot(work_.Path())) << "written before the free space was known";
    EXPECT_NE(error.Description().find(L"10485760 bytes"), std::wstring::npos) << error.what();
    EXPECT_NE(error.Description().find(std::to_wstring(kFree) + L" bytes free"),
              std::wstring::npos);
  }
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

TEST_F(ZipHostileArchiveTest, NamesThatWindowsFoldsToOneAreRefused) {
  const std::vector<std::pair<std::string, std::string>> pairs = {
      {"\xC3\x84.csv", "\xC3\xA4.csv"},                  // A and a with diaeresis
      {"\xD0\x94\xD0\x90.csv", "\xD0\xB4\xD0\xB0.csv"},  // Cyrillic
      {"\xCE\xA3.csv", "\xCF\x83.csv"},                  // Greek sigma
      {"\xEF\xBC\xA1.csv", "\xEF\xBD\x81.csv"},          // fullwidth A and a
      {"\xC5\x81.csv", "\xC5\x82.csv"},                  // L with stroke
      {"\xD4\xB1.csv", "\xD5\xA1.csv"},                  // Armenian
      {"\xD0\xB4/x.csv", "\xD0\x94"},                    // a folder, then a file
  };
  for (const auto& [first, second] : pairs) {
    const Error error =
        ExpectRefused(ZipBuilder().Add(Utf8Member(first, "1")).Add(Utf8Member(second, "2")).Build(),
                      zip_errors::kUnsafeMember);

    EXPECT_NE(error.Description().find(L"member"), std::wstring::npos) << second;
  }
}

TEST_F(ZipHostileArchiveTest, EveryPortDeviceNameIsRefused) {
  for (const char* name : {"COM0", "lpt0.csv", "sub/COM\xC2\xB9.csv", "LPT\xC2\xB2 .txt.csv",
                           "com\xC2\xB3", "deep/er/Lpt9.x.y"}) {
    const Error error =
        ExpectRefused(ZipBuilder().Add(Utf8Member(name, "x")).Build(), zip_errors::kUnsafeMember);

    EXPECT_NE(error.Description().find(L"device name"), std::wstring::npos) << name;
  }
  // Code page 437 names: 0xFD is the superscript two.
  ExpectRefused(ZipBuilder().Add(Member("COM\xFD.txt", "x")).Build(), zip_errors::kUnsafeMember);
}

// The next unpack would delete what lies in a folder named as its staging folders,
// and the data folder's lock file is the refresh's own.
TEST_F(ZipHostileArchiveTest, StagingFolderNamesAreRefusedAtTheTopOnly) {
  for (const char* name :
       {".vyn-0123abcd/x.csv", ".VYN-staging-0123456789abcdef/x.csv", ".vyn-lock"}) {
    const Error error =
        ExpectRefused(ZipBuilder().Add(Member(name, "x")).Build(), zip_errors::kUnsafeMember);
    EXPECT_NE(error.Description().find(L"staging"), std::wstring::npos) << name;
  }
  Extract(ZipBuilder().Add(Member("sub/.vyn-0123abcd/x.csv", "x")).Build());
  EXPECT_EQ(ReadBytes(target_ / "sub" / ".vyn-0123abcd" / "x.csv"), "x");
}

TEST_F(ZipHostileArchiveTest, NamesLongerThanWindowsAllowsAreRefusedInLittleMemory) {
  std::string deep;
  for (int i = 0; i < 32765; ++i) deep += "a/";
  deep += "x.csv";
  const std::string archive =
      ZipBuilder().Add(Member("fine.csv", "1")).Add(Member(deep, "2")).Build();
  // Folders named as one text per level would need gigabytes.
  const AllocationPeak memory(64u << 20);

  const Error error = ExpectRefused(archive, zip_errors::kUnsafeMember);

  EXPECT_NE(error.Description().find(L"too long"), std::wstring::npos) << error.what();
  EXPECT_LT(memory.Peak(), 16u << 20);
}

TEST_F(ZipHostileArchiveTest, FullPathOfMaxPathIsTheLimit) {
  std::wstring folder = fs::absolute(target_).wstring();
  const std::size_t room = 259 - (folder.size() + 1) - 2;  // "d/" on the way
  const std::string longest = "d/" + std::string(room, 'f');
  // A folder entry's full path may have 247 characters, 248 are too many.
  const std::string longestFolder = "e/" + std::string(room - 12, 'g') + "/";

  ExpectRefused(ZipBuilder().Add(Member(longest + "f", "over")).Build(), zip_errors::kUnsafeMember);
  ExpectRefused(ZipBuilder()
                    .Add(Member("a.csv", "1"))
                    .AddFolder("e/" + std::string(room - 11, 'g') + "/")
                    .Build(),
                zip_errors::kUnsafeMember);
  Extract(ZipBuilder().Add(Member(longest, "fits")).AddFolder(longestFolder).Build());

  EXPECT_EQ(ReadBytes(target_ / "d" / std::string(room, 'f')), "fits");
  EXPECT_TRUE(fs::is_directory(target_ / "e" / std::string(room - 12, 'g')));
}

// The staging folder adds its characters below the data folder: one of 232
// characters (with its closing separator) still takes a small archive, one of 233
// is refused as too long before anything is written.
TEST_F(ZipHostileArchiveTest, StagingBelowALongDataFolderFitsOrIsRefusedAsTooLong) {
  const std::size_t base = fs::absolute(target_).wstring().size() + 1;
  const std::string archive = ZipBuilder().Add(Member("a.csv", "fits")).Build();
  WriteBytes(work_.Path() / "archive.zip", archive);
  for (const std::size_t length : {232u, 233u}) {
    const fs::path deep = target_ / std::string(length - base - 1, 'p');
    fs::create_directories(deep);
    const auto before = Snapshot(target_);
    ZipArchiveExtractor zip;
    try {
      UnpackArchive(zip, work_.Path() / "archive.zip", fs::absolute(deep).wstring());
      EXPECT_EQ(length, 232u);
      EXPECT_EQ(ReadBytes(deep / "a.csv"), "fits");
    } catch (const Error& error) {
      EXPECT_EQ(length, 233u) << error.what();
      EXPECT_EQ(error.Number(), zip_errors::kTargetUnwritable);
      EXPECT_NE(error.Description().find(L"too long"), std::wstring::npos) << error.what();
      EXPECT_EQ(Snapshot(target_), before);
    }
  }
}

TEST_F(ZipHostileArchiveTest, ReplacingAReadOnlyFileLeavesNoStagingFolder) {
  fs::permissions(target_ / "existing.txt",
                  fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);

  Extract(ZipBuilder().Add(Member("existing.txt", "new")).Build());

  EXPECT_EQ(Snapshot(target_),
            (std::map<std::string, std::string>{
                {"existing.txt", "new"}, {"sub", "<folder>"}, {"sub/nested.txt", "keep me too"}}));
}

TEST_F(ZipHostileArchiveTest, StagingLeftByAKilledRunGoesAndLookAlikesStay) {
  const fs::path left = target_ / ".vyn-staging-0123456789abcdef";
  fs::create_directories(left / "0");
  WriteBytes(left / "0" / "0", "an old data file");
  fs::permissions(left / "0" / "0", fs::perms::owner_write, fs::perm_options::remove);
  for (const char* name :
       {".vyn-staging-0123456789abcdeg", ".vyn-staging-0123456789abcdef0", ".vyn-staging-mine"}) {
    fs::create_directories(target_ / name);
    WriteBytes(target_ / name / "kept.txt", name);
  }

  Extract(ZipBuilder().Add(Member("fresh.txt", "fresh")).Build());

  EXPECT_FALSE(fs::exists(left));
  const auto state = Snapshot(target_);
  EXPECT_EQ(state.at(".vyn-staging-0123456789abcdeg/kept.txt"), ".vyn-staging-0123456789abcdeg");
  EXPECT_EQ(state.at(".vyn-staging-0123456789abcdef0/kept.txt"), ".vyn-staging-0123456789abcdef0");
  EXPECT_EQ(state.at(".vyn-staging-mine/kept.txt"), ".vyn-staging-mine");
  EXPECT_EQ(state.size(),
            10u);  // three look-alikes with a file each, fresh.txt and the setup's four
}

}  // namespace
}  // namespace vyn::test
