#include "LoopbackHttpServer.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <stdexcept>

namespace vyn::test {
namespace {

// Winsock for the life of each server.
struct WinsockSession {
  WinsockSession() {
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0) throw std::runtime_error("WSAStartup failed");
  }
  ~WinsockSession() { WSACleanup(); }
};

SOCKET BoundLoopbackSocket() {
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET) throw std::runtime_error("socket failed");
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  if (bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    closesocket(s);
    throw std::runtime_error("bind failed");
  }
  return s;
}

std::uint16_t PortOf(SOCKET s) {
  sockaddr_in address{};
  int length = sizeof address;
  getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
  return ntohs(address.sin_port);
}

bool Readable(SOCKET s, long milliseconds) {
  fd_set set;
  FD_ZERO(&set);
  FD_SET(s, &set);
  timeval timeout{milliseconds / 1000, (milliseconds % 1000) * 1000};
  return select(0, &set, nullptr, nullptr, &timeout) == 1;
}

}  // namespace

LoopbackHttpServer::Reply LoopbackHttpServer::Ok(const std::string& body, bool withContentLength) {
  Reply reply;
  reply.head = "HTTP/1.0 200 OK\r\nContent-Type: application/octet-stream";
  if (withContentLength) reply.head += "\r\nContent-Length: " + std::to_string(body.size());
  reply.body = body;
  return reply;
}

LoopbackHttpServer::Reply LoopbackHttpServer::Status(int code, const std::string& reason,
                                                     const std::string& body,
                                                     bool withContentLength) {
  Reply reply;
  reply.head = "HTTP/1.0 " + std::to_string(code) + " " + reason + "\r\nContent-Type: text/html";
  if (withContentLength) reply.head += "\r\nContent-Length: " + std::to_string(body.size());
  reply.body = body;
  return reply;
}

LoopbackHttpServer::Reply LoopbackHttpServer::StalledHalfway(const std::string& body) {
  Reply reply = Ok(body);
  reply.closeAfter = body.size() / 2;
  reply.holdOpen = true;
  return reply;
}

LoopbackHttpServer::Reply LoopbackHttpServer::TrickledAfterHalf(const std::string& body) {
  Reply reply = Ok(body);
  reply.dripAfter = body.size() / 2;
  reply.dripChunk = 16;
  reply.dripDelay = std::chrono::seconds(1);
  return reply;
}

LoopbackHttpServer::LoopbackHttpServer(std::vector<Reply> replies, std::chrono::seconds lifetime)
    : replies_(std::move(replies)), deadline_(std::chrono::steady_clock::now() + lifetime) {
  static WinsockSession winsock;  // for the test process; servers come and go
  SOCKET s = BoundLoopbackSocket();
  if (listen(s, 8) != 0) {
    closesocket(s);
    throw std::runtime_error("listen failed");
  }
  listener_ = s;
  port_ = PortOf(s);
  thread_ = std::thread([this] { Run(); });
}

LoopbackHttpServer::~LoopbackHttpServer() {
  stop_ = true;
  thread_.join();
  closesocket(static_cast<SOCKET>(listener_));
}

std::vector<std::string> LoopbackHttpServer::Requests() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return requests_;
}

std::uint16_t LoopbackHttpServer::UnusedPort() {
  static WinsockSession winsock;
  SOCKET s = BoundLoopbackSocket();
  std::uint16_t port = PortOf(s);
  closesocket(s);  // bound but never listening: connections are refused
  return port;
}

void LoopbackHttpServer::Run() {
  std::size_t served = 0;
  auto listener = static_cast<SOCKET>(listener_);
  while (!stop_ && std::chrono::steady_clock::now() < deadline_) {
    if (!Readable(listener, 50)) continue;
    SOCKET client = accept(listener, nullptr, nullptr);
    if (client == INVALID_SOCKET) continue;
    const Reply& reply = replies_[std::min(served, replies_.size() - 1)];
    ++served;
    Serve(client, reply);
    closesocket(client);
  }
}

void LoopbackHttpServer::Serve(std::uintptr_t socket, const Reply& reply) {
  auto client = static_cast<SOCKET>(socket);
  std::string request;
  auto readUntil = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (request.find("\r\n\r\n") == std::string::npos && !stop_ &&
         std::chrono::steady_clock::now() < readUntil) {
    if (!Readable(client, 50)) continue;
    char buffer[2048];
    int got = recv(client, buffer, sizeof buffer, 0);
    if (got <= 0) return;
    request.append(buffer, static_cast<std::size_t>(got));
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    requests_.push_back(request);
  }
  std::string head = reply.head + "\r\n\r\n";
  if (!SendAll(socket, head.data(), head.size())) return;

  std::uint64_t size = reply.generatedBodySize ? reply.generatedBodySize : reply.body.size();
  size = std::min<std::uint64_t>(size, reply.closeAfter);
  std::string chunk;
  for (std::uint64_t at = 0, step = 0;
       at < size && !stop_ && std::chrono::steady_clock::now() < deadline_; at += step) {
    bool dripping = reply.dripChunk && at >= reply.dripAfter;
    step = dripping ? reply.dripChunk : at < reply.dripAfter ? reply.dripAfter - at : 64 * 1024;
    step = std::min<std::uint64_t>(step, 64 * 1024);
    auto count = static_cast<std::size_t>(std::min<std::uint64_t>(step, size - at));
    if (reply.generatedBodySize) {
      chunk.resize(count);
      for (std::size_t i = 0; i < count; ++i) {
        chunk[i] = static_cast<char>(PatternByte(reply.generatedFrom + at + i));
      }
    } else {
      chunk = reply.body.substr(static_cast<std::size_t>(at), count);
    }
    if (!SendAll(socket, chunk.data(), chunk.size())) return;
    bodyBytesSent_ += chunk.size();
    if (dripping) std::this_thread::sleep_for(reply.dripDelay);
  }
  if (reply.holdOpen) {
    while (!stop_ && !stallsEnded_ && std::chrono::steady_clock::now() < deadline_) {
      if (!Readable(client, 50)) continue;
      char buffer[512];
      if (recv(client, buffer, sizeof buffer, 0) <= 0) return;  // the client gave up
    }
    if (!stallsEnded_) return;
  }
  if (reply.resetAtEnd) {
    // A zero linger makes the close that follows send RST.
    linger abort{1, 0};
    setsockopt(client, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abort), sizeof abort);
    return;
  }
  shutdown(client, SD_SEND);
  // Let the client read to the end before the socket goes.
  auto lingerUntil = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  while (!stop_ && std::chrono::steady_clock::now() < lingerUntil) {
    if (!Readable(client, 50)) continue;
    char buffer[512];
    if (recv(client, buffer, sizeof buffer, 0) <= 0) break;
  }
}

bool LoopbackHttpServer::SendAll(std::uintptr_t socket, const char* data, std::size_t size) {
  auto client = static_cast<SOCKET>(socket);
  while (size > 0 && !stop_) {
    int sent = send(client, data, static_cast<int>(std::min<std::size_t>(size, 1 << 20)), 0);
    if (sent <= 0) return false;
    data += sent;
    size -= static_cast<std::size_t>(sent);
  }
  return size == 0;
}

}  // namespace vyn::test
