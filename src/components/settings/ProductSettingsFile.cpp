#include "components/settings/ProductSettingsFile.h"

#include <system_error>
#include <utility>

#include "components/files/AtomicFile.h"
#include "components/files/NativeFile.h"
#include "platform/Error.h"
#include "platform/FileInUse.h"
#include "platform/PathText.h"

namespace vyn {

namespace {

// Far beyond any real settings file; keeps a stray huge file from being read whole.
constexpr std::uint64_t kMaxSettingsFileBytes = 1 << 20;
// Beside the settings file: the lock of one save at a time.
constexpr const wchar_t* kSettingsLockSuffix = L".lock";

// The start of a file this component creates.
constexpr const char* kNewFileHeader =
    "# VYN Veltrix settings: one \"key = value\" per line; lines starting with # are comments.\n"
    "# Empty values take the defaults. Times are local, YYYY-MM-DD HH:MM:SS.\n";

std::wstring SystemMessage(const std::exception& failure) {
  return WidenFromUtf8(failure.what());
}

}  // namespace

ProductSettingsFile::ProductSettingsFile(LocalClock clock) : clock_(std::move(clock)) {}

void ProductSettingsFile::AppDataFolder(const std::wstring& folder) {
  if (folder.empty()) {
    throw Error(settings_errors::kNotReady, L"AppDataFolder was given an empty folder name");
  }
  appDataFolder_ = WithTrailingSeparator(folder);
  loaded_ = false;
}

std::wstring ProductSettingsFile::SettingsFileText() const {
  return appDataFolder_ + kSettingsFileName;
}

void ProductSettingsFile::LoadSettings() {
  if (appDataFolder_.empty()) {
    throw Error(settings_errors::kNotReady, L"LoadSettings was called before AppDataFolder");
  }
  const std::wstring fileText = SettingsFileText();
  std::error_code missing;
  if (!std::filesystem::exists(ToFsPath(fileText), missing) && !missing) {
    document_ = SettingsDocument::Parse(kNewFileHeader);
    values_ = InterpretSettings(document_, appDataFolder_);
    loaded_ = true;
    return;
  }
  std::string bytes;
  try {
    bytes = ReadFileBytes(fileText);
  } catch (const FileInUseError& held) {
    throw Error(settings_errors::kUnreadable,
                L"Settings file \"" + fileText + L"\" cannot be read: " +
                    held.Sentence(L"the settings file \"" + fileText + L"\""));
  }
  try {
    SettingsDocument document = SettingsDocument::Parse(bytes);
    values_ = InterpretSettings(document, appDataFolder_);
    document_ = std::move(document);
  } catch (const SettingsSyntaxError& bad) {
    throw Error(settings_errors::kMalformed, L"Settings file \"" + fileText + L"\", line " +
                                                 std::to_wstring(bad.line) + L": " + bad.problem);
  }
  loaded_ = true;
}

const SettingsValues& ProductSettingsFile::Loaded(const wchar_t* operation) const {
  if (!loaded_) {
    throw Error(settings_errors::kNotReady,
                std::wstring(operation) + L" was called before AppDataFolder and LoadSettings");
  }
  return values_;
}

std::wstring ProductSettingsFile::DataFolder() {
  return Loaded(L"DataFolder").dataFolder;
}

std::wstring ProductSettingsFile::TaxDataLocation() {
  return Loaded(L"TaxDataLocation").taxDataLocation;
}

Boolean ProductSettingsFile::TaxDataAvailable() {
  return ToBoolean(Loaded(L"TaxDataAvailable").taxDataAvailable);
}

std::wstring ProductSettingsFile::FilePrefix() {
  return Loaded(L"FilePrefix").filePrefix;
}

std::wstring ProductSettingsFile::SettingsKey() {
  return Loaded(L"SettingsKey").settingsKey;
}

void ProductSettingsFile::TaxDataFolder(const std::wstring& folder) {
  Loaded(L"TaxDataFolder");
  if (folder.empty()) {
    throw Error(settings_errors::kNotReady, L"TaxDataFolder was given an empty folder name");
  }
  for (wchar_t c : folder) {
    if (c < 0x20 || c == 0x7F) {
      throw Error(settings_errors::kNotReady,
                  L"TaxDataFolder was given a folder name with a control character");
    }
  }
  SaveWith(settings_keys::kTaxDataLocation, folder);
}

void ProductSettingsFile::MlsDataUpdated(std::int32_t updated) {
  Loaded(L"MlsDataUpdated");
  if (updated != 0) SaveWith(settings_keys::kMlsDataUpdated, FormatDateTime(clock_()));
}

void ProductSettingsFile::TaxDataUpdated(std::int32_t updated) {
  Loaded(L"TaxDataUpdated");
  if (updated != 0) SaveWith(settings_keys::kTaxDataUpdated, FormatDateTime(clock_()));
}

std::string ProductSettingsFile::ReadFileBytes(const std::wstring& fileText) const {
  std::string bytes;
  try {
    NativeFile file(ToFsPath(fileText), NativeFile::Mode::kRead);
    const std::uint64_t size = file.Size();
    if (size > kMaxSettingsFileBytes) {
      throw Error(settings_errors::kUnreadable,
                  L"Settings file \"" + fileText + L"\" is too large to be a settings file");
    }
    bytes.resize(static_cast<std::size_t>(size));
    if (file.ReadAt(0, bytes.data(), bytes.size()) != bytes.size()) {
      throw Error(settings_errors::kUnreadable,
                  L"Settings file \"" + fileText + L"\" changed while it was read");
    }
  } catch (const Error&) {
    throw;
  } catch (const FileInUseError&) {
    throw;  // the caller names it as it knows the file
  } catch (const std::exception& failure) {
    throw Error(settings_errors::kUnreadable,
                L"Settings file \"" + fileText + L"\" cannot be read: " + SystemMessage(failure));
  }
  return bytes;
}

SettingsDocument ProductSettingsFile::CurrentDocument(const std::wstring& fileText) const {
  std::error_code missing;
  if (!std::filesystem::exists(ToFsPath(fileText), missing)) return document_;
  // A file that no longer parses throws SettingsSyntaxError: rewriting it from the
  // copy read at start would undo what its writer meant.
  return SettingsDocument::Parse(ReadFileBytes(fileText));
}

void ProductSettingsFile::SaveWith(const wchar_t* key, const std::wstring& value) {
  const std::wstring fileText = SettingsFileText();
  std::vector<std::pair<std::wstring, std::wstring>> changes = changes_;
  changes.emplace_back(key, value);
  SettingsDocument changed;
  SettingsValues values;
  try {
    const std::filesystem::path folder = ToFsPath(appDataFolder_);
    std::filesystem::create_directories(folder);
    // Another run of this program saves under the same lock, so neither loses the
    // other's keys; the product's own writes between the read and the replacement
    // are the only ones a save can miss.
    const FileLock lock(ToFsPath(fileText + kSettingsLockSuffix));
    changed = CurrentDocument(fileText);
    for (const auto& [name, text] : changes) changed.Set(name, text);
    values = InterpretSettings(changed, appDataFolder_);
    ReplaceFileContents(ToFsPath(fileText), changed.Serialize());
  } catch (const ReadOnlyFileError&) {
    // The product's file, made read-only on purpose: reported, not overridden.
    throw Error(settings_errors::kUnwritable,
                L"The data were refreshed, but the refresh could not be recorded because the "
                L"settings file \"" +
                    fileText + L"\" is read-only.");
  } catch (const FileInUseError& held) {
    throw Error(settings_errors::kUnwritable,
                L"The data were refreshed, but the refresh could not be recorded: " +
                    held.Sentence(L"the settings file \"" + fileText + L"\""));
  } catch (const Error&) {
    throw;
  } catch (const SettingsSyntaxError& bad) {
    throw Error(settings_errors::kUnwritable,
                L"The data were refreshed, but the refresh could not be recorded: the settings "
                L"file \"" +
                    fileText + L"\" was changed meanwhile and its line " +
                    std::to_wstring(bad.line) + L" is not valid (" + bad.problem + L").");
  } catch (const std::exception& failure) {
    throw Error(
        settings_errors::kUnwritable,
        L"Settings file \"" + fileText + L"\" cannot be written: " + SystemMessage(failure));
  }
  values_ = std::move(values);
  document_ = std::move(changed);
  changes_ = std::move(changes);
}

}  // namespace vyn
