#include "platform/win32/Win32WinInet.h"

#include <windows.h>
#include <wininet.h>

#include <algorithm>

#include "platform/win32/Win32HandleCast.h"

namespace vyn {

InternetHandle Win32WinInet::InternetOpenA(const char* agent, std::uint32_t accessType,
                                           const char* proxy, const char* proxyBypass,
                                           std::uint32_t flags) {
  return HandleCast<InternetHandle>(::InternetOpenA(agent, accessType, proxy, proxyBypass, flags));
}

bool Win32WinInet::InternetSetOptionA(InternetHandle handle, std::uint32_t option, void* buffer,
                                      std::uint32_t bufferLength) {
  return ::InternetSetOptionA(HandleCast<HINTERNET>(handle), option, buffer, bufferLength) != FALSE;
}

InternetHandle Win32WinInet::InternetConnectA(InternetHandle session, const char* serverName,
                                              std::uint16_t port, const char* userName,
                                              const char* password, std::uint32_t service,
                                              std::uint32_t flags, std::uintptr_t context) {
  return HandleCast<InternetHandle>(::InternetConnectA(HandleCast<HINTERNET>(session), serverName,
                                                       port, userName, password, service, flags,
                                                       context));
}

InternetHandle Win32WinInet::HttpOpenRequestA(InternetHandle connection, const char* verb,
                                              const char* objectName, const char* version,
                                              const char* referrer, const char** acceptTypes,
                                              std::uint32_t flags, std::uintptr_t context) {
  return HandleCast<InternetHandle>(::HttpOpenRequestA(HandleCast<HINTERNET>(connection), verb,
                                                       objectName, version, referrer, acceptTypes,
                                                       flags, context));
}

bool Win32WinInet::HttpSendRequestA(InternetHandle request, const char* headers,
                                    std::uint32_t headersLength, void* optional,
                                    std::uint32_t optionalLength) {
  // Connects, sends and waits for the answer's head: up to the timeouts.
  BOOL ok = FALSE;
  DWORD error = 0;
  waits_.Run([&] {
    ok = ::HttpSendRequestA(HandleCast<HINTERNET>(request), headers, headersLength, optional,
                            optionalLength);
    error = GetLastError();
  });
  SetLastError(error);  // the worker's, for LastErrorCode
  return ok != FALSE;
}

bool Win32WinInet::HttpQueryInfoA(InternetHandle request, std::uint32_t infoLevel, void* buffer,
                                  std::uint32_t* bufferLength, std::uint32_t* index) {
  DWORD length = bufferLength ? *bufferLength : 0;
  DWORD at = index ? *index : 0;
  BOOL ok = ::HttpQueryInfoA(HandleCast<HINTERNET>(request), infoLevel, buffer,
                             bufferLength ? &length : nullptr, index ? &at : nullptr);
  if (bufferLength) *bufferLength = length;
  if (index) *index = at;
  return ok != FALSE;
}

bool Win32WinInet::InternetQueryDataAvailable(InternetHandle file, std::uint32_t* available,
                                              std::uint32_t flags, std::uintptr_t context) {
  DWORD count = 0;
  BOOL ok = FALSE;
  DWORD error = 0;
  auto query = [&] {
    ok = ::InternetQueryDataAvailable(HandleCast<HINTERNET>(file), &count, flags, context);
    error = GetLastError();
  };
  // While bytes that arrived are still unread the query answers at once, here.
  // Only one that may wait goes to the worker, so a fast download hands over
  // once per refill of WinInet's buffer instead of once per chunk.
  if (file == arrivedFile_ && arrived_ > 0) {
    query();
  } else {
    waits_.Run(query);
  }
  SetLastError(error);  // the worker's, for LastErrorCode
  arrivedFile_ = file;
  arrived_ = ok ? count : 0;
  if (available) *available = count;
  return ok != FALSE;
}

// A synchronous read waits until it has all it asked for, or the data end;
// asked for no more than has arrived, it returns at once.
bool Win32WinInet::InternetReadFile(InternetHandle file, void* buffer, std::uint32_t toRead,
                                    std::uint32_t* read) {
  DWORD count = 0;
  BOOL ok = ::InternetReadFile(HandleCast<HINTERNET>(file), buffer, toRead, &count);
  if (file == arrivedFile_) arrived_ -= std::min<std::uint32_t>(arrived_, count);
  if (read) *read = count;
  return ok != FALSE;
}

bool Win32WinInet::InternetCloseHandle(InternetHandle handle) {
  if (handle == arrivedFile_) arrivedFile_ = 0;  // a new handle may get the same value
  return ::InternetCloseHandle(HandleCast<HINTERNET>(handle)) != FALSE;
}

std::uint32_t Win32WinInet::LastErrorCode() {
  return GetLastError();
}

}  // namespace vyn
