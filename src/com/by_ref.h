// By-reference arguments of the vtable methods, seen as the library's C++ values: read when the
// call starts, written back only when the call succeeded and changed them. A null pointer (or,
// for a text, the missing-argument marker below) means "omitted" for an optional argument (get()
// gives nullptr, so the library drops what it would write); a required argument goes through
// Required() first.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>

#include "com/bstr.h"
#include "com/com_include.h"

namespace orvabridge::com {

// Clients that call through the type library (ITypeInfo::Invoke, DispInvoke, VB6 or Delphi code
// compiled against it) hand an omitted optional parameter without a default over as a reference to
// a VARIANT holding DISP_E_PARAMNOTFOUND, whatever the parameter's type: the BSTR* then points at
// that VARIANT. A BSTR is never at an address whose low bits read VT_ERROR (it is at least 4-byte
// aligned), so the first word tells the marker apart before anything beyond the BSTR is read.
inline bool IsOmittedMarker(const BSTR* wire) {
  uintptr_t first = 0;
  std::memcpy(&first, wire, sizeof(first));
  if ((first & 0xFFFF) != VT_ERROR) return false;
  const auto* marker = reinterpret_cast<const VARIANT*>(wire);
  return V_ERROR(marker) == DISP_E_PARAMNOTFOUND;
}

struct TextWire {
  using Wire = BSTR;
  using Value = std::string;
  static bool Omitted(const BSTR* wire) { return IsOmittedMarker(wire); }
  static Value Read(BSTR wire) { return BstrToUtf8(wire); }
  static void Write(BSTR& wire, const Value& value) {
    UniqueBstr fresh = Utf8ToBstr(value);  // may throw: the old text stays in place
    ::SysFreeString(wire);
    wire = fresh.Detach();
  }
};

struct LongWire {
  using Wire = LONG;
  using Value = int32_t;
  static Value Read(LONG wire) { return static_cast<Value>(wire); }
  static void Write(LONG& wire, Value value) { wire = static_cast<LONG>(value); }
};

struct ShortWire {
  using Wire = SHORT;
  using Value = int16_t;
  static Value Read(SHORT wire) { return static_cast<Value>(wire); }
  static void Write(SHORT& wire, Value value) { wire = static_cast<SHORT>(value); }
};

// Automation booleans: any non-zero value is true; true goes back as VARIANT_TRUE (-1).
struct FlagWire {
  using Wire = VARIANT_BOOL;
  using Value = bool;
  static Value Read(VARIANT_BOOL wire) { return wire != VARIANT_FALSE; }
  static void Write(VARIANT_BOOL& wire, Value value) {
    wire = value ? VARIANT_TRUE : VARIANT_FALSE;
  }
};

struct DateWire {
  using Wire = DATE;
  using Value = double;
  static Value Read(DATE wire) { return wire; }
  static void Write(DATE& wire, Value value) { wire = value; }
};

// A published enumeration on the wire, a plain number or the library's own enum inside.
template <class WireEnum, class ValueType>
struct EnumWire {
  using Wire = WireEnum;
  using Value = ValueType;
  static Value Read(WireEnum wire) { return static_cast<Value>(wire); }
  static void Write(WireEnum& wire, Value value) { wire = static_cast<WireEnum>(value); }
};

template <class Traits>
class ByRef {
 public:
  using Wire = typename Traits::Wire;
  using Value = typename Traits::Value;

  explicit ByRef(Wire* wire) : wire_(wire) {
    if constexpr (requires { Traits::Omitted(wire); }) {
      if (wire_ != nullptr && Traits::Omitted(wire_)) wire_ = nullptr;
    }
    if (wire_ != nullptr) {
      value_ = Traits::Read(*wire_);
      original_ = value_;
    }
  }
  ByRef(const ByRef&) = delete;
  ByRef& operator=(const ByRef&) = delete;

  // The value, for a required argument (checked non-null by Required()).
  Value& operator*() { return value_; }
  // The value, or nullptr when the argument was omitted.
  Value* get() { return wire_ != nullptr ? &value_ : nullptr; }

  void Commit() {
    if (wire_ != nullptr && !(value_ == original_)) Traits::Write(*wire_, value_);
  }

 private:
  Wire* wire_;
  Value value_{};
  Value original_{};
};

using Text = ByRef<TextWire>;
using Long = ByRef<LongWire>;
using Short = ByRef<ShortWire>;
using Flag = ByRef<FlagWire>;
using Date = ByRef<DateWire>;

// Writes every changed argument back, after the library's call returned normally.
template <class... Args>
void CommitAll(Args&... args) {
  (args.Commit(), ...);
}

}  // namespace orvabridge::com
