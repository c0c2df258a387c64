#include "app/DataFolderLock.h"

#include "app/UnattendedAnswers.h"

namespace vyn {
namespace {

constexpr std::chrono::seconds kStandardLockWait = std::chrono::minutes(30);

}  // namespace

std::wstring HolderDescription(const LockHolder& holder) {
  std::wstring text = holder.scheduled ? L"scheduled" : L"interactive";
  if (!holder.user.empty()) text += L", started by " + holder.user;
  if (!holder.computer.empty()) text += L" on " + holder.computer;
  if (!holder.started.empty()) text += L" at " + holder.started;
  return text;
}

std::wstring HolderInLog(const LockHolder& holder) {
  return L"another refresh (" + HolderDescription(holder) +
         (holder.processId.empty() ? L"" : L", process " + holder.processId) + L")";
}

std::wstring DataFolderBusyText(const LockHolder& holder) {
  const bool known = !holder.user.empty() || !holder.computer.empty() || !holder.started.empty();
  return L"A refresh of this data folder is already running" +
         (known ? L" (" + HolderDescription(holder) + L")" : std::wstring()) +
         L". Wait for it to finish, then press Download again.";
}

std::chrono::seconds LockWait(const std::wstring& value) {
  return WholeSeconds(value).value_or(kStandardLockWait);
}

}  // namespace vyn
