#pragma once

#include "platform/Components.h"

namespace vyn {

// The program's own components: the settings file and the zip extractor.
class DefaultComponents : public ComponentFactory {
 public:
  std::shared_ptr<ProductSettings> CreateProductSettings() override;
  std::shared_ptr<ZipExtractor> CreateZipExtractor() override;
};

}  // namespace vyn
