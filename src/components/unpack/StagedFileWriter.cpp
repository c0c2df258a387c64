#include "components/unpack/StagedFileWriter.h"

#include "components/files/NativeFile.h"

namespace vyn {

namespace {

// Most of a worker's time is spent waiting for the disk to take one small file:
// several wait at once, and the system serves their commits together (under Wine,
// two workers took half again as long as six; twelve were no faster than six).
constexpr std::size_t kWorkers = 8;
// What may wait in memory: enough to keep the workers busy, little beside the archive.
constexpr std::size_t kMostQueuedBytes = 8u << 20;
constexpr std::size_t kMostQueuedFiles = 512;

}  // namespace

StagedFileWriter::StagedFileWriter() {
  for (std::size_t i = 0; i < kWorkers; ++i) workers_.emplace_back([this] { Work(); });
}

StagedFileWriter::~StagedFileWriter() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
    queue_.clear();
  }
  changed_.notify_all();
  for (auto& worker : workers_) worker.join();
}

void StagedFileWriter::Add(std::filesystem::path file, std::vector<unsigned char> bytes) {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] {
    return failure_ || queue_.empty() ||
           (queuedBytes_ < kMostQueuedBytes && queue_.size() < kMostQueuedFiles);
  });
  RethrowFailure();
  queuedBytes_ += bytes.size();
  queue_.push_back({std::move(file), std::move(bytes)});
  changed_.notify_all();
}

void StagedFileWriter::AddWritten(std::filesystem::path file) {
  std::lock_guard<std::mutex> lock(mutex_);
  toCommit_.push_back(std::move(file));
}

void StagedFileWriter::Finish() {
  std::vector<std::filesystem::path> toCommit;
  {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return failure_ || (queue_.empty() && busy_ == 0); });
    RethrowFailure();
    toCommit.swap(toCommit_);
  }
  CommitToDisk(toCommit);
}

void StagedFileWriter::RethrowFailure() {
  if (failure_) std::rethrow_exception(failure_);
}

void StagedFileWriter::Work() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
    if (stopping_) return;
    Job job = std::move(queue_.front());
    queue_.pop_front();
    queuedBytes_ -= job.bytes.size();
    ++busy_;
    lock.unlock();
    std::exception_ptr failure;
    bool onDisk = false;
    try {
      NativeFile out(job.file, NativeFile::Mode::kCreate);
      out.Write(job.bytes.data(), job.bytes.size());
      onDisk = out.CloseAndCommitIfCheap();
    } catch (...) {
      failure = std::current_exception();
    }
    lock.lock();
    --busy_;
    if (failure && !failure_) failure_ = failure;
    if (!failure && !onDisk) toCommit_.push_back(std::move(job.file));
    changed_.notify_all();
  }
}

}  // namespace vyn
