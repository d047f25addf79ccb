// Calls through the type library, as hosts make them that bind with ITypeInfo::Invoke
// (DispInvoke-style hosts): the system's own oleaut32 fills every omitted optional argument,
// from the library's default where there is one, otherwise with a reference to a VARIANT holding
// DISP_E_PARAMNOTFOUND, whatever the parameter's type. A text parameter used to read that VARIANT
// as a BSTR and crash the host.
#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "channel/records.h"
#include "support/link_fixture.h"
#include "support/scripted_peer.h"
#include "win32/com_test_support.h"

namespace orvabridge::com_testing {
namespace {

namespace command = channel::command;
namespace generic = channel::generic;
using testing::ScriptedPeer;

// Variables of a compiled client, each passed by reference with its own type.
class ClientVariables {
 public:
  ClientVariables() = default;
  ClientVariables(const ClientVariables&) = delete;
  ClientVariables& operator=(const ClientVariables&) = delete;
  ~ClientVariables() {
    for (BSTR text : texts_) ::SysFreeString(text);
  }

  // A reference to a new variable of `type` holding zero (0, False, midnight).
  VARIANTARG Zero(VARTYPE type) {
    VARIANTARG argument = Reference(type);
    if (type == VT_I2) *V_I2REF(&argument) = 0;
    if (type != VT_I2 && type != VT_BOOL && type != VT_DATE) *V_I4REF(&argument) = 0;
    return argument;
  }

  // A reference to a new variable of `type` holding a plain value ("1", 1, False).
  VARIANTARG Reference(VARTYPE type) {
    VARIANTARG argument;
    ::VariantInit(&argument);
    V_VT(&argument) = static_cast<VARTYPE>(type | VT_BYREF);
    switch (type) {
      case VT_BSTR:
        V_BSTRREF(&argument) = &texts_.emplace_back(::SysAllocString(L"1"));
        break;
      case VT_I2:
        V_I2REF(&argument) = &shorts_.emplace_back(SHORT{1});
        break;
      case VT_BOOL:
        V_BOOLREF(&argument) = &flags_.emplace_back(VARIANT_FALSE);
        break;
      case VT_DATE:
        V_DATEREF(&argument) = &dates_.emplace_back(DATE{0});
        break;
      default:  // VT_I4 and the published enumerations
        V_VT(&argument) = VT_I4 | VT_BYREF;
        V_I4REF(&argument) = &longs_.emplace_back(LONG{1});
        break;
    }
    return argument;
  }

 private:
  std::deque<BSTR> texts_;
  std::deque<LONG> longs_;
  std::deque<SHORT> shorts_;
  std::deque<VARIANT_BOOL> flags_;
  std::deque<DATE> dates_;
};

struct Parameter {
  VARTYPE type;
  bool optional;
  bool has_default;
  VARTYPE default_type;
  bool default_is_zero;  // 0, False, or the null (empty) text
};

struct Member {
  MEMBERID id;
  std::wstring name;
  std::vector<Parameter> parameters;  // without the [out, retval] result
};

// The base type behind a by-reference parameter; enumerations count as VT_I4.
VARTYPE ReferencedType(const TYPEDESC& type) {
  const TYPEDESC& target = type.vt == VT_PTR ? *type.lptdesc : type;
  return target.vt == VT_USERDEFINED ? static_cast<VARTYPE>(VT_I4) : target.vt;
}

class ComTypeInfoInvokeTest : public testing::LinkTest {
 protected:
  void SetUp() override {
    LinkTest::SetUp();
    ::SetEnvironmentVariableW(L"ORVABRIDGE_MESSAGE_BOXES", L"stderr");
    ASSERT_NE(Server(), nullptr)
        << "cannot load the server from the build tree; build orvabridge_com";
  }

  // On a fresh apartment thread: an imaging application that answers every request at once
  // (sessions with a logged-in user, everything else with its own record), a link object
  // attached to it, its vtable interface and the interface view of the type library.
  void WithAttachedAppl(const std::function<void(ITypeInfo&, IUnknown&, ScriptedPeer&)>& body) {
    InFreshApartment([&] {
      ScriptedPeer peer(*platform_);
      std::string shown_patient;
      peer.on_request = [&](const ScriptedPeer::Request& request) {
        std::vector<std::byte> reply = request.bytes;
        if (request.code == command::kGeneric &&
            channel::ReadI32(request.bytes, generic::kSubCommand) == generic::kSessionInfo) {
          reply = peer.SessionRecord(true);
        } else if (request.code == command::kShowPatient) {
          shown_patient = peer.codec().ReadText(request.bytes, channel::find_patient::kPatientId);
        } else if (request.code == command::kCurrentPatient) {
          peer.codec().WriteText(reply, channel::patient::kId, shown_patient);
        }
        generic_requests_ += request.code == command::kGeneric ? 1 : 0;
        last_request_ = request;
        peer.Reply(request.reply_to, request.code, reply);
      };
      Ref<IDispatch> appl;
      ASSERT_EQ(CreateAppl(appl), S_OK);
      Text name(L""), version(L"NoLaunch");
      Outcome attached;
      Invoke(*appl, L"InitApplication", {ByRef(name.b()), ByRef(version.b())}, attached);
      ASSERT_EQ(V_I4(&attached.result.v()), 1);

      Ref<ITypeInfo> dispatch_view, interface_view;
      ASSERT_EQ(appl->GetTypeInfo(0, LOCALE_USER_DEFAULT, dispatch_view.OutTyped()), S_OK);
      HREFTYPE interface_ref = 0;
      ASSERT_EQ(dispatch_view->GetRefTypeOfImplType(static_cast<UINT>(-1), &interface_ref), S_OK);
      ASSERT_EQ(dispatch_view->GetRefTypeInfo(interface_ref, interface_view.OutTyped()), S_OK);
      Ref<IUnknown> vtable;
      ASSERT_EQ(appl->QueryInterface(kIidAppl, vtable.Out()), S_OK);
      body(*interface_view, *vtable, peer);
    });
  }

  static std::vector<Member> MembersOf(ITypeInfo& info) {
    std::vector<Member> members;
    TYPEATTR* attributes = nullptr;
    EXPECT_EQ(info.GetTypeAttr(&attributes), S_OK);
    for (UINT i = 0; attributes != nullptr && i < attributes->cFuncs; ++i) {
      FUNCDESC* function = nullptr;
      if (FAILED(info.GetFuncDesc(i, &function))) continue;
      Member member{function->memid, {}, {}};
      BSTR name = nullptr;
      info.GetDocumentation(function->memid, &name, nullptr, nullptr, nullptr);
      member.name = Outcome::Str(name);
      ::SysFreeString(name);
      for (short p = 0; p < function->cParams; ++p) {
        const ELEMDESC& parameter = function->lprgelemdescParam[p];
        const USHORT flags = parameter.paramdesc.wParamFlags;
        if ((flags & PARAMFLAG_FRETVAL) != 0) continue;
        Parameter described{ReferencedType(parameter.tdesc), (flags & PARAMFLAG_FOPT) != 0,
                            (flags & PARAMFLAG_FHASDEFAULT) != 0, VT_EMPTY, false};
        if (described.has_default && parameter.paramdesc.pparamdescex != nullptr) {
          const VARIANT& value = parameter.paramdesc.pparamdescex->varDefaultValue;
          described.default_type = V_VT(&value);
          described.default_is_zero =
              V_VT(&value) == VT_BSTR ? ::SysStringLen(V_BSTR(&value)) == 0 : V_I4(&value) == 0;
        }
        member.parameters.push_back(described);
      }
      info.ReleaseFuncDesc(function);
      members.push_back(std::move(member));
    }
    if (attributes != nullptr) info.ReleaseTypeAttr(attributes);
    return members;
  }

  // ITypeInfo::Invoke with `arguments` in parameter order (laid out last-first, as clients do).
  static HRESULT InvokeThroughTypeInfo(ITypeInfo& info, IUnknown& vtable, const Member& member,
                                       std::vector<VARIANTARG> arguments, Outcome& outcome) {
    std::vector<VARIANTARG> reversed(arguments.rbegin(), arguments.rend());
    DISPPARAMS params = {reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    outcome.status =
        info.Invoke(&vtable, member.id, DISPATCH_METHOD | DISPATCH_PROPERTYGET, &params,
                    &outcome.result.v(), &outcome.exception, &outcome.argument_error);
    return outcome.status;
  }

  int generic_requests_ = 0;
  ScriptedPeer::Request last_request_;
};

// oleaut32 of Wine hands a by-reference parameter's default over by value: a zero default
// arrives as a null pointer ("omitted"), a text default would arrive as a string where a BSTR*
// belongs. Optional texts therefore have none and arrive as the missing-argument marker.
TEST_F(ComTypeInfoInvokeTest, OptionalNumbersDefaultToZeroAndOptionalTextsHaveNoDefault) {
  WithAttachedAppl([&](ITypeInfo& info, IUnknown&, ScriptedPeer&) {
    int optionals = 0;
    for (const Member& member : MembersOf(info)) {
      for (size_t p = 0; p < member.parameters.size(); ++p) {
        const Parameter& parameter = member.parameters[p];
        if (!parameter.optional) continue;
        ++optionals;
        SCOPED_TRACE(::testing::Message()
                     << "parameter " << p << " of member 0x" << std::hex << member.id);
        if (parameter.type == VT_BSTR) {
          EXPECT_FALSE(parameter.has_default);
          continue;
        }
        ASSERT_TRUE(parameter.has_default);
        EXPECT_EQ(parameter.default_type, parameter.type);
        EXPECT_TRUE(parameter.default_is_zero);
      }
    }
    EXPECT_GT(optionals, 40);
  });
}

// Each member with only its required arguments, then with each optional one given on its own
// (texts before it marked missing, other optionals before it at their default). Every call must
// reach the member and come back, with its result or its automation error; a binding error or a
// crash fails.
TEST_F(ComTypeInfoInvokeTest, EveryMemberRunsWithItsOptionalsOmittedOrGivenOneByOne) {
  WithAttachedAppl([&](ITypeInfo& info, IUnknown& vtable, ScriptedPeer&) {
    int members = 0;
    for (const Member& member : MembersOf(info)) {
      if ((member.id & 0xF7FF0000) != 0x60030000) continue;  // IUnknown's and IDispatch's
      ++members;
      size_t required = 0;
      while (required < member.parameters.size() && !member.parameters[required].optional) {
        ++required;
      }
      for (size_t given = required; given <= member.parameters.size(); ++given) {
        SCOPED_TRACE(::testing::Message() << "member 0x" << std::hex << member.id << std::dec
                                          << ", optional argument " << given << " given");
        ClientVariables variables;
        std::vector<VARIANTARG> arguments;
        for (size_t p = 0; p < required; ++p) {
          arguments.push_back(variables.Reference(member.parameters[p].type));
        }
        if (given < member.parameters.size()) {
          // The optionals in front: texts marked missing, the others given their default as
          // compiled clients do (Wine's oleaut32 refuses a missing marker where a default is).
          for (size_t p = required; p < given; ++p) {
            const Parameter& before = member.parameters[p];
            arguments.push_back(before.has_default ? variables.Zero(before.type) : Missing());
          }
          arguments.push_back(variables.Reference(member.parameters[given].type));
        }
        Outcome call;
        InvokeThroughTypeInfo(info, vtable, member, arguments, call);
        EXPECT_TRUE(call.status == S_OK || call.status == DISP_E_EXCEPTION)
            << "status 0x" << std::hex << call.status;
        if (given == member.parameters.size()) break;
      }
    }
    EXPECT_EQ(members, 28);
  });
}

// ShowObject(otSeries, 15) without sUID sends an empty identifier, and GetSessionInfo() with
// nothing given asks for the session and answers with its result.
TEST_F(ComTypeInfoInvokeTest, OmittedOptionalTextsReachTheMembersAsEmptyTexts) {
  WithAttachedAppl([&](ITypeInfo& info, IUnknown& vtable, ScriptedPeer& peer) {
    const std::vector<Member> members = MembersOf(info);
    auto member = [&](const wchar_t* name) {
      for (const Member& m : members) {
        if (m.name == name) return m;
      }
      ADD_FAILURE() << "no member named " << std::string(name, name + wcslen(name));
      return Member{};
    };

    LONG object_type = 1, database_id = 15;
    Outcome shown;
    InvokeThroughTypeInfo(info, vtable, member(L"ShowObject"),
                          {ByRef(object_type), ByRef(database_id)}, shown);
    ASSERT_EQ(shown.status, S_OK);
    ASSERT_EQ(last_request_.code, command::kGeneric);
    EXPECT_EQ(channel::ReadI32(last_request_.bytes, generic::kSubCommand), generic::kShowObject);
    EXPECT_EQ(peer.codec().ReadText(last_request_.bytes, generic::kText[0]), "");

    const int before = generic_requests_;
    Outcome session;
    InvokeThroughTypeInfo(info, vtable, member(L"GetSessionInfo"), {}, session);
    ASSERT_EQ(session.status, S_OK);
    EXPECT_EQ(V_VT(&session.result.v()), VT_I4);
    EXPECT_EQ(V_I4(&session.result.v()), 1);
    EXPECT_EQ(generic_requests_, before + 1);
  });
}

}  // namespace
}  // namespace orvabridge::com_testing
