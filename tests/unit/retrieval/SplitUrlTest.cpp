#include "retrieval/SplitUrl.h"

#include <gtest/gtest.h>

namespace vyn {
namespace {

TEST(SplitUrl, HostThenPathSplitAtTheFirstSlash) {
  std::wstring server, path;

  SplitUrl(L"downloads.example.test/Downloads/ABCData.vyn", server, path);

  EXPECT_EQ(server, L"downloads.example.test");
  EXPECT_EQ(path, L"/Downloads/ABCData.vyn");
}

TEST(SplitUrl, BackslashesCountAsSlashes) {
  std::wstring server, path;

  SplitUrl(L"downloads.example.test\\Downloads\\ABCData.vyn", server, path);

  EXPECT_EQ(server, L"downloads.example.test");
  EXPECT_EQ(path, L"/Downloads/ABCData.vyn");
}

TEST(SplitUrl, WithoutPathTheWholeUrlIsTheServerAndPathIsLeftAlone) {
  std::wstring server, path = L"unchanged";

  SplitUrl(L"downloads.example.test", server, path);

  EXPECT_EQ(server, L"downloads.example.test");
  EXPECT_EQ(path, L"unchanged");
}

TEST(SplitUrl, PathSearchStartsAfterASchemesDoubleSlash) {
  std::wstring server, path;

  SplitUrl(L"http://host.test/a/b", server, path);

  EXPECT_EQ(server, L"http://host.test");
  EXPECT_EQ(path, L"/a/b");
}

TEST(SplitServerPort, PortIs80WithoutOne) {
  ServerAddress address = SplitServerPort(L"downloads.example.test");

  EXPECT_EQ(address.host, L"downloads.example.test");
  EXPECT_EQ(address.port, 80);
}

TEST(SplitServerPort, HostMayCarryAPort) {
  ServerAddress address = SplitServerPort(L"127.0.0.1:8123");

  EXPECT_EQ(address.host, L"127.0.0.1");
  EXPECT_EQ(address.port, 8123);
}

TEST(SplitServerPort, SomethingThatIsNoPortStaysInTheName) {
  for (const wchar_t* server : {L"host:", L"host:http", L"host:0", L"host:65536", L"host:123456"}) {
    ServerAddress address = SplitServerPort(server);

    EXPECT_EQ(address.host, server);
    EXPECT_EQ(address.port, 80);
  }
}

}  // namespace
}  // namespace vyn
