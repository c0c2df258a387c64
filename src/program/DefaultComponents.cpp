#include "program/DefaultComponents.h"

#include "components/settings/ProductSettingsFile.h"
#include "components/unpack/RefreshRecordFile.h"
#include "components/unpack/ZipArchiveExtractor.h"

namespace vyn {

std::shared_ptr<ProductSettings> DefaultComponents::CreateProductSettings() {
  return std::make_shared<ProductSettingsFile>();
}

std::shared_ptr<ZipExtractor> DefaultComponents::CreateZipExtractor(UnpackObserver* observer) {
  return std::make_shared<ZipArchiveExtractor>(observer);
}

std::shared_ptr<UnpackRecovery> DefaultComponents::CreateUnpackRecovery() {
  return std::make_shared<ZipUnpackRecovery>();
}

std::shared_ptr<ArchiveListing> DefaultComponents::CreateArchiveListing() {
  return std::make_shared<ZipArchiveListing>();
}

std::shared_ptr<RefreshRecords> DefaultComponents::CreateRefreshRecords() {
  return std::make_shared<RefreshRecordFile>();
}

}  // namespace vyn
