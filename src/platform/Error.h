#pragma once

#include <cstdint>
#include <exception>
#include <string>

namespace vyn {

// A failure with a number and a description. Every handler in the program reports
// failures in this form, so everything that can fail throws it (or something that
// CurrentError() maps to it).
class Error : public std::exception {
 public:
  Error(std::int32_t number, std::wstring description);

  std::int32_t Number() const noexcept { return number_; }
  const std::wstring& Description() const noexcept { return description_; }
  const char* what() const noexcept override { return what_.c_str(); }

 private:
  std::int32_t number_;
  std::wstring description_;
  std::string what_;
};

// Numbers of the common run-time failures, with their usual descriptions. The
// system's own codes, which the registry functions return, are in RegistryApi.h.
namespace errors {
constexpr std::int32_t kInvalidProcedureCall = 5;  // "Invalid procedure call or argument"
constexpr std::int32_t kOverflow = 6;              // "Overflow"
constexpr std::int32_t kOutOfMemory = 7;           // "Out of memory"
constexpr std::int32_t kSubscriptOutOfRange = 9;   // "Subscript out of range"
constexpr std::int32_t kTypeMismatch = 13;         // "Type mismatch"
constexpr std::int32_t kBadFileNameOrNumber = 52;  // "Bad file name or number"
constexpr std::int32_t kFileNotFound = 53;         // "File not found"
constexpr std::int32_t kFileAlreadyExists = 58;    // "File already exists"
constexpr std::int32_t kDiskFull = 61;             // "Disk full"
constexpr std::int32_t kBadRecordNumber = 63;      // "Bad record number"
constexpr std::int32_t kPermissionDenied = 70;     // "Permission denied"
constexpr std::int32_t kPathFileAccess = 75;       // "Path/File access error"
constexpr std::int32_t kPathNotFound = 76;         // "Path not found"

// A control's property set to a value it does not take.
constexpr std::int32_t kInvalidPropertyValue = 380;  // "Invalid property value"
}  // namespace errors

// Error with the usual description of one of the numbers above.
Error MakeError(std::int32_t number);

// Maps the exception being handled (inside a catch block) to an Error:
// Error itself, std::bad_alloc as "Out of memory", anything else as error 5 with
// its what() text.
Error CurrentError();

// Text of the report shown when a failure ends the program.
std::wstring RuntimeErrorReport(const Error& error);

// Narrow <-> wide for diagnostics only (UTF-8, see Utf8.h): a library's message that
// is not valid UTF-8 is widened byte by byte. Platform calls use AnsiCodec.
std::string NarrowForDiagnostics(const std::wstring& text);
std::wstring WidenFromUtf8(const std::string& text);

}  // namespace vyn
