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
  Bindings(const CommandEntry& command, std::map<std::string, Value> given);
  Bindings(const Bindings&) = delete;
  Bindings& operator=(const Bindings&) = delete;

  // The variable of a parameter, by its position in the member's order or by its name, as the
  // member takes it: always a variable for a required parameter; for an optional one nullptr
  // when it is an input whose option was not given. Outputs always get a variable, so that what
  // the member writes can be shown (an omitted input reads as zero or empty either way). A name
  // or type that the command table does not declare is a fault of the table itself
  // (std::logic_error, std::bad_variant_access).
  template <class T>
  T* Variable(size_t index) {
    return VariableOf<T>(slots_.at(index));
  }
  template <class T>
  T* Variable(std::string_view name) {
    return VariableOf<T>(Find(name));
  }

  // After the call: every output parameter with its value, in parameter order.
  std::vector<std::pair<std::string, Value>> Outputs() const;

 private:
  struct Slot {
    const ParamEntry* param = nullptr;
    Value value;
    bool given = false;
  };

  template <class T>
  T* VariableOf(Slot& slot) {
    if (slot.param->optional && !slot.given && !slot.param->IsOutput()) return nullptr;
    return &std::get<T>(slot.value);
  }
  Slot& Find(std::string_view name);

  const CommandEntry& command_;
  std::vector<Slot> slots_;  // in parameter order
};

}  // namespace orvabridge::orvactl
