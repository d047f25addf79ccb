// The arguments of one call: a variable per parameter, holding the option's value or the zero
// value, handed to the member by reference or as a pointer.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "commands.h"
#include "values.h"

namespace orvabridge::orvactl {

class Bindings {
 public:
  // `given`: option values by parameter name, already converted to the parameter's type.
  Bindings(const CommandSpec& command, std::map<std::string, Value> given);
  Bindings(const Bindings&) = delete;
  Bindings& operator=(const Bindings&) = delete;

  // Required parameters: always a variable.
  std::string& Text(std::string_view name) { return Get<std::string>(name); }
  int32_t& Int32(std::string_view name) { return Get<int32_t>(name); }
  bool& Bool(std::string_view name) { return Get<bool>(name); }

  // Optional parameters: nullptr for an input whose option was not given. Outputs always get a
  // variable, so that what the member writes can be shown (an omitted input reads as zero or
  // empty either way).
  std::string* OptionalText(std::string_view name) { return Optional<std::string>(name); }
  int32_t* OptionalInt32(std::string_view name) { return Optional<int32_t>(name); }
  int16_t* OptionalInt16(std::string_view name) { return Optional<int16_t>(name); }
  bool* OptionalBool(std::string_view name) { return Optional<bool>(name); }
  double* OptionalDate(std::string_view name) { return Optional<double>(name); }

  // The variable of the parameter at `index` (in the member's order) as the member takes it:
  // nullptr for an optional input whose option was not given.
  template <class T>
  T* Variable(size_t index) {
    Slot& slot = slots_.at(index);
    if (slot.param->optional) return Optional<T>(slot);
    return &std::get<T>(slot.value);
  }

  // After the call: every output parameter with its value, in parameter order.
  std::vector<std::pair<std::string, Value>> Outputs() const;

 private:
  struct Slot {
    const ParamSpec* param = nullptr;
    Value value;
    bool given = false;
  };

  // A name or type that the command table does not declare is a fault of the table itself.
  template <class T>
  T& Get(std::string_view name) {
    return std::get<T>(Find(name).value);
  }
  template <class T>
  T* Optional(std::string_view name) {
    return Optional<T>(Find(name));
  }
  template <class T>
  T* Optional(Slot& slot) {
    if (!slot.given && !slot.param->IsOutput()) return nullptr;
    return &std::get<T>(slot.value);
  }
  Slot& Find(std::string_view name);

  const CommandSpec& command_;
  std::vector<Slot> slots_;  // in parameter order
};

}  // namespace orvabridge::orvactl
