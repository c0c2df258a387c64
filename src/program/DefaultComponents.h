#pragma once

#include "platform/Components.h"

namespace vyn {

// The program's own components: the settings file and the zip extractor (with the
// recovery of its interrupted runs and the listing of an archive).
class DefaultComponents : public ComponentFactory {
 public:
  std::shared_ptr<ProductSettings> CreateProductSettings() override;
  std::shared_ptr<ZipExtractor> CreateZipExtractor(UnpackObserver* observer) override;
  std::shared_ptr<UnpackRecovery> CreateUnpackRecovery() override;
  std::shared_ptr<ArchiveListing> CreateArchiveListing() override;
  std::shared_ptr<RefreshRecords> CreateRefreshRecords() override;
};

}  // namespace vyn
