#include "link/traced_system.h"

namespace orvabridge::link {

int TracedSystem::ShowMessageBox(const platform::MessageBoxRequest& request) {
  recorder_.MessageBox(request);
  if (trace_) trace_->Line("message box \"" + request.caption + "\": " + request.text);
  const int pressed = system_.ShowMessageBox(request);
  if (trace_) trace_->Line("message box closed with button " + std::to_string(pressed));
  return pressed;
}

}  // namespace orvabridge::link
