// Optional by-reference arguments: nullptr means "omitted". An omitted input reads as empty or 0,
// and what would be written to an omitted output is dropped.
#pragma once

#include <string>
#include <utility>

namespace orvabridge::operations {

inline std::string TextOf(const std::string* text) {
  return text != nullptr ? *text : std::string();
}

template <class T>
T ValueOr0(const T* value) {
  return value != nullptr ? *value : T{};
}

template <class T>
void Put(T* out, T value) {
  if (out != nullptr) *out = std::move(value);
}

}  // namespace orvabridge::operations
