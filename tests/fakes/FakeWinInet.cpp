#include "FakeWinInet.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace vyn::fakes {
namespace {

std::string Text(const char* s) {
  return s ? std::string(s) : std::string("null");
}
std::string Number(std::uint64_t n) {
  return std::to_string(n);
}
std::string Hex(std::uint32_t n) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", n);
  return text;
}

}  // namespace

FakeWinInet::Response FakeWinInet::Body(const std::string& body, std::size_t chunkSize,
                                        bool withContentLength) {
  Response response;
  if (withContentLength) response.contentLength = std::to_string(body.size());
  for (std::size_t at = 0; at < body.size(); at += chunkSize) {
    response.reads.push_back({body.substr(at, chunkSize), true});
  }
  return response;
}

std::vector<FakeWinInet::Call> FakeWinInet::CallsTo(const std::string& function) const {
  std::vector<Call> found;
  for (const auto& c : calls_) {
    if (c.function == function) found.push_back(c);
  }
  return found;
}

bool FakeWinInet::Fails(Step step) {
  auto it = failures.find(step);
  if (it == failures.end() || it->second == 0) return false;
  if (it->second > 0) --it->second;
  return true;
}

InternetHandle FakeWinInet::NewHandle() {
  InternetHandle handle = next_++;
  open_.insert(handle);
  return handle;
}

void FakeWinInet::Record(std::string function, std::vector<std::string> args) {
  calls_.push_back({std::move(function), std::move(args)});
  if (onCall) onCall(calls_.back());
}

InternetHandle FakeWinInet::InternetOpenA(const char* agent, std::uint32_t accessType,
                                          const char* proxy, const char* proxyBypass,
                                          std::uint32_t flags) {
  Record("InternetOpenA",
         {Text(agent), Number(accessType), Text(proxy), Text(proxyBypass), Number(flags)});
  return Fails(Step::kOpen) ? 0 : NewHandle();
}

bool FakeWinInet::InternetSetOptionA(InternetHandle handle, std::uint32_t option, void* buffer,
                                     std::uint32_t bufferLength) {
  std::uint32_t value = 0;
  if (buffer && bufferLength == sizeof value) std::memcpy(&value, buffer, sizeof value);
  Record("InternetSetOptionA",
         {Number(handle), Number(option), buffer ? Number(value) : "null", Number(bufferLength)});
  return open_.count(handle) != 0;
}

InternetHandle FakeWinInet::InternetConnectA(InternetHandle session, const char* serverName,
                                             std::uint16_t port, const char* userName,
                                             const char* password, std::uint32_t service,
                                             std::uint32_t flags, std::uintptr_t context) {
  Record("InternetConnectA", {Number(session), Text(serverName), Number(port), Text(userName),
                              Text(password), Number(service), Number(flags), Number(context)});
  if (!open_.count(session)) return 0;
  if (Fails(Step::kConnect)) {
    if (!failedConnectHandle) return 0;
    open_.insert(*failedConnectHandle);
    return *failedConnectHandle;
  }
  return NewHandle();
}

InternetHandle FakeWinInet::HttpOpenRequestA(InternetHandle connection, const char* verb,
                                             const char* objectName, const char* version,
                                             const char* referrer, const char** acceptTypes,
                                             std::uint32_t flags, std::uintptr_t context) {
  Record("HttpOpenRequestA",
         {Number(connection), Text(verb), Text(objectName), Text(version), Text(referrer),
          acceptTypes ? "types" : "null", Hex(flags), Number(context)});
  if (!open_.count(connection) || Fails(Step::kOpenRequest)) return 0;
  std::size_t which =
      std::min<std::size_t>(static_cast<std::size_t>(requests_), responses.size() - 1);
  ++requests_;
  current_ = &responses[which];
  nextRead_ = 0;
  readOffset_ = 0;
  return NewHandle();
}

bool FakeWinInet::HttpSendRequestA(InternetHandle request, const char* headers,
                                   std::uint32_t headersLength, void* optional,
                                   std::uint32_t optionalLength) {
  Record("HttpSendRequestA", {Number(request), Text(headers), Number(headersLength),
                              optional ? "data" : "null", Number(optionalLength)});
  return open_.count(request) && !Fails(Step::kSend);
}

bool FakeWinInet::HttpQueryInfoA(InternetHandle request, std::uint32_t infoLevel, void* buffer,
                                 std::uint32_t* bufferLength, std::uint32_t* index) {
  std::uint32_t length = bufferLength ? *bufferLength : 0;
  auto* bytes = static_cast<const std::uint8_t*>(buffer);
  bool zeroed = bytes && std::all_of(bytes, bytes + length, [](std::uint8_t b) { return b == 0; });
  Record("HttpQueryInfoA", {Number(request), Hex(infoLevel), Number(length),
                            zeroed ? "zeroed" : "dirty", index ? Number(*index) : "null"});
  if (!open_.count(request) || !current_ || !bufferLength) return false;
  if (infoLevel == (kHttpQueryStatusCode | kHttpQueryFlagNumber)) {
    if (Fails(Step::kQueryStatus) || length < sizeof(std::uint32_t)) return false;
    std::memcpy(buffer, &current_->statusCode, sizeof(std::uint32_t));
    *bufferLength = sizeof(std::uint32_t);
    return true;
  }
  const std::string* text = nullptr;
  if (infoLevel == kHttpQueryContentLength) {
    if (Fails(Step::kQueryLength) || !current_->contentLength) return false;
    text = &*current_->contentLength;
  } else if (auto header = current_->headers.find(infoLevel); header != current_->headers.end()) {
    text = &header->second;
  }
  if (text) {
    if (text->size() + 1 > length) {
      *bufferLength = static_cast<std::uint32_t>(text->size() + 1);
      return false;
    }
    std::memcpy(buffer, text->c_str(), text->size() + 1);
    *bufferLength = static_cast<std::uint32_t>(text->size());
    return true;
  }
  return false;
}

bool FakeWinInet::InternetQueryDataAvailable(InternetHandle file, std::uint32_t* available,
                                             std::uint32_t flags, std::uintptr_t context) {
  Record("InternetQueryDataAvailable",
         {Number(file), available ? "count" : "null", Number(flags), Number(context)});
  *available = 0;
  if (!open_.count(file) || !current_) return false;
  if (nextRead_ >= current_->reads.size()) return true;
  const Read& r = current_->reads[nextRead_];
  if (r.bytes.empty() && !r.ok) {
    ++nextRead_;
    return false;
  }
  *available = static_cast<std::uint32_t>(r.bytes.size() - readOffset_);
  return true;
}

bool FakeWinInet::InternetReadFile(InternetHandle file, void* buffer, std::uint32_t toRead,
                                   std::uint32_t* read) {
  Record("InternetReadFile", {Number(file), buffer ? "buffer" : "null", Number(toRead)});
  readSizes_.push_back(toRead);
  *read = 0;
  if (!open_.count(file) || !current_) return false;
  if (nextRead_ >= current_->reads.size()) return true;
  const Read& r = current_->reads[nextRead_];
  auto count =
      static_cast<std::uint32_t>(std::min<std::size_t>(r.bytes.size() - readOffset_, toRead));
  std::memcpy(buffer, r.bytes.data() + readOffset_, count);
  *read = count;
  readOffset_ += count;
  if (readOffset_ < r.bytes.size()) return true;  // the rest stays for the next read
  ++nextRead_;
  readOffset_ = 0;
  return r.ok;
}

bool FakeWinInet::InternetCloseHandle(InternetHandle handle) {
  Record("InternetCloseHandle", {Number(handle)});
  if (open_.erase(handle) == 0) {
    ++badCloses_;
    return false;
  }
  return true;
}

}  // namespace vyn::fakes
