#include "app/DataFolderLock.h"

namespace vyn {
namespace {

constexpr std::chrono::seconds kStandardLockWait = std::chrono::minutes(30);
constexpr long kMostLockWaitSeconds = 24L * 60 * 60;

}  // namespace

std::wstring HolderDescription(const LockHolder& holder) {
  std::wstring text = holder.scheduled ? L"scheduled" : L"interactive";
  if (!holder.user.empty()) text += L", started by " + holder.user;
  if (!holder.computer.empty()) text += L" on " + holder.computer;
  if (!holder.started.empty()) text += L" at " + holder.started;
  return text;
}

std::wstring DataFolderBusyText(const LockHolder& holder) {
  const bool known = !holder.user.empty() || !holder.computer.empty() || !holder.started.empty();
  return L"A refresh of this data folder is already running" +
         (known ? L" (" + HolderDescription(holder) + L")" : std::wstring()) +
         L". Wait for it to finish, then press Download again.";
}

std::chrono::seconds LockWait(const std::wstring& value) {
  if (value.empty()) return kStandardLockWait;
  long seconds = 0;
  for (wchar_t c : value) {
    if (c < L'0' || c > L'9') return kStandardLockWait;
    seconds = seconds * 10 + (c - L'0');
    if (seconds > kMostLockWaitSeconds) return kStandardLockWait;
  }
  return std::chrono::seconds(seconds);
}

}  // namespace vyn
