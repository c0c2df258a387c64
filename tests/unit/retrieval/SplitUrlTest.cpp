#include "retrieval/SplitUrl.h"

#include <gtest/gtest.h>

#include "platform/Error.h"

namespace vyn {
namespace {

// The server is everything before the first slash after any scheme's "//";
// without a slash the path is left as it was.
TEST(SplitUrl, ServerThenPathSplitAtTheFirstSlash) {
  struct Row {
    const wchar_t* url;
    const wchar_t* server;
    const wchar_t* path;
  };
  const Row rows[] = {
      {L"downloads.example.test/Downloads/ABCData.vyn", L"downloads.example.test",
       L"/Downloads/ABCData.vyn"},
      {L"downloads.example.test\\Downloads\\ABCData.vyn", L"downloads.example.test",
       L"/Downloads/ABCData.vyn"},  // backslashes count as slashes
      {L"downloads.example.test", L"downloads.example.test", L"unchanged"},
      {L"http://host.test/a/b", L"http://host.test", L"/a/b"},
  };
  for (const Row& row : rows) {
    std::wstring server, path = L"unchanged";

    SplitUrl(row.url, server, path);

    EXPECT_EQ(server, row.server) << NarrowForDiagnostics(row.url);
    EXPECT_EQ(path, row.path) << NarrowForDiagnostics(row.url);
  }
}

// Port 80 unless a valid port follows the last colon; anything else stays in the name.
TEST(SplitServerPort, PortIs80UnlessTheHostCarriesAValidOne) {
  struct Row {
    const wchar_t* server;
    const wchar_t* host;
    int port;
  };
  const Row rows[] = {
      {L"downloads.example.test", L"downloads.example.test", 80},
      {L"127.0.0.1:8123", L"127.0.0.1", 8123},
      {L"host:", L"host:", 80},
      {L"host:http", L"host:http", 80},
      {L"host:0", L"host:0", 80},
      {L"host:65536", L"host:65536", 80},
      {L"host:123456", L"host:123456", 80},
  };
  for (const Row& row : rows) {
    ServerAddress address = SplitServerPort(row.server);

    EXPECT_EQ(address.host, row.host) << NarrowForDiagnostics(row.server);
    EXPECT_EQ(address.port, row.port) << NarrowForDiagnostics(row.server);
  }
}

}  // namespace
}  // namespace vyn
