#include "app/frmDataLoader.h"

namespace vyn {

// Unpacks the fetched archive into the data folder, then deletes it. A failure
// propagates: the archive stays and the data set is not recorded as refreshed.
void frmDataLoader::ExtractArchive() {
  const std::wstring quote = L"\"";
  Zip->SourceArchive(ArchivePath);
  Zip->TargetFolder(quote + DataPath + quote);
  Zip->FileMask(quote + L"*.*" + quote);
  // The unpack of a large archive takes longer than Windows lets a window go
  // unanswered; the window's thread answers meanwhile.
  platform_.waits.Run([this] { Zip->Execute(kZipActionExtract); });
  platform_.files.Kill(ArchivePath);
}

}  // namespace vyn
