#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <filesystem>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "components/unpack/UnpackProfile.h"

namespace vyn {

// Writes small unpacked members into their staged files on worker threads while
// the archive is still being unpacked, and has each put on disk as it goes. Under
// Wine every file call is a round trip to its server; the workers' calls overlap
// with the unpacking and with each other, and no file is opened a second time to
// be committed. Independent of any window: the caller may run on any thread.
class StagedFileWriter {
 public:
  // `profile` (may be null) hears how long the files' opens, writes and closes take.
  explicit StagedFileWriter(UnpackProfile* profile = nullptr);
  // Stops the workers; files still queued are not written.
  ~StagedFileWriter();
  StagedFileWriter(const StagedFileWriter&) = delete;
  StagedFileWriter& operator=(const StagedFileWriter&) = delete;

  // Queues a new file with these bytes; they go to the workers a few files at a
  // time, waiting while much is queued. Throws the first failure of a worker, if
  // one failed before.
  void Add(std::filesystem::path file, std::vector<unsigned char> bytes);
  // A file the caller wrote and closed itself, to be put on disk with the others.
  void AddWritten(std::filesystem::path file);
  // Returns once every file is written, closed and on disk. Throws the first
  // failure (std::system_error from the file primitives).
  void Finish();

 private:
  struct Job {
    std::filesystem::path file;
    std::vector<unsigned char> bytes;
  };
  void HandOver();  // the batch to the workers
  void Work();
  void RethrowFailure();

  std::mutex mutex_;
  std::condition_variable queued_;  // for the workers: a job, or the end
  std::condition_variable taken_;   // for the caller: room in the queue, or all done
  // The caller's only:
  std::vector<Job> batch_;
  std::size_t batchBytes_ = 0;
  // Under the lock:
  std::deque<std::vector<Job>> queue_;
  std::size_t queuedBytes_ = 0;
  std::size_t queuedFiles_ = 0;
  std::size_t busy_ = 0;
  bool stopping_ = false;
  std::exception_ptr failure_;
  std::vector<std::filesystem::path> toCommit_;  // closed, not yet on disk
  UnpackProfile* profile_;
  std::vector<std::thread> workers_;
};

}  // namespace vyn
