#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Forms.h"
#include "platform/win32/Win32Form.h"
#include "platform/win32/Win32Forms.h"
#include "platform/win32/Win32MessagePump.h"

namespace vyn::test {

// A form with one control of every kind, a default and a cancel button and a
// 1 ms timer. cmdGo (tab 0) starts disabled only when asked.
FormDesign TestFormDesign();

// Records every event; hooks let a test act inside one.
class RecordingEvents : public FormEvents {
 public:
  void OnClick(const std::wstring& control) override {
    clicks.push_back(control);
    if (onClick) onClick(control);
  }
  void OnTimer() override {
    ++ticks;
    if (onTimer) onTimer();
  }
  std::vector<std::wstring> clicks;
  int ticks = 0;
  std::function<void(const std::wstring&)> onClick;
  std::function<void()> onTimer;
};

class FormsTest : public ::testing::Test {
 protected:
  FormsTest();
  Win32Form& Load(const FormDesign& design = TestFormDesign());
  HWND ControlOf(const std::wstring& name) { return form->ControlHandle(name); }
  // Processes messages until done() or the timeout; false on timeout.
  bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 5000);

  Win32FormFactory factory;
  Win32MessagePump pump;
  RecordingEvents events;
  std::unique_ptr<Form> loaded;
  Win32Form* form = nullptr;
};

}  // namespace vyn::test
