// Orvabridge.dll as the system sees it: its class object, the identity of its objects, when it
// may be unloaded, and the members its type library publishes (their order and dispatch ids are
// a contract with compiled clients and must never drift).
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

// The interface (vtable) view of _Appl, reached through an object as clients reach it.
void OpenInterfaceView(IDispatch& appl, Ref<ITypeInfo>& vtable) {
  Ref<ITypeInfo> dispatch;
  ASSERT_EQ(appl.GetTypeInfo(0, LOCALE_USER_DEFAULT, dispatch.OutTyped()), S_OK);
  HREFTYPE reference = 0;
  ASSERT_EQ(dispatch->GetRefTypeOfImplType(static_cast<UINT>(-1), &reference), S_OK);
  ASSERT_EQ(dispatch->GetRefTypeInfo(reference, vtable.OutTyped()), S_OK);
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
    Ref<ITypeInfo> vtable;
    OpenInterfaceView(*appl, vtable);
    if (!vtable) return;

    TYPEATTR* attributes = nullptr;
    ASSERT_EQ(vtable->GetTypeAttr(&attributes), S_OK);
    EXPECT_TRUE(IsEqualGUID(attributes->guid, kIidAppl));
    EXPECT_NE(attributes->wTypeFlags & TYPEFLAG_FDUAL, 0);
    ASSERT_EQ(attributes->cFuncs, std::size(kPublished));
    vtable->ReleaseTypeAttr(attributes);

    short previous_slot = -1;
    for (UINT i = 0; i < std::size(kPublished); ++i) {
      const PublishedMember& expected = kPublished[i];
      FUNCDESC* function = nullptr;
      ASSERT_EQ(vtable->GetFuncDesc(i, &function), S_OK);
      SCOPED_TRACE(::testing::Message() << "member " << i);
      EXPECT_EQ(NameOf(*vtable, function->memid), expected.name);
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
      vtable->ReleaseFuncDesc(function);
    }
  });
}

}  // namespace
}  // namespace orvabridge::com_testing
