#include "AppFixture.h"
#include "app/DataFolderLock.h"

namespace vyn::test {
namespace {

using ::testing::ElementsAre;

// An unattended run over the fakes: what it fetched and the exit code it ends
// with. `fault`: "no tax" (not offered), "no product", "registry" (refuses the
// write) or a component call that fails.
struct RefreshRow {
  const char* name;
  std::vector<std::wstring> arguments;
  std::vector<bool> found;  // per response: the archive (true) or a 404 page
  std::wstring fault;
  std::vector<std::string> requested;
  int exitCode;
};

class RefreshTest : public AppTest, public ::testing::WithParamInterface<RefreshRow> {};

TEST_P(RefreshTest, RunsTheSequenceUnattendedAndNamesTheOutcome) {
  const RefreshRow& row = GetParam();
  inet.responses.clear();
  for (bool found : row.found) inet.responses.push_back(found ? Archive("PK-set") : NotFound());
  if (row.fault == L"no tax") {
    components.settings->taxDataAvailable = kFalse;
  } else if (row.fault == L"no product") {
    registry.SetString(kKey, L"Install Path", L"");
  } else if (row.fault == L"registry") {
    registry.failCreateKey = 5;
  } else if (row.fault.rfind(L"busy", 0) == 0) {
    // Another refresh holds the data folder: for the whole wait, or for the start-up's
    // try and two more.
    locks.heldByOthers[kDataFolder] = {L"jsmith", L"FRONTDESK-2", L"4711", L"07:00", true};
    if (row.fault == L"busy briefly") locks.freeAfterTries[kDataFolder] = 3;
    environment.variables[kLockWaitVariable] = row.fault == L"busy briefly" ? L"5" : L"0";
  } else if (row.fault == L"no lock") {
    locks.unavailable[kDataFolder] = true;
  } else {
    components.log.failOn = row.fault;
  }

  const int code = RunRefresh(platform, ParseCommandLine(row.arguments));

  EXPECT_EQ(code, row.exitCode);
  EXPECT_EQ(RequestedPaths(), row.requested);
  EXPECT_TRUE(forms.Find(L"frmDataLoader") == nullptr || !forms.Find(L"frmDataLoader")->Visible())
      << "the main window showed";
  EXPECT_EQ(basCommonObj::objProductSettings, nullptr);
}

const std::vector<std::string> kBothRequested{"/Downloads/VynData.vyn", "/Downloads/VynTax.vyn"};
const std::vector<std::string> kMlsRequested{"/Downloads/VynData.vyn"};
const std::vector<std::string> kTaxRequested{"/Downloads/VynTax.vyn"};

// clang-format off
INSTANTIATE_TEST_SUITE_P(Outcomes, RefreshTest, ::testing::Values(
    RefreshRow{"DefaultIsMlsAndOfferedTax", {L"/refresh"}, {true}, L"", kBothRequested, kExitOk},
    RefreshRow{"DefaultWithoutTaxOffered", {L"/refresh"}, {true}, L"no tax", kMlsRequested, kExitOk},
    RefreshRow{"TaxOnly", {L"/refresh", L"/tax"}, {true}, L"", kTaxRequested, kExitOk},
    RefreshRow{"MissingFile", {L"/refresh"}, {false}, L"", kMlsRequested, kExitDownloadFailed},
    RefreshRow{"TaxMissingAfterMls", {L"/refresh"}, {true, false}, L"", kBothRequested, kExitDownloadFailed},
    RefreshRow{"BadArchive", {L"/refresh"}, {true}, L"Execute", kMlsRequested, kExitUnpackFailed},
    RefreshRow{"SettingsRefuse", {L"/refresh"}, {true}, L"MlsDataUpdated", kMlsRequested, kExitRecordingFailed},
    RefreshRow{"RegistryRefuses", {L"/refresh", L"/tax"}, {true}, L"registry", kTaxRequested, kExitRecordingFailed},
    RefreshRow{"ProductNotFound", {L"/refresh"}, {true}, L"no product", {}, kExitProductNotFound},
    RefreshRow{"DataFolderBusy", {L"/refresh"}, {true}, L"busy", {}, kExitDataFolderBusy},
    RefreshRow{"DataFolderBusyForAWhile", {L"/refresh"}, {true, true}, L"busy briefly", kBothRequested, kExitOk},
    RefreshRow{"NoLockPossible", {L"/refresh", L"/mls"}, {true}, L"no lock", kMlsRequested, kExitOk}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

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
