// The retrieval window's entry: loading, the modal show, Cancel before the
// transfer, a window kept loaded, and a show that fails.

#include <gtest/gtest.h>

#include "RetrievalFixture.h"

namespace vyn::test {
namespace {

TEST_F(RetrievalTest, WindowOpensAsRetrievingDataWithTimerRunningAndCancelOnEsc) {
  inet.responses = {fakes::FakeWinInet::Body("PK", 4096)};
  std::wstring caption;
  bool timerEnabled = false;
  std::wstring cancelButton;
  forms.onShowModal = [&](fakes::FakeForm& form) {
    caption = form.Caption();
    timerEnabled = form.TimerEnabled();
    cancelButton = form.Design().cancelButton;
  };

  RetrievalStatus status = Fetch();

  EXPECT_EQ(status, 0);
  EXPECT_EQ(caption, L"Retrieving data");
  EXPECT_TRUE(timerEnabled);
  EXPECT_EQ(cancelButton, L"cmdCancel");
  EXPECT_EQ(forms.Loads(L"frmGetHTMLFile"), 1);
  EXPECT_EQ(forms.Find(L"frmGetHTMLFile"), nullptr);
}

TEST_F(RetrievalTest, CancelBeforeTheFirstTickGives1WithoutNetwork) {
  disk.AddFile(kTarget, "old archive");
  forms.onShowModal = [](fakes::FakeForm& form) { form.Click(L"cmdCancel"); };

  RetrievalStatus status = Fetch();

  EXPECT_EQ(status, 1);
  EXPECT_TRUE(inet.Calls().empty());
  EXPECT_EQ(disk.Contents(kTarget), "old archive");
}

TEST_F(RetrievalTest, CancelSeenAtTheTicksFirstMessagesIsNotLost) {
  inet.responses = {fakes::FakeWinInet::Body("PK", 4096)};
  CancelAtCheckPoint(1);

  RetrievalStatus status = Fetch();

  EXPECT_EQ(status, 1);
  EXPECT_TRUE(inet.Calls().empty());
  EXPECT_FALSE(disk.HasFile(kTarget));
}

TEST_F(RetrievalTest, KeptWindowKeepsFirstCaptionTextButTakesTheNewRequest) {
  inet.responses = {fakes::FakeWinInet::Body("PK-first", 4096)};
  Boolean quiet = kTrue;
  window.GetFile(kUrl, kTarget, kTrue, L"Downloading MLS Data", kFalse, 4096, quiet);
  ASSERT_NE(forms.Find(L"frmGetHTMLFile"), nullptr);
  inet.responses = {fakes::FakeWinInet::Body("PK-second", 4096)};

  RetrievalStatus status =
      window.GetFile(L"other.example.test/Downloads/Tax.vyn", L"C:\\Data\\Tax.zip", kTrue,
                     L"Downloading Tax Data", kTrue, 4096, quiet);

  EXPECT_EQ(status, 0);
  fakes::FakeForm* form = forms.Find(L"frmGetHTMLFile");
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(form->Captions().back(), L"Downloading MLS Data - Tax.zip");
  EXPECT_EQ(disk.Contents(L"C:\\Data\\Tax.zip"), "PK-second");
  EXPECT_EQ(inet.CallsTo("InternetConnectA").back().args[1], "other.example.test");
  EXPECT_EQ(forms.Loads(L"frmGetHTMLFile"), 1);
}

TEST_F(RetrievalTest, KeptWindowCancelledBeforeItsTickNeverStartsLater) {
  Boolean quiet = kTrue;
  forms.onShowModal = [](fakes::FakeForm& form) { form.Click(L"cmdCancel"); };

  RetrievalStatus status =
      window.GetFile(kUrl, kTarget, kTrue, L"Downloading MLS Data", kFalse, 4096, quiet);

  EXPECT_EQ(status, 1);
  fakes::FakeForm* form = forms.Find(L"frmGetHTMLFile");
  ASSERT_NE(form, nullptr);
  EXPECT_FALSE(form->TimerEnabled());
  EXPECT_TRUE(inet.Calls().empty());
}

TEST_F(RetrievalTest, ShowThatFailsReturns1AndUnloads) {
  forms.onShowModal = [](fakes::FakeForm&) { throw MakeError(errors::kOutOfMemory); };

  RetrievalStatus status = Fetch();

  EXPECT_EQ(status, 1);
  EXPECT_TRUE(inet.Calls().empty());
  EXPECT_EQ(forms.Unloads(L"frmGetHTMLFile"), 1);
}

}  // namespace
}  // namespace vyn::test
