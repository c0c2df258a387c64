#pragma once

// What the parts of the transfer share: its failure numbers, the statuses it
// takes, and what one attempt holds open.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/BinaryFiles.h"
#include "platform/ErrorRanges.h"
#include "retrieval/InetHandle.h"
#include "retrieval/ResumePoint.h"
#include "retrieval/frmGetHTMLFile.h"

namespace vyn::transfer {

constexpr std::int32_t kCancelled = error_ranges::Number(error_ranges::kTransfer, 1);
constexpr std::int32_t kNetworkStepFailed = error_ranges::Number(error_ranges::kTransfer, 2);
constexpr std::int32_t kErrorPage = error_ranges::Number(error_ranges::kTransfer, 3);

constexpr std::uint32_t kHttpStatusOk = 200;
constexpr std::uint32_t kHttpStatusPartialContent = 206;
constexpr std::uint32_t kHttpStatusNotModified = 304;

}  // namespace vyn::transfer

namespace vyn {

// What one attempt holds open; the cleanup releases it.
struct frmGetHTMLFile::Attempt {
  explicit Attempt(WinInetApi& inet) : session(inet), connection(inet), request(inet) {}
  InetHandle session;
  InetHandle connection;
  InetHandle request;
  std::wstring tempPath;  // named (and so created) in this attempt
  std::unique_ptr<BinaryFile> tempFile;
  std::vector<std::uint8_t> buffer;  // BufferSize bytes
  // What the body received so far lets the next attempt ask for; the temporary
  // file stays open with those bytes, so nobody else can change them in between.
  ResumePoint resume;
};

}  // namespace vyn
