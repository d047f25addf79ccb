// The text-out side of one object: the names and the folder that start-up configuration reads,
// the call log that text-out mode appends to, and the LinkTimer that moves its lines to the
// workstation's file.
#pragma once

#include <memory>
#include <string>

#include "environment/call_log.h"
#include "environment/ctimer.h"
#include "environment/installation.h"
#include "environment/settings.h"
#include "platform/platform.h"

namespace orvabridge::link {

class TextOutSide {
 public:
  // Message boxes go to `system` (the object's traced services).
  TextOutSide(platform::Platform& platform, platform::SystemServices& system);
  ~TextOutSide();
  TextOutSide(const TextOutSide&) = delete;
  TextOutSide& operator=(const TextOutSide&) = delete;

  // Runs the start-up configuration (GetComputerOrClientName). When text-out mode comes on, a new
  // empty call log and a new 250 ms LinkTimer replace the earlier ones; lines still pending in the
  // earlier log are dropped with it.
  void Configure(environment::SettingsReader& settings, environment::Installation& installation);

  // Text-out mode: the methods with a text-out step only log the call.
  bool on() const { return !folder_.empty(); }
  // Appends one line to the call log; without one a message box says so and the call goes on.
  void Append(const std::string& line);
  // Writes the pending lines to the text-out file (the LinkTimer tick).
  void Flush();
  // Writes what is pending, if anything (the first step of an object's destruction).
  void FlushPending();

  std::string FilePath() const;
  const std::string& computer_name() const { return computer_name_; }
  const std::string& workstation_name() const { return workstation_name_; }
  // The text-out folder in force; empty when text-out mode is off.
  const std::string& folder() const { return folder_; }
  // The lines not yet written; null when text-out mode was never on.
  const environment::CallLog* pending() const { return call_log_.get(); }

 private:
  platform::Platform& platform_;
  platform::SystemServices& system_;
  std::string computer_name_;
  std::string workstation_name_;
  std::string folder_;
  std::unique_ptr<environment::CallLog> call_log_;
  environment::TextOutFile file_;
  // Last: its callback refers to this object, so it goes first.
  std::unique_ptr<environment::CTimer> link_timer_;
};

}  // namespace orvabridge::link
