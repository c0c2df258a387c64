#include "app/CommandLine.h"

#include "platform/FileNameCase.h"

namespace vyn {

CommandLine ParseCommandLine(const std::vector<std::wstring>& arguments) {
  CommandLine line;
  for (const std::wstring& argument : arguments) {
    std::wstring name;
    if (argument.size() > 1 && (argument[0] == L'/' || argument[0] == L'-')) {
      name = UpcaseFileName(argument.substr(1));
    }
    if (name == L"?" || name == L"HELP") {
      line.help = true;
    } else if (name == L"REFRESH") {
      line.refresh = true;
    } else if (name == L"MLS") {
      line.mls = true;
    } else if (name == L"TAX") {
      line.tax = true;
    } else {
      line.valid = false;
      line.problem = L"Unknown switch: " + argument;
      return line;
    }
  }
  if ((line.mls || line.tax) && !line.refresh) {
    line.valid = false;
    line.problem = L"/mls and /tax choose the sets of /refresh";
  }
  return line;
}

std::wstring UsageText() {
  return L"Usage: VYNDataLoader.exe [/refresh [/mls] [/tax]] [/?]\r\n"
         L"\r\n"
         L"Without switches the program opens its window.\r\n"
         L"/refresh  downloads the data sets without asking anything, writes what\r\n"
         L"          happens to the log and ends with an exit code.\r\n"
         L"/mls      refresh the MLS data.\r\n"
         L"/tax      refresh the tax data.\r\n"
         L"          Neither: MLS data, and tax data where the product offers it.\r\n"
         L"/?        shows this text.\r\n"
         L"\r\n"
         L"Exit codes: 0 refreshed, 1 unexpected failure, 2 bad command line,\r\n"
         L"3 product not found, 4 download failed, 5 unpack failed, 6 recording failed,\r\n"
         L"7 the data folder stayed busy with another refresh.";
}

}  // namespace vyn
