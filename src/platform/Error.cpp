#include "platform/Error.h"

#include <new>
#include <utility>

namespace vyn {

Error::Error(std::int32_t number, std::wstring description)
    : number_(number),
      description_(std::move(description)),
      what_(std::to_string(number) + " - " + NarrowForDiagnostics(description_)) {}

Error MakeError(std::int32_t number) {
  switch (number) {
    case errors::kInvalidProcedureCall:
      return Error(number, L"Invalid procedure call or argument");
    case errors::kOverflow:
      return Error(number, L"Overflow");
    case errors::kOutOfMemory:
      return Error(number, L"Out of memory");
    case errors::kSubscriptOutOfRange:
      return Error(number, L"Subscript out of range");
    case errors::kTypeMismatch:
      return Error(number, L"Type mismatch");
    case errors::kFileNotFound:
      return Error(number, L"File not found");
    case errors::kFileAlreadyExists:
      return Error(number, L"File already exists");
    case errors::kDiskFull:
      return Error(number, L"Disk full");
    case errors::kPermissionDenied:
      return Error(number, L"Permission denied");
    case errors::kPathFileAccess:
      return Error(number, L"Path/File access error");
    case errors::kPathNotFound:
      return Error(number, L"Path not found");
    default:
      return Error(number, L"Application-defined or object-defined error");
  }
}

Error CurrentError() {
  try {
    throw;
  } catch (const Error& error) {
    return error;
  } catch (const std::bad_alloc&) {
    return MakeError(errors::kOutOfMemory);
  } catch (const std::exception& other) {
    return Error(errors::kInvalidProcedureCall, WidenFromUtf8(other.what()));
  } catch (...) {
    return MakeError(errors::kInvalidProcedureCall);
  }
}

std::wstring RuntimeErrorReport(const Error& error) {
  return L"Run-time error '" + std::to_wstring(error.Number()) + L"':\r\n\r\n" +
         error.Description();
}

std::string NarrowForDiagnostics(const std::wstring& text) {
  std::string out;
  for (wchar_t c : text) {
    auto u = static_cast<std::uint32_t>(c);
    if (u < 0x80) {
      out += static_cast<char>(u);
    } else if (u < 0x800) {
      out += static_cast<char>(0xC0 | (u >> 6));
      out += static_cast<char>(0x80 | (u & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | ((u >> 12) & 0x0F));
      out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (u & 0x3F));
    }
  }
  return out;
}

std::wstring WidenFromUtf8(const std::string& text) {
  std::wstring out;
  for (std::size_t i = 0; i < text.size();) {
    auto c = static_cast<unsigned char>(text[i]);
    std::uint32_t u = c;
    std::size_t extra = 0;
    if (c >= 0xE0 && c < 0xF0) {
      u = c & 0x0F;
      extra = 2;
    } else if (c >= 0xC0 && c < 0xE0) {
      u = c & 0x1F;
      extra = 1;
    }
    if (i + extra >= text.size()) {
      u = c;  // truncated sequence: keep the byte as it is
      extra = 0;
    }
    for (std::size_t k = 1; k <= extra; ++k) {
      u = (u << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
    }
    out += static_cast<wchar_t>(u);
    i += 1 + extra;
  }
  return out;
}

}  // namespace vyn
