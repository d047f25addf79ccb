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

  // Calls the vtable method at `vtable_offset` of `target` with the bound arguments, each by
  // reference (an omitted one as a null pointer), and the result slot; the method's HRESULT.
  HRESULT CallVtable(IUnknown& target, short vtable_offset);

  // After the method succeeded: outputs into the caller's references, the result into `result`
  // (which may be null when the caller wants none).
  void WriteBack();
  void TakeResult(VARIANT* result);

 private:
  struct Slot {
    VARTYPE type = VT_EMPTY;
    VARIANTARG* source = nullptr;  // the caller's argument; null when omitted
    UniqueVariant value;
  };

  std::vector<Slot> slots_;
  VARTYPE result_type_ = VT_EMPTY;
  UniqueVariant result_;
};

}  // namespace orvabridge::com
