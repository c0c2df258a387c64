#pragma once

#include <memory>

#include "platform/ArchiveListing.h"
#include "platform/ProductSettings.h"
#include "platform/RefreshRecords.h"
#include "platform/UnpackObserver.h"
#include "platform/UnpackRecovery.h"
#include "platform/ZipExtractor.h"

namespace vyn {

// Creates the two components, the recovery of unpackings that were ended midway
// and the listing of an archive's members; failures to create are thrown as Error.
class ComponentFactory {
 public:
  virtual ~ComponentFactory() = default;
  virtual std::shared_ptr<ProductSettings> CreateProductSettings() = 0;
  // `observer` (may be null) hears of every unpacking of the extractor; it must
  // outlive the extractor.
  virtual std::shared_ptr<ZipExtractor> CreateZipExtractor(UnpackObserver* observer) = 0;
  virtual std::shared_ptr<UnpackRecovery> CreateUnpackRecovery() = 0;
  virtual std::shared_ptr<ArchiveListing> CreateArchiveListing() = 0;
  virtual std::shared_ptr<RefreshRecords> CreateRefreshRecords() = 0;
};

}  // namespace vyn
