#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vyn::test {

// A scripted HTTP server on 127.0.0.1 for tests: each connection gets the next
// reply (the last one repeats). It lives for one test and stops by itself when
// destroyed or when its time is up.
class LoopbackHttpServer {
 public:
  struct Reply {
    std::string head;  // status line and headers, without the blank line
    std::string body;
    std::uint64_t generatedBodySize = 0;     // > 0: send that many PatternByte()s instead of body,
    std::uint64_t generatedFrom = 0;         // ... starting at this byte of the pattern
    std::size_t closeAfter = SIZE_MAX;       // bytes of the body sent before closing early
    std::size_t dripChunk = 0;               // > 0: send the body this many bytes at a time ...
    std::chrono::milliseconds dripDelay{0};  // ... with this pause between them ...
    std::size_t dripAfter = 0;               // ... once so many bytes went at full speed
    bool resetAtEnd = false;                 // end with a reset (RST), not an orderly close
    bool holdOpen = false;  // after closeAfter bytes: silence, the connection kept open
                            // until EndStalls() or the server stops (a stalled server)
  };

  static Reply Ok(const std::string& body, bool withContentLength = true);
  static Reply Status(int code, const std::string& reason, const std::string& body,
                      bool withContentLength = true);
  // 200 with the whole body announced, but only its first half sent; then silence.
  static Reply StalledHalfway(const std::string& body);
  // 200 with the whole body announced, its first half sent at once, the rest
  // 16 bytes a second: never silent long enough for a timeout.
  static Reply TrickledAfterHalf(const std::string& body);
  // Byte i of a generated body; never '<' or ' ' at the start.
  static std::uint8_t PatternByte(std::uint64_t i) {
    return static_cast<std::uint8_t>('A' + (i * 7 + i / 4096) % 53);
  }

  explicit LoopbackHttpServer(std::vector<Reply> replies,
                              std::chrono::seconds lifetime = std::chrono::seconds(60));
  ~LoopbackHttpServer();
  LoopbackHttpServer(const LoopbackHttpServer&) = delete;
  LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

  std::uint16_t Port() const { return port_; }
  // Ends the silence of held connections: they are closed, the body cut short.
  void EndStalls() { stallsEnded_ = true; }
  // The request heads received so far, in order.
  std::vector<std::string> Requests() const;
  // Bytes of bodies sent so far, over all connections.
  std::uint64_t BodyBytesSent() const { return bodyBytesSent_; }

  // A loopback port with nobody listening on it.
  static std::uint16_t UnusedPort();

 private:
  void Run();
  void Serve(std::uintptr_t client, const Reply& reply);
  bool SendAll(std::uintptr_t client, const char* data, std::size_t size);

  std::vector<Reply> replies_;
  std::uintptr_t listener_;
  std::uint16_t port_ = 0;
  std::chrono::steady_clock::time_point deadline_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> stallsEnded_{false};
  std::atomic<std::uint64_t> bodyBytesSent_{0};
  mutable std::mutex mutex_;
  std::vector<std::string> requests_;
  std::thread thread_;
};

}  // namespace vyn::test
