// IDispatch::Invoke for _Appl: finds the member, binds the caller's arguments to its parameters,
// calls the vtable method and hands outputs, result and failures back in automation's terms.
#pragma once

#include "com/com_include.h"
#include "com/type_library.h"

namespace orvabridge::com {

HRESULT InvokeMember(_Appl& target, ITypeInfo& info, const MemberMap& members, DISPID id,
                     WORD flags, DISPPARAMS* params, LCID lcid, VARIANT* result,
                     EXCEPINFO* exception, UINT* argument_error);

}  // namespace orvabridge::com
