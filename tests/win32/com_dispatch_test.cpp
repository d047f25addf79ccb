// Calls into Orvabridge.dll as automation clients make them, against a scripted imaging
// application on the same thread: how Invoke binds, coerces and writes back arguments, how it
// refuses what it cannot bind, how failures reach late- and early-bound callers, and that the
// vtable methods work on their own.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "channel/records.h"
#include "support/link_fixture.h"
#include "support/scripted_peer.h"
#include "win32/com_test_support.h"

namespace orvabridge::com_testing {
namespace {

namespace command = channel::command;
namespace find = channel::find_patient;
namespace generic = channel::generic;
using testing::ScriptedPeer;

class ComDispatchTest : public testing::LinkTest {
 protected:
  void SetUp() override {
    LinkTest::SetUp();
    ::SetEnvironmentVariableW(L"ORVABRIDGE_MESSAGE_BOXES", L"stderr");
    ASSERT_NE(Server(), nullptr)
        << "cannot load the server from the build tree; build orvabridge_com";
  }

  // On a fresh apartment thread: a scripted imaging application with a logged-in user, and a
  // link object attached to it. Session queries get `session`, find requests `FindReply`.
  void WithAttachedAppl(const std::function<void(IDispatch&, ScriptedPeer&)>& body) {
    InFreshApartment([&] {
      ScriptedPeer peer(*platform_);
      peer.on_request = [&](const ScriptedPeer::Request& request) {
        if (request.code == command::kGeneric) {
          auto reply = peer.SessionRecord(true);
          if (session_) session_(reply);
          peer.Reply(request.reply_to, command::kGeneric, reply);
        } else if (request.code == command::kFindPatient) {
          ++find_requests_;
          peer.Reply(request.reply_to, command::kFindPatient, FindReply(peer));
        }
      };
      Ref<IDispatch> appl;
      ASSERT_EQ(CreateAppl(appl), S_OK);
      Text name(L""), version(L"NoLaunch");
      Outcome attached;
      Invoke(*appl, L"InitApplication", {ByRef(name.b()), ByRef(version.b())}, attached);
      ASSERT_EQ(attached.status, S_OK);
      ASSERT_EQ(V_I4(&attached.result.v()), 1);
      body(*appl, peer);
    });
  }

  static std::vector<std::byte> FindReply(const ScriptedPeer& peer) {
    std::vector<std::byte> record(find::kSize);
    channel::WriteI32(record, channel::kSizeField, static_cast<int32_t>(find::kSize));
    peer.codec().WriteText(record, find::kFirstName, "Ann");
    peer.codec().WriteText(record, find::kLastName, "Berg");
    channel::WriteI32(record, find::kFound, 1);
    return record;
  }

  std::function<void(std::vector<std::byte>&)> session_;  // edits each session reply
  int find_requests_ = 0;
};

// --- Binding and writing back ----------------------------------------------------------------

TEST_F(ComDispatchTest, VariantReferencesComeBackHoldingTheParametersType) {
  WithAttachedAppl([&](IDispatch& appl, ScriptedPeer& peer) {
    Value patient(4711), first, last(L"old");  // a number, Empty and text, as script variables
    Outcome call;
    peer.on_request = [&, previous = peer.on_request](const ScriptedPeer::Request& request) {
      if (request.code == command::kFindPatient) {
        EXPECT_EQ(peer.codec().ReadText(request.bytes, find::kPatientId), "4711");
      }
      previous(request);
    };
    Invoke(appl, L"FindPatient", {ByRef(patient.v()), ByRef(first.v()), ByRef(last.v())}, call);
    ASSERT_EQ(call.status, S_OK);
    EXPECT_EQ(V_VT(&call.result.v()), VT_I4);
    EXPECT_EQ(V_I4(&call.result.v()), 1);
    EXPECT_EQ(V_VT(&patient.v()), VT_BSTR);
    EXPECT_EQ(patient.Text(), L"4711");
    EXPECT_EQ(first.Text(), L"Ann");
    EXPECT_EQ(last.Text(), L"Berg");
  });
}

TEST_F(ComDispatchTest, TypedReferencesAreWrittenThroughAndValuesAreLeftAlone) {
  WithAttachedAppl([&](IDispatch& appl, ScriptedPeer&) {
    Text patient(L"P-1"), first(L"x");
    Value last(L"by value");
    Outcome call;
    Invoke(appl, L"FindPatient", {ByRef(patient.b()), ByRef(first.b()), ByValue(last)}, call);
    ASSERT_EQ(call.status, S_OK);
    EXPECT_EQ(first.str(), L"Ann");
    EXPECT_EQ(patient.str(), L"P-1");
    EXPECT_EQ(last.Text(), L"by value");
  });
}

TEST_F(ComDispatchTest, NamedArgumentsFillTheirOwnParameters) {
  WithAttachedAppl([&](IDispatch& appl, ScriptedPeer&) {
    LONG user_id = 0;
    VARIANT_BOOL logged_in = VARIANT_FALSE;
    Value login, group(L"untouched");
    Outcome call;
    Invoke(appl, L"GetSessionInfo", {ByRef(user_id)}, call,
           {{L"IsLoggedIn", ByRef(logged_in)}, {L"UserLogin", ByRef(login.v())}});
    ASSERT_EQ(call.status, S_OK);
    EXPECT_EQ(V_I4(&call.result.v()), 1);
    EXPECT_EQ(user_id, 7);
    EXPECT_EQ(logged_in, VARIANT_TRUE);
    EXPECT_EQ(login.Text(), L"drsmith");
    EXPECT_EQ(group.Text(), L"untouched");
  });
}

TEST_F(ComDispatchTest, MissingArgumentsAreRefusedBeforeAnythingIsSent) {
  WithAttachedAppl([&](IDispatch& appl, ScriptedPeer&) {
    Value a(L"1"), b, c;
    {
      Outcome call;
      Invoke(appl, L"FindPatient", {ByRef(a.v()), ByRef(b.v())}, call);
      EXPECT_EQ(call.status, DISP_E_BADPARAMCOUNT);
    }
    {
      Outcome call;
      Invoke(appl, L"FindPatient", {ByRef(a.v()), ByRef(b.v()), ByRef(c.v()), ByRef(c.v())}, call);
      EXPECT_EQ(call.status, DISP_E_BADPARAMCOUNT);
    }
    {
      Outcome call;  // PatID marked missing: it sits last in rgvarg, at index 2
      Invoke(appl, L"FindPatient", {Missing(), ByRef(b.v()), ByRef(c.v())}, call);
      EXPECT_EQ(call.status, DISP_E_PARAMNOTOPTIONAL);
      EXPECT_EQ(call.argument_error, 2u);
    }
    {
      Outcome call;  // a required parameter left to named arguments that do not name it
      Invoke(appl, L"FindPatient", {}, call, {{L"FName", ByRef(b.v())}, {L"LName", ByRef(c.v())}});
      EXPECT_EQ(call.status, DISP_E_PARAMNOTOPTIONAL);
    }
    {
      Outcome call;  // a named argument that is no parameter of the member
      Invoke(appl, L"FindPatient", {ByRef(a.v())}, call, {{L"Birthdate", ByRef(b.v())}});
      EXPECT_EQ(call.status, DISP_E_PARAMNOTFOUND);
      EXPECT_EQ(call.argument_error, 0u);
    }
    EXPECT_EQ(find_requests_, 0);
  });
}

TEST_F(ComDispatchTest, UncoercibleArgumentsAreRefusedWithTheirIndex) {
  WithAttachedAppl([&](IDispatch& appl, ScriptedPeer&) {
    Value null_value, b, c;
    V_VT(&null_value.v()) = VT_NULL;
    {
      Outcome call;
      Invoke(appl, L"FindPatient", {ByRef(b.v()), ByRef(null_value.v()), ByRef(c.v())}, call);
      EXPECT_EQ(call.status, DISP_E_TYPEMISMATCH);
      EXPECT_EQ(call.argument_error, 1u);
    }
    {
      LONG number = 5;  // a typed reference of another type could not take the text back
      Outcome call;
      Invoke(appl, L"FindPatient", {ByRef(number), ByRef(b.v()), ByRef(c.v())}, call);
      EXPECT_EQ(call.status, DISP_E_TYPEMISMATCH);
      EXPECT_EQ(call.argument_error, 2u);
    }
    {
      Value too_big(70000);
      Outcome call;
      Invoke(appl, L"SetWindowState", {ByValue(too_big)}, call);
      EXPECT_EQ(call.status, DISP_E_OVERFLOW);
      EXPECT_EQ(call.argument_error, 0u);
    }
    {
      Outcome call;
      Invoke(appl, L"ToFile", {}, call, {}, DISPATCH_PROPERTYPUT);
      EXPECT_EQ(call.status, DISP_E_MEMBERNOTFOUND);
    }
    EXPECT_EQ(find_requests_, 0);
  });
}

// Every member of the type library, called with Empty for each parameter: the dispatcher must
// find it and bind every parameter to the type its vtable method takes. Text-out mode keeps the
// calls away from any window.
TEST_F(ComDispatchTest, EveryMemberBindsAsItsTypeLibraryEntrySays) {
  char temp[MAX_PATH] = {};
  ::GetTempPathA(MAX_PATH, temp);
  const std::string folder = std::string(temp) + "orvabridge-com-binding\\";
  ::CreateDirectoryA(folder.c_str(), nullptr);
  SetMachineSetting("Orvabridge", "OrvabridgeTXTOUT", folder);
  InFreshApartment([&] {
    Ref<IDispatch> appl;
    ASSERT_EQ(CreateAppl(appl), S_OK);
    Ref<ITypeInfo> info;
    ASSERT_EQ(appl->GetTypeInfo(0, LOCALE_USER_DEFAULT, info.OutTyped()), S_OK);
    TYPEATTR* attributes = nullptr;
    ASSERT_EQ(info->GetTypeAttr(&attributes), S_OK);
    int members = 0;
    for (UINT i = 0; i < attributes->cFuncs; ++i) {
      FUNCDESC* function = nullptr;
      ASSERT_EQ(info->GetFuncDesc(i, &function), S_OK);
      const MEMBERID id = function->memid;
      const short parameters = function->cParams;
      info->ReleaseFuncDesc(function);
      // A dispatch view may list IUnknown's and IDispatch's members too (ids 0x6000xxxx and
      // 0x6001xxxx); ours are 0x6003xxxx and the property 0x6803003e.
      if ((id & 0xF7FF0000) != 0x60030000) continue;
      ++members;
      BSTR name = nullptr;
      info->GetDocumentation(id, &name, nullptr, nullptr, nullptr);
      SCOPED_TRACE(::testing::Message() << "member 0x" << std::hex << id);
      std::vector<VARIANTARG> arguments(static_cast<size_t>(parameters));
      for (auto& argument : arguments) ::VariantInit(&argument);
      Outcome call;
      Invoke(*appl, name, arguments, call);
      EXPECT_TRUE(call.status == S_OK || call.status == DISP_E_EXCEPTION)
          << "status 0x" << std::hex << call.status;
      ::SysFreeString(name);
    }
    info->ReleaseTypeAttr(attributes);
    EXPECT_EQ(members, 28);
  });
}

// --- Failures ---------------------------------------------------------------------------------

// Rights beyond 16 bits overflow while GetSessionInfo narrows them: its handler raises the
// automation error -100.
TEST_F(ComDispatchTest, HandledFailureReachesInvokeAsErrorMinus100) {
  session_ = [](std::vector<std::byte>& reply) { channel::WriteF64(reply, generic::kDouble, 1e6); };
  WithAttachedAppl([&](IDispatch& appl, ScriptedPeer&) {
    Value user_id(55);
    Outcome call;
    Invoke(appl, L"GetSessionInfo", {ByRef(user_id.v())}, call);
    ASSERT_EQ(call.status, DISP_E_EXCEPTION);
    EXPECT_EQ(call.exception.scode, static_cast<SCODE>(-100));
    EXPECT_EQ(call.exception.wCode, 0);
    EXPECT_EQ(call.Source(), L"Orvabridge.Appl.GetSessionInfo");
    EXPECT_EQ(call.Description(), L"Orvabridge.Appl.GetSessionInfo error 6\r\nOverflow");
    EXPECT_EQ(V_VT(&user_id.v()), VT_I4);  // a failed call writes nothing back
    EXPECT_EQ(V_I4(&user_id.v()), 55);
  });
}

TEST_F(ComDispatchTest, HandledFailureReachesEarlyBoundCallersAsItsHresult) {
  session_ = [](std::vector<std::byte>& reply) { channel::WriteF64(reply, generic::kDouble, 1e6); };
  WithAttachedAppl([&](IDispatch& appl, ScriptedPeer&) {
    LONG user_id = 55, result = 0;
    VARIANT_BOOL logged_in = VARIANT_FALSE;
    VARIANTARG none = {};
    V_VT(&none) = VT_BYREF | VT_BSTR;  // an omitted optional: a null pointer
    const HRESULT status = CallVtable(appl, L"GetSessionInfo",
                                      {ByRef(user_id), none, none, none, none, none, none,
                                       ByRef(logged_in), none, none, none, ByRef(result)});
    EXPECT_EQ(status, static_cast<HRESULT>(-100));
    Ref<IErrorInfo> error;
    ASSERT_EQ(::GetErrorInfo(0, error.OutTyped()), S_OK);
    BSTR source = nullptr, description = nullptr;
    error->GetSource(&source);
    error->GetDescription(&description);
    EXPECT_EQ(Outcome::Str(source), L"Orvabridge.Appl.GetSessionInfo");
    EXPECT_EQ(Outcome::Str(description), L"Orvabridge.Appl.GetSessionInfo error 6\r\nOverflow");
    ::SysFreeString(source);
    ::SysFreeString(description);
    EXPECT_EQ(user_id, 55);
  });
}

// --- Early binding ------------------------------------------------------------------------------

TEST_F(ComDispatchTest, VtableMethodsWriteOnlyWhatChanged) {
  WithAttachedAppl([&](IDispatch& appl, ScriptedPeer&) {
    Text patient(L"P-1"), first(L""), last(L"Berg");
    const BSTR patient_before = patient.b(), last_before = last.b();
    LONG result = 0;
    ASSERT_EQ(CallVtable(appl, L"FindPatient",
                         {ByRef(patient.b()), ByRef(first.b()), ByRef(last.b()), ByRef(result)}),
              S_OK);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(first.str(), L"Ann");
    EXPECT_EQ(patient.b(), patient_before);  // the same string, not a copy
    EXPECT_EQ(last.b(), last_before);
  });
}

TEST_F(ComDispatchTest, VtableMethodsRefuseNullRequiredArguments) {
  WithAttachedAppl([&](IDispatch& appl, ScriptedPeer&) {
    Text first(L""), last(L"");
    LONG result = 0;
    VARIANTARG null_text = {};
    V_VT(&null_text) = VT_BYREF | VT_BSTR;
    EXPECT_EQ(CallVtable(appl, L"FindPatient",
                         {null_text, ByRef(first.b()), ByRef(last.b()), ByRef(result)}),
              E_POINTER);
    EXPECT_EQ(find_requests_, 0);
  });
}

}  // namespace
}  // namespace orvabridge::com_testing
