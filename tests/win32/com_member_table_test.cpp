// The member table of the library (api::Members) against the type library that widl compiled from
// the IDL into Orvabridge.dll: the same members in the same slots, with the same dispatch ids,
// parameter names, order, types and optional flags. Either description changed alone fails here.
// The type library also carries the GUIDs, version and names of identity/identity.h, which the
// tools, the tests and the package take instead of reading them from the library.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "identity/identity.h"
#include "interface/members.h"
#include "win32/com_test_support.h"

namespace orvabridge::com_testing {
namespace {

std::string Narrow(BSTR text) {
  std::string out;
  for (UINT i = 0; text != nullptr && i < ::SysStringLen(text); ++i) {
    out += static_cast<char>(text[i]);  // the interface's names are ASCII
  }
  return out;
}

// The automation type a parameter of the table travels as (the enumerations as user types).
VARTYPE WireType(api::Type type) {
  switch (type) {
    case api::Type::kText:
      return VT_BSTR;
    case api::Type::kInt32:
      return VT_I4;
    case api::Type::kInt16:
      return VT_I2;
    case api::Type::kBool:
      return VT_BOOL;
    case api::Type::kDate:
      return VT_DATE;
    case api::Type::kRightsMethod:
    case api::Type::kObjectType:
    case api::Type::kInfoType:
      return VT_USERDEFINED;
  }
  return VT_EMPTY;
}

struct Described {
  std::string name;
  MEMBERID id = 0;
  INVOKEKIND kind = INVOKE_FUNC;
  std::vector<std::string> parameter_names;
  std::vector<VARTYPE> parameter_types;  // what each parameter refers to
  std::vector<bool> optional;
};

// The members of _Appl's interface view, in slot order, without the [out, retval] parameter.
std::vector<Described> MembersOfTypeLibrary() {
  std::vector<Described> members;
  Ref<ITypeLib> library;
  EXPECT_EQ(::LoadTypeLibEx(ServerPath().c_str(), REGKIND_NONE, library.OutTyped()), S_OK);
  if (!library) return members;
  Ref<ITypeInfo> info;
  EXPECT_EQ(library->GetTypeInfoOfGuid(kIidAppl, info.OutTyped()), S_OK);
  if (!info) return members;
  // A dual interface is found as its dispatch view; its vtable view lists the slots in order.
  TYPEATTR* attributes = nullptr;
  EXPECT_EQ(info->GetTypeAttr(&attributes), S_OK);
  const bool dispatch_view = attributes != nullptr && attributes->typekind == TKIND_DISPATCH;
  if (attributes != nullptr) info->ReleaseTypeAttr(attributes);
  Ref<ITypeInfo> interface_info;
  if (dispatch_view) {
    HREFTYPE vtable_view = 0;
    EXPECT_EQ(info->GetRefTypeOfImplType(static_cast<UINT>(-1), &vtable_view), S_OK);
    EXPECT_EQ(info->GetRefTypeInfo(vtable_view, interface_info.OutTyped()), S_OK);
    if (!interface_info) return members;
  }
  ITypeInfo* const view = dispatch_view ? interface_info.get() : info.get();
  EXPECT_EQ(view->GetTypeAttr(&attributes), S_OK);
  for (UINT i = 0; attributes != nullptr && i < attributes->cFuncs; ++i) {
    FUNCDESC* function = nullptr;
    if (FAILED(view->GetFuncDesc(i, &function))) continue;
    Described member;
    member.id = function->memid;
    member.kind = function->invkind;
    BSTR names[64] = {};
    UINT count = 0;
    view->GetNames(function->memid, names, 64, &count);
    member.name = Narrow(names[0]);
    for (SHORT p = 0; p < function->cParams; ++p) {
      const ELEMDESC& parameter = function->lprgelemdescParam[p];
      const USHORT flags = parameter.paramdesc.wParamFlags;
      if ((flags & PARAMFLAG_FRETVAL) != 0) continue;
      const TYPEDESC& type =
          parameter.tdesc.vt == VT_PTR ? *parameter.tdesc.lptdesc : parameter.tdesc;
      member.parameter_names.push_back(static_cast<UINT>(p + 1) < count ? Narrow(names[p + 1])
                                                                        : std::string());
      member.parameter_types.push_back(type.vt);
      member.optional.push_back((flags & PARAMFLAG_FOPT) != 0);
    }
    for (UINT n = 0; n < count; ++n) ::SysFreeString(names[n]);
    view->ReleaseFuncDesc(function);
    members.push_back(std::move(member));
  }
  if (attributes != nullptr) view->ReleaseTypeAttr(attributes);
  return members;
}

TEST(ComMemberTable, TheTableAndTheTypeLibraryDescribeTheSameMembers) {
  ASSERT_NE(Server(), nullptr) << "cannot load the server from the build tree";
  const std::vector<Described> library = MembersOfTypeLibrary();
  const auto table = api::Members();
  ASSERT_EQ(library.size(), table.size());
  for (size_t i = 0; i < table.size(); ++i) {
    const api::Member& expected = table[i];
    const Described& found = library[i];
    SCOPED_TRACE(std::string(expected.name));
    EXPECT_EQ(found.name, expected.name) << "slot " << i;
    EXPECT_EQ(found.id, expected.dispatch_id);
    EXPECT_EQ(found.kind, expected.property ? INVOKE_PROPERTYGET : INVOKE_FUNC);
    ASSERT_EQ(found.parameter_names.size(), expected.parameters.size());
    for (size_t p = 0; p < expected.parameters.size(); ++p) {
      const api::Parameter& parameter = expected.parameters[p];
      SCOPED_TRACE(std::string(parameter.name));
      EXPECT_EQ(found.parameter_names[p], parameter.name) << "parameter " << p;
      EXPECT_EQ(found.parameter_types[p], WireType(parameter.type));
      EXPECT_EQ(found.optional[p], parameter.optional);
    }
  }
}

TEST(ComTypeLibrary, CarriesTheIdentityOfTheBuild) {
  ASSERT_NE(Server(), nullptr) << "cannot load the server from the build tree";
  Ref<ITypeLib> library;
  ASSERT_EQ(::LoadTypeLibEx(ServerPath().c_str(), REGKIND_NONE, library.OutTyped()), S_OK);
  TLIBATTR* attributes = nullptr;
  ASSERT_EQ(library->GetLibAttr(&attributes), S_OK);
  EXPECT_TRUE(::IsEqualGUID(attributes->guid, identity::kLibrary.As<GUID>()));
  EXPECT_EQ(attributes->wMajorVerNum, identity::kLibraryVersionMajor);
  EXPECT_EQ(attributes->wMinorVerNum, identity::kLibraryVersionMinor);
  library->ReleaseTLibAttr(attributes);
  BSTR name = nullptr;
  ASSERT_EQ(library->GetDocumentation(-1, nullptr, &name, nullptr, nullptr), S_OK);
  EXPECT_EQ(Narrow(name), identity::kLibraryName);
  ::SysFreeString(name);

  // The class, and the interface it implements by default.
  Ref<ITypeInfo> type_of_class;
  ASSERT_EQ(library->GetTypeInfoOfGuid(kClsidAppl, type_of_class.OutTyped()), S_OK);
  HREFTYPE implemented = 0;
  ASSERT_EQ(type_of_class->GetRefTypeOfImplType(0, &implemented), S_OK);
  Ref<ITypeInfo> type_of_interface;
  ASSERT_EQ(type_of_class->GetRefTypeInfo(implemented, type_of_interface.OutTyped()), S_OK);
  TYPEATTR* interface_attributes = nullptr;
  ASSERT_EQ(type_of_interface->GetTypeAttr(&interface_attributes), S_OK);
  EXPECT_TRUE(::IsEqualGUID(interface_attributes->guid, kIidAppl));
  type_of_interface->ReleaseTypeAttr(interface_attributes);
  ASSERT_EQ(type_of_interface->GetDocumentation(MEMBERID_NIL, &name, nullptr, nullptr, nullptr),
            S_OK);
  EXPECT_EQ(Narrow(name), identity::kInterfaceName);
  ::SysFreeString(name);
}

}  // namespace
}  // namespace orvabridge::com_testing
