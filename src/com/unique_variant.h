// A VARIANT that is cleared exactly once, when its owner goes.
#pragma once

#include "com/com_include.h"

namespace orvabridge::com {

class UniqueVariant {
 public:
  UniqueVariant() { ::VariantInit(&value_); }
  UniqueVariant(const UniqueVariant&) = delete;
  UniqueVariant& operator=(const UniqueVariant&) = delete;
  UniqueVariant(UniqueVariant&& other) noexcept : value_(other.Detach()) {}
  UniqueVariant& operator=(UniqueVariant&& other) noexcept {
    if (this != &other) {
      Clear();
      value_ = other.Detach();
    }
    return *this;
  }
  ~UniqueVariant() { Clear(); }

  VARIANT* get() { return &value_; }
  const VARIANT* get() const { return &value_; }
  VARTYPE type() const { return V_VT(&value_); }
  void Clear() { ::VariantClear(&value_); }
  // Hands the value, and whatever it owns, to the caller; this one is left empty.
  VARIANT Detach() {
    VARIANT moved = value_;
    ::VariantInit(&value_);
    return moved;
  }

 private:
  VARIANT value_;
};

}  // namespace orvabridge::com
