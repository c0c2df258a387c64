#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/WinInetApi.h"

namespace vyn::fakes {

// A scripted WinInet. Every call is recorded with its arguments as text ("null"
// for a null pointer), steps can be told to fail, and each request replays the
// next scripted response. Handles are counted so tests can see every one closed.
class FakeWinInet : public WinInetApi {
 public:
  enum class Step { kOpen, kConnect, kOpenRequest, kSend, kQueryStatus, kQueryLength };

  // What arrives at once: a query reports its bytes as available, and reads
  // take them, up to what each asks for.
  struct Read {
    std::string bytes;
    bool ok = true;  // false: the read fails (after delivering bytes, if any);
                     // without bytes the query waiting for them fails
  };
  struct Response {
    std::uint32_t statusCode = 200;
    std::optional<std::string> contentLength;      // header text; none: no such header
    std::vector<Read> reads;                       // after these, reads succeed with 0 bytes
    std::map<std::uint32_t, std::string> headers;  // further headers by query level, as text
  };
  struct Call {
    std::string function;
    std::vector<std::string> args;
  };

  // A response of one body, sent in chunks of chunkSize with its Content-Length.
  static Response Body(const std::string& body, std::size_t chunkSize,
                       bool withContentLength = true);

  // Each request takes the next response; the last one repeats.
  std::vector<Response> responses{Response{}};
  // How many times each step fails before it succeeds (-1: always).
  std::map<Step, int> failures;
  // The failing connect hands back this (nonzero, negative as a 32-bit number) instead of 0.
  std::optional<InternetHandle> failedConnectHandle;
  // What LastErrorCode() reports after a failed step.
  std::uint32_t lastError = 0;
  // Runs after every call is recorded.
  std::function<void(const Call&)> onCall;

  const std::vector<Call>& Calls() const { return calls_; }
  std::vector<Call> CallsTo(const std::string& function) const;
  int OpenHandles() const { return static_cast<int>(open_.size()); }
  int BadCloses() const { return badCloses_; }
  // Bytes asked for by each read.
  const std::vector<std::uint32_t>& ReadSizes() const { return readSizes_; }

  InternetHandle InternetOpenA(const char* agent, std::uint32_t accessType, const char* proxy,
                               const char* proxyBypass, std::uint32_t flags) override;
  bool InternetSetOptionA(InternetHandle handle, std::uint32_t option, void* buffer,
                          std::uint32_t bufferLength) override;
  InternetHandle InternetConnectA(InternetHandle session, const char* serverName,
                                  std::uint16_t port, const char* userName, const char* password,
                                  std::uint32_t service, std::uint32_t flags,
                                  std::uintptr_t context) override;
  InternetHandle HttpOpenRequestA(InternetHandle connection, const char* verb,
                                  const char* objectName, const char* version, const char* referrer,
                                  const char** acceptTypes, std::uint32_t flags,
                                  std::uintptr_t context) override;
  bool HttpSendRequestA(InternetHandle request, const char* headers, std::uint32_t headersLength,
                        void* optional, std::uint32_t optionalLength) override;
  bool HttpQueryInfoA(InternetHandle request, std::uint32_t infoLevel, void* buffer,
                      std::uint32_t* bufferLength, std::uint32_t* index) override;
  bool InternetQueryDataAvailable(InternetHandle file, std::uint32_t* available,
                                  std::uint32_t flags, std::uintptr_t context) override;
  bool InternetReadFile(InternetHandle file, void* buffer, std::uint32_t toRead,
                        std::uint32_t* read) override;
  bool InternetCloseHandle(InternetHandle handle) override;
  std::uint32_t LastErrorCode() override { return lastError; }

 private:
  bool Fails(Step step);
  InternetHandle NewHandle();
  void Record(std::string function, std::vector<std::string> args);

  std::vector<Call> calls_;
  std::set<InternetHandle> open_;
  InternetHandle next_ = 0x100;
  int badCloses_ = 0;
  int requests_ = 0;
  const Response* current_ = nullptr;
  std::size_t nextRead_ = 0;
  std::size_t readOffset_ = 0;  // bytes of the next read already taken
  std::vector<std::uint32_t> readSizes_;
};

}  // namespace vyn::fakes
