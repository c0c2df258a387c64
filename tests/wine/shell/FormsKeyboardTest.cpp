#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "TestForm.h"
#include "platform/win32/Win32ResponsiveWait.h"

namespace vyn::test {
namespace {

using FormsKeyboardTest = FormsTest;

// A key posted to the control with the focus, as the keyboard would, presses
// the button it stands for, or none.
struct KeyRow {
  const char* name;
  bool defaultDisabled;
  const wchar_t* focus;
  UINT message;
  WPARAM key;
  LPARAM flags;
  std::vector<std::wstring> clicks;
};

void PrintTo(const KeyRow& row, std::ostream* out) {
  *out << row.name;
}

class FormsKeys : public FormsTest, public ::testing::WithParamInterface<KeyRow> {};

TEST_P(FormsKeys, PressTheButtonTheyStandFor) {
  const KeyRow& row = GetParam();
  Win32Form& loadedForm = Load();
  if (row.defaultDisabled) loadedForm.Item(L"cmdGo").SetEnabled(false);
  loadedForm.Show();
  SetFocus(ControlOf(row.focus));

  PostMessageW(GetFocus(), row.message, row.key, row.flags);
  // A key that should press nothing gets a short while to do so anyway.
  PumpUntil([&] { return !events.clicks.empty(); }, row.clicks.empty() ? 200 : 2000);

  EXPECT_EQ(events.clicks, row.clicks);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Keyboard, FormsKeys, ::testing::Values(
    KeyRow{"EnterFromATextBox", false, L"txtPath", WM_KEYDOWN, VK_RETURN, 1, {L"cmdGo"}},
    KeyRow{"EnterWithTheDefaultButtonDisabled", true, L"txtPath", WM_KEYDOWN, VK_RETURN, 1, {}},
    KeyRow{"Esc", false, L"chkOne", WM_KEYDOWN, VK_ESCAPE, 1, {L"cmdCancel"}},
    KeyRow{"AltAndTheMnemonicLetter", false, L"txtPath", WM_SYSCHAR, L'c', 1 | (1 << 29),
           {L"cmdCancel"}}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

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

// Sent by another program while a step waits, a close or a click waits for
// the next check point like the user's own.
TEST_F(FormsKeyboardTest, CloseAndClickSentDuringAWaitRunAtTheNextCheckPoint) {
  Win32Form& loadedForm = Load();
  loadedForm.Show();
  HWND window = loadedForm.Handle();
  HWND go = ControlOf(L"cmdGo");
  Win32ResponsiveWait waits;
  std::vector<std::wstring> clicksDuringTheWait{L"not seen"};

  waits.Run([&] {
    SendMessageW(window, WM_CLOSE, 0, 0);
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(go), BN_CLICKED),
                 reinterpret_cast<LPARAM>(go));
    clicksDuringTheWait = events.clicks;
  });
  pump.DoEvents();

  EXPECT_TRUE(clicksDuringTheWait.empty());
  EXPECT_EQ(events.clicks, (std::vector<std::wstring>{L"cmdCancel", L"cmdGo"}));
}

}  // namespace
}  // namespace vyn::test
