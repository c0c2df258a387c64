// Unpacking good archives: methods, descriptors, Zip64, folders, masks, refreshes.
#include <gtest/gtest.h>

#include <functional>
#include <optional>

#include "TempFolder.h"
#include "UnpackArchive.h"
#include "ZipBuilder.h"
#include "ZipRoundTrip.h"
#include "components/unpack/RefreshRecordFile.h"
#include "components/unpack/ZipArchiveExtractor.h"
#include "platform/Error.h"

namespace vyn::test {
namespace {

namespace fs = std::filesystem;

class ZipExtractionTest : public ::testing::Test {
 protected:
  // Writes the archive beside the target folder and unpacks it the way the
  // program does: folder and mask in quotes, archive without.
  void Extract(const std::string& archiveBytes, const std::wstring& mask = L"\"*.*\"") {
    const fs::path archive = work_.Path() / "VYNData.zip";
    WriteBytes(archive, archiveBytes);
    ZipArchiveExtractor zip;
    UnpackArchive(zip, archive, target_.Text(), mask);
  }

  std::string Read(const std::string& relative) const {
    return ReadBytes(target_.Path() / fs::u8path(relative));
  }

  TempFolder work_;
  TempFolder target_{"Data Folder With Blanks"};
};

TEST_F(ZipExtractionTest, StoredAndDeflatedMembersArriveIntact) {
  std::string big;
  for (int i = 0; i < 200000; ++i) big += static_cast<char>('a' + (i * 7) % 26);
  const std::string archive = ZipBuilder()
                                  .Add(Member("stored.txt", "plain bytes", false))
                                  .Add(Member("deflated.dat", big))
                                  .Add(Member("empty.txt", "", false))
                                  .Build();

  Extract(archive);

  EXPECT_EQ(Read("stored.txt"), "plain bytes");
  EXPECT_EQ(Read("deflated.dat"), big);
  EXPECT_EQ(Read("empty.txt"), "");
}

TEST_F(ZipExtractionTest, SubfoldersAndFolderEntriesAreCreated) {
  const std::string archive = ZipBuilder()
                                  .AddFolder("maps/")
                                  .AddFolder("empty/")
                                  .Add(Member("maps/north/area.txt", "north"))
                                  .Add(Member("win\\style.txt", "backslash"))
                                  .Build();

  Extract(archive);

  EXPECT_EQ(Read("maps/north/area.txt"), "north");
  EXPECT_EQ(Read("win/style.txt"), "backslash");
  EXPECT_TRUE(fs::is_directory(target_.Path() / "empty"));
}

TEST_F(ZipExtractionTest, DataDescriptorsAndZip64FieldsAreRead) {
  ZipTestMember described = Member("described.txt", "sizes come after the data");
  described.dataDescriptor = true;
  ZipTestMember wide = Member("wide.txt", "sizes in Zip64 extra fields", false);
  wide.zip64 = true;
  ZipTestMember both = Member("both.txt", "Zip64 descriptor");
  both.zip64 = true;
  both.dataDescriptor = true;
  const std::string archive = ZipBuilder().Add(described).Add(wide).Add(both).UseZip64End().Build();

  Extract(archive);

  EXPECT_EQ(Read("described.txt"), "sizes come after the data");
  EXPECT_EQ(Read("wide.txt"), "sizes in Zip64 extra fields");
  EXPECT_EQ(Read("both.txt"), "Zip64 descriptor");
}

TEST_F(ZipExtractionTest, RefreshReplacesExistingFilesAndKeepsOthers) {
  WriteBytes(target_.Path() / "listings.txt", "old listings");
  WriteBytes(target_.Path() / "notes.txt", "the user's own file");
  fs::create_directories(target_.Path() / "sub");
  WriteBytes(target_.Path() / "sub" / "old.txt", "old nested");

  Extract(ZipBuilder()
              .Add(Member("listings.txt", "new listings"))
              .Add(Member("sub/old.txt", "new nested"))
              .Build());

  EXPECT_EQ(Read("listings.txt"), "new listings");
  EXPECT_EQ(Read("sub/old.txt"), "new nested");
  EXPECT_EQ(Read("notes.txt"), "the user's own file");
}

TEST_F(ZipExtractionTest, NothingButTheMembersIsLeftBehind) {
  Extract(ZipBuilder().Add(Member("a.txt", "a")).Add(Member("b/c.txt", "c")).Build());

  const auto state = Snapshot(target_.Path());

  EXPECT_EQ(state, (std::map<std::string, std::string>{
                       {"a.txt", "a"}, {"b", "<folder>"}, {"b/c.txt", "c"}}));
}

TEST_F(ZipExtractionTest, MaskPicksMatchingNamesWithoutRegardToCase) {
  const std::string archive = ZipBuilder()
                                  .Add(Member("PRICES.TXT", "1"))
                                  .Add(Member("sub/notes.txt", "2"))
                                  .Add(Member("image.png", "3"))
                                  .Add(Member("README", "4"))
                                  .Build();

  Extract(archive, L"\"*.txt\"");

  EXPECT_EQ(Snapshot(target_.Path()),
            (std::map<std::string, std::string>{
                {"PRICES.TXT", "1"}, {"sub", "<folder>"}, {"sub/notes.txt", "2"}}));
}

TEST_F(ZipExtractionTest, StarDotStarMatchesNamesWithoutADot) {
  Extract(ZipBuilder().Add(Member("README", "no dot")).Build(), L"\"*.*\"");

  EXPECT_EQ(Read("README"), "no dot");
}

TEST_F(ZipExtractionTest, Utf8AndCodePage437NamesAreDecoded) {
  ZipTestMember utf8 = Member("caf\xC3\xA9.txt", "utf8");
  utf8.utf8Name = true;
  ZipTestMember dos = Member("na\x8Bve.txt", "cp437");  // 0x8B is i with diaeresis

  Extract(ZipBuilder().Add(utf8).Add(dos).Build());

  EXPECT_EQ(Read("caf\xC3\xA9.txt"), "utf8");
  EXPECT_EQ(Read("na\xC3\xAFve.txt"), "cp437");
}

TEST_F(ZipExtractionTest, SameInstanceServesTwoArchivesInARow) {
  const fs::path first = work_.Path() / "VYNData.zip";
  const fs::path second = work_.Path() / "VYNTax.zip";
  WriteBytes(first, ZipBuilder().Add(Member("mls.txt", "mls")).Build());
  WriteBytes(second, ZipBuilder().Add(Member("tax.txt", "tax")).Build());
  ZipArchiveExtractor zip;

  for (const fs::path& archive : {first, second}) UnpackArchive(zip, archive, target_.Text());

  EXPECT_EQ(Read("mls.txt"), "mls");
  EXPECT_EQ(Read("tax.txt"), "tax");
}

TEST_F(ZipExtractionTest, ArchiveInsideTheTargetFolderCanBeDeletedAfterwards) {
  const fs::path archive = target_.Path() / "VYNData.zip";
  WriteBytes(archive, ZipBuilder().Add(Member("data.txt", "x")).Build());
  ZipArchiveExtractor zip;

  UnpackArchive(zip, archive, target_.Text());

  EXPECT_TRUE(fs::remove(archive));
  EXPECT_EQ(Read("data.txt"), "x");
}

// Every shape of member once, at a level drawn from a fixed seed, a dozen to an
// archive; under Wine every seventh shape.
TEST_F(ZipExtractionTest, GeneratedArchivesUnpackByteForByte) {
#ifdef _WIN32
  constexpr std::size_t kStep = 7;
#else
  constexpr std::size_t kStep = 1;
#endif
  std::mt19937 random(20261208);
  std::size_t serial = 0;
  for (std::size_t first = 0; first < kRoundTripShapes; first += 12 * kStep) {
    std::vector<ZipTestMember> members;
    for (std::size_t shape = first; shape < std::min(first + 12 * kStep, kRoundTripShapes);
         shape += kStep) {
      members.push_back(RoundTripMember(random, shape, serial++));
    }
    ZipBuilder builder;
    for (const auto& member : members) builder.Add(member);

    Extract(builder.Build());

    for (const auto& member : members) EXPECT_TRUE(Read(member.name) == member.data) << member.name;
  }
}

#ifdef VYN_SEED_CORPUS_DIR
std::string Repeat(const std::string& piece, int times) {
  std::string text;
  for (int i = 0; i < times; ++i) text += piece;
  return text;
}

// The fuzz seeds were written by another zip writer: its archives must unpack too.
TEST_F(ZipExtractionTest, ArchivesOfAnotherWriterUnpack) {
  const fs::path seeds = fs::u8path(VYN_SEED_CORPUS_DIR);

  for (const char* name : {"stored-and-deflated.zip", "descriptor.zip", "zip64.zip"}) {
    Extract(ReadBytes(seeds / name));
  }

  EXPECT_EQ(Read("a.txt"), "stored text");
  EXPECT_EQ(Read("sub/b.dat"), Repeat("deflated ", 50));
  EXPECT_TRUE(fs::is_directory(target_.Path() / "folder"));
  EXPECT_EQ(Read("described.txt"), Repeat("descriptor ", 30));
  EXPECT_EQ(Read("big.txt"), Repeat("zip64 member ", 20));
}
#endif

// The record of an unpacking vouches for the files as they were placed: the check
// names the first that is missing or differs, and a record that is damaged or not
// one of ours counts as none.
TEST_F(ZipExtractionTest, RefreshRecordVouchesOnlyForTheFilesAsUnpacked) {
  struct Answer : UnpackObserver {
    bool go = true;
    bool Unpacked(std::uint64_t, std::uint64_t) override { return go; }
    void Committing() override {}
  } observer;
  ZipBuilder builder;
  std::string large(70000, '\0');
  for (std::size_t i = 0; i < large.size(); ++i) large[i] = static_cast<char>(i * 7 % 251);
  builder.Add(Member("a.txt", "alpha")).Add(Member("sub/b.txt", large, false));
  const fs::path archive = target_.Path() / "VYNData.zip";
  const std::wstring at = archive.wstring();
  RefreshRecordFile records;
  const auto unpackFresh = [&] {
    WriteBytes(archive, builder.Build());
    ZipArchiveExtractor zip;
    UnpackArchive(zip, archive, target_.Text());
  };
  unpackFresh();
  records.Write(at, {L"host/Downloads/VYNData.vyn", "\"e1\"", "Tue, 01 Dec 2026 10:00:00 GMT", 0, {}});
  const auto record = records.Read(at);
  ASSERT_TRUE(record);
  EXPECT_EQ(record->url, L"host/Downloads/VYNData.vyn");
  EXPECT_EQ(record->size, fs::file_size(archive));
  ASSERT_EQ(record->files.size(), 2u);
  EXPECT_EQ(record->files[1].name, L"sub\\b.txt");

  const fs::path a = target_.Path() / "a.txt";
  const fs::path b = target_.Path() / "sub" / "b.txt";
  struct Row {
    const char* what;
    std::function<void()> change;
    std::optional<std::wstring> difference;
  } rows[] = {
      {"as unpacked", [] {}, std::nullopt},
      {"one byte changed",
       [&] {
         std::string bytes = ReadBytes(b);
         bytes[40000] ^= 1;
         WriteBytes(b, bytes);
       },
       L"\"sub\\b.txt\" has other contents"},
      {"shorter", [&] { WriteBytes(a, "alph"); }, L"\"a.txt\" has another size"},
      {"deleted", [&] { fs::remove(a); }, L"\"a.txt\" is missing"},
  };
  for (const Row& row : rows) {
    unpackFresh();
    row.change();
    EXPECT_EQ(records.FirstDifference(at, *record, observer), row.difference) << row.what;
  }
  unpackFresh();
  observer.go = false;
  EXPECT_THROW(records.FirstDifference(at, *record, observer), Error);

  const std::string text = RefreshRecordText(*record);
  std::string flipped = text;
  flipped[text.find("sub")] = 'S';
  for (const std::string& damaged : {text.substr(0, text.size() / 2), flipped,
                                     "VYN-JOURNAL 1\n" + text.substr(14), std::string()}) {
    EXPECT_FALSE(ParseRefreshRecord(damaged)) << damaged;
  }
  EXPECT_TRUE(ParseRefreshRecord(text));
  records.Remove(at);
  EXPECT_FALSE(records.Read(at));
  records.Remove(at);  // none there is no failure
}

TEST(ZipExtractorCallsTest, OtherActionCodesAndMissingValuesAreErrors) {
  ZipArchiveExtractor zip;

  try {
    zip.Execute(3);
    FAIL() << "action 3 was accepted";
  } catch (const Error& error) {
    EXPECT_EQ(error.Number(), zip_errors::kUnsupportedAction);
    EXPECT_NE(error.Description().find(L"unsupported action"), std::wstring::npos);
  }
  try {
    zip.Execute(kZipActionExtract);
    FAIL() << "Execute ran without archive and folder";
  } catch (const Error& error) {
    EXPECT_EQ(error.Number(), zip_errors::kNotReady);
  }
}

}  // namespace
}  // namespace vyn::test
