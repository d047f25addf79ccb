#include "com/dispatcher.h"

#include <optional>

#include "com/call_boundary.h"
#include "com/dispatch_arguments.h"
#include "com/error_info.h"
#include "interface/members.h"

namespace orvabridge::com {
namespace {

// Methods and the read-only property answer a call and a property read alike (VB clients send
// both flags for `x = obj.Member`); nothing of ours can be assigned.
bool Accepts(WORD flags) { return (flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET)) != 0; }

}  // namespace

HRESULT InvokeMember(_Appl& target, ITypeInfo& info, const MemberMap& members, DISPID id,
                     WORD flags, DISPPARAMS* params, LCID lcid, VARIANT* result,
                     EXCEPINFO* exception, UINT* argument_error) {
  // Only the members of _Appl itself: IUnknown's and IDispatch's own methods are no members for
  // late-bound callers.
  const std::optional<Member> member = members.Find(id);
  if (!member || member->vtable_offset < 0 || api::FindMemberById(id) == nullptr ||
      !Accepts(flags)) {
    return DISP_E_MEMBERNOTFOUND;
  }
  const FuncDescription function(info, member->index);
  if (!function) return E_UNEXPECTED;

  DISPPARAMS no_arguments = {};
  UINT unused_error = 0;
  HRESULT status = S_OK;
  DispatchArguments arguments;
  // Binding allocates; a failure there must not escape as an exception either.
  const HRESULT guarded = GuardedCall([&] {
    status = arguments.Bind(info, *function.get(), params != nullptr ? *params : no_arguments,
                            lcid != 0 ? lcid : LOCALE_USER_DEFAULT,
                            argument_error != nullptr ? *argument_error : unused_error);
  });
  if (FAILED(guarded)) return guarded;
  if (FAILED(status)) return status;

  const HRESULT called = arguments.CallVtable(target, member->vtable_offset);
  if (FAILED(called)) {
    if (exception != nullptr) FillExcepInfo(called, *exception);
    return DISP_E_EXCEPTION;
  }
  arguments.WriteBack();
  arguments.TakeResult(result);
  return S_OK;
}

}  // namespace orvabridge::com
