#include "AppFixture.h"
#include "app/CommandLine.h"

namespace vyn::test {
namespace {

using ::testing::ElementsAre;

// The switches, as a scheduled task would pass them.
struct CommandLineRow {
  std::vector<std::wstring> arguments;
  bool valid, help, refresh, mls, tax;
};

TEST(CommandLineTest, SwitchesAreReadAndAnythingElseIsABadLine) {
  const CommandLineRow rows[] = {
      {{}, true, false, false, false, false},
      {{L"/refresh"}, true, false, true, false, false},
      {{L"-REFRESH", L"/Tax"}, true, false, true, false, true},
      {{L"/refresh", L"/mls", L"/tax"}, true, false, true, true, true},
      {{L"/?"}, true, true, false, false, false},
      {{L"/mls"}, false, false, false, true, false},  // a set chooses nothing without /refresh
      {{L"/refresh", L"/now"}, false, false, true, false, false},
      {{L"refresh"}, false, false, false, false, false},
      {{L"/"}, false, false, false, false, false},
  };
  for (const CommandLineRow& row : rows) {
    const CommandLine line = ParseCommandLine(row.arguments);
    const std::string shown = ::testing::PrintToString(row.arguments);
    EXPECT_EQ(line.valid, row.valid) << shown;
    EXPECT_EQ(line.valid, line.problem.empty()) << shown;
    EXPECT_EQ(line.help, row.help) << shown;
    EXPECT_EQ(line.refresh, row.refresh) << shown;
    EXPECT_EQ(line.mls, row.mls) << shown;
    EXPECT_EQ(line.tax, row.tax) << shown;
  }
}

// An unattended run over the fakes: what it fetched and the exit code it ends with.
struct RefreshRow {
  const char* name;
  std::vector<std::wstring> arguments;
  std::vector<bool> found;  // per response: the archive (true) or a 404 page
  std::function<void(fakes::FakePlatform&)> arrange;
  std::vector<std::string> requested;
  int exitCode;
};

class RefreshTest : public AppTest, public ::testing::WithParamInterface<RefreshRow> {};

TEST_P(RefreshTest, RunsTheSequenceUnattendedAndNamesTheOutcome) {
  const RefreshRow& row = GetParam();
  inet.responses.clear();
  for (bool found : row.found) inet.responses.push_back(found ? Archive("PK-set") : NotFound());
  if (row.arrange) row.arrange(*this);

  const int code = RunRefresh(platform, ParseCommandLine(row.arguments));

  EXPECT_EQ(code, row.exitCode);
  EXPECT_EQ(RequestedPaths(), row.requested);
  EXPECT_TRUE(forms.Find(L"frmDataLoader") == nullptr || !forms.Find(L"frmDataLoader")->Visible())
      << "the main window showed";
  EXPECT_EQ(basCommonObj::objProductSettings, nullptr);
}

const auto kBoth = std::vector<std::string>{"/Downloads/VynData.vyn", "/Downloads/VynTax.vyn"};
const auto kMls = std::vector<std::string>{"/Downloads/VynData.vyn"};
const auto kTax = std::vector<std::string>{"/Downloads/VynTax.vyn"};

INSTANTIATE_TEST_SUITE_P(
    Outcomes, RefreshTest,
    ::testing::Values(
        RefreshRow{"DefaultIsMlsAndOfferedTax", {L"/refresh"}, {true}, nullptr, kBoth, kExitOk},
        RefreshRow{"DefaultWithoutTaxOffered",
                   {L"/refresh"},
                   {true},
                   [](fakes::FakePlatform& p) { p.components.settings->taxDataAvailable = kFalse; },
                   kMls,
                   kExitOk},
        RefreshRow{"TaxOnly", {L"/refresh", L"/tax"}, {true}, nullptr, kTax, kExitOk},
        RefreshRow{"MissingFile", {L"/refresh"}, {false}, nullptr, kMls, kExitDownloadFailed},
        RefreshRow{"TaxMissingAfterMls",
                   {L"/refresh"},
                   {true, false},
                   nullptr,
                   kBoth,
                   kExitDownloadFailed},
        RefreshRow{"BadArchive",
                   {L"/refresh"},
                   {true},
                   [](fakes::FakePlatform& p) { p.components.log.failOn = L"Execute"; },
                   kMls,
                   kExitUnpackFailed},
        RefreshRow{"SettingsRefuseTheRecord",
                   {L"/refresh"},
                   {true},
                   [](fakes::FakePlatform& p) { p.components.log.failOn = L"MlsDataUpdated"; },
                   kMls,
                   kExitRecordingFailed},
        RefreshRow{"RegistryRefusesTaxPathLocal",
                   {L"/refresh", L"/tax"},
                   {true},
                   [](fakes::FakePlatform& p) { p.registry.failCreateKey = 5; },
                   kTax,
                   kExitRecordingFailed},
        RefreshRow{"ProductNotFound",
                   {L"/refresh"},
                   {true},
                   [](fakes::FakePlatform& p) {
                     p.registry.SetString(L"Software\\Tevrin Labs\\Veltrix", L"Install Path", L"");
                   },
                   {},
                   kExitProductNotFound}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(AppTest, BadCommandLineShowsTheUsageAndEndsWithItsCode) {
  EXPECT_EQ(RunCommandLine(platform, ParseCommandLine({L"/refresh", L"/fast"})),
            kExitBadCommandLine);
  EXPECT_EQ(RunCommandLine(platform, ParseCommandLine({L"/?"})), kExitOk);

  ASSERT_EQ(boxes.Texts().size(), 2u);
  EXPECT_EQ(boxes.Texts()[0], L"Unknown switch: /fast\r\n\r\n" + UsageText());
  EXPECT_EQ(boxes.Texts()[1], UsageText());
  EXPECT_TRUE(RequestedPaths().empty());
  EXPECT_FALSE(WindowLoaded());
}

}  // namespace
}  // namespace vyn::test
