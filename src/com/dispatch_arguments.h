// The arguments of one late-bound call, matched to the member's parameters and coerced to their
// types, so that the vtable method can be called with typed pointers.
//
// What clients send and what becomes of it:
// - positional arguments come last-first in rgvarg; named ones first, with their parameter
//   indices in rgdispidNamedArgs;
// - any value, by value or by reference, typed or a VARIANT by reference (every VBScript
//   variable), is coerced with the member's own type; what cannot be coerced fails with
//   DISP_E_TYPEMISMATCH (DISP_E_OVERFLOW for a number out of range) and *argument_error names
//   the argument's index in rgvarg;
// - a missing argument (absent, or VT_ERROR DISP_E_PARAMNOTFOUND) of an optional parameter is
//   omitted: the method gets a null pointer; of a required parameter it fails the call with
//   DISP_E_BADPARAMCOUNT (too few positional arguments) or DISP_E_PARAMNOTOPTIONAL (VB's
//   "Argument not optional"; *argument_error names a positional one marked missing);
// - a named argument whose id is not a parameter, or names one twice, fails with
//   DISP_E_PARAMNOTFOUND and *argument_error names it;
// - after a successful call every by-reference argument holds the parameter's value: a typed
//   reference is written through, a VARIANT reference receives a value of the parameter's type;
//   a typed reference of another type than the parameter's is refused up front, as stock
//   automation does, since nothing could be written back into it.
#pragma once

#include <cstddef>
#include <new>
#include <vector>

#include "com/com_include.h"
#include "com/unique_variant.h"

namespace orvabridge::com {

class DispatchArguments {
 public:
  DispatchArguments() = default;
  DispatchArguments(const DispatchArguments&) = delete;
  DispatchArguments& operator=(const DispatchArguments&) = delete;

  // S_OK, or the DISP_E_* code that ends the call before the method runs.
  HRESULT Bind(ITypeInfo& info, const FUNCDESC& function, DISPPARAMS& params, LCID lcid,
               UINT& argument_error);

  // Typed pointers to the coerced values; nullptr for an omitted argument (or one whose type is
  // not the one asked for, which Mismatched() then reports).
  BSTR* Text(size_t index) {
    VARIANT* value = Argument(index, VT_BSTR);
    return value != nullptr ? &V_BSTR(value) : nullptr;
  }
  LONG* Long(size_t index) {
    VARIANT* value = Argument(index, VT_I4);
    return value != nullptr ? &V_I4(value) : nullptr;
  }
  SHORT* Short(size_t index) {
    VARIANT* value = Argument(index, VT_I2);
    return value != nullptr ? &V_I2(value) : nullptr;
  }
  VARIANT_BOOL* Flag(size_t index) {
    VARIANT* value = Argument(index, VT_BOOL);
    return value != nullptr ? &V_BOOL(value) : nullptr;
  }
  DATE* Date(size_t index) {
    VARIANT* value = Argument(index, VT_DATE);
    return value != nullptr ? &V_DATE(value) : nullptr;
  }
  // A published enumeration: its own storage, read back into the slot's number afterwards.
  template <class Enum>
  Enum* EnumValue(size_t index);

  // Where the method leaves its [out, retval] value.
  LONG* LongResult() {
    VARIANT* value = Result(VT_I4);
    return value != nullptr ? &V_I4(value) : nullptr;
  }
  BSTR* TextResult() {
    VARIANT* value = Result(VT_BSTR);
    return value != nullptr ? &V_BSTR(value) : nullptr;
  }
  VARIANT_BOOL* FlagResult() {
    VARIANT* value = Result(VT_BOOL);
    return value != nullptr ? &V_BOOL(value) : nullptr;
  }

  // The member table asked for a type that the type library does not give this member.
  bool Mismatched() const { return mismatched_; }

  // After the method succeeded: outputs into the caller's references, the result into `result`
  // (which may be null when the caller wants none).
  void WriteBack();
  void TakeResult(VARIANT* result);

 private:
  struct Slot {
    VARTYPE type = VT_EMPTY;
    VARIANTARG* source = nullptr;  // the caller's argument; null when omitted
    UniqueVariant value;
    alignas(LONG) unsigned char enum_storage[sizeof(LONG)] = {};
    LONG (*read_enum)(const void*) = nullptr;
  };

  // The coerced value of argument `index` if it has `type` and was not omitted.
  VARIANT* Argument(size_t index, VARTYPE type);
  // The result, prepared to receive a value of `type`.
  VARIANT* Result(VARTYPE type);
  std::vector<Slot> slots_;
  VARTYPE result_type_ = VT_EMPTY;
  UniqueVariant result_;
  bool mismatched_ = false;
};

template <class Enum>
Enum* DispatchArguments::EnumValue(size_t index) {
  static_assert(sizeof(Enum) == sizeof(LONG), "published enumerations are 32-bit");
  LONG* number = Long(index);
  if (number == nullptr) return nullptr;
  Slot& slot = slots_[index];
  Enum* value = ::new (static_cast<void*>(slot.enum_storage)) Enum(static_cast<Enum>(*number));
  slot.read_enum = [](const void* storage) {
    return static_cast<LONG>(*static_cast<const Enum*>(storage));
  };
  return value;
}

}  // namespace orvabridge::com
