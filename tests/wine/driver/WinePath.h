#pragma once

#include <string>

namespace vyn::driver {

// A Linux path (UTF-8) as Wine's programs see it: on drive Z:, with backslashes.
std::wstring OnDriveZ(const std::string& unixPath);

}  // namespace vyn::driver
