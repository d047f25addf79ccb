#include "commands.h"

#include <tuple>
#include <type_traits>
#include <utility>

#include "bindings.h"
#include "interface/members.h"

namespace orvabridge::orvactl {
namespace {

// ---- words for enumerations -------------------------------------------------------------

constexpr EnumAlias kObjectTypes[] = {{"patient", otPatient},       {"series", otSeries},
                                      {"imagecard", otImagecard},   {"image", otImage},
                                      {"otPatient", otPatient},     {"otSeries", otSeries},
                                      {"otImagecard", otImagecard}, {"otImage", otImage}};
constexpr EnumAlias kRightsMethods[] = {{"leave", LeaveAsIsOrGetDefaults},
                                        {"overwrite", OverwriteWithDefaults},
                                        {"specified", UseSpecifiedRights},
                                        {"LeaveAsIsOrGetDefaults", LeaveAsIsOrGetDefaults},
                                        {"OverwriteWithDefaults", OverwriteWithDefaults},
                                        {"UseSpecifiedRights", UseSpecifiedRights}};
constexpr EnumAlias kInfoKinds[] = {{"lic-name", ggiLicName}, {"ggiLicName", ggiLicName}};
constexpr EnumAlias kWindowStates[] = {{"normal", 0},    {"minimised", 1}, {"minimized", 1},
                                       {"maximised", 2}, {"maximized", 2}, {"topmost", 3}};

// The window state is a plain number in the interface; orvactl also takes words for it.
constexpr size_t kWindowStateIndex = 0;
static_assert(api::MemberNamed("SetWindowState").parameters[kWindowStateIndex].name == "iState");

std::span<const EnumAlias> AliasesOf(const api::Member& member, size_t index) {
  switch (member.parameters[index].type) {
    case api::Type::kRightsMethod:
      return kRightsMethods;
    case api::Type::kObjectType:
      return kObjectTypes;
    case api::Type::kInfoType:
      return kInfoKinds;
    default:
      break;
  }
  if (member.name == "SetWindowState" && index == kWindowStateIndex) return kWindowStates;
  return {};
}

ValueType ValueTypeOf(api::Type type) {
  switch (type) {
    case api::Type::kText:
      return ValueType::kText;
    case api::Type::kInt16:
      return ValueType::kInt16;
    case api::Type::kBool:
      return ValueType::kBool;
    case api::Type::kDate:
      return ValueType::kDate;
    case api::Type::kInt32:
    case api::Type::kRightsMethod:
    case api::Type::kObjectType:
    case api::Type::kInfoType:
      break;
  }
  return ValueType::kInt32;
}

// ---- calling a member of Appl with the variables of a call --------------------------------

template <class Method>
struct Signature;
template <class R, class... Args>
struct Signature<R (Appl::*)(Args...)> {
  using Result = R;
  using Params = std::tuple<Args...>;
};
template <class R, class... Args>
struct Signature<R (Appl::*)(Args...) const> : Signature<R (Appl::*)(Args...)> {};

// Whether the C++ parameter type `P` of a member carries the table's parameter: a reference
// for a required one, a pointer for an optional one, of the value type the table names.
template <class P>
constexpr bool Carries(const api::Parameter& parameter) {
  using T = std::remove_cvref_t<std::remove_pointer_t<P>>;
  if (std::is_pointer_v<P> != parameter.optional) return false;
  switch (parameter.type) {
    case api::Type::kText:
      return std::is_same_v<T, std::string>;
    case api::Type::kInt32:
    case api::Type::kRightsMethod:
      return std::is_same_v<T, int32_t>;
    case api::Type::kInt16:
      return std::is_same_v<T, int16_t>;
    case api::Type::kBool:
      return std::is_same_v<T, bool>;
    case api::Type::kDate:
      return std::is_same_v<T, double>;
    case api::Type::kObjectType:
      return std::is_same_v<T, soObjectTypes>;
    case api::Type::kInfoType:
      return std::is_same_v<T, ggis>;
  }
  return false;
}

template <class Params, size_t... I>
constexpr bool MatchesTable(const api::Member& member, std::index_sequence<I...>) {
  return member.parameters.size() == sizeof...(I) &&
         (Carries<std::tuple_element_t<I, Params>>(member.parameters[I]) && ...);
}

// One argument of the call, as the member takes it. Enumerations are held as numbers by the
// call's variables and handed over as a variable of the enumeration, copied back afterwards.
template <class P>
class Argument {
  using T = std::remove_cvref_t<std::remove_pointer_t<P>>;
  static constexpr bool kEnumeration = std::is_enum_v<T>;
  using Stored = std::conditional_t<kEnumeration, int32_t, T>;

 public:
  Argument(Bindings& arguments, size_t index) : stored_(arguments.Variable<Stored>(index)) {
    if constexpr (kEnumeration) {
      if (stored_ != nullptr) local_ = static_cast<T>(*stored_);
    }
  }
  P get() {
    T* target = nullptr;
    if constexpr (kEnumeration) {
      if (stored_ != nullptr) target = &local_;
    } else {
      target = stored_;
    }
    if constexpr (std::is_pointer_v<P>) {
      return target;
    } else {
      return *target;
    }
  }
  void Commit() {
    if constexpr (kEnumeration) {
      if (stored_ != nullptr) *stored_ = static_cast<int32_t>(local_);
    }
  }

 private:
  Stored* stored_;
  [[no_unique_address]] std::conditional_t<kEnumeration, T, std::monostate> local_{};
};

template <auto Method, size_t... I>
Returned CallWith(Appl& appl, Bindings& arguments, std::index_sequence<I...>) {
  using S = Signature<decltype(Method)>;
  std::tuple<Argument<std::tuple_element_t<I, typename S::Params>>...> bound(
      Argument<std::tuple_element_t<I, typename S::Params>>(arguments, I)...);
  if constexpr (std::is_void_v<typename S::Result>) {
    (appl.*Method)(std::get<I>(bound).get()...);
    (std::get<I>(bound).Commit(), ...);
    return std::monostate{};
  } else {
    Returned result = (appl.*Method)(std::get<I>(bound).get()...);
    (std::get<I>(bound).Commit(), ...);
    return result;
  }
}

consteval size_t IndexOf(std::string_view name) {
  const auto members = api::Members();
  for (size_t i = 0; i < members.size(); ++i) {
    if (members[i].name == name) return i;
  }
  throw "no member of that name";  // not a constant expression: the build stops here
}

// The call of member number `Index` of the table through `Method`, which must take exactly the
// table's parameters (checked while building).
template <auto Method, size_t Index>
Returned Call(Appl& appl, Bindings& arguments) {
  using S = Signature<decltype(Method)>;
  constexpr auto kParameters = std::make_index_sequence<std::tuple_size_v<typename S::Params>>{};
  static_assert(MatchesTable<typename S::Params>(api::Members()[Index], kParameters),
                "the member of Appl and the member table disagree on the parameters");
  return CallWith<Method>(appl, arguments, kParameters);
}

struct MemberCall {
  std::string_view member;
  Invoker invoke;
};

#define ORVACTL_CALL(name) \
  MemberCall { #name, &Call < &Appl::name, IndexOf(#name)> }
constexpr MemberCall kCalls[] = {ORVACTL_CALL(InitApplication),
                                 ORVACTL_CALL(CloseApplication),
                                 ORVACTL_CALL(GetCurrentPatient),
                                 ORVACTL_CALL(FindPatient),
                                 ORVACTL_CALL(ShowPatient),
                                 ORVACTL_CALL(AddPatient),
                                 ORVACTL_CALL(ChangePatient),
                                 ORVACTL_CALL(SearchImage),
                                 ORVACTL_CALL(GetImage),
                                 ORVACTL_CALL(FindImages),
                                 ORVACTL_CALL(GetSelectedImageInfo),
                                 ORVACTL_CALL(GetSelectedImageCard),
                                 ORVACTL_CALL(UserLogout),
                                 ORVACTL_CALL(UserLogin),
                                 ORVACTL_CALL(GetCurrentPatientFolder),
                                 ORVACTL_CALL(SetWindowState),
                                 ORVACTL_CALL(MWLQuery),
                                 ORVACTL_CALL(UserGroupLogin),
                                 ORVACTL_CALL(UserLoginEx),
                                 ORVACTL_CALL(GetRespPerson),
                                 ORVACTL_CALL(ShowPatientEx),
                                 ORVACTL_CALL(ShowObject),
                                 ORVACTL_CALL(GetSessionInfo),
                                 ORVACTL_CALL(AddPatientEx),
                                 ORVACTL_CALL(ChangePatientEx),
                                 ORVACTL_CALL(ToFile),
                                 ORVACTL_CALL(GetComputerOrClientName),
                                 ORVACTL_CALL(GetGeneralInfo)};
#undef ORVACTL_CALL
static_assert(std::size(kCalls) == api::Members().size(), "every member has its call");

Returns ReturnsOf(api::Returns returns) {
  switch (returns) {
    case api::Returns::kText:
      return Returns::kText;
    case api::Returns::kBool:
      return Returns::kBool;
    case api::Returns::kNothing:
      return Returns::kNothing;
    case api::Returns::kResultCode:
      break;
  }
  return Returns::kResultCode;
}

SuccessWhen SuccessOf(api::Succeeds succeeds) {
  switch (succeeds) {
    case api::Succeeds::kZero:
      return SuccessWhen::kZero;
    case api::Succeeds::kPositive:
      return SuccessWhen::kPositive;
    case api::Succeeds::kOne:
      break;
  }
  return SuccessWhen::kOne;
}

// One subcommand per member, made from the member table.
std::vector<CommandEntry> BuildCommands() {
  std::vector<CommandEntry> commands;
  for (const api::Member& member : api::Members()) {
    CommandEntry command{member.command,
                         member.name,
                         member.summary,
                         {},
                         ReturnsOf(member.returns),
                         SuccessOf(member.succeeds),
                         nullptr};
    for (size_t i = 0; i < member.parameters.size(); ++i) {
      const api::Parameter& parameter = member.parameters[i];
      const Flow flow = parameter.flow == api::Flow::kIn    ? Flow::kIn
                        : parameter.flow == api::Flow::kOut ? Flow::kOut
                                                            : Flow::kInOut;
      command.params.push_back({parameter.name, parameter.option, ValueTypeOf(parameter.type), flow,
                                parameter.optional, parameter.help, AliasesOf(member, i),
                                parameter.secret});
    }
    for (const MemberCall& call : kCalls) {
      if (call.member == member.name) command.invoke = call.invoke;
    }
    commands.push_back(std::move(command));
  }
  return commands;
}

}  // namespace

const ParamEntry* CommandEntry::FindOption(std::string_view option) const {
  for (const ParamEntry& param : params) {
    if (param.TakesOption() && param.option == option) return &param;
  }
  return nullptr;
}

const std::vector<CommandEntry>& Commands() {
  static const std::vector<CommandEntry> commands = BuildCommands();
  return commands;
}

const CommandEntry* FindCommand(std::string_view name) {
  for (const CommandEntry& command : Commands()) {
    if (command.name == name) return &command;
  }
  return nullptr;
}

}  // namespace orvabridge::orvactl
