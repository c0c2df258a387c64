// The journaled commit of staged files: a failure or a kill at every move of it,
// and a recovery killed at every move of its own.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <system_error>
#include <vector>

#include "TempFolder.h"
#include "components/files/NativeFile.h"
#include "components/unpack/StagedExtraction.h"
#include "components/unpack/StagingJournal.h"

namespace vyn::test {
namespace {

namespace fs = std::filesystem;

const std::system_error kInjected(EIO, std::generic_category(), "injected");

// Renames as Windows does, except that move number `failAt` (counted from 1) fails and, for a
// kill, every move after it too: the process is gone, nothing is undone.
struct InjectedMove {
  int failAt = 0;
  bool kill = false;
  int made = 0;

  MoveStep Step() {
    return [this](const fs::path& from, const fs::path& to) {
      ++made;
      if (failAt != 0 && (made == failAt || (kill && made > failAt))) throw kInjected;
      // As on Windows: a rename never replaces what is there.
      if (fs::exists(fs::symlink_status(to))) {
        throw std::system_error(EEXIST, std::generic_category(), "rename");
      }
      RenameFile(from, to);
    };
  }
};

class StagedCommitTest : public ::testing::Test {
 protected:
  StagedCommitTest() {
    PlantOld();
    old_ = Snapshot(target_.Path());
    fresh_ = old_;
    for (const auto& [name, data] : kNew) fresh_[name] = data;
    fresh_["sub/deep"] = kFolder;
  }

  // Old versions of two of the four files, and a file of the user's own.
  void PlantOld() {
    ASSERT_TRUE(FreshFolder(target_.Path()));
    fs::create_directories(target_.Path() / "sub");
    WriteBytes(target_.Path() / "a.csv", "old a");
    WriteBytes(target_.Path() / "sub" / "b.csv", "old b");
    WriteBytes(target_.Path() / "mine.txt", "the user's");
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

// j < 0: move k fails and the commit undoes what it did. j >= 0: the process is
// killed at move k, then the recovery is killed at its move j (0: it is not), and
// the next recovery runs through.
TEST_F(StagedCommitTest, FailureOrKillAtEveryMoveEndsAllOldOrAllNew) {
  for (int k = 1; k <= kMoves; ++k) {
    for (int j = -1; j <= kMoves; ++j) {
      ASSERT_NO_FATAL_FAILURE(PlantOld());
      InjectedMove commit{k, j >= 0};
      try {
        Commit(commit);
        ADD_FAILURE() << "move " << k << " did not fail";
      } catch (const std::system_error& failure) {
        EXPECT_STREQ(failure.what(), kInjected.what()) << "not the same exception";
      }
      InjectedMove recovery{std::max(j, 0), true};
      try {
        FinishStagedCommits(target_.Path(), recovery.Step());
      } catch (const std::system_error&) {
      }

      InjectedMove none;
      FinishStagedCommits(target_.Path(), none.Step());

      // Killed at its first move, nothing was moved: undone at once, the journal goes.
      EXPECT_EQ(Differences(j < 0 || k == 1 ? old_ : fresh_, Snapshot(target_.Path())), "")
          << "move " << k << (j < 0 ? " failed" : " killed") << ", recovery killed at move " << j;
    }
  }
}

// Killed at move k, then something takes the places still to be filled (the
// product recreates a file or a folder) before the next start: the recovery
// completes the journal's moves all the same, and the intruders go.
TEST_F(StagedCommitTest, RecoveryCompletesOverDestinationsRecreatedSinceTheKill) {
  for (int k = 2; k <= kMoves; ++k) {
    ASSERT_NO_FATAL_FAILURE(PlantOld());
    InjectedMove commit{k, true};
    EXPECT_THROW(Commit(commit), std::system_error);
    for (const char* file : {"a.csv", "c.csv", "sub/b.csv"}) {
      if (!fs::exists(target_.Path() / file)) WriteBytes(target_.Path() / file, "intruder");
    }
    if (!fs::exists(target_.Path() / "sub" / "deep")) {
      fs::create_directories(target_.Path() / "sub" / "deep");
      WriteBytes(target_.Path() / "sub" / "deep" / "x", "intruder");
    }

    InjectedMove none;
    EXPECT_NO_THROW(FinishStagedCommits(target_.Path(), none.Step())) << "killed at move " << k;

    EXPECT_EQ(Differences(fresh_, Snapshot(target_.Path())), "") << "killed at move " << k;
  }
}

TEST(StagingJournalTest, ReadsBackWholeAndNeverCutShortOrDamaged) {
  TempFolder staging, again;
  StagingJournal journal;
  journal.folders = {fs::u8path("sub/deep")};
  journal.moves = {{"0/0", "0/1", fs::u8path("a b.csv")},
                   {"0/2", "", fs::u8path("caf\xC3\xA9/d.csv")}};
  WriteJournal(staging.Path(), journal);
  const std::string whole = ReadBytes(JournalPath(staging.Path()));

  const auto read = ReadJournal(staging.Path());

  ASSERT_TRUE(read.has_value());
  WriteJournal(again.Path(), *read);
  EXPECT_EQ(ReadBytes(JournalPath(again.Path())), whole);
  EXPECT_NE(whole.find("caf\xC3\xA9/d.csv"), std::string::npos);
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
