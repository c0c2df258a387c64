#include "platform/components/DefaultComponents.h"

#include "platform/components/ProductSettingsFile.h"
#include "platform/components/ZipArchiveExtractor.h"

namespace vyn {

std::shared_ptr<ProductSettings> DefaultComponents::CreateProductSettings() {
  return std::make_shared<ProductSettingsFile>();
}

std::shared_ptr<ZipExtractor> DefaultComponents::CreateZipExtractor() {
  return std::make_shared<ZipArchiveExtractor>();
}

std::shared_ptr<UnpackRecovery> DefaultComponents::CreateUnpackRecovery() {
  return std::make_shared<ZipUnpackRecovery>();
}

}  // namespace vyn
