// The Windows half of scripts/demo.sh:
//   vyn_demo_driver setup CITY APPDATA INSTALL HOST DATAFOLDER
//       writes the product's registry values (in the 32-bit view, where the product
//       keeps them) and a settings file that offers tax data;
//   vyn_demo_driver drive EXE CITY SCREENSHOTS
//       (headless, under Xvfb) runs EXE as a user would: ticks both data sets, presses "Download",
//       saves screenshots (PNG) of the main window, the progress window (and the whole
//       screen meanwhile) and "Download Complete",
//       answers the box and waits for the program to end;
//   vyn_demo_driver report
//       prints what the product's view of the registry now holds.
#include <windows.h>

#include <cstdio>
#include <string>

#include "AppSession.h"
#include "E2eSetup.h"
#include "Screenshot.h"

namespace {

using namespace vyn::e2e;

constexpr DWORD kWindowTimeoutMs = 30000;
constexpr DWORD kDownloadTimeoutMs = 300000;
constexpr const wchar_t* kViewNote = L" (32-bit view; 64-bit tools show it under Wow6432Node)";

void Say(const std::wstring& line) {
  std::wprintf(L"%ls\n", line.c_str());
  std::fflush(stdout);
}

int Fail(const std::wstring& why) {
  std::fwprintf(stderr, L"demo: %ls\n", why.c_str());
  return 1;
}

int Setup(wchar_t** args) {
  ProductValues values{args[0], std::wstring(args[1]), std::wstring(args[2]),
                       std::wstring(args[3])};
  if (!WriteProductValues(values)) return Fail(L"cannot write HKLM\\" + std::wstring(kProductKey));
  DeleteMachineValue(kFileLocationsKey, kTaxPathLocal);
  SettingsFile settings;
  settings.dataFolder = args[4];
  if (!WriteSettingsFile(args[1], settings)) return Fail(L"cannot write the settings file");
  Say(L"registry: HKLM\\" + std::wstring(kProductKey) + kViewNote);
  Say(L"  Current City Id = " + values.cityId);
  Say(L"  AppData         = " + *values.appData);
  Say(L"  Install Path    = " + *values.installPath);
  Say(L"  Download Host   = " + *values.downloadHost);
  return 0;
}

void Shot(HWND window, const std::wstring& folder, const wchar_t* name) {
  std::wstring file = folder + L"\\" + name + L".png";
  try {
    vyn::driver::SaveScreenshotPng(file, window);
    Say(L"screenshot: " + file);
  } catch (const std::exception&) {
    Say(L"screenshot failed: " + file);
  }
}

void TickBox(HWND window, const wchar_t* text) {
  Say(Tick(window, text) ? L"ticked \"" + std::wstring(text) + L"\""
                         : L"no visible check box \"" + std::wstring(text) + L"\"");
}

// Under Xvfb there is no window manager: unmanaged, Wine draws the window frames
// itself (so screenshots show them) and does not wait for a manager at every hide.
void DrawFramesWithoutWindowManager() {
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\X11 Driver", 0, nullptr, 0,
                      KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS) {
    return;
  }
  const wchar_t no[] = L"N";
  RegSetValueExW(key, L"Managed", 0, REG_SZ, reinterpret_cast<const BYTE*>(no), sizeof no);
  RegCloseKey(key);
}

int Drive(wchar_t** args) {
  const std::wstring exe = args[0];
  const std::wstring caption = L"VYN Veltrix - " + std::wstring(args[1]);
  const std::wstring shots = args[2];
  DrawFramesWithoutWindowManager();
  AppSession app;
  if (!app.Launch(exe)) return Fail(L"cannot start " + exe);
  HWND window = app.WaitForWindow(caption, kWindowTimeoutMs);
  if (!window) {
    auto box = app.WaitForMessageBox(0);
    return Fail(box ? L"the program said: " + box->text : L"no window \"" + caption + L"\"");
  }
  Say(L"main window \"" + caption + L"\" is up");
  Sleep(500);  // let it paint
  TickBox(window, L"MLS Data");
  TickBox(window, L"Tax Data (Public records)");
  Sleep(500);  // the ticked boxes repaint
  Shot(window, shots, L"main-window");

  if (!Press(window, L"Download")) return Fail(L"no \"Download\" button");
  Say(L"pressed \"Download\"");
  HWND progress = app.WaitForWindow(L"Downloading MLS Data", kWindowTimeoutMs);
  if (progress) {
    Sleep(1500);  // part of the data set has arrived
    Shot(progress, shots, L"progress-window");
    Shot(nullptr, shots, L"screen-during-download");
  } else {
    Say(L"the progress window was not seen");
  }

  auto box = app.WaitForMessageBox(kDownloadTimeoutMs);
  if (!box) return Fail(L"no message after the download");
  Sleep(300);
  Shot(box->window, shots, L"download-complete");
  Say(L"message box \"" + box->title + L"\": " + box->text);
  PressButton(box->window, L"OK");
  if (box->text != L"Download Complete") Press(window, L"Close");
  auto code = app.WaitForExit(kWindowTimeoutMs);
  if (!code) return Fail(L"the program did not end");
  Say(L"VYNDataLoader.exe ended with exit code " + std::to_wstring(*code));
  return box->text == L"Download Complete" && *code == 0 ? 0 : 1;
}

int Report() {
  auto tax = ReadMachineString(kFileLocationsKey, kTaxPathLocal);
  Say(L"registry: HKLM\\" + std::wstring(kFileLocationsKey) + kViewNote);
  Say(L"  " + std::wstring(kTaxPathLocal) + L" = " +
      (tax ? tax->text + (tax->type == REG_SZ ? L" (REG_SZ)" : L" (not REG_SZ)") : L"(not set)"));
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::wstring command = argc > 1 ? argv[1] : L"";
  if (command == L"setup" && argc == 7) return Setup(argv + 2);
  if (command == L"drive" && argc == 5) return Drive(argv + 2);
  if (command == L"report" && argc == 2) return Report();
  return Fail(
      L"usage: vyn_demo_driver setup CITY APPDATA INSTALL HOST DATAFOLDER | "
      L"drive EXE CITY SCREENSHOTS | report");
}
