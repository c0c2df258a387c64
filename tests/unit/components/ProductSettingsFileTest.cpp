#include "components/settings/ProductSettingsFile.h"

#include <gtest/gtest.h>

#include "TempFolder.h"
#include "components/files/AtomicFile.h"
#include "platform/Error.h"

namespace vyn::test {
namespace {

namespace fs = std::filesystem;

class ProductSettingsFileTest : public ::testing::Test {
 protected:
  fs::path SettingsPath() const { return appData_.Path() / fs::u8path("Veltrix Settings.txt"); }

  // Loads from the app-data folder given without its trailing separator.
  ProductSettingsFile& Loaded() {
    settings_.AppDataFolder(AppDataWithoutSeparator());
    settings_.LoadSettings();
    return settings_;
  }

  std::wstring AppDataWithoutSeparator() const {
    std::wstring folder = appData_.Text();
    folder.pop_back();
    return folder;
  }

  Error LoadError(const std::string& text) {
    WriteBytes(SettingsPath(), text);
    try {
      Loaded();
    } catch (const Error& error) {
      return error;
    }
    ADD_FAILURE() << "the file loaded";
    return Error(0, L"");
  }

  LocalDateTime now_{2026, 3, 14, 9, 26, 53};
  TempFolder appData_{"App Data"};
  ProductSettingsFile settings_{[this] { return now_; }};
};

TEST_F(ProductSettingsFileTest, MissingFileGivesDefaults) {
  ProductSettingsFile& settings = Loaded();

  EXPECT_EQ(settings.DataFolder(), AppDataWithoutSeparator() + L"\\Data\\");
  EXPECT_EQ(settings.FilePrefix(), L"VYN");
  EXPECT_EQ(settings.FilePrefix(), settings.FilePrefix());
  EXPECT_EQ(settings.TaxDataAvailable(), kFalse);
  EXPECT_EQ(settings.SettingsKey(), L"Software\\Tevrin Labs\\Veltrix");
  EXPECT_EQ(settings.TaxDataLocation(), L"");
  EXPECT_FALSE(fs::exists(SettingsPath()));
}

TEST_F(ProductSettingsFileTest, WrittenFileIsReadBack) {
  WriteBytes(SettingsPath(),
             "\xEF\xBB\xBF# product settings\r\n"
             "DataFolder = D:\\Veltrix Data\r\n"
             "fileprefix=CHI\r\n"
             "TaxDataAvailable = Yes\r\n"
             "SettingsKey = \\Software\\Tevrin Labs\\Veltrix Chicago\\\r\n"
             "TaxDataLocation = D:\\Tax\\\r\n");

  ProductSettingsFile& settings = Loaded();

  EXPECT_EQ(settings.DataFolder(), L"D:\\Veltrix Data\\");
  EXPECT_EQ(settings.FilePrefix(), L"CHI");
  EXPECT_EQ(settings.TaxDataAvailable(), kTrue);
  EXPECT_EQ(settings.SettingsKey(), L"Software\\Tevrin Labs\\Veltrix Chicago");
  EXPECT_EQ(settings.TaxDataLocation(), L"D:\\Tax\\");
}

TEST_F(ProductSettingsFileTest, MalformedLineErrorNamesFileAndLine) {
  const Error error = LoadError("# settings\nFilePrefix = VYN\nthis line has no equals sign\n");

  EXPECT_EQ(error.Number(), settings_errors::kMalformed);
  EXPECT_NE(error.Description().find(L"Veltrix Settings.txt"), std::wstring::npos);
  EXPECT_NE(error.Description().find(L"line 3"), std::wstring::npos);
  EXPECT_NE(error.Description().find(L"key = value"), std::wstring::npos);
}

TEST_F(ProductSettingsFileTest, BadValuesAreRejectedWithTheirLine) {
  EXPECT_NE(LoadError("TaxDataAvailable = perhaps\n").Description().find(L"line 1"),
            std::wstring::npos);
  EXPECT_NE(LoadError("\nFilePrefix = ../evil\n").Description().find(L"line 2"),
            std::wstring::npos);
  EXPECT_NE(LoadError("MlsDataUpdated = 2026-02-30 10:00:00\n").Description().find(L"line 1"),
            std::wstring::npos);
  EXPECT_NE(LoadError("a = 1\nA = 2\n").Description().find(L"already given on line 1"),
            std::wstring::npos);
  EXPECT_NE(LoadError("FilePrefix = \xC3\n").Description().find(L"UTF-8"), std::wstring::npos);
}

// Each save changes only the keys this run sets, in the file as it is then: the
// lines the product wrote meanwhile stay byte for byte.
TEST_F(ProductSettingsFileTest, RefreshesRecordTheInjectedClockAndKeepTheRest) {
  WriteBytes(SettingsPath(),
             "# kept comment\n"
             "FilePrefix = CHI\n"
             "VendorExtra = kept as written\n");
  ProductSettingsFile& settings = Loaded();

  settings.MlsDataUpdated(1);
  // The product rewrites its file: a value changed, a key added, its own spacing.
  WriteBytes(SettingsPath(), ReadBytes(SettingsPath()) + "ProductKey=added\n");
  now_ = {2026, 3, 14, 10, 0, 5};
  settings.TaxDataUpdated(1);
  settings.TaxDataFolder(L"D:\\Veltrix Data\\");

  EXPECT_EQ(settings.TaxDataLocation(), L"D:\\Veltrix Data\\");
  EXPECT_EQ(ReadBytes(SettingsPath()),
            "# kept comment\n"
            "FilePrefix = CHI\n"
            "VendorExtra = kept as written\n"
            "MlsDataUpdated = 2026-03-14 09:26:53\r\n"
            "ProductKey=added\n"
            "TaxDataUpdated = 2026-03-14 10:00:05\r\n"
            "TaxDataLocation = D:\\Veltrix Data\\\r\n");
  ProductSettingsFile reread([this] { return now_; });
  reread.AppDataFolder(appData_.Text());
  reread.LoadSettings();
  EXPECT_EQ(reread.TaxDataLocation(), L"D:\\Veltrix Data\\");
  EXPECT_EQ(reread.FilePrefix(), L"CHI");
}

TEST_F(ProductSettingsFileTest, ZeroRecordsNoRefresh) {
  ProductSettingsFile& settings = Loaded();

  settings.MlsDataUpdated(0);

  EXPECT_FALSE(fs::exists(SettingsPath()));
}

TEST_F(ProductSettingsFileTest, FailedWriteLeavesTheOldFileAndReportsIt) {
  const std::string original = "FilePrefix = CHI\n";
  WriteBytes(SettingsPath(), original);
  ProductSettingsFile& settings = Loaded();
  // The save's lock cannot be made (a folder has its name): nothing is written.
  fs::path lock = SettingsPath();
  lock += ".lock";
  fs::create_directory(lock);

  try {
    settings.TaxDataFolder(L"D:\\Tax\\");
    ADD_FAILURE() << "the write was reported as done";
  } catch (const Error& error) {
    EXPECT_EQ(error.Number(), settings_errors::kUnwritable);
    EXPECT_NE(error.Description().find(L"Veltrix Settings.txt"), std::wstring::npos);
  }

  EXPECT_EQ(ReadBytes(SettingsPath()), original);
  EXPECT_EQ(settings.TaxDataLocation(), L"");
}

// The product's own file, made read-only on purpose: reported, not overridden.
TEST_F(ProductSettingsFileTest, ReadOnlyFileIsReportedAndKept) {
  const std::string original = "FilePrefix = CHI\n";
  WriteBytes(SettingsPath(), original);
  fs::permissions(SettingsPath(),
                  fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  ProductSettingsFile& settings = Loaded();

  try {
    settings.MlsDataUpdated(1);
    ADD_FAILURE() << "the write was reported as done";
  } catch (const Error& error) {
    EXPECT_EQ(error.Number(), settings_errors::kUnwritable);
    EXPECT_EQ(error.Description(),
              L"The data were refreshed, but the refresh could not be recorded because the "
              L"settings file \"" +
                  AppDataWithoutSeparator() + L"\\Veltrix Settings.txt\" is read-only.");
  }

  fs::permissions(SettingsPath(), fs::perms::owner_write, fs::perm_options::add);
  EXPECT_EQ(Snapshot(appData_.Path()),
            (std::map<std::string, std::string>{{"Veltrix Settings.txt", original}}));
}

TEST_F(ProductSettingsFileTest, CallsBeforeLoadingAreErrors) {
  EXPECT_THROW(settings_.DataFolder(), Error);
  EXPECT_THROW(settings_.LoadSettings(), Error);
  EXPECT_THROW(settings_.MlsDataUpdated(1), Error);
  settings_.AppDataFolder(appData_.Text());
  try {
    settings_.FilePrefix();
    ADD_FAILURE() << "FilePrefix answered before LoadSettings";
  } catch (const Error& error) {
    EXPECT_EQ(error.Number(), settings_errors::kNotReady);
  }
}

TEST_F(ProductSettingsFileTest, TaxFolderWithALineBreakIsRefused) {
  ProductSettingsFile& settings = Loaded();

  EXPECT_THROW(settings.TaxDataFolder(L"D:\\Tax\nFilePrefix = evil"), Error);

  EXPECT_FALSE(fs::exists(SettingsPath()));
}

TEST(AtomicFileTest, ReplacementOverAFolderFailsAndLeavesNoPendingFile) {
  TempFolder folder;
  const fs::path destination = folder.Path() / "taken";
  fs::create_directory(destination);
  WriteBytes(destination / "inside.txt", "x");

  EXPECT_ANY_THROW(ReplaceFileContents(destination, "new"));

  EXPECT_EQ(Snapshot(folder.Path()),
            (std::map<std::string, std::string>{{"taken", "<folder>"}, {"taken/inside.txt", "x"}}));
}

TEST(AtomicFileTest, ReplacementSwapsTheWholeFile) {
  TempFolder folder;
  const fs::path file = folder.Path() / "settings.txt";
  WriteBytes(file, "a much longer old text than the new one");

  ReplaceFileContents(file, "new");

  EXPECT_EQ(Snapshot(folder.Path()), (std::map<std::string, std::string>{{"settings.txt", "new"}}));
}

}  // namespace
}  // namespace vyn::test
