#include "FakeMessagePump.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace vyn::fakes {

void FakeMessagePump::WaitAndDispatch() {
  // Nothing ever arrives by itself in a test; waiting here would hang.
  ADD_FAILURE() << "WaitAndDispatch called with no user to act";
  throw std::runtime_error("WaitAndDispatch in a test");
}

}  // namespace vyn::fakes
