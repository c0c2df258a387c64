#include <algorithm>
#include <map>

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
                                           L"LoadSettings", L"TaxDataAvailable", L"DataFolder",
                                           L"FinishInterruptedUnpacking(C:\\Veltrix\\Data\\)"));
  EXPECT_EQ(registry.OpenHandles(), 0);
}

TEST_F(AppTest, CityIdStoredAsNumberOrMissingStillMakesTheCaption) {
  registry.SetValue(kKey, L"Current City Id", kRegDword, std::string("\x2A\0\0\0", 4));
  LoadAndShow();
  EXPECT_EQ(Window().Caption(), L"VYN Veltrix - 42");
}

// Where the product is looked for: the registry's folders as given, else beside
// this program, else under Program Files, then Program Files (x86).
struct ProbeRow {
  const char* name;
  bool productKey;
  const wchar_t* appData;
  const wchar_t* installPath;
  const wchar_t* executableFolder;
  std::vector<const wchar_t*> products;
  const wchar_t* found;
  const wchar_t* caption;
  bool asksForTheDataFolder = false;  // the product's own folder was not found
};

void PrintTo(const ProbeRow& row, std::ostream* out) {
  *out << row.name;
}

constexpr const wchar_t* kBeside = L"C:\\Tools\\Loader\\VYN Veltrix.exe";
constexpr const wchar_t* kSuite = L"C:\\Veltrix Suite\\VYN Veltrix.exe";
constexpr const wchar_t* kProgramFiles = L"C:\\Program Files\\Vyn Veltrix\\VYN Veltrix.exe";
constexpr const wchar_t* kProgramFilesX86 =
    L"C:\\Program Files (x86)\\Vyn Veltrix\\VYN Veltrix.exe";

class ProbeTest : public AppTest, public ::testing::WithParamInterface<ProbeRow> {};

TEST_P(ProbeTest, PassesTheProductFolderToTheSettings) {
  const ProbeRow& row = GetParam();
  if (!row.productKey) registry = fakes::FakeRegistry();
  if (row.productKey) registry.SetString(kKey, L"AppData", row.appData);
  if (row.productKey) registry.SetString(kKey, L"Install Path", row.installPath);
  if (row.executableFolder) environment.executableFolder = row.executableFolder;
  for (const wchar_t* product : row.products) disk.AddFile(product, "MZ");

  LoadAndShow();

  EXPECT_EQ(components.log.calls.front(), std::wstring(L"AppDataFolder(") + row.found + L")");
  EXPECT_EQ(Window().Caption(), row.caption);
  EXPECT_EQ(Window().Fake(L"txtDatapath").Enabled(), row.asksForTheDataFolder);
  EXPECT_EQ(boxes.Shown().size(), row.asksForTheDataFolder ? 1u : 0u);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(LoadStep, ProbeTest, ::testing::Values(
    ProbeRow{"NoProductKey", false, nullptr, nullptr, nullptr, {kBeside},
             L"C:\\Tools\\Loader\\", L"VYN Veltrix - "},
    // A folder from the registry is used as it is, even one that is not there.
    ProbeRow{"InstallPathAsGiven", true, L"", L"D:\\Nowhere", nullptr, {kBeside},
             L"D:\\Nowhere", L"VYN Veltrix - 17"},
    ProbeRow{"AppDataAsGiven", true, L"E:\\Shared Data", L"", nullptr, {},
             L"E:\\Shared Data", L"VYN Veltrix - 17", true},
    ProbeRow{"BesideTheProgram", true, L"", L"", L"C:\\Veltrix Suite", {kSuite, kProgramFiles},
             L"C:\\Veltrix Suite\\", L"VYN Veltrix - 17"},
    ProbeRow{"ProgramFilesFirst", true, L"", L"", nullptr, {kProgramFiles, kProgramFilesX86},
             L"C:\\Program Files\\Vyn Veltrix\\", L"VYN Veltrix - 17"},
    ProbeRow{"ProgramFilesX86", true, L"", L"", nullptr, {kProgramFilesX86},
             L"C:\\Program Files (x86)\\Vyn Veltrix\\", L"VYN Veltrix - 17"}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

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

TEST_F(AppTest, SettingsFailureEndsTheLoad) {
  components.log.failOn = L"LoadSettings";
  try {
    frmDataLoader(platform).Load();
    ADD_FAILURE() << "a failure of LoadSettings should end the program";
  } catch (const Error& error) {
    EXPECT_EQ(error.Number(), static_cast<std::int32_t>(0x80004005u));
  }
}

// The recovery at start runs only under the data folder's lock, and one that
// cannot finish is logged: the window opens all the same.
TEST_F(AppTest, RecoveryAtStartRunsUnderTheLockAndNeverKeepsTheWindowShut) {
  struct Row {
    const char* name;
    bool heldByAnother, recoveryFails, recovers;
    const wchar_t* logged;
  };
  const Row rows[] = {
      {"free", false, false, true, nullptr},
      {"held", true, false, false, L"Recovery at start skipped: another refresh (scheduled"},
      {"failing", false, true, true, L"Recovery at start not finished"},
  };
  const std::wstring folder = L"C:\\Veltrix\\Data\\";
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    components.log.calls.clear();
    log.events.clear();
    locks.heldByOthers.clear();
    if (row.heldByAnother)
      locks.heldByOthers[folder] = {L"jsmith", L"FRONTDESK-2", L"7", L"07:00", true};
    components.log.failOn = row.recoveryFails ? L"FinishInterruptedUnpacking" : L"";

    frmDataLoader window(platform);
    window.Load();

    EXPECT_TRUE(window.Loaded());
    const auto& calls = components.log.calls;
    EXPECT_EQ(
        std::count(calls.begin(), calls.end(), L"FinishInterruptedUnpacking(" + folder + L")"),
        row.recovers ? 1 : 0);
    if (row.logged) {
      EXPECT_NE(log.Find(row.logged), L"");
    }
    EXPECT_FALSE(locks.IsHeld(folder)) << "the lock goes with the recovery";
  }
}

TEST_F(AppTest, CloseUnloadsTheWindow) {
  LoadAndShow();
  Window().Click(L"cmdClose");
  EXPECT_FALSE(loader.Loaded());
  EXPECT_FALSE(WindowLoaded());
  EXPECT_TRUE(inet.Calls().empty());
}

// What the layout must achieve, not its numbers: every control inside the window
// and clear of the others, rows that line up, and room that grows with the text
// (the real fonts' widths are checked under Wine by the layout-fit test).
TEST_F(AppTest, LayoutKeepsControlsInsideApartAndSizedForTheirText) {
  LoadAndShow();
  const FormDesign& design = Window().Design();
  EXPECT_GT(design.clientWidth, design.clientHeight);
  EXPECT_EQ(design.defaultButton, L"cmdDownload");
  EXPECT_EQ(design.cancelButton, L"cmdClose");
  EXPECT_EQ(Window().Fake(L"chkTax").Design().text, L"Tax Data (Public records)");
  EXPECT_EQ(Window().Fake(L"Label1").Design().font.face, L"MS Sans Serif");
  std::map<std::wstring, ControlDesign> byName;
  for (const ControlDesign& c : design.controls) byName[c.name] = c;
  for (const ControlDesign& c : design.controls) {
    const std::string name = NarrowForDiagnostics(c.name);
    EXPECT_GT(c.left, 0) << name;
    EXPECT_GT(c.top, 0) << name;
    EXPECT_LT(c.left + c.width, design.clientWidth) << name;
    EXPECT_LT(c.top + c.height, design.clientHeight) << name;
    for (const ControlDesign& other : design.controls) {
      if (&other == &c) continue;
      // Less than a pixel (15 twips at 96 DPI) is no overlap: "Data path:" sits on
      // its box as designed.
      constexpr int kPixel = 15;
      const bool apart = c.left + c.width <= other.left || other.left + other.width <= c.left ||
                         c.top + c.height - kPixel < other.top ||
                         other.top + other.height - kPixel < c.top;
      EXPECT_TRUE(apart) << name << " overlaps " << NarrowForDiagnostics(other.name);
    }
  }
  // The check boxes and the buttons each share a row; the left column shares a margin.
  EXPECT_EQ(byName[L"chkMls"].top, byName[L"chkTax"].top);
  EXPECT_EQ(byName[L"cmdDownload"].top, byName[L"cmdClose"].top);
  for (const wchar_t* name : {L"Label2", L"txtDatapath", L"Label3", L"chkMls", L"cmdDownload"}) {
    EXPECT_EQ(byName[name].left, byName[L"Label1"].left) << NarrowForDiagnostics(name);
  }
  // A longer text of the same kind gets a wider control.
  EXPECT_GT(byName[L"chkTax"].width, byName[L"chkMls"].width);
  EXPECT_GT(byName[L"Label3"].width, byName[L"Label2"].width);
  EXPECT_GT(byName[L"cmdDownload"].width, byName[L"cmdClose"].width);
  // Tab indexes are 0..7, each once, Download first.
  std::vector<int> tabs;
  for (const auto& c : design.controls) tabs.push_back(c.tabIndex);
  std::sort(tabs.begin(), tabs.end());
  EXPECT_EQ(tabs, std::vector<int>({0, 1, 2, 3, 4, 5, 6, 7}));
  EXPECT_EQ(byName[L"cmdDownload"].tabIndex, 0);
}

}  // namespace
}  // namespace vyn::test
