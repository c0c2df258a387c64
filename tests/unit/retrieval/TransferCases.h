#pragma once

// The transfers both suites run: over the scripted WinInet and disk, and over
// the real ones against a loopback server. Each suite turns the server's
// answers into its own script and checks the same end.

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "FakeMessageBoxes.h"
#include "platform/MessageBoxes.h"
#include "platform/Types.h"
#include "retrieval/RetrievalStatus.h"

namespace vyn::test {

// Bytes of an archive: every value, and no error page's first character.
inline std::string Archive(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 31 + i / 977) & 0xFF);
  if (size > 0) bytes[0] = 'P';
  return bytes;
}

struct ServerAnswer {
  int status;
  const char* reason;
  std::string body;
  bool withLength = true;        // announces Content-Length
  std::size_t cutAfter = 0;      // > 0: the connection ends after so many bytes of the body
  const char* length = nullptr;  // a Content-Length of this text instead
  std::size_t piece = 0;         // > 0: the body arrives this many bytes at a time
  std::string validators{};      // a header line: "ETag: ..." or "Last-Modified: ..."
  std::string contentRange{};    // a 206's Content-Range
};

inline ServerAnswer With(std::string validator, ServerAnswer answer) {
  answer.validators = std::move(validator);
  return answer;
}

// The part of whole from byte `from` on, as a server answers a range request.
inline ServerAnswer Partial(const std::string& whole, std::size_t from, std::size_t cutAfter = 0) {
  ServerAnswer answer{206, "Partial Content", whole.substr(from), true, cutAfter};
  answer.validators = "ETag: \"v1\"";
  answer.contentRange = "bytes " + std::to_string(from) + "-" + std::to_string(whole.size() - 1) +
                        "/" + std::to_string(whole.size());
  return answer;
}

inline ServerAnswer Unannounced(ServerAnswer answer) {
  answer.withLength = false;
  return answer;
}

// The headers a request carried to ask for the rest of a body ("" for none).
inline std::string RangeLines(const std::string& head) {
  std::string lines;
  for (std::size_t at = 0; at < head.size();) {
    std::size_t end = head.find("\r\n", at);
    if (end == std::string::npos) end = head.size();
    const std::string line = head.substr(at, end - at);
    if (line.rfind("Range:", 0) == 0 || line.rfind("If-Range:", 0) == 0) lines += line + "\r\n";
    at = end + 2;
  }
  return lines;
}

inline ServerAnswer Ok(std::string body, bool withLength = true, std::size_t cutAfter = 0) {
  return {200, "OK", std::move(body), withLength, cutAfter};
}

inline ServerAnswer OkInPieces(std::string body, std::size_t piece) {
  return {200, "OK", std::move(body), true, 0, nullptr, piece};
}

inline ServerAnswer OkWithLength(const char* length) {
  return {200, "OK", Archive(5000), false, 0, length};
}

enum class Before { kNoTarget, kOldTarget, kReadOnlyOldTarget, kFolderMissing };
enum class After { kOld, kLastBody, kFirstBody, kNoTarget };

struct ShownBox {
  std::wstring title;
  std::wstring text;  // "%url" stands for the requested address
  MessageButtons buttons = MessageButtons::kOk;
};

struct TransferCase {
  const char* name;
  std::vector<ServerAnswer> answers;  // none: nobody listens
  Before before;
  Boolean quiet;
  std::vector<MessageAnswer> userAnswers;
  RetrievalStatus status;
  After after;
  std::vector<ShownBox> boxes;
  const wchar_t* captionAtQuestion = nullptr;  // checked when given
  std::vector<std::string> ranges{};           // per request, its RangeLines(); checked when given
};

inline void PrintTo(const TransferCase& c, std::ostream* os) {
  *os << c.name;
}

inline std::vector<TransferCase> TransferCases() {
  const std::string early = Archive(100000);
  const std::string laterChunk = "PK" + std::string(4094, 'x') + "<html> not a page";
  // The rest after the cut begins like a page: only the whole body's first byte counts.
  std::string broken = Archive(100000);
  broken[90000] = '<';
  const std::string changed = Archive(100003).substr(3);
  const std::string longer = Archive(120000);
  const std::string etag = "ETag: \"v1\"";
  const std::string restAt90000 = "Range: bytes=90000-\r\nIf-Range: \"v1\"\r\n";
  const ShownBox notFound{L"File not found", L"Requested file not found\r\n%url"};
  const ShownBox retry{L"Connect Error", L"Error connecting to server. Do you want to retry?",
                       MessageButtons::kYesNo};
  const ShownBox pathNotFound{L"VYNDataLoader", L"76 - Path not found"};
  const ShownBox typeMismatch{L"VYNDataLoader", L"13 - Type mismatch"};
  const ShownBox overflow{L"VYNDataLoader", L"6 - Overflow"};
  using B = Before;
  using A = After;
  // clang-format off
  return {
      {"CompleteReplacesTheOldTarget", {Ok(Archive(10000))}, B::kOldTarget, kTrue, {}, 0, A::kLastBody, {}},
      {"CompleteWithContentLength", {Ok(Archive(300001))}, B::kNoTarget, kTrue, {}, 0, A::kLastBody, {}},
      {"CompleteWithoutContentLength", {Ok(Archive(123457), false)}, B::kNoTarget, kTrue, {}, 0, A::kLastBody, {}},
      {"EmptyWithoutContentLength", {Ok("", false)}, B::kOldTarget, kTrue, {}, 0, A::kLastBody, {}},
      {"ArrivalsSmallerThanAChunkAreStoredWhole", {OkInPieces(Archive(30000), 1000)}, B::kOldTarget, kTrue, {}, 0, A::kLastBody, {}},
      {"LessThanStartingALaterChunkIsData", {Ok(laterChunk)}, B::kNoTarget, kTrue, {}, 0, A::kLastBody, {}},
      {"PageServedAsDataQuietly", {Ok("<" + Archive(5000))}, B::kOldTarget, kTrue, {}, 3, A::kOld, {}},
      {"PageServedAsDataTellsTheUser", {Ok("<" + Archive(5000))}, B::kOldTarget, kFalse, {}, 3, A::kOld, {notFound}},
      {"SpaceFirstServedAsDataQuietly", {Ok(" " + Archive(5000))}, B::kOldTarget, kTrue, {}, 3, A::kOld, {}},
      {"SpaceFirstServedAsDataTellsTheUser", {Ok(" " + Archive(5000))}, B::kOldTarget, kFalse, {}, 3, A::kOld, {notFound}},
      {"NotFoundPageQuietly", {{404, "Not Found", "<html><body>Not here</body></html>"}}, B::kOldTarget, kTrue, {}, 3, A::kOld, {}},
      {"NotFoundThatLooksLikeData", {{404, "Not Found", "PK looks like data"}}, B::kOldTarget, kFalse, {}, 3, A::kOld, {notFound}},
      {"ServerErrorThatLooksLikeData", {{500, "Internal Server Error", "PKoops"}}, B::kOldTarget, kFalse, {}, 3, A::kOld, {notFound}},
      {"NobodyListeningAsksToRetry", {}, B::kNoTarget, kTrue, {MessageAnswer::kNo}, 3, A::kNoTarget, {retry}},
      {"EarlyCloseIsAReadFailure", {Ok(early, true, 30000)}, B::kOldTarget, kTrue, {MessageAnswer::kNo}, 3, A::kOld, {retry}, L"Error Reading File"},
      {"RetryAfterAnEarlyCloseWithoutValidatorStartsOver", {Ok(early, true, 30000), Ok(early)}, B::kNoTarget, kTrue, {MessageAnswer::kYes}, 0, A::kLastBody, {retry}, nullptr, {"", ""}},
      {"RetryAsksForTheRestAndAppendsIt", {With(etag, Ok(broken, true, 90000)), Partial(broken, 90000)}, B::kOldTarget, kTrue, {MessageAnswer::kYes}, 0, A::kFirstBody, {retry}, nullptr, {"", restAt90000}},
      {"RestThatBreaksAgainIsResumedAgain", {With(etag, Ok(broken, true, 50000)), Partial(broken, 50000, 30000), Partial(broken, 80000)}, B::kOldTarget, kTrue, {MessageAnswer::kYes, MessageAnswer::kYes}, 0, A::kFirstBody, {retry, retry}, nullptr,
       {"", "Range: bytes=50000-\r\nIf-Range: \"v1\"\r\n", "Range: bytes=80000-\r\nIf-Range: \"v1\"\r\n"}},
      {"LastModifiedIsTheValidatorWithoutETag", {With("Last-Modified: Tue, 01 Dec 2026 10:00:00 GMT", Ok(broken, true, 90000)), Partial(broken, 90000)}, B::kNoTarget, kTrue, {MessageAnswer::kYes}, 0, A::kFirstBody, {retry}, nullptr,
       {"", "Range: bytes=90000-\r\nIf-Range: Tue, 01 Dec 2026 10:00:00 GMT\r\n"}},
      {"WeakETagIsNoValidator", {With("ETag: W/\"v1\"", Ok(broken, true, 90000)), Ok(broken)}, B::kNoTarget, kTrue, {MessageAnswer::kYes}, 0, A::kLastBody, {retry}, nullptr, {"", ""}},
      {"ChangedArchiveStartsOverWhole", {With(etag, Ok(broken, true, 90000)), With("ETag: \"v2\"", Ok(changed))}, B::kOldTarget, kTrue, {MessageAnswer::kYes}, 0, A::kLastBody, {retry}, nullptr, {"", restAt90000}},
      {"ServerIgnoringRangesGivesAWholeNewDownload", {With(etag, Ok(broken, true, 90000)), With(etag, Ok(broken))}, B::kNoTarget, kTrue, {MessageAnswer::kYes}, 0, A::kLastBody, {retry}, nullptr, {"", restAt90000}},
      {"RestThatDoesNotFitIsAskedForWhole", {With(etag, Ok(broken, true, 90000)), Partial(broken, 50000), Ok(broken)}, B::kNoTarget, kTrue, {MessageAnswer::kYes}, 0, A::kLastBody, {retry}, nullptr, {"", restAt90000, ""}},
      {"RestWithoutItsLengthIsAskedForWhole", {With(etag, Ok(broken, true, 90000)), Unannounced(Partial(broken, 90000)), Ok(broken)}, B::kNoTarget, kTrue, {MessageAnswer::kYes}, 0, A::kLastBody, {retry}, nullptr, {"", restAt90000, ""}},
      {"RestOfAnotherLengthIsAskedForWhole", {With(etag, Ok(broken, true, 90000)), Partial(longer, 90000), Ok(longer)}, B::kNoTarget, kTrue, {MessageAnswer::kYes}, 0, A::kLastBody, {retry}, nullptr, {"", restAt90000, ""}},
      {"RangeAnsweredWithAPageIsNotRetrieved", {With(etag, Ok(broken, true, 90000)), {404, "Not Found", "<html>gone</html>"}, {404, "Not Found", "<html>gone</html>"}}, B::kOldTarget, kTrue, {MessageAnswer::kYes}, 3, A::kOld, {retry}, nullptr, {"", restAt90000, ""}},
      {"ReadOnlyTargetIsReplaced", {Ok(Archive(5000))}, B::kReadOnlyOldTarget, kTrue, {}, 0, A::kLastBody, {}},
      {"TargetInMissingFolder", {Ok(Archive(5000))}, B::kFolderMissing, kTrue, {}, 1, A::kNoTarget, {pathNotFound}},
      {"ContentLengthNoNumber", {OkWithLength("12ab")}, B::kNoTarget, kTrue, {}, 1, A::kNoTarget, {typeMismatch}},
      {"ContentLengthTooBig", {OkWithLength("2147483648")}, B::kNoTarget, kTrue, {}, 1, A::kNoTarget, {overflow}},
  };
  // clang-format on
}

inline const std::string kOldArchive = "old archive";

// The user's answers, and the window's caption when a question comes up.
template <class Forms>
void ScriptUser(const TransferCase& c, fakes::FakeMessageBoxes& boxes, Forms& forms,
                std::wstring& captionAtQuestion) {
  for (MessageAnswer answer : c.userAnswers) boxes.ScriptAnswer(answer);
  boxes.onShow = [&forms, &captionAtQuestion](const fakes::ShownMessage&) {
    if (auto* form = forms.Find(L"frmGetHTMLFile")) captionAtQuestion = form->Caption();
  };
}

// The end both suites check; stored is the target's bytes, none without a target.
inline void ExpectEnd(const TransferCase& c, RetrievalStatus status,
                      const std::optional<std::string>& stored,
                      const fakes::FakeMessageBoxes& boxes, const std::wstring& url,
                      const std::wstring& captionAtQuestion) {
  EXPECT_EQ(status, c.status);
  if (c.after == After::kNoTarget) {
    EXPECT_FALSE(stored.has_value());
  } else {
    // Compared without printing: the bodies are large.
    const std::string& expected = c.after == After::kOld         ? kOldArchive
                                  : c.after == After::kFirstBody ? c.answers.front().body
                                                                 : c.answers.back().body;
    EXPECT_TRUE(stored == expected)
        << "target of " << (stored ? stored->size() : 0) << " bytes, expected " << expected.size();
  }
  if (c.captionAtQuestion) {
    EXPECT_EQ(captionAtQuestion, c.captionAtQuestion);
  }
  ASSERT_EQ(boxes.Shown().size(), c.boxes.size());
  for (std::size_t i = 0; i < c.boxes.size(); ++i) {
    std::wstring text = c.boxes[i].text;
    if (std::size_t at = text.find(L"%url"); at != std::wstring::npos) text.replace(at, 4, url);
    EXPECT_EQ(boxes.Shown()[i].title, c.boxes[i].title);
    EXPECT_EQ(boxes.Shown()[i].text, text);
    EXPECT_EQ(boxes.Shown()[i].buttons, c.boxes[i].buttons);
  }
}

// What each request sent to ask for a rest, against the case's expectation.
inline void ExpectRanges(const TransferCase& c, const std::vector<std::string>& sent) {
  if (c.ranges.empty()) return;
  ASSERT_EQ(sent.size(), c.ranges.size());
  for (std::size_t i = 0; i < sent.size(); ++i) {
    EXPECT_EQ(RangeLines(sent[i]), c.ranges[i]) << "request " << i;
  }
}

}  // namespace vyn::test
