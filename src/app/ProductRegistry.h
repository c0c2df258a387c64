#pragma once

#include "platform/ProductKey.h"

namespace vyn {

// The values under kProductKey this program reads at start-up.
inline constexpr const wchar_t* kCityIdValue = L"Current City Id";
inline constexpr const wchar_t* kAppDataValue = L"AppData";
inline constexpr const wchar_t* kInstallPathValue = L"Install Path";
// Optional: a test or staging server ("host" or "host:port") in place of the maker's.
inline constexpr const wchar_t* kDownloadHostValue = L"Download Host";

// Written after a tax download, under the product's settings key.
inline constexpr const wchar_t* kFileLocationsSubkey = L"\\File Locations";
inline constexpr const wchar_t* kTaxPathLocalValue = L"Tax Path Local";

inline constexpr const wchar_t* kMakerDownloadHost = L"downloads.tevrinlabs.com";

}  // namespace vyn
