#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <stdexcept>

#include <string>
#include <vector>

#include "FakePlatform.h"
#include "app/Program.h"
#include "app/basCommonObj.h"
#include "app/frmDataLoader.h"
#include "platform/Error.h"
#include "platform/Platform.h"

namespace vyn::test {

// The main window over fakes: an in-memory registry and disk, a scripted
// WinInet behind the real retrieval window, windows without a screen, scripted
// message boxes and recording components.
class AppTest : public ::testing::Test, protected fakes::FakePlatform {
 protected:
  static constexpr const wchar_t* kKey = L"Software\\Tevrin Labs\\Veltrix";
  static constexpr const wchar_t* kDataFolder = L"C:\\Veltrix\\Data\\";

  AppTest() {
    registry.SetString(kKey, L"Current City Id", L"17");
    registry.SetString(kKey, L"AppData", L"C:\\ProgramData\\Veltrix\\");
    registry.SetString(kKey, L"Install Path", L"C:\\Veltrix\\");
    disk.AddFolder(kDataFolder);
    components.settings->dataFolder = kDataFolder;
  }
  ~AppTest() override { basCommonObj::objProductSettings.reset(); }

  fakes::FakeForm& Window() {
    fakes::FakeForm* form = forms.Find(L"frmDataLoader");
    if (!form) throw std::runtime_error("frmDataLoader is not loaded");
    return *form;
  }
  bool WindowLoaded() const { return forms.Find(L"frmDataLoader") != nullptr; }

  void LoadAndShow() {
    loader.Load();
    loader.Show();
  }

  // Calls on the settings component or on the zip component, in order.
  std::vector<std::wstring> SettingsCalls() const { return ComponentCalls(false); }
  std::vector<std::wstring> ZipCalls() const { return ComponentCalls(true); }
  std::vector<std::wstring> ComponentCalls(bool zip) const {
    std::vector<std::wstring> calls;
    for (const auto& call : components.log.calls) {
      const bool zipCall = call.rfind(L"Execute", 0) == 0 || call.rfind(L"TargetFolder", 0) == 0 ||
                           call.rfind(L"FileMask", 0) == 0 || call.rfind(L"SourceArchive", 0) == 0;
      if (zipCall == zip) calls.push_back(call);
    }
    return calls;
  }

  // Object names of the HTTP requests made, in order.
  std::vector<std::string> RequestedPaths() const {
    std::vector<std::string> paths;
    for (const auto& call : inet.CallsTo("HttpOpenRequestA")) paths.push_back(call.args.at(2));
    return paths;
  }

  static fakes::FakeWinInet::Response Archive(const std::string& bytes) {
    return fakes::FakeWinInet::Body(bytes, 4096);
  }
  static fakes::FakeWinInet::Response NotFound() {
    fakes::FakeWinInet::Response page =
        fakes::FakeWinInet::Body("<html>404 Not Found</html>", 4096);
    page.statusCode = 404;
    return page;
  }

  frmDataLoader loader{platform};
};

}  // namespace vyn::test
