#include "WindowQueries.h"

#include <stdexcept>

#include "ChildProcess.h"
#include "WinePath.h"

namespace vyn::driver {
namespace {

struct Search {
  const std::wstring* caption;
  CaptionMatch match;
  DWORD processId;
  HWND found;
};

BOOL CALLBACK MatchOne(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<Search*>(param);
  if (!IsWindowVisible(window)) return TRUE;
  if (search->processId != 0) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId) return TRUE;
  }
  std::wstring text = WindowText(window);
  bool hit = search->match == CaptionMatch::kExact
                 ? text == *search->caption
                 : text.compare(0, search->caption->size(), *search->caption) == 0;
  if (!hit) return TRUE;
  search->found = window;
  return FALSE;
}

BOOL CALLBACK CollectOne(HWND window, LPARAM param) {
  auto* parentAndList = reinterpret_cast<std::pair<HWND, std::vector<ControlInfo>*>*>(param);
  if (GetParent(window) != parentAndList->first) return TRUE;  // grandchildren
  ControlInfo info;
  info.handle = window;
  info.className = ClassNameOf(window);
  info.text = WindowText(window);
  GetWindowRect(window, &info.rect);
  MapWindowPoints(nullptr, parentAndList->first, reinterpret_cast<POINT*>(&info.rect), 2);
  info.enabled = IsWindowEnabled(window) != FALSE;
  info.visible = (GetWindowLongPtrW(window, GWL_STYLE) & WS_VISIBLE) != 0;
  if (_wcsicmp(info.className.c_str(), L"Button") == 0) {
    info.checkState = static_cast<int>(SendMessageW(window, BM_GETCHECK, 0, 0));
  }
  parentAndList->second->push_back(info);
  return TRUE;
}

}  // namespace

std::wstring WindowText(HWND window) {
  // WM_GETTEXT works across processes where GetWindowTextW does not read
  // another process's controls.
  auto length = SendMessageW(window, WM_GETTEXTLENGTH, 0, 0);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  auto copied =
      SendMessageW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<std::size_t>(copied));
  return text;
}

std::wstring ClassNameOf(HWND window) {
  wchar_t name[256] = {};
  GetClassNameW(window, name, 256);
  return name;
}

HWND WaitForTopLevelWindow(const std::wstring& caption, CaptionMatch match, DWORD timeoutMs,
                           DWORD processId) {
  DWORD start = GetTickCount();
  for (;;) {
    Search search{&caption, match, processId, nullptr};
    EnumWindows(MatchOne, reinterpret_cast<LPARAM>(&search));
    if (search.found != nullptr) return search.found;
    if (GetTickCount() - start > timeoutMs) return nullptr;
    Sleep(50);
  }
}

bool WaitForWindowGone(HWND window, DWORD timeoutMs) {
  DWORD start = GetTickCount();
  while (IsWindow(window) && IsWindowVisible(window)) {
    if (GetTickCount() - start > timeoutMs) return false;
    Sleep(50);
  }
  return true;
}

std::vector<ControlInfo> ListControls(HWND parent) {
  std::vector<ControlInfo> controls;
  std::pair<HWND, std::vector<ControlInfo>*> param{parent, &controls};
  EnumChildWindows(parent, CollectOne, reinterpret_cast<LPARAM>(&param));
  return controls;
}

ControlInfo FindControl(HWND parent, const std::wstring& text) {
  for (const auto& control : ListControls(parent)) {
    if (control.text == text) return control;
  }
  throw std::runtime_error("no control with that text");
}

void PostClick(HWND control) {
  PostMessageW(control, BM_CLICK, 0, 0);
}

std::string HungFromAnotherProcess(HWND window) {
  auto handle = static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(window));
  ChildProcess probe =
      ChildProcess::Launch(L"\"" + OnDriveZ(VYN_HUNG_PROBE) + L"\" " + std::to_wstring(handle));
  std::optional<DWORD> verdict = probe.WaitForExit(20000);
  if (!verdict) return "the probe did not end";
  std::string why;
  if (*verdict & 1) why += "IsHungAppWindow says hung; ";
  if (*verdict & 2) why += "WM_NULL not answered within 1 s; ";
  if (*verdict & ~3u) why += "probe failed with " + std::to_string(*verdict);
  return why;
}

SIZE ClientSize(HWND window) {
  RECT client{};
  GetClientRect(window, &client);
  return {client.right - client.left, client.bottom - client.top};
}

}  // namespace vyn::driver
