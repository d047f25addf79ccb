#include "com/dispatch_arguments.h"

#include "com/type_library.h"

namespace orvabridge::com {
namespace {

constexpr UINT kNoArgument = ~0u;

VARTYPE BaseType(const VARIANTARG& argument) { return V_VT(&argument) & ~VT_BYREF; }
bool IsByReference(const VARIANTARG& argument) { return (V_VT(&argument) & VT_BYREF) != 0; }

// The caller's value behind one level of VARIANT reference (how VBScript passes variables).
const VARIANTARG& Referenced(const VARIANTARG& argument) {
  if (V_VT(&argument) == (VT_VARIANT | VT_BYREF) && V_VARIANTREF(&argument) != nullptr) {
    return *V_VARIANTREF(&argument);
  }
  return argument;
}

// How clients say "not given": VT_ERROR carrying DISP_E_PARAMNOTFOUND.
bool IsMissing(const VARIANTARG& argument) {
  const VARIANTARG& value = Referenced(argument);
  return V_VT(&value) == VT_ERROR && V_ERROR(&value) == DISP_E_PARAMNOTFOUND;
}

// A typed reference must be of the parameter's type; a VARIANT reference may hold anything.
bool CanTakeOutput(const VARIANTARG& argument, VARTYPE type) {
  if (!IsByReference(argument)) return true;
  if (V_BYREF(&argument) == nullptr) return false;
  const VARTYPE base = BaseType(argument);
  return base == VT_VARIANT || base == type;
}

HRESULT Coerce(const VARIANTARG& argument, VARTYPE type, LCID lcid, UniqueVariant& value) {
  // VariantCopyInd resolves one reference, typed or VARIANT, into a value of our own.
  HRESULT status = ::VariantCopyInd(value.get(), const_cast<VARIANTARG*>(&argument));
  if (FAILED(status)) return DISP_E_TYPEMISMATCH;
  status = ::VariantChangeTypeEx(value.get(), value.get(), lcid, 0, type);
  if (status == DISP_E_OVERFLOW) return DISP_E_OVERFLOW;
  if (FAILED(status)) return DISP_E_TYPEMISMATCH;
  return S_OK;
}

// Writes `value` (of `type`) into the storage a typed reference points at; `value` gives up what
// it owns.
void WriteThrough(VARIANTARG& reference, VARTYPE type, UniqueVariant& value) {
  VARIANT& source = *value.get();
  switch (type) {
    case VT_BSTR:
      ::SysFreeString(*V_BSTRREF(&reference));
      *V_BSTRREF(&reference) = V_BSTR(&source);
      V_VT(&source) = VT_EMPTY;  // the string now belongs to the caller
      break;
    case VT_I4:
      *V_I4REF(&reference) = V_I4(&source);
      break;
    case VT_I2:
      *V_I2REF(&reference) = V_I2(&source);
      break;
    case VT_BOOL:
      *V_BOOLREF(&reference) = V_BOOL(&source);
      break;
    case VT_DATE:
      *V_DATEREF(&reference) = V_DATE(&source);
      break;
    default:
      break;
  }
}

}  // namespace

HRESULT DispatchArguments::Bind(ITypeInfo& info, const FUNCDESC& function, DISPPARAMS& params,
                                LCID lcid, UINT& argument_error) {
  // Type libraries describe the result either as a trailing [out, retval] parameter (interface
  // view) or as the function's own type (dispatch view of a dual interface); take both.
  UINT formal = static_cast<UINT>(function.cParams);
  if (formal > 0 &&
      (function.lprgelemdescParam[formal - 1].paramdesc.wParamFlags & PARAMFLAG_FRETVAL) != 0) {
    --formal;
    result_type_ = ValueTypeOf(info, function.lprgelemdescParam[formal].tdesc);
  } else {
    result_type_ = ValueTypeOf(info, function.elemdescFunc.tdesc);
  }

  const UINT total = params.cArgs;
  const UINT named = params.cNamedArgs;
  if (named > total || (total > 0 && params.rgvarg == nullptr) ||
      (named > 0 && params.rgdispidNamedArgs == nullptr)) {
    return E_INVALIDARG;
  }
  const UINT positional = total - named;
  if (positional > formal) return DISP_E_BADPARAMCOUNT;

  // For each parameter, the index in rgvarg of the argument that fills it.
  std::vector<UINT> given(formal, kNoArgument);
  for (UINT i = 0; i < positional; ++i) given[i] = total - 1 - i;
  for (UINT k = 0; k < named; ++k) {
    const DISPID parameter = params.rgdispidNamedArgs[k];
    if (parameter < 0 || static_cast<UINT>(parameter) >= formal ||
        given[static_cast<UINT>(parameter)] != kNoArgument) {
      argument_error = k;
      return DISP_E_PARAMNOTFOUND;
    }
    given[static_cast<UINT>(parameter)] = k;
  }

  slots_.clear();
  slots_.resize(formal);
  for (UINT i = 0; i < formal; ++i) {
    const ELEMDESC& parameter = function.lprgelemdescParam[i];
    Slot& slot = slots_[i];
    slot.type = ValueTypeOf(info, parameter.tdesc);
    if (slot.type == VT_EMPTY) return E_UNEXPECTED;  // not a type this server publishes

    const bool optional = (parameter.paramdesc.wParamFlags & PARAMFLAG_FOPT) != 0;
    if (given[i] == kNoArgument) {
      if (optional) continue;
      // Too few positional arguments is a count error; a required parameter that named
      // arguments leave out is one that is not optional.
      return named > 0 ? DISP_E_PARAMNOTOPTIONAL : DISP_E_BADPARAMCOUNT;
    }
    VARIANTARG& argument = params.rgvarg[given[i]];
    if (IsMissing(argument)) {
      if (optional) continue;
      argument_error = given[i];
      return DISP_E_PARAMNOTOPTIONAL;
    }
    if (!CanTakeOutput(argument, slot.type)) {
      argument_error = given[i];
      return DISP_E_TYPEMISMATCH;
    }
    const HRESULT coerced = Coerce(argument, slot.type, lcid, slot.value);
    if (FAILED(coerced)) {
      argument_error = given[i];
      return coerced;
    }
    slot.source = &argument;
  }
  return S_OK;
}

HRESULT DispatchArguments::CallVtable(IUnknown& target, short vtable_offset) {
  // Every parameter is a pointer; the value behind it is the coerced value's storage.
  const size_t count = slots_.size() + (result_type_ != VT_EMPTY ? 1 : 0);
  std::vector<VARIANTARG> arguments(count);
  std::vector<VARTYPE> types(count, static_cast<VARTYPE>(VT_BYREF | VT_I4));
  std::vector<VARIANTARG*> pointers(count);
  for (size_t i = 0; i < count; ++i) {
    ::VariantInit(&arguments[i]);
    V_VT(&arguments[i]) = types[i];
    pointers[i] = &arguments[i];
  }
  for (size_t i = 0; i < slots_.size(); ++i) {
    V_BYREF(&arguments[i]) =
        slots_[i].source != nullptr ? static_cast<void*>(&V_I4(slots_[i].value.get())) : nullptr;
  }
  if (result_type_ != VT_EMPTY) {
    // A cleared VARIANT keeps its old bits; the method must find a null string, a zero number.
    result_.Clear();
    *result_.get() = VARIANT{};
    V_VT(result_.get()) = result_type_;
    V_BYREF(&arguments[count - 1]) = static_cast<void*>(&V_I4(result_.get()));
  }
  VARIANT returned;
  ::VariantInit(&returned);
  const HRESULT called =
      ::DispCallFunc(&target, static_cast<ULONG_PTR>(vtable_offset), CC_STDCALL, VT_ERROR,
                     static_cast<UINT>(count), types.data(), pointers.data(), &returned);
  return FAILED(called) ? called : V_ERROR(&returned);
}

void DispatchArguments::WriteBack() {
  for (Slot& slot : slots_) {
    if (slot.source == nullptr || !IsByReference(*slot.source)) continue;

    VARIANTARG& reference = *slot.source;
    if (V_VT(&reference) != (VT_VARIANT | VT_BYREF)) {
      WriteThrough(reference, slot.type, slot.value);
      continue;
    }
    VARIANT& target = *V_VARIANTREF(&reference);
    if (V_VT(&target) == (VT_BYREF | slot.type) && V_BYREF(&target) != nullptr) {
      WriteThrough(target, slot.type, slot.value);  // a variant that itself refers to storage
    } else {
      ::VariantClear(&target);
      target = slot.value.Detach();
    }
  }
}

void DispatchArguments::TakeResult(VARIANT* result) {
  if (result == nullptr) return;
  if (result_type_ == VT_EMPTY) {
    ::VariantInit(result);
    return;
  }
  *result = result_.Detach();
}

}  // namespace orvabridge::com
