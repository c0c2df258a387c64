#pragma once

#include <string>
#include <vector>

#include "platform/RunLog.h"

namespace vyn::fakes {

// Keeps the events written, without times.
class FakeRunLog : public RunLog {
 public:
  std::vector<std::wstring> events;

  void Write(const std::wstring& event) noexcept override { events.push_back(event); }
  // The first event that contains `part`; empty when none does.
  std::wstring Find(const std::wstring& part) const {
    for (const std::wstring& event : events) {
      if (event.find(part) != std::wstring::npos) return event;
    }
    return L"";
  }
};

}  // namespace vyn::fakes
