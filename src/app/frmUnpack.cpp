#include "app/frmUnpack.h"

#include "retrieval/frmGetHTMLFile.h"

namespace vyn {

bool UnpackProgress::Unpacked(std::uint64_t done, std::uint64_t total) {
  done_ = done;
  total_ = total;
  return !cancelled_;
}

void UnpackProgress::Reset() {
  done_ = 0;
  total_ = 0;
  cancelled_ = false;
  committing_ = false;
}

void UnpackProgress::Cancel() {
  if (!committing_) cancelled_ = true;
}

int UnpackProgress::Permille() const {
  const std::uint64_t total = total_;
  if (committing_) return 1000;
  return total == 0 ? 0 : static_cast<int>(done_ * 1000 / total);
}

frmUnpack::frmUnpack(Platform& platform, UnpackProgress& progress)
    : platform_(platform), progress_(progress) {}

frmUnpack::~frmUnpack() = default;

// The download's window in shape and controls, so that the one follows the other
// in place: a bar and a "&Cancel" that Esc presses too, started by its timer.
FormDesign frmUnpack::Design() {
  FormDesign design = frmGetHTMLFile::Design();
  design.name = L"frmUnpack";
  design.caption = L"Unpacking";
  return design;
}

bool frmUnpack::Unpack(const std::wstring& caption, const std::function<void()>& work) {
  progress_.Reset();
  work_ = work;
  ran_ = false;
  failure_ = nullptr;
  form_ = platform_.forms.Load(Design(), *this);
  form_->SetCaption(caption);
  form_->Progress(L"ProgressBar").SetMax(1000);
  form_->SetTimerEnabled(true);
  form_->ShowModal();
  form_.reset();
  // A show that ended before its tick: the unpacking still runs, without a window.
  if (!ran_) platform_.waits.Run(work_);
  if (failure_) {
    if (progress_.CancelAsked() && !progress_.InCommit()) return false;
    std::rethrow_exception(failure_);
  }
  return true;
}

void frmUnpack::OnClick(const std::wstring& control) {
  if (control == L"cmdCancel") {
    platform_.log.Write(
        L"Cancel pressed during the unpack" +
        std::wstring(progress_.InCommit() ? L": too late, the files move in" : L""));
    progress_.Cancel();
  }
}

void frmUnpack::OnTimer() {
  form_->SetTimerEnabled(false);
  ran_ = true;
  try {
    platform_.waits.RunWithTicks(work_, [this] { Tick(); });
  } catch (...) {
    failure_ = std::current_exception();
  }
  form_->Hide();
}

void frmUnpack::Tick() {
  form_->Progress(L"ProgressBar").SetValue(static_cast<float>(progress_.Permille()));
  Control& cancel = form_->Item(L"cmdCancel");
  if (progress_.InCommit() && cancel.Enabled()) cancel.SetEnabled(false);
  platform_.pump.DoEvents();
}

}  // namespace vyn
