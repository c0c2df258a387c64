#include "AppFixture.h"

namespace vyn::test {
namespace {

using ::testing::ElementsAre;

constexpr const wchar_t* kCouldNotLocate =
    L"Could not locate VYN Veltrix Data folder - please call tech support";

TEST_F(AppTest, LoadFillsTheWindowFromRegistryAndSettings) {
  LoadAndShow();

  EXPECT_EQ(Window().Caption(), L"VYN Veltrix - 17");
  EXPECT_FALSE(Window().Fake(L"txtDatapath").Enabled());
  EXPECT_EQ(Window().Fake(L"txtDatapath").Text(), kDataFolder);
  EXPECT_TRUE(Window().Fake(L"chkTax").Visible());
  EXPECT_EQ(Window().Fake(L"chkMls").Value(), 0);
  EXPECT_EQ(Window().Fake(L"chkTax").Value(), 0);
  EXPECT_FALSE(Window().Fake(L"cmdDownload").Enabled());
  EXPECT_TRUE(boxes.Shown().empty());
  EXPECT_THAT(SettingsCalls(), ElementsAre(L"AppDataFolder(C:\\ProgramData\\Veltrix\\)",
                                           L"LoadSettings", L"TaxDataAvailable", L"DataFolder"));
  EXPECT_EQ(registry.OpenHandles(), 0);
}

TEST_F(AppTest, CityIdStoredAsNumberOrMissingStillMakesTheCaption) {
  registry.SetValue(kKey, L"Current City Id", kRegDword, std::string("\x2A\0\0\0", 4));
  LoadAndShow();
  EXPECT_EQ(Window().Caption(), L"VYN Veltrix - 42");
}

TEST_F(AppTest, MissingProductKeyGivesBareCaptionAndProbes) {
  fakes::FakeRegistry empty;
  Platform bare{ansi, empty, disk, disk, disk, environment, boxes, pump, forms, inet, components};
  frmDataLoader window(bare);
  disk.AddFile(L"C:\\Tools\\Loader\\VYN Veltrix.exe", "MZ");

  window.Load();

  EXPECT_EQ(Window().Caption(), L"VYN Veltrix - ");
  EXPECT_EQ(components.log.calls.front(), L"AppDataFolder(C:\\Tools\\Loader\\)");
  EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(AppTest, InstallPathIsUsedAsGivenWithoutProbing) {
  registry.SetString(kKey, L"AppData", L"");
  registry.SetString(kKey, L"Install Path", L"D:\\Nowhere");  // no such folder
  disk.AddFile(L"C:\\Tools\\Loader\\VYN Veltrix.exe", "MZ");

  LoadAndShow();

  EXPECT_TRUE(boxes.Shown().empty());
  EXPECT_FALSE(Window().Fake(L"txtDatapath").Enabled());
  EXPECT_EQ(components.log.calls.front(), L"AppDataFolder(D:\\Nowhere)");
}

TEST_F(AppTest, AppDataIsPassedUnchangedWhateverTheInstallFolder) {
  registry.SetString(kKey, L"AppData", L"E:\\Shared Data");
  registry.SetString(kKey, L"Install Path", L"");

  LoadAndShow();

  EXPECT_EQ(components.log.calls.front(), L"AppDataFolder(E:\\Shared Data)");
}

TEST_F(AppTest, ProbeFindsTheProductBesideTheProgram) {
  registry.SetString(kKey, L"AppData", L"");
  registry.SetString(kKey, L"Install Path", L"");
  environment.executableFolder = L"C:\\Veltrix Suite";
  disk.AddFile(L"C:\\Veltrix Suite\\VYN Veltrix.exe", "MZ");
  disk.AddFile(L"C:\\Program Files\\Vyn Veltrix\\VYN Veltrix.exe", "MZ");

  LoadAndShow();

  EXPECT_TRUE(boxes.Shown().empty());
  EXPECT_FALSE(Window().Fake(L"txtDatapath").Enabled());
  EXPECT_EQ(components.log.calls.front(), L"AppDataFolder(C:\\Veltrix Suite\\)");
}

TEST_F(AppTest, ProbeTriesProgramFilesBeforeProgramFilesX86) {
  registry.SetString(kKey, L"AppData", L"");
  registry.SetString(kKey, L"Install Path", L"");
  disk.AddFile(L"C:\\Program Files\\Vyn Veltrix\\VYN Veltrix.exe", "MZ");
  disk.AddFile(L"C:\\Program Files (x86)\\Vyn Veltrix\\VYN Veltrix.exe", "MZ");

  LoadAndShow();
  EXPECT_EQ(components.log.calls.front(), L"AppDataFolder(C:\\Program Files\\Vyn Veltrix\\)");
}

TEST_F(AppTest, ProbeFallsBackToProgramFilesX86) {
  registry.SetString(kKey, L"AppData", L"");
  registry.SetString(kKey, L"Install Path", L"");
  disk.AddFile(L"C:\\Program Files (x86)\\Vyn Veltrix\\VYN Veltrix.exe", "MZ");

  LoadAndShow();

  EXPECT_TRUE(boxes.Shown().empty());
  EXPECT_EQ(components.log.calls.front(), L"AppDataFolder(C:\\Program Files (x86)\\Vyn Veltrix\\)");
}

TEST_F(AppTest, NoProductAnywhereAsksForTheDataFolderBeforeTheWindowShows) {
  registry.SetString(kKey, L"AppData", L"");
  registry.SetString(kKey, L"Install Path", L"");
  bool windowVisibleDuringBox = true;
  boxes.onShow = [&](const fakes::ShownMessage&) { windowVisibleDuringBox = Window().Visible(); };

  LoadAndShow();

  ASSERT_EQ(boxes.Shown().size(), 1u);
  EXPECT_EQ(boxes.Shown()[0].text, kCouldNotLocate);
  EXPECT_EQ(boxes.Shown()[0].title, L"VYNDataLoader");
  EXPECT_EQ(boxes.Shown()[0].buttons, MessageButtons::kOk);
  EXPECT_FALSE(windowVisibleDuringBox);
  EXPECT_TRUE(Window().Fake(L"txtDatapath").Enabled());
  EXPECT_EQ(components.log.calls.front(), L"AppDataFolder(C:\\Program Files (x86)\\Vyn Veltrix\\)");
  EXPECT_FALSE(Window().Fake(L"cmdDownload").Enabled());
}

TEST_F(AppTest, TaxBoxIsHiddenWhenTaxDataIsNotOffered) {
  components.settings->taxDataAvailable = kFalse;
  LoadAndShow();
  EXPECT_FALSE(Window().Fake(L"chkTax").Visible());
  EXPECT_EQ(Window().Fake(L"chkTax").Value(), 0);
  EXPECT_FALSE(Window().Fake(L"cmdDownload").Enabled());
}

TEST_F(AppTest, SettingsComponentFailureEndsTheLoad) {
  components.log.failOn = L"LoadSettings";
  try {
    loader.Load();
    FAIL() << "the failure should end the program";
  } catch (const Error& error) {
    EXPECT_EQ(error.Number(), static_cast<std::int32_t>(0x80004005u));
  }
}

TEST_F(AppTest, CloseUnloadsTheWindow) {
  LoadAndShow();
  Window().Click(L"cmdClose");
  EXPECT_FALSE(loader.Loaded());
  EXPECT_FALSE(WindowLoaded());
  EXPECT_TRUE(inet.Calls().empty());
}

TEST_F(AppTest, LayoutFollowsTheDesignTable) {
  LoadAndShow();
  const FormDesign& design = Window().Design();
  EXPECT_EQ(design.clientWidth, 5796);
  EXPECT_EQ(design.clientHeight, 3468);
  EXPECT_EQ(design.defaultButton, L"cmdDownload");
  EXPECT_EQ(design.cancelButton, L"cmdClose");
  const ControlDesign& tax = Window().Fake(L"chkTax").Design();
  EXPECT_EQ(tax.text, L"Tax Data (Public records)");
  EXPECT_EQ(std::vector<int>({tax.left, tax.top, tax.width, tax.height, tax.tabIndex}),
            std::vector<int>({2280, 2160, 2412, 252, 5}));
  EXPECT_EQ(Window().Fake(L"Label1").Design().font.face, L"MS Sans Serif");
  // Tab indexes are 0..7, each once.
  std::vector<int> tabs;
  for (const auto& c : design.controls) tabs.push_back(c.tabIndex);
  std::sort(tabs.begin(), tabs.end());
  EXPECT_EQ(tabs, std::vector<int>({0, 1, 2, 3, 4, 5, 6, 7}));
}

}  // namespace
}  // namespace vyn::test
