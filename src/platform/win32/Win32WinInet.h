#pragma once

#include "platform/ResponsiveWait.h"
#include "platform/WinInetApi.h"

namespace vyn {

// WinInetApi over wininet.dll's ANSI entry points. The calls that can wait on
// the server (the send, and a query while nothing has arrived) run in the
// responsive wait, so the window's thread keeps answering Windows.
class Win32WinInet : public WinInetApi {
 public:
  explicit Win32WinInet(ResponsiveWait& waits) : waits_(waits) {}

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
  std::uint32_t LastErrorCode() override;

 private:
  ResponsiveWait& waits_;
  // Bytes of this request known to have arrived and not yet read.
  InternetHandle arrivedFile_ = 0;
  std::uint32_t arrived_ = 0;
};

}  // namespace vyn
