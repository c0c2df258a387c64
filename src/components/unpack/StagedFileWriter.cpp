#include "components/unpack/StagedFileWriter.h"

#include <optional>

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
// Small files go to the workers in batches: each hand-over takes the lock and may
// wake a thread, which under Wine is a call to its server or several.
constexpr std::size_t kBatchFiles = 8;
constexpr std::size_t kBatchBytes = 256u << 10;

}  // namespace

StagedFileWriter::StagedFileWriter(UnpackProfile* profile) : profile_(profile) {
  for (std::size_t i = 0; i < kWorkers; ++i) workers_.emplace_back([this] { Work(); });
}

StagedFileWriter::~StagedFileWriter() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
    queue_.clear();
  }
  queued_.notify_all();
  for (auto& worker : workers_) worker.join();
}

void StagedFileWriter::Add(std::filesystem::path file, std::vector<unsigned char> bytes) {
  batchBytes_ += bytes.size();
  batch_.push_back({std::move(file), std::move(bytes)});
  if (batch_.size() >= kBatchFiles || batchBytes_ >= kBatchBytes) HandOver();
}

void StagedFileWriter::HandOver() {
  if (batch_.empty()) return;
  {
    std::unique_lock<std::mutex> lock(mutex_);
    taken_.wait(lock, [this] {
      return failure_ || queue_.empty() ||
             (queuedBytes_ < kMostQueuedBytes && queuedFiles_ < kMostQueuedFiles);
    });
    RethrowFailure();
    queuedBytes_ += batchBytes_;
    queuedFiles_ += batch_.size();
    queue_.push_back(std::move(batch_));
  }
  batch_.clear();
  batchBytes_ = 0;
  queued_.notify_one();
}

void StagedFileWriter::AddWritten(std::filesystem::path file) {
  std::lock_guard<std::mutex> lock(mutex_);
  toCommit_.push_back(std::move(file));
}

void StagedFileWriter::Finish() {
  HandOver();
  std::vector<std::filesystem::path> toCommit;
  {
    std::unique_lock<std::mutex> lock(mutex_);
    taken_.wait(lock, [this] { return failure_ || (queue_.empty() && busy_ == 0); });
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
    queued_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
    if (stopping_) return;
    std::vector<Job> batch = std::move(queue_.front());
    queue_.pop_front();
    ++busy_;
    const bool more = !queue_.empty();
    lock.unlock();
    if (more) queued_.notify_one();  // another worker for the next batch
    std::exception_ptr failure;
    std::vector<std::filesystem::path> closed;  // not yet on disk
    std::size_t bytes = 0;
    for (Job& job : batch) {
      bytes += job.bytes.size();
      if (failure) continue;
      try {
        std::optional<PhaseTimer> step(std::in_place, profile_, UnpackProfile::kOpen);
        NativeFile out(job.file, NativeFile::Mode::kCreate);
        step.emplace(profile_, UnpackProfile::kWrite);
        out.Write(job.bytes.data(), job.bytes.size());
        step.emplace(profile_, UnpackProfile::kClose);
        if (!out.CloseAndCommitIfCheap()) closed.push_back(std::move(job.file));
      } catch (...) {
        failure = std::current_exception();
      }
    }
    lock.lock();
    --busy_;
    queuedBytes_ -= bytes;
    queuedFiles_ -= batch.size();
    if (failure && !failure_) failure_ = failure;
    for (auto& file : closed) toCommit_.push_back(std::move(file));
    taken_.notify_one();  // one caller only ever waits
  }
}

}  // namespace vyn
