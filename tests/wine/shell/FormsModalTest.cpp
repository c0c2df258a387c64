#include <gtest/gtest.h>

#include "TestForm.h"

namespace vyn::test {
namespace {

using FormsModalTest = FormsTest;

FormDesign DialogDesign() {
  FormDesign design = TestFormDesign();
  design.name = L"frmDialog";
  design.caption = L"Modal dialog";
  design.clientWidth = 3012;
  design.clientHeight = 420;
  design.border = FormBorder::kFixedDialog;
  design.startPosition = StartPosition::kCenterOwner;
  design.iconResourceId = 0;
  design.controls = {
      {L"Bar", ControlKind::kProgressBar, L"", 60, 120, 2052, 192, 1, {}},
      {L"cmdCancel", ControlKind::kButton, L"&Cancel", 2220, 60, 732, 252, 0, {}},
  };
  design.defaultButton.clear();
  return design;
}

TEST_F(FormsModalTest, ShowModalReturnsWhenATickHidesTheWindowAndBlocksOtherWindowsMeanwhile) {
  Win32Form& owner = Load();
  owner.Show();
  RecordingEvents dialogEvents;
  auto dialog = factory.Load(DialogDesign(), dialogEvents);
  bool ownerEnabledDuringShow = true;
  dialogEvents.onTimer = [&] {
    ownerEnabledDuringShow = IsWindowEnabled(owner.Handle()) != FALSE;
    if (dialogEvents.ticks == 3) dialog->Hide();
  };

  dialog->SetTimerEnabled(true);
  dialog->ShowModal();

  EXPECT_EQ(dialogEvents.ticks, 3);
  EXPECT_FALSE(dialog->Visible());
  EXPECT_FALSE(ownerEnabledDuringShow);
  EXPECT_TRUE(IsWindowEnabled(owner.Handle()));
}

TEST_F(FormsModalTest, DialogOpensCentredOnTheActiveWindowWithCaptionOnly) {
  Win32Form& owner = Load();
  owner.Show();
  RecordingEvents dialogEvents;
  auto dialog = factory.Load(DialogDesign(), dialogEvents);
  auto* dialogForm = dynamic_cast<Win32Form*>(dialog.get());
  RECT ownerFrame{};
  RECT dialogFrame{};
  dialogEvents.onTimer = [&] {
    GetWindowRect(owner.Handle(), &ownerFrame);
    GetWindowRect(dialogForm->Handle(), &dialogFrame);
    dialog->Hide();
  };

  dialog->SetTimerEnabled(true);
  dialog->ShowModal();

  LONG style = GetWindowLongW(dialogForm->Handle(), GWL_STYLE);
  EXPECT_TRUE(style & WS_CAPTION);
  EXPECT_FALSE(style & WS_SYSMENU);
  EXPECT_NEAR((dialogFrame.left + dialogFrame.right) / 2.0,
              (ownerFrame.left + ownerFrame.right) / 2.0, 1.0);
  EXPECT_NEAR((dialogFrame.top + dialogFrame.bottom) / 2.0,
              (ownerFrame.top + ownerFrame.bottom) / 2.0, 1.0);
}

TEST_F(FormsModalTest, EscDuringTheModalShowPressesCancelWhoseHandlerEndsTheShow) {
  RecordingEvents dialogEvents;
  auto dialog = factory.Load(DialogDesign(), dialogEvents);
  auto* dialogForm = dynamic_cast<Win32Form*>(dialog.get());
  dialogEvents.onTimer = [&] {
    dialog->SetTimerEnabled(false);
    PostMessageW(dialogForm->ControlHandle(L"cmdCancel"), WM_KEYDOWN, VK_ESCAPE, 1);
  };
  dialogEvents.onClick = [&](const std::wstring&) { dialog->Hide(); };

  dialog->SetTimerEnabled(true);
  dialog->ShowModal();

  EXPECT_EQ(dialogEvents.clicks, std::vector<std::wstring>{L"cmdCancel"});
  EXPECT_FALSE(dialog->Visible());
}

TEST_F(FormsModalTest, FormUnloadedByItsOwnHandlerDuringTheModalShowEndsTheShow) {
  Win32Form& owner = Load();
  owner.Show();
  RecordingEvents dialogEvents;
  auto dialog = factory.Load(DialogDesign(), dialogEvents);
  HWND cancel = dynamic_cast<Win32Form*>(dialog.get())->ControlHandle(L"cmdCancel");
  Form* raw = dialog.get();
  dialogEvents.onTimer = [&] {
    dialog->SetTimerEnabled(false);
    PostMessageW(cancel, BM_CLICK, 0, 0);
  };
  dialogEvents.onClick = [&](const std::wstring&) { dialog.reset(); };

  raw->SetTimerEnabled(true);
  raw->ShowModal();  // returns after the object is gone

  EXPECT_EQ(dialog, nullptr);
  EXPECT_EQ(dialogEvents.clicks, std::vector<std::wstring>{L"cmdCancel"});
  EXPECT_TRUE(IsWindowEnabled(owner.Handle()));
}

TEST_F(FormsModalTest, TickThatProcessesMessagesIsNotEnteredAgain) {
  RecordingEvents dialogEvents;
  auto dialog = factory.Load(DialogDesign(), dialogEvents);
  int depth = 0;
  int deepest = 0;
  dialogEvents.onTimer = [&] {
    ++depth;
    deepest = std::max(deepest, depth);
    for (int i = 0; i < 20; ++i) {
      Sleep(2);
      pump.DoEvents();
    }
    --depth;
    if (dialogEvents.ticks >= 2) dialog->Hide();
  };

  dialog->SetTimerEnabled(true);
  dialog->ShowModal();

  EXPECT_EQ(deepest, 1);
  EXPECT_GE(dialogEvents.ticks, 2);
}

}  // namespace
}  // namespace vyn::test
