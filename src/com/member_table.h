// Where a late-bound call goes: for each dispatch id of _Appl, the vtable method to call with the
// arguments bound by DispatchArguments.
#pragma once

#include "com/com_include.h"
#include "com/dispatch_arguments.h"

namespace orvabridge::com {

using MemberCall = HRESULT (*)(_Appl& target, DispatchArguments& arguments);

// nullptr for an id that names no member of ours.
MemberCall FindMemberCall(DISPID id);

}  // namespace orvabridge::com
