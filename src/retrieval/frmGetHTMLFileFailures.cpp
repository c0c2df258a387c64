// The transfer's one handler for every failure: what the user is asked or
// told, what the run log records, and what an attempt leaves behind.

#include <string>

#include "platform/Error.h"
#include "retrieval/CertificateProblems.h"
#include "retrieval/TransferAttempt.h"
#include "retrieval/frmGetHTMLFile.h"

namespace vyn {

using namespace transfer;

// Called right after the failed step, before anything else can change the
// thread's last error, which the run log records.
Error frmGetHTMLFile::NetworkStepFailed(const wchar_t* step) {
  const std::uint32_t windowsError = platform_.inet.LastErrorCode();
  const wchar_t* problem = CertificateProblem(windowsError);
  return NetworkStepRefused(step, problem ? problem : L"", windowsError);
}

// A network step that failed for `reason`, which the question names (none when
// empty), with the Windows error behind it, if any.
Error frmGetHTMLFile::NetworkStepRefused(const wchar_t* step, const std::wstring& reason,
                                         std::uint32_t windowsError) {
  windowsError_ = windowsError;
  reason_ = reason;
  if (reason.empty()) return Error(kNetworkStepFailed, step);
  return Error(kNetworkStepFailed, std::wstring(step) + L": " + reason);
}

bool frmGetHTMLFile::HandleFailure(const Error& failure, Attempt& attempt) noexcept {
  MessageBoxes& boxes = platform_.messageBoxes;
  // From here on a failing step is skipped and nothing more is reported.
  try {
    LogFailure(failure);
    switch (failure.Number()) {
      case kCancelled:
        state_.Status = kRetrievalCancelled;
        break;
      case kNetworkStepFailed: {
        // A Cancel clicked while the step blocked is answered before any question.
        platform_.pump.DoEvents();
        if (cancelClicked_) {
          state_.Status = kRetrievalCancelled;
          break;
        }
        state_.Status = kRetrievalNotRetrieved;
        if (form_) form_->SetCaption(L"Error " + failure.Description());
        std::wstring question = L"Error connecting to server. Do you want to retry?";
        if (!reason_.empty()) question += L"\r\n\r\nReason: " + reason_ + L".";
        MessageAnswer answer = boxes.Show(question, L"Connect Error", MessageButtons::kYesNo);
        // A Cancel that reached the window while the question was up wins over the answer.
        if (cancelClicked_) {
          state_.Status = kRetrievalCancelled;
        } else if (answer == MessageAnswer::kYes) {
          // What a broken body received stays for the next attempt to continue.
          if (attempt.resume.Usable()) {
            ReleaseHandles(attempt);
          } else {
            Cleanup(attempt);
          }
          return true;
        }
        break;
      }
      case kErrorPage:
        state_.Status = kRetrievalNotRetrieved;
        if (state_.Quiet == kFalse) {
          boxes.Show(L"Requested file not found\r\n" + state_.URL, L"File not found",
                     MessageButtons::kOk);
        }
        break;
      default:
        state_.Status = kRetrievalCancelled;
        boxes.Show(std::to_wstring(failure.Number()) + L" - " + failure.Description(), kAppTitle,
                   MessageButtons::kOk);
        break;
    }
  } catch (...) {
    if (state_.Status == kRetrievalRunning) state_.Status = kRetrievalCancelled;
  }
  Cleanup(attempt);
  HideWindow();
  return false;
}

void frmGetHTMLFile::LogFailure(const Error& failure) {
  std::wstring event;
  switch (failure.Number()) {
    case kCancelled:
      event = L"Cancelled";
      break;
    case kNetworkStepFailed:
      event = L"Network failure: " + DescribeFailure(failure.Number(), failure.Description()) +
              L", Windows error " + std::to_wstring(windowsError_);
      break;
    case kErrorPage:
      event = L"Not retrieved: the server answered with a page, not the file";
      break;
    default:
      event = L"Transfer failed: " + DescribeFailure(failure.Number(), failure.Description());
      break;
  }
  platform_.log.Write(event);
}

void frmGetHTMLFile::ReleaseHandles(Attempt& attempt) noexcept {
  attempt.request.Close();
  attempt.connection.Close();
  attempt.session.Close();
}

void frmGetHTMLFile::Cleanup(Attempt& attempt) noexcept {
  ReleaseHandles(attempt);
  DropTemporaryFile(attempt);
}

// Deletes the temporary file once it was named, also when opening it failed.
void frmGetHTMLFile::DropTemporaryFile(Attempt& attempt) noexcept {
  attempt.resume = ResumePoint{};
  if (attempt.tempPath.empty()) return;
  try {
    if (attempt.tempFile && attempt.tempFile->IsOpen()) attempt.tempFile->Close();
  } catch (...) {
  }
  attempt.tempFile.reset();
  try {
    platform_.files.Kill(attempt.tempPath);
  } catch (...) {
  }
  attempt.tempPath.clear();
}

}  // namespace vyn
