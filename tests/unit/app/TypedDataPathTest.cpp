#include "AppFixture.h"

namespace vyn::test {
namespace {

using ::testing::ElementsAre;

// Start-up that found no product: the data folder box is open for typing.
class TypedDataPathTest : public AppTest {
 protected:
  TypedDataPathTest() {
    registry.SetString(kKey, L"AppData", L"");
    registry.SetString(kKey, L"Install Path", L"");
    LoadAndShow();
    Window().Click(L"chkMls");
    shownAtStart = boxes.Shown().size();
  }
  void TypeAndDownload(const std::wstring& text) {
    Window().Fake(L"txtDatapath").SetText(text);
    Window().Click(L"cmdDownload");
  }
  std::vector<std::wstring> NewTexts() const {
    auto texts = boxes.Texts();
    return {texts.begin() + static_cast<std::ptrdiff_t>(shownAtStart), texts.end()};
  }
  std::size_t shownAtStart = 0;
};

TEST_F(TypedDataPathTest, EmptyPathIsRejected) {
  TypeAndDownload(L"");
  EXPECT_THAT(NewTexts(), ElementsAre(L"Invalid data path:"));
  EXPECT_TRUE(inet.Calls().empty());
  EXPECT_TRUE(WindowLoaded());
}

TEST_F(TypedDataPathTest, ExistingFolderGetsItsBackslashAndIsUsed) {
  disk.AddFolder(L"D:\\My Data");
  inet.responses = {Archive("PK-mls")};

  TypeAndDownload(L"D:\\My Data");

  EXPECT_NE(std::find(components.log.calls.begin(), components.log.calls.end(),
                      L"SourceArchive(D:\\My Data\\VynData.zip)"),
            components.log.calls.end());
  EXPECT_THAT(NewTexts(), ElementsAre(L"Download Complete"));
}

TEST_F(TypedDataPathTest, MissingFolderIsRejectedShowingTheAppendedBackslash) {
  TypeAndDownload(L"D:\\Missing");

  EXPECT_EQ(Window().Fake(L"txtDatapath").Text(), L"D:\\Missing\\");
  EXPECT_THAT(NewTexts(), ElementsAre(L"Invalid data path:D:\\Missing\\"));
  EXPECT_TRUE(inet.Calls().empty());
  EXPECT_EQ(components.zipExtractorsCreated, 1);  // made before any check
}

}  // namespace
}  // namespace vyn::test
