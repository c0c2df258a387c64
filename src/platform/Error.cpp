#include "platform/Error.h"

#include <new>
#include <utility>

#include "platform/Utf8.h"

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
    case errors::kBadFileNameOrNumber:
      return Error(number, L"Bad file name or number");
    case errors::kFileNotFound:
      return Error(number, L"File not found");
    case errors::kFileAlreadyExists:
      return Error(number, L"File already exists");
    case errors::kDiskFull:
      return Error(number, L"Disk full");
    case errors::kBadRecordNumber:
      return Error(number, L"Bad record number");
    case errors::kPermissionDenied:
      return Error(number, L"Permission denied");
    case errors::kPathFileAccess:
      return Error(number, L"Path/File access error");
    case errors::kPathNotFound:
      return Error(number, L"Path not found");
    case errors::kInvalidPropertyValue:
      return Error(number, L"Invalid property value");
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
  return EncodeUtf8(text);
}

std::wstring WidenFromUtf8(const std::string& text) {
  return DecodeUtf8Leniently(text);
}

}  // namespace vyn
