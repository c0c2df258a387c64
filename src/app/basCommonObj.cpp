#include "app/basCommonObj.h"

namespace vyn::basCommonObj {

std::shared_ptr<ProductSettings> objProductSettings;

}  // namespace vyn::basCommonObj
