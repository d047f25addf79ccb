// Orvabridge.dll as the system sees it: its class object, the identity of its objects, when it
// may be unloaded, and the type library it publishes (member order and dispatch ids are a
// contract with compiled clients and must never drift).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/link_fixture.h"
#include "win32/com_test_support.h"

namespace orvabridge::com_testing {
namespace {

class ComServerTest : public testing::LinkTest {
 protected:
  void SetUp() override {
    LinkTest::SetUp();
    ::SetEnvironmentVariableW(L"ORVABRIDGE_MESSAGE_BOXES", L"stderr");
    ASSERT_NE(Server(), nullptr)
        << "cannot load the server from the build tree; build orvabridge_com";
  }
};

// Type information of the published library, read through an object as clients do.
struct TypeLibraryView {
  Ref<ITypeInfo> dispatch;
  Ref<ITypeLib> library;
  Ref<ITypeInfo> vtable;
};

void OpenTypeLibrary(IDispatch& appl, TypeLibraryView& view) {
  ASSERT_EQ(appl.GetTypeInfo(0, LOCALE_USER_DEFAULT, view.dispatch.OutTyped()), S_OK);
  UINT index = 0;
  ASSERT_EQ(view.dispatch->GetContainingTypeLib(view.library.OutTyped(), &index), S_OK);
  HREFTYPE reference = 0;
  ASSERT_EQ(view.dispatch->GetRefTypeOfImplType(static_cast<UINT>(-1), &reference), S_OK);
  ASSERT_EQ(view.dispatch->GetRefTypeInfo(reference, view.vtable.OutTyped()), S_OK);
}

std::wstring NameOf(ITypeInfo& info, MEMBERID id) {
  BSTR name = nullptr;
  info.GetDocumentation(id, &name, nullptr, nullptr, nullptr);
  std::wstring text = name != nullptr ? name : L"";
  ::SysFreeString(name);
  return text;
}

TEST_F(ComServerTest, HandsOutOnlyItsOwnClassAndRefusesAggregation) {
  InFreshApartment([] {
    const auto get_class_object = ServerExport<GetClassObjectFn>("DllGetClassObject");
    Ref<IClassFactory> factory;
    EXPECT_EQ(get_class_object(IID_IDispatch, IID_IClassFactory, factory.Out()),
              CLASS_E_CLASSNOTAVAILABLE);
    ASSERT_EQ(get_class_object(kClsidAppl, IID_IClassFactory, factory.Out()), S_OK);
    Ref<IUnknown> object;
    Ref<IUnknown> outer;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, outer.Out()), S_OK);
    EXPECT_EQ(factory->CreateInstance(outer.get(), IID_IUnknown, object.Out()),
              CLASS_E_NOAGGREGATION);
  });
}

TEST_F(ComServerTest, OneObjectAnswersForAllItsInterfaces) {
  InFreshApartment([] {
    Ref<IDispatch> appl;
    ASSERT_EQ(CreateAppl(appl), S_OK);
    Ref<IUnknown> identity, through_vtable, dual, through_errors;
    ASSERT_EQ(appl->QueryInterface(IID_IUnknown, identity.Out()), S_OK);
    ASSERT_EQ(appl->QueryInterface(kIidAppl, dual.Out()), S_OK);
    ASSERT_EQ(dual->QueryInterface(IID_IUnknown, through_vtable.Out()), S_OK);
    EXPECT_EQ(identity.get(), through_vtable.get());

    Ref<ISupportErrorInfo> errors;
    ASSERT_EQ(appl->QueryInterface(IID_ISupportErrorInfo, errors.Out()), S_OK);
    EXPECT_EQ(errors->InterfaceSupportsErrorInfo(kIidAppl), S_OK);
    EXPECT_EQ(errors->InterfaceSupportsErrorInfo(IID_IPersist), S_FALSE);
    ASSERT_EQ(errors->QueryInterface(IID_IUnknown, through_errors.Out()), S_OK);
    EXPECT_EQ(identity.get(), through_errors.get());

    Ref<IUnknown> none;
    EXPECT_EQ(appl->QueryInterface(IID_IPersist, none.Out()), E_NOINTERFACE);
  });
}

TEST_F(ComServerTest, MayBeUnloadedOnlyWithoutObjectsOrLocks) {
  InFreshApartment([] {
    const auto can_unload = ServerExport<CanUnloadFn>("DllCanUnloadNow");
    const auto get_class_object = ServerExport<GetClassObjectFn>("DllGetClassObject");
    {
      Ref<IDispatch> appl;
      ASSERT_EQ(CreateAppl(appl), S_OK);
      EXPECT_EQ(can_unload(), S_FALSE);
    }
    EXPECT_EQ(can_unload(), S_OK);
    {
      Ref<IClassFactory> factory;
      ASSERT_EQ(get_class_object(kClsidAppl, IID_IClassFactory, factory.Out()), S_OK);
      EXPECT_EQ(can_unload(), S_FALSE);
      factory->LockServer(TRUE);
      factory.Reset();
      EXPECT_EQ(can_unload(), S_FALSE);
      ASSERT_EQ(get_class_object(kClsidAppl, IID_IClassFactory, factory.Out()), S_OK);
      factory->LockServer(FALSE);
    }
    EXPECT_EQ(can_unload(), S_OK);
  });
}

TEST_F(ComServerTest, DllInstallKnowsOnlyMachineAndUser) {
  const auto install = ServerExport<InstallFn>("DllInstall");
  ASSERT_NE(install, nullptr);
  EXPECT_EQ(install(TRUE, L"everyone"), E_INVALIDARG);
  EXPECT_EQ(install(FALSE, L"everyone"), E_INVALIDARG);
}

// The members of _Appl in vtable order, with their dispatch ids, parameter counts (result not
// counted) and how many of those parameters are required.
struct PublishedMember {
  const wchar_t* name;
  MEMBERID id;
  short parameters;
  short required;
};
constexpr PublishedMember kPublished[] = {
    {L"InitApplication", 0x60030000, 2, 2},
    {L"CloseApplication", 0x60030001, 0, 0},
    {L"GetCurrentPatient", 0x60030003, 11, 11},
    {L"FindPatient", 0x60030004, 3, 3},
    {L"ShowPatient", 0x60030005, 1, 1},
    {L"AddPatient", 0x60030006, 11, 11},
    {L"ChangePatient", 0x60030007, 11, 11},
    {L"SearchImage", 0x60030008, 9, 9},
    {L"GetImage", 0x60030009, 3, 3},
    {L"FindImages", 0x6003000c, 9, 9},
    {L"GetSelectedImageInfo", 0x6003000d, 9, 9},
    {L"GetSelectedImageCard", 0x60030011, 6, 6},
    {L"UserLogout", 0x60030012, 0, 0},
    {L"UserLogin", 0x60030013, 17, 2},
    {L"GetCurrentPatientFolder", 0x60030014, 0, 0},
    {L"SetWindowState", 0x60030015, 6, 0},
    {L"MWLQuery", 0x6003001a, 7, 0},
    {L"UserGroupLogin", 0x6003001f, 10, 3},
    {L"UserLoginEx", 0x60030024, 10, 2},
    {L"GetRespPerson", 0x60030029, 10, 0},
    {L"ShowPatientEx", 0x6003002d, 2, 2},
    {L"ShowObject", 0x60030031, 4, 2},
    {L"GetSessionInfo", 0x60030037, 11, 0},
    {L"AddPatientEx", 0x6003003b, 12, 12},
    {L"ChangePatientEx", 0x6003003c, 12, 11},
    {L"ToFile", 0x6803003e, 0, 0},
    {L"GetComputerOrClientName", 0x60030051, 0, 0},
    {L"GetGeneralInfo", 0x60030053, 1, 1},
};

TEST_F(ComServerTest, TypeLibraryPublishesTheMembersInOrderWithTheirIds) {
  InFreshApartment([] {
    Ref<IDispatch> appl;
    ASSERT_EQ(CreateAppl(appl), S_OK);
    TypeLibraryView view;
    OpenTypeLibrary(*appl, view);
    if (!view.vtable) return;

    TYPEATTR* attributes = nullptr;
    ASSERT_EQ(view.vtable->GetTypeAttr(&attributes), S_OK);
    EXPECT_TRUE(IsEqualGUID(attributes->guid, kIidAppl));
    EXPECT_NE(attributes->wTypeFlags & TYPEFLAG_FDUAL, 0);
    ASSERT_EQ(attributes->cFuncs, std::size(kPublished));
    view.vtable->ReleaseTypeAttr(attributes);

    short previous_slot = -1;
    for (UINT i = 0; i < std::size(kPublished); ++i) {
      const PublishedMember& expected = kPublished[i];
      FUNCDESC* function = nullptr;
      ASSERT_EQ(view.vtable->GetFuncDesc(i, &function), S_OK);
      SCOPED_TRACE(::testing::Message() << "member " << i);
      EXPECT_EQ(NameOf(*view.vtable, function->memid), expected.name);
      EXPECT_EQ(function->memid, expected.id);
      EXPECT_GT(function->oVft, previous_slot);
      previous_slot = function->oVft;
      const bool has_result = std::wstring(expected.name) != L"GetComputerOrClientName";
      EXPECT_EQ(function->cParams, expected.parameters + (has_result ? 1 : 0));
      short required = 0;
      for (short p = 0; p < expected.parameters && p < function->cParams; ++p) {
        const USHORT flags = function->lprgelemdescParam[p].paramdesc.wParamFlags;
        if ((flags & PARAMFLAG_FOPT) == 0) ++required;
        // Every parameter goes by reference.
        EXPECT_EQ(function->lprgelemdescParam[p].tdesc.vt, VT_PTR) << "parameter " << p;
      }
      EXPECT_EQ(required, expected.required);
      EXPECT_EQ(function->invkind, expected.id == 0x6803003e ? INVOKE_PROPERTYGET : INVOKE_FUNC);
      view.vtable->ReleaseFuncDesc(function);
    }
  });
}

TEST_F(ComServerTest, TypeLibraryPublishesTheEnumerationsAndRecords) {
  InFreshApartment([] {
    Ref<IDispatch> appl;
    ASSERT_EQ(CreateAppl(appl), S_OK);
    TypeLibraryView view;
    OpenTypeLibrary(*appl, view);
    if (!view.library) return;

    struct Expected {
      const wchar_t* type;
      std::vector<std::pair<const wchar_t*, LONG>> values;  // enumerations
      std::vector<const wchar_t*> fields;                   // records
    };
    const Expected expected[] = {
        {L"ChangeRightsOptions",
         {{L"LeaveAsIsOrGetDefaults", 0},
          {L"OverwriteWithDefaults", 1},
          {L"UseSpecifiedRights", 2}},
         {}},
        {L"soObjectTypes",
         {{L"otPatient", 0}, {L"otSeries", 1}, {L"otImagecard", 2}, {L"otImage", 3}},
         {}},
        {L"ggis", {{L"ggiLicName", 0}}, {}},
        {L"control_Patient_infosp",
         {},
         {L"dwSize", L"ID", L"FName", L"LName", L"Adress", L"TelOne", L"TelTwo", L"Sex", L"Email",
          L"Mobile", L"Birthdate", L"Comments"}},
        {L"control_Patient_infoEx2",
         {},
         {L"dwSize", L"ID", L"FName", L"LName", L"Adress", L"TelOne", L"TelTwo", L"Sex", L"Email",
          L"Mobile", L"Birthdate", L"Comments", L"OtherIDs", L"Extra"}},
    };
    for (const Expected& type : expected) {
      SCOPED_TRACE(::testing::Message()
                   << "type " << ::testing::PrintToString(std::wstring(type.type)));
      Ref<ITypeInfo> info;
      MEMBERID id = 0;
      USHORT found = 1;
      std::wstring name = type.type;
      ASSERT_EQ(view.library->FindName(name.data(), 0, info.OutTyped(), &id, &found), S_OK);
      ASSERT_EQ(found, 1);
      TYPEATTR* attributes = nullptr;
      ASSERT_EQ(info->GetTypeAttr(&attributes), S_OK);
      const size_t count = type.values.empty() ? type.fields.size() : type.values.size();
      EXPECT_EQ(attributes->typekind, type.values.empty() ? TKIND_RECORD : TKIND_ENUM);
      EXPECT_EQ(attributes->cVars, count);
      for (UINT i = 0; i < attributes->cVars && i < count; ++i) {
        VARDESC* variable = nullptr;
        ASSERT_EQ(info->GetVarDesc(i, &variable), S_OK);
        if (type.values.empty()) {
          EXPECT_EQ(NameOf(*info, variable->memid), type.fields[i]);
          EXPECT_EQ(variable->elemdescVar.tdesc.vt, i == 0 ? VT_I4 : VT_BSTR);
        } else {
          EXPECT_EQ(NameOf(*info, variable->memid), type.values[i].first);
          Value value;
          ::VariantChangeType(&value.v(), variable->lpvarValue, 0, VT_I4);
          EXPECT_EQ(V_I4(&value.v()), type.values[i].second);
        }
        info->ReleaseVarDesc(variable);
      }
      info->ReleaseTypeAttr(attributes);
    }
  });
}

}  // namespace
}  // namespace orvabridge::com_testing
