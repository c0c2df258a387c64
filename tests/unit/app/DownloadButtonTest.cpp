#include "AppFixture.h"

namespace vyn::test {
namespace {

TEST_F(AppTest, DownloadIsEnabledExactlyWhileADataSetIsTicked) {
  LoadAndShow();
  fakes::FakeForm& window = Window();

  window.Click(L"chkMls");
  EXPECT_TRUE(window.Fake(L"cmdDownload").Enabled());
  window.Click(L"chkTax");
  window.Click(L"chkMls");
  EXPECT_TRUE(window.Fake(L"cmdDownload").Enabled());
  window.Click(L"chkTax");
  EXPECT_FALSE(window.Fake(L"cmdDownload").Enabled());
}

TEST_F(AppTest, HiddenTaxBoxStillCountsWhenTicked) {
  components.settings->taxDataAvailable = kFalse;
  LoadAndShow();
  Window().Fake(L"chkTax").SetValue(1);

  Window().Click(L"chkMls");
  Window().Click(L"chkMls");

  EXPECT_TRUE(Window().Fake(L"cmdDownload").Enabled());
}

TEST_F(AppTest, OnlyValueOneCountsAsTicked) {
  LoadAndShow();
  Window().Fake(L"chkTax").SetValue(2);  // a grayed box
  Window().Click(L"chkMls");
  Window().Click(L"chkMls");
  EXPECT_FALSE(Window().Fake(L"cmdDownload").Enabled());
}

}  // namespace
}  // namespace vyn::test
