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

namespace vyn {

// Writes small unpacked members into their staged files on worker threads while
// the archive is still being unpacked, and has each put on disk as it goes. Under
// Wine every file call is a round trip to its server; the workers' calls overlap
// with the unpacking and with each other, and no file is opened a second time to
// be committed. Independent of any window: the caller may run on any thread.
class StagedFileWriter {
 public:
  StagedFileWriter();
  // Stops the workers; files still queued are not written.
  ~StagedFileWriter();
  StagedFileWriter(const StagedFileWriter&) = delete;
  StagedFileWriter& operator=(const StagedFileWriter&) = delete;

  // Queues a new file with these bytes; waits while much is queued. Throws the
  // first failure of a worker, if one failed before.
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
  void Work();
  void RethrowFailure();

  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Job> queue_;
  std::size_t queuedBytes_ = 0;
  std::size_t busy_ = 0;
  bool stopping_ = false;
  std::exception_ptr failure_;
  std::vector<std::filesystem::path> toCommit_;  // closed, not yet on disk
  std::vector<std::thread> workers_;
};

}  // namespace vyn
