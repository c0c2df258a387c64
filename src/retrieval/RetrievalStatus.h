#pragma once

#include <cstdint>

namespace vyn {

// The one result of a retrieval. Callers treat 0 as success, anything else as failure.
using RetrievalStatus = std::int32_t;
constexpr RetrievalStatus kRetrievalCompleted = 0;
constexpr RetrievalStatus kRetrievalRunning = -1;
constexpr RetrievalStatus kRetrievalCancelled = 1;  // also: ended by an unexpected failure
constexpr RetrievalStatus kRetrievalNotRetrieved = 3;

}  // namespace vyn
