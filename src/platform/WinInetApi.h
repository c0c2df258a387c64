#pragma once

#include <cstdint>
#include <string>

namespace vyn {

using InternetHandle = std::uintptr_t;  // 0 = none

constexpr std::uint32_t kInternetOpenTypePreconfig = 0;
constexpr std::uint32_t kInternetServiceHttp = 3;
constexpr std::uint16_t kInternetDefaultHttpPort = 80;
constexpr std::uint16_t kInternetDefaultHttpsPort = 443;
constexpr std::uint32_t kInternetFlagReload = 0x80000000u;
constexpr std::uint32_t kInternetFlagNoCacheWrite = 0x04000000u;
constexpr std::uint32_t kInternetFlagSecure = 0x00800000u;  // TLS, with every certificate check
constexpr std::uint32_t kInternetFlagNoAutoRedirect = 0x00200000u;  // a 3xx is handed back as it is
constexpr std::uint32_t kHttpQueryLastModified = 11;
constexpr std::uint32_t kHttpQueryContentRange = 53;
constexpr std::uint32_t kHttpQueryETag = 54;
constexpr std::uint32_t kHttpQueryContentLength = 5;
constexpr std::uint32_t kHttpQueryStatusCode = 19;
constexpr std::uint32_t kHttpQueryLocation = 33;
constexpr std::uint32_t kHttpQueryFlagNumber = 0x20000000u;
constexpr std::uint32_t kInternetOptionConnectTimeout = 2;
constexpr std::uint32_t kInternetOptionSendTimeout = 5;
constexpr std::uint32_t kInternetOptionReceiveTimeout = 6;

// WinInet's ANSI entry points with the platform's argument order. Null string
// arguments are passed as nullptr; strings are already in the ANSI code page.
class WinInetApi {
 public:
  virtual ~WinInetApi() = default;
  virtual InternetHandle InternetOpenA(const char* agent, std::uint32_t accessType,
                                       const char* proxy, const char* proxyBypass,
                                       std::uint32_t flags) = 0;
  // buffer holds bufferLength bytes of the option's value (a 32-bit number for timeouts).
  virtual bool InternetSetOptionA(InternetHandle handle, std::uint32_t option, void* buffer,
                                  std::uint32_t bufferLength) = 0;
  virtual InternetHandle InternetConnectA(InternetHandle session, const char* serverName,
                                          std::uint16_t port, const char* userName,
                                          const char* password, std::uint32_t service,
                                          std::uint32_t flags, std::uintptr_t context) = 0;
  virtual InternetHandle HttpOpenRequestA(InternetHandle connection, const char* verb,
                                          const char* objectName, const char* version,
                                          const char* referrer, const char** acceptTypes,
                                          std::uint32_t flags, std::uintptr_t context) = 0;
  virtual bool HttpSendRequestA(InternetHandle request, const char* headers,
                                std::uint32_t headersLength, void* optional,
                                std::uint32_t optionalLength) = 0;
  virtual bool HttpQueryInfoA(InternetHandle request, std::uint32_t infoLevel, void* buffer,
                              std::uint32_t* bufferLength, std::uint32_t* index) = 0;
  // Synchronous: waits only while nothing has arrived and the data have not
  // ended; 0 available then means the end of the data.
  virtual bool InternetQueryDataAvailable(InternetHandle file, std::uint32_t* available,
                                          std::uint32_t flags, std::uintptr_t context) = 0;
  virtual bool InternetReadFile(InternetHandle file, void* buffer, std::uint32_t toRead,
                                std::uint32_t* read) = 0;
  virtual bool InternetCloseHandle(InternetHandle handle) = 0;
  // The thread's last Windows error code, for the run log; 0 where there is none.
  virtual std::uint32_t LastErrorCode() { return 0; }
};

}  // namespace vyn
