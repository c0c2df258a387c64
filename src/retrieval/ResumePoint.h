#pragma once

#include <cstdint>
#include <string>

namespace vyn {

// What a body that broke off leaves for the next attempt: the bytes already in
// the temporary file, and what the server must still be serving for the rest
// to belong to them.
struct ResumePoint {
  std::int64_t received = 0;  // bytes of the body in the temporary file
  std::int64_t total = 0;     // the whole body's Content-Length; 0: not announced
  std::string validator;      // the first answer's strong ETag, else its Last-Modified

  // Only a known length and a validator let the rest be asked for.
  bool Usable() const { return received > 0 && received < total && !validator.empty(); }
};

// The validator If-Range may carry: a strong ETag, else Last-Modified; a weak
// ETag says nothing about the bytes. Empty when there is neither.
std::string RangeValidator(const std::string& etag, const std::string& lastModified);

// The request headers that ask for the rest of the body.
std::string RangeHeaders(const ResumePoint& point);

// Whether a 206 answer's Content-Range ("bytes N-L/T") is exactly the rest:
// from the first byte not received to the last one, of the same total.
bool ContinuesAt(const std::string& contentRange, const ResumePoint& point);

}  // namespace vyn
