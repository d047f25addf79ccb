#include "bindings.h"

#include <stdexcept>

namespace orvabridge::orvactl {

Bindings::Bindings(const CommandEntry& command, std::map<std::string, Value> given)
    : command_(command) {
  for (const ParamEntry& param : command.params) {
    Slot slot{&param, DefaultValue(param.type), false};
    if (auto it = given.find(std::string(param.name)); it != given.end()) {
      slot.value = std::move(it->second);
      slot.given = true;
      given.erase(it);
    }
    slots_.push_back(std::move(slot));
  }
  if (!given.empty()) {
    throw std::logic_error(std::string(command.name) + " has no parameter " + given.begin()->first);
  }
}

Bindings::Slot& Bindings::Find(std::string_view name) {
  for (Slot& slot : slots_) {
    if (slot.param->name == name) return slot;
  }
  throw std::logic_error(std::string(command_.name) + " declares no parameter " +
                         std::string(name));
}

std::vector<std::pair<std::string, Value>> Bindings::Outputs() const {
  std::vector<std::pair<std::string, Value>> outputs;
  for (const Slot& slot : slots_) {
    if (slot.param->IsOutput()) outputs.emplace_back(std::string(slot.param->name), slot.value);
  }
  return outputs;
}

}  // namespace orvabridge::orvactl
