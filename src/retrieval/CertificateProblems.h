#pragma once

#include <cstdint>

namespace vyn {

// What a WinInet error says about the server's certificate or the secure
// connection, as the user is told it; null for any other error.
const wchar_t* CertificateProblem(std::uint32_t windowsError);

}  // namespace vyn
