#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "platform/win32/Win32Environment.h"

namespace vyn {
namespace {

TEST(Win32EnvironmentTest, VariableReadsSetValuesOfAnyLengthAndEmptyForUnset) {
  std::wstring longValue(1000, L'v');
  SetEnvironmentVariableW(L"VYN_SHELL_SHORT", L"short");
  SetEnvironmentVariableW(L"VYN_SHELL_LONG", longValue.c_str());
  SetEnvironmentVariableW(L"VYN_SHELL_UNSET", nullptr);
  Win32Environment environment;

  EXPECT_EQ(environment.Variable(L"VYN_SHELL_SHORT"), L"short");
  EXPECT_EQ(environment.Variable(L"VYN_SHELL_LONG"), longValue);
  EXPECT_EQ(environment.Variable(L"VYN_SHELL_UNSET"), L"");
}

TEST(Win32EnvironmentTest, ExecutableFolderIsTheModuleFolderWithoutTrailingBackslash) {
  wchar_t module[MAX_PATH];
  GetModuleFileNameW(nullptr, module, MAX_PATH);
  std::wstring expected(module);
  expected.resize(expected.find_last_of(L'\\'));
  Win32Environment environment;

  std::wstring folder = environment.ExecutableFolder();

  EXPECT_EQ(folder, expected);
  EXPECT_NE(folder.back(), L'\\');
}

}  // namespace
}  // namespace vyn
