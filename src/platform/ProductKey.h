#pragma once

namespace vyn {

// The product's key under HKEY_LOCAL_MACHINE: the program reads its start-up values
// there, and the settings file names it as the default settings key.
inline constexpr const wchar_t* kProductKey = L"Software\\Tevrin Labs\\Veltrix";

}  // namespace vyn
