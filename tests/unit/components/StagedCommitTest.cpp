// The journaled commit of staged files: a failure or a kill at every move of it,
// and a recovery killed at every move of its own.
#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <system_error>
#include <vector>

#include "TempFolder.h"
#include "platform/components/NativeFile.h"
#include "platform/components/StagedExtraction.h"
#include "platform/components/StagingJournal.h"

namespace vyn::test {
namespace {

namespace fs = std::filesystem;

// Renames, except that move number `failAt` (counted from 1) fails and, for a
// kill, every move after it too: the process is gone, nothing is undone.
struct InjectedMove {
  int failAt = 0;
  bool kill = false;
  int made = 0;

  MoveStep Step() {
    return [this](const fs::path& from, const fs::path& to) {
      ++made;
      if (made == failAt || (kill && made > failAt && failAt != 0)) {
        throw std::system_error(EIO, std::generic_category(), "injected");
      }
      RenameFile(from, to);
    };
  }
};

class StagedCommitTest : public ::testing::Test {
 protected:
  // Old versions of two of the four files, and a file of the user's own.
  StagedCommitTest() {
    fs::create_directories(target_.Path() / "sub");
    WriteBytes(target_.Path() / "a.csv", "old a");
    WriteBytes(target_.Path() / "sub" / "b.csv", "old b");
    WriteBytes(target_.Path() / "mine.txt", "the user's");
    old_ = Snapshot(target_.Path());
    fresh_ = old_;
    for (const auto& [name, data] : kNew) fresh_[name] = data;
    fresh_["sub/deep"] = kFolder;
  }

  // Stages the new versions and commits them; rethrows what the commit throws.
  // "sub/deep" is new: it is staged whole and moves in one step.
  void Commit(InjectedMove& move) {
    StagingFolder staging(target_.Path());
    std::vector<StagedFile> files;
    for (const auto& [name, data] : kNew) {
      files.push_back({staging.NewName(), fs::u8path(name)});
      if (name.rfind("sub/deep/", 0) == 0) {
        files.back().inNewFolder = true;
        files.back().staged = staging.Mirror(files.back().relative);
        fs::create_directories(files.back().staged.parent_path());
      }
      WriteBytes(files.back().staged, data);
    }
    CheckPlacesAreFree(target_.Path(), {}, files);
    CommitStagedFiles(target_.Path(), {}, {fs::u8path("sub/deep")}, files, staging, move.Step());
  }

  static constexpr int kMoves = 6;  // a folder, three files, two of them moved aside first
  const std::vector<std::pair<std::string, std::string>> kNew = {
      {"a.csv", "new a"}, {"c.csv", "new c"}, {"sub/b.csv", "new b"}, {"sub/deep/d.csv", "new d"}};
  TempFolder target_;
  FolderSnapshot old_, fresh_;
};

TEST_F(StagedCommitTest, FailureAtAnyMoveLeavesTheOldFilesAndTheSameException) {
  for (int k = 1; k <= kMoves; ++k) {
    InjectedMove move{k, false};
    try {
      Commit(move);
      ADD_FAILURE() << "move " << k << " did not fail";
    } catch (const std::system_error& failure) {
      EXPECT_STREQ(failure.what(),
                   std::system_error(EIO, std::generic_category(), "injected").what());
    }

    EXPECT_EQ(Differences(old_, Snapshot(target_.Path())), "") << "failure at move " << k;
  }
}

TEST_F(StagedCommitTest, KillAtAnyMoveIsCompletedByRecoveryEvenWhenThatIsKilled) {
  for (int k = 1; k <= kMoves; ++k) {
    for (int j = 0; j <= kMoves; ++j) {  // 0: the first recovery runs through
      ASSERT_TRUE(FreshFolder(target_.Path()));
      fs::create_directories(target_.Path() / "sub");
      for (const auto& [name, data] : old_) {
        if (data != kFolder) WriteBytes(target_.Path() / fs::u8path(name), data);
      }
      InjectedMove killed{k, true};
      EXPECT_THROW(Commit(killed), std::system_error);
      InjectedMove recoveryKilled{j, true};
      try {
        FinishStagedCommits(target_.Path(), recoveryKilled.Step());
      } catch (const std::system_error&) {
      }

      InjectedMove none;
      FinishStagedCommits(target_.Path(), none.Step());

      // Killed at its first move, nothing was moved: undone at once, the journal goes.
      EXPECT_EQ(Differences(k == 1 ? old_ : fresh_, Snapshot(target_.Path())), "")
          << "killed at move " << k << ", recovery killed at move " << j;
    }
  }
}

TEST(StagingJournalTest, ReadsBackWholeAndNeverCutShortOrDamaged) {
  TempFolder staging;
  StagingJournal journal;
  journal.folders = {fs::u8path("sub/deep")};
  journal.moves = {{"0/0", "0/1", fs::u8path("a b.csv")},
                   {"0/2", "", fs::u8path("caf\xC3\xA9/d.csv")}};
  WriteJournal(staging.Path(), journal);
  const std::string whole = ReadBytes(JournalPath(staging.Path()));

  const auto read = ReadJournal(staging.Path());

  ASSERT_TRUE(read.has_value());
  EXPECT_EQ(read->folders, journal.folders);
  ASSERT_EQ(read->moves.size(), 2u);
  for (std::size_t i = 0; i < 2; ++i) {
    EXPECT_EQ(read->moves[i].staged, journal.moves[i].staged);
    EXPECT_EQ(read->moves[i].aside, journal.moves[i].aside);
    EXPECT_EQ(read->moves[i].destination, journal.moves[i].destination);
  }
  for (std::size_t length = 0; length < whole.size(); ++length) {
    WriteBytes(JournalPath(staging.Path()), whole.substr(0, length));
    EXPECT_FALSE(ReadJournal(staging.Path())) << "cut to " << length;
  }
  std::string damaged = whole;
  damaged[whole.find("a b")] = 'x';
  WriteBytes(JournalPath(staging.Path()), damaged);
  EXPECT_FALSE(ReadJournal(staging.Path()));
}

}  // namespace
}  // namespace vyn::test
