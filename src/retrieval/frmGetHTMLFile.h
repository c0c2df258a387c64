#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Error.h"
#include "platform/Forms.h"
#include "platform/Platform.h"
#include "platform/Types.h"
#include "retrieval/RetrievalStatus.h"
#include "retrieval/SplitUrl.h"

namespace vyn {

// The modal progress window that fetches one URL into one local file per show.
// The transfer runs in the first tick of Timer1, inside the modal show; the
// caller only ever sees the RetrievalStatus.
class frmGetHTMLFile : public FormEvents {
 public:
  explicit frmGetHTMLFile(Platform& platform);
  ~frmGetHTMLFile() override;
  frmGetHTMLFile(const frmGetHTMLFile&) = delete;
  frmGetHTMLFile& operator=(const frmGetHTMLFile&) = delete;

  // Quiet is only read. KeepLoaded True leaves the window loaded afterwards; a
  // window kept loaded keeps the caption text of its first retrieval.
  RetrievalStatus GetFile(const std::wstring& URL, const std::wstring& LocalFile,
                          Boolean KeepLoaded, const std::wstring& CaptionText, Boolean ShowFileName,
                          std::int32_t BufferSize, Boolean& Quiet);

  // Conditions for the GetFile calls that follow: a server whose file still has
  // this ETag (a strong one only) or is unchanged since this Last-Modified (both
  // as it sent them) answers 304, without a body. Empty texts: none.
  void IfChanged(const std::string& etag, const std::string& lastModified);
  // After GetFile: the server answered 304 to the conditions; LocalFile was not
  // touched, and GetFile returned 0.
  bool Unchanged() const { return unchanged_; }
  // After GetFile fetched the file: its ETag and Last-Modified as the server sent
  // them ("" for none).
  const std::string& ETag() const { return etag_; }
  const std::string& LastModified() const { return lastModified_; }

  // The window's design: caption, progress bar, Cancel button and Timer1.
  static FormDesign Design();

  void OnClick(const std::wstring& control) override;
  void OnTimer() override;

 private:
  struct Attempt;

  Form& Window();  // loads the window when it is not loaded
  void cmdCancel_Click();
  void Timer1_Timer();
  void CheckCancel();
  std::wstring AttemptCaption() const;
  void RunAttempt(Attempt& attempt, const ServerAddress& server, const std::wstring& path);
  void Connect(Attempt& attempt, const ServerAddress& server);
  void OpenConnection(Attempt& attempt, const ServerAddress& server);
  std::uint32_t Request(Attempt& attempt, const ServerAddress& server, const std::wstring& path,
                        const std::string& headers);
  std::uint32_t SendRequest(Attempt& attempt, const std::wstring& path, bool secure,
                            const std::string& headers);
  std::int64_t ResumedPart(Attempt& attempt, std::uint32_t status);
  std::optional<std::string> QueryHeader(Attempt& attempt, std::uint32_t header,
                                         std::vector<std::uint8_t>& buffer);
  std::string QueryHeader(Attempt& attempt, std::uint32_t header);
  std::optional<std::int32_t> QueryContentLength(Attempt& attempt);
  std::int64_t ReadBody(Attempt& attempt, std::optional<std::int32_t> contentLength,
                        std::int64_t from);
  // Returns true when the user asked to retry; otherwise the transfer is finished.
  bool HandleFailure(const Error& failure, Attempt& attempt) noexcept;
  Error NetworkStepFailed(const wchar_t* step);
  Error NetworkStepRefused(const wchar_t* step, const std::wstring& reason,
                           std::uint32_t windowsError = 0);
  void LogFailure(const Error& failure);
  void ReleaseHandles(Attempt& attempt) noexcept;
  void Cleanup(Attempt& attempt) noexcept;
  void DropTemporaryFile(Attempt& attempt) noexcept;
  void HideWindow() noexcept;

  Platform& platform_;
  std::unique_ptr<Form> form_;

  // Retrieval state, kept across unloads of the window: what GetFile was asked
  // for, and the outcome.
  struct RetrievalState {
    std::wstring URL;
    std::wstring LocalFile;
    Boolean Quiet = kFalse;
    RetrievalStatus Status = kRetrievalCompleted;
    std::wstring CaptionText;
    std::int32_t BufferSize = 0;
    Boolean ShowFileName = kFalse;
  };
  RetrievalState state_;

  // Per show: whether Cancel was clicked, and whether the transfer started at all.
  bool cancelClicked_ = false;
  bool ticked_ = false;
  // The Windows error code of the last network step that failed, for the run log.
  std::uint32_t windowsError_ = 0;
  // What the retry question gives as that failure's reason; none when empty.
  std::wstring reason_;
  // The request's conditions as header lines, and what the last GetFile learnt.
  std::string conditions_;
  bool unchanged_ = false;
  std::string etag_;
  std::string lastModified_;
};

}  // namespace vyn
