#pragma once

namespace vyn {

// The platform interfaces carry Windows handles as opaque values of pointer size
// (RegistryHandle, InternetHandle); this is where they become Windows' types and back.
template <class To, class From>
To HandleCast(From handle) {
  return reinterpret_cast<To>(handle);
}

}  // namespace vyn
