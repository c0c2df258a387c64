#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "platform/TransientRetry.h"

// The few stream primitives that differ by system; NativeFile.cpp builds on them.
namespace vyn::native_file {

// The C library's last error as an exception naming the step.
std::system_error LastError(const char* what);

std::FILE* Open(const std::filesystem::path& path, bool forReading);
// Whether the last failed Open was another program holding the file (a sharing
// violation), which may last only a moment.
bool OpenWasRefused();
// One try at a lock file held by this process alone (FileLock); `error` is errno's
// value when it fails for good.
StepOutcome TryLock(const std::filesystem::path& path, int& descriptor, int& error);
void Unlock(const std::filesystem::path& path, int descriptor);
// 64-bit positions; 0 on success, like fseek and ftell's checks.
int SeekTo(std::FILE* file, std::uint64_t offset);
int SeekToEnd(std::FILE* file);
std::int64_t Tell(std::FILE* file);
// Waits until the flushed data are on disk; 0 on success.
int Sync(std::FILE* file);
// Starts writing flushed data out without waiting; only a hint.
void StartWriteBack(std::FILE* file);
// Whether committing each open file (Sync) costs less than committing many closed
// files later in one CommitToDisk.
extern const bool kCommitEachFile;

}  // namespace vyn::native_file
