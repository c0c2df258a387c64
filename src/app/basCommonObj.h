#pragma once

#include <memory>

#include "platform/ProductSettings.h"

namespace vyn::basCommonObj {

// The program's one settings component: created by the main window's load step,
// released when the program ends.
extern std::shared_ptr<ProductSettings> objProductSettings;

}  // namespace vyn::basCommonObj
