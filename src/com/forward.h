// The vtable methods of _Appl, made from the members of orvabridge::Appl: each parameter's wire
// type (BSTR*, LONG*, VARIANT_BOOL*, ...) is read into the C++ value the member takes, and what
// the call changed is written back only when it returned normally. A reference parameter of the
// member is a required argument (a null pointer is refused with E_POINTER), a pointer parameter
// an optional one (null, or the missing-argument marker: omitted). Failures leave through
// GuardedCall.
#pragma once

#include <cstddef>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>

#include "com/bstr.h"
#include "com/by_ref.h"
#include "com/call_boundary.h"
#include "com/com_include.h"
#include "orvabridge/appl.h"

namespace orvabridge::com {

// How the wire type of a parameter maps to the C++ value of the member's parameter.
template <class Wire, class Value>
struct TraitsFor;
template <>
struct TraitsFor<BSTR, std::string> {
  using type = TextWire;
};
template <>
struct TraitsFor<LONG, int32_t> {
  using type = LongWire;
};
template <>
struct TraitsFor<SHORT, int16_t> {
  using type = ShortWire;
};
template <>
struct TraitsFor<VARIANT_BOOL, bool> {
  using type = FlagWire;
};
template <>
struct TraitsFor<DATE, double> {
  using type = DateWire;
};
template <>
struct TraitsFor<::ChangeRightsOptions, int32_t> {
  using type = EnumWire<::ChangeRightsOptions, int32_t>;
};
template <>
struct TraitsFor<::soObjectTypes, soObjectTypes> {
  using type = EnumWire<::soObjectTypes, soObjectTypes>;
};
template <>
struct TraitsFor<::ggis, ggis> {
  using type = EnumWire<::ggis, ggis>;
};

// One argument: `Param` is the member's parameter type (a reference: required; a pointer:
// optional), `Wire` the vtable's.
template <class Param, class Wire>
class Argument {
  using Value = std::remove_cvref_t<std::remove_pointer_t<Param>>;
  static constexpr bool kOptional = std::is_pointer_v<Param>;

 public:
  explicit Argument(Wire* wire) : value_(kOptional ? wire : Required(wire)) {}
  Param get() {
    if constexpr (kOptional) {
      return value_.get();
    } else {
      return *value_;
    }
  }
  void Commit() { value_.Commit(); }

 private:
  ByRef<typename TraitsFor<Wire, Value>::type> value_;
};

// The [out, retval] value of the vtable method.
inline void PutResult(LONG& out, int32_t value) { out = value; }
inline void PutResult(VARIANT_BOOL& out, bool value) { out = value ? VARIANT_TRUE : VARIANT_FALSE; }
inline void PutResult(BSTR& out, UniqueBstr value) { out = value.Detach(); }
// Converted before anything is written back, so that a failing conversion writes nothing.
inline int32_t ResultValue(int32_t value) { return value; }
inline bool ResultValue(bool value) { return value; }
inline UniqueBstr ResultValue(const std::string& value) { return Utf8ToBstr(value); }

template <class Method>
struct MemberTraits;
template <class R, class... Args>
struct MemberTraits<R (Appl::*)(Args...)> {
  using Result = R;
  static constexpr size_t kArity = sizeof...(Args);
  template <size_t I>
  using Param = std::tuple_element_t<I, std::tuple<Args...>>;
};
template <class R, class... Args>
struct MemberTraits<R (Appl::*)(Args...) const> : MemberTraits<R (Appl::*)(Args...)> {};

template <auto Method, class Out, class... Wire, size_t... I>
void CallMember(Appl& appl, Out* result, std::index_sequence<I...>, Wire*... wires) {
  using Traits = MemberTraits<decltype(Method)>;
  static_assert(Traits::kArity == sizeof...(Wire), "the vtable method takes other parameters");
  // Each argument is made in place from its wire pointer (an Argument cannot be moved).
  std::tuple<Argument<typename Traits::template Param<I>, Wire>...> arguments(wires...);
  if constexpr (std::is_void_v<typename Traits::Result>) {
    (appl.*Method)(std::get<I>(arguments).get()...);
    (std::get<I>(arguments).Commit(), ...);
  } else {
    Out& out = *Required(result);
    auto value = ResultValue((appl.*Method)(std::get<I>(arguments).get()...));
    (std::get<I>(arguments).Commit(), ...);
    PutResult(out, std::move(value));
  }
}

// The body of a vtable method with an [out, retval] result.
template <auto Method, class Out, class... Wire>
HRESULT Forward(Appl& appl, Out* result, Wire*... wires) noexcept {
  return GuardedCall(
      [&] { CallMember<Method>(appl, result, std::index_sequence_for<Wire...>{}, wires...); });
}

// The body of a vtable method without a result.
template <auto Method>
HRESULT ForwardWithoutResult(Appl& appl) noexcept {
  return GuardedCall([&] { (appl.*Method)(); });
}

}  // namespace orvabridge::com
