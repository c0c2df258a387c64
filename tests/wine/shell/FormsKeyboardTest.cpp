#include <gtest/gtest.h>

#include "TestForm.h"

namespace vyn::testing {
namespace {

using FormsKeyboardTest = FormsTest;

// Posts a key to the control with the focus, as the keyboard would.
void PostKeyToFocus(UINT message, WPARAM key, LPARAM flags = 1) {
  PostMessageW(GetFocus(), message, key, flags);
}

TEST_F(FormsKeyboardTest, EnterPressesTheDefaultButtonFromATextBox) {
  Win32Form& loadedForm = Load();
  loadedForm.Show();
  SetFocus(ControlOf(L"txtPath"));

  PostKeyToFocus(WM_KEYDOWN, VK_RETURN);
  PumpUntil([&] { return !events.clicks.empty(); }, 2000);

  EXPECT_EQ(events.clicks, std::vector<std::wstring>{L"cmdGo"});
}

TEST_F(FormsKeyboardTest, EnterDoesNothingWhenTheDefaultButtonIsDisabled) {
  Win32Form& loadedForm = Load();
  loadedForm.Item(L"cmdGo").SetEnabled(false);
  loadedForm.Show();
  SetFocus(ControlOf(L"txtPath"));

  PostKeyToFocus(WM_KEYDOWN, VK_RETURN);
  PumpUntil([] { return false; }, 200);

  EXPECT_TRUE(events.clicks.empty());
}

TEST_F(FormsKeyboardTest, EscPressesTheCancelButton) {
  Win32Form& loadedForm = Load();
  loadedForm.Show();
  SetFocus(ControlOf(L"chkOne"));

  PostKeyToFocus(WM_KEYDOWN, VK_ESCAPE);
  PumpUntil([&] { return !events.clicks.empty(); }, 2000);

  EXPECT_EQ(events.clicks, std::vector<std::wstring>{L"cmdCancel"});
}

TEST_F(FormsKeyboardTest, AltAndTheMnemonicLetterPressesThatButton) {
  Win32Form& loadedForm = Load();
  loadedForm.Show();
  SetFocus(ControlOf(L"txtPath"));

  PostKeyToFocus(WM_SYSCHAR, L'c', 1 | (1 << 29));  // Alt+C
  PumpUntil([&] { return !events.clicks.empty(); }, 2000);

  EXPECT_EQ(events.clicks, std::vector<std::wstring>{L"cmdCancel"});
}

TEST_F(FormsKeyboardTest, CloseCommandPressesTheCancelButtonAndNeverDestroysTheWindow) {
  FormDesign withoutCancel = TestFormDesign();
  withoutCancel.cancelButton.clear();
  Win32Form& loadedForm = Load();
  loadedForm.Show();
  RecordingEvents otherEvents;
  auto other = factory.Load(withoutCancel, otherEvents);
  auto* otherForm = dynamic_cast<Win32Form*>(other.get());

  SendMessageW(loadedForm.Handle(), WM_CLOSE, 0, 0);
  SendMessageW(otherForm->Handle(), WM_CLOSE, 0, 0);

  EXPECT_EQ(events.clicks, std::vector<std::wstring>{L"cmdCancel"});
  EXPECT_TRUE(otherEvents.clicks.empty());
  EXPECT_TRUE(IsWindow(loadedForm.Handle()));
  EXPECT_TRUE(IsWindow(otherForm->Handle()));
}

}  // namespace
}  // namespace vyn::testing
