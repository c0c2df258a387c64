#include "retrieval/frmGetHTMLFile.h"

#include "platform/Error.h"

namespace vyn {

frmGetHTMLFile::frmGetHTMLFile(Platform& platform) : platform_(platform) {}

frmGetHTMLFile::~frmGetHTMLFile() = default;

FormDesign frmGetHTMLFile::Design() {
  FormDesign design = WindowDesign(L"frmGetHTMLFile", L"Retrieving data", 3012, 420,
                                   StartPosition::kCenterOwner, FormBorder::kFixedDialog);

  ControlDesign bar;
  bar.name = L"ProgressBar";
  bar.kind = ControlKind::kProgressBar;
  bar.left = 60;
  bar.top = 120;
  bar.width = 2052;
  bar.height = 192;
  bar.tabIndex = 1;

  ControlDesign cancel;
  cancel.name = L"cmdCancel";
  cancel.kind = ControlKind::kButton;
  cancel.text = L"&Cancel";
  cancel.left = 2220;
  cancel.top = 60;
  cancel.width = 732;
  cancel.height = 252;
  cancel.tabIndex = 0;

  design.controls = {bar, cancel};
  design.timerIntervalMs = 1;
  design.cancelButton = L"cmdCancel";  // Esc cancels too
  return design;
}

Form& frmGetHTMLFile::Window() {
  if (!form_) form_ = platform_.forms.Load(Design(), *this);
  return *form_;
}

RetrievalStatus frmGetHTMLFile::GetFile(const std::wstring& URL, const std::wstring& LocalFile,
                                        Boolean KeepLoaded, const std::wstring& CaptionText,
                                        Boolean ShowFileName, std::int32_t BufferSize,
                                        Boolean& Quiet) {
  // A show that fails, or that ends before the transfer ran, is never a success.
  RetrievalStatus result = kRetrievalCancelled;
  try {
    state_.URL = URL;
    state_.LocalFile = LocalFile;
    state_.Quiet = Quiet;
    state_.BufferSize = BufferSize;
    state_.ShowFileName = ShowFileName;
    if (state_.CaptionText.empty()) state_.CaptionText = CaptionText;
    cancelClicked_ = false;
    ticked_ = false;
    unchanged_ = false;
    etag_.clear();
    lastModified_.clear();
    Window().SetTimerEnabled(true);
    form_->ShowModal();
    if (ticked_ || cancelClicked_) result = state_.Status;
  } catch (...) {
    result = kRetrievalCancelled;
  }
  if (KeepLoaded == kFalse) {
    try {
      form_.reset();
    } catch (...) {
    }
  }
  return result;
}

void frmGetHTMLFile::OnClick(const std::wstring& control) {
  if (control == L"cmdCancel") cmdCancel_Click();
}

void frmGetHTMLFile::OnTimer() {
  // Nothing may escape into the window system: the transfer handles its own failures.
  try {
    Timer1_Timer();
  } catch (...) {
    state_.Status = kRetrievalCancelled;
    HideWindow();
  }
}

void frmGetHTMLFile::cmdCancel_Click() {
  state_.Status = kRetrievalCancelled;
  cancelClicked_ = true;
  // Before the first tick this keeps a hidden window from starting the transfer later.
  if (form_) {
    form_->SetTimerEnabled(false);
    form_->Hide();
  }
}

void frmGetHTMLFile::HideWindow() noexcept {
  try {
    if (form_) form_->Hide();
  } catch (...) {
  }
}

}  // namespace vyn
