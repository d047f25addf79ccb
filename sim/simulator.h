// The simulated imaging application: the other side of the copy-data protocol.
//
// A Simulator runs on a thread of its own with its own windows, exactly as the imaging
// application runs in a process of its own:
// - a top-level main window (class SimOptions::main_window_class, title starting with the
//   application key) that answers the registered attach message with reply 1002;
// - a control window, a hidden child of the main window (as in the real application, so that a
//   search through descendants meets it too), that takes the copy-data requests;
// - a message-only service window through which other threads ask the simulator's thread to
//   stop or to destroy its control window, and through which it wakes itself for answers given
//   from its loop.
// It is written only against the platform interfaces, so it runs on the in-process desktop and
// on real Win32 alike. Every answer is a copy-data message sent to the window that came as the
// request's first parameter.
//
// Thread-safety: the model, the fault switches and the log of received requests sit behind one
// mutex, which is never held while a message is sent. Every public method may be called from
// any thread except the simulator's own (Stop from there could not join itself).
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "channel/codec.h"
#include "identity/identity.h"
#include "platform/platform.h"
#include "platform/unique_window.h"
#include "sim/commands.h"
#include "sim/faults.h"
#include "sim/model.h"

namespace orvabridge::sim {

inline constexpr std::string_view kAttachMessageName = identity::kControlMessage;
inline constexpr std::string_view kControlWindowClass = "OrvantaControlSurface";

struct SimOptions {
  std::string application_key = "Orvanta";  // the main window's title starts with this text
  std::string main_window_class = "ThunderRT6MDIForm";
  std::string window_title;      // empty: application_key + " - Dental Imaging"
  std::string name = "Orvanta";  // the name in the attach reply
  int32_t version_major = 3, version_minor = 1, version_build = 1199;
  int show_command = platform::kSwShow;  // how the main window is first shown
  std::string launch_arguments;          // the command line it was started with, if any
  // After each look at its messages the application works this long before it looks again (busy
  // loading a series, say): it answers late, but it is not hung as long as this stays below the
  // system's five seconds.
  std::chrono::milliseconds look_interval{0};
};

// Sees what the simulator receives and sends, on the simulator's thread and outside its lock, in
// the order it happens: the --trace writer. A request is seen before it is answered.
class TrafficObserver {
 public:
  virtual ~TrafficObserver() = default;
  virtual void AttachReceived(platform::WindowHandle reply_to) = 0;
  virtual void RequestReceived(platform::WindowHandle sender, uint32_t code,
                               std::span<const std::byte> bytes) = 0;
  virtual void ReplySent(platform::WindowHandle to, const Reply& reply,
                         platform::SendStatus status) = 0;
};

class Simulator {
 public:
  // What the control window received, for tests: any layout violation is described in
  // `layout_error` (empty when the request was well-formed).
  struct Received {
    uint32_t code = 0;
    std::vector<std::byte> bytes;
    platform::WindowHandle sender;
    std::string layout_error;
  };

  explicit Simulator(std::shared_ptr<platform::Platform> platform, SimOptions options = {});
  ~Simulator();  // Stop()
  Simulator(const Simulator&) = delete;
  Simulator& operator=(const Simulator&) = delete;

  // Starts the thread and returns when its windows exist. Throws when they cannot be made.
  void Start();
  // Destroys the windows and ends the thread; idempotent. Answers still waiting in the loop
  // are dropped.
  void Stop();
  bool running() const { return running_.load(); }

  const SimOptions& options() const { return options_; }
  platform::WindowHandle main_window() const { return main_window_.load(); }
  platform::WindowHandle control_window() const { return control_window_.load(); }

  void SetFaults(FaultSwitches faults);
  FaultSwitches Faults() const;
  // Everything received and sent from now on is shown to `observer` (nullptr: to nobody).
  void SetObserver(std::shared_ptr<TrafficObserver> observer);
  // "The application died": its control window goes away (done on the simulator's thread;
  // returns when it is gone). The main window stays but no longer answers the attach message.
  void DestroyControlWindow();
  // The window thread looks at no message for this long, starting now (a hung program), or
  // until Thaw.
  void Freeze(std::chrono::milliseconds duration);
  // Ends a freeze that is running (or about to start) at once.
  void Thaw();
  // Whether a freeze is running now (it begins when the window thread takes the request).
  bool frozen() const { return frozen_.load(); }

  // The model. The named helpers cover the common cases; EditModel and Model reach the rest.
  void AddUser(SimUser user);  // replaces a user of the same login
  // Logs the given login in (it must name a user for the session to report one), or out.
  void SetLoggedIn(std::optional<std::string> login);
  std::optional<SimUser> LoggedInUser() const;
  void AddPatient(SimPatient patient);  // replaces a patient of the same id
  std::optional<SimPatient> Patient(std::string_view id) const;
  void SetCurrentPatient(std::string id);
  std::string CurrentPatientId() const;
  void AddImage(SimImage image);
  void SelectImage(std::string picture_id);
  void SetSelectedCard(std::optional<SimImageCard> card);
  void SetModel(SimModel model);  // everything the application knows, at once
  void EditModel(const std::function<void(SimModel&)>& edit);
  SimModel Model() const;  // a copy

  std::vector<Received> Requests() const;
  size_t AttachRequestCount() const;
  std::vector<platform::WindowHandle> AttachSenders() const;  // reply windows, in order
  void ClearRequests();
  // Block on a condition variable until that many requests (attach messages) have been received
  // since the start or the last ClearRequests; false when the timeout passed first.
  bool WaitForRequestCount(size_t count, std::chrono::milliseconds timeout) const;
  bool WaitForAttachCount(size_t count, std::chrono::milliseconds timeout) const;

 private:
  struct PendingReply {
    platform::Deadline due;
    platform::WindowHandle to;
    Reply reply;
  };

  void ThreadMain(std::promise<void>& started);
  void CreateWindows();
  void RunLoop();
  void DestroyWindowsHere();
  void DestroyMainHere();
  void DestroyControlHere();
  bool OnSimThread() const;

  std::optional<intptr_t> OnMainMessage(const platform::WindowMessage& message);
  std::optional<intptr_t> OnControlMessage(const platform::WindowMessage& message);
  std::optional<intptr_t> OnServiceMessage(const platform::WindowMessage& message);
  void HandleAttach(platform::WindowHandle reply_to);
  void HandleRequest(platform::WindowHandle sender, const platform::CopyData& data);
  Reply AttachReply(platform::WindowHandle control) const;

  void Carry(ReplyPlan plan, platform::WindowHandle to);
  void SendReply(platform::WindowHandle to, const Reply& reply);
  void SendDueReplies();
  platform::Deadline NextWakeUp() const;
  std::shared_ptr<TrafficObserver> Observer() const;

  std::shared_ptr<platform::Platform> platform_;
  platform::WindowSystem& windows_;
  const SimOptions options_;
  const channel::FieldCodec codec_;

  mutable std::mutex mutex_;
  mutable std::condition_variable received_changed_;
  SimModel model_;
  FaultSwitches faults_;
  std::shared_ptr<TrafficObserver> observer_;
  std::vector<Received> received_;
  std::vector<platform::WindowHandle> attach_senders_;

  std::thread thread_;
  std::atomic<bool> running_{false};
  // The windows, owned on the simulator's thread; the atomic copies are for other threads.
  platform::UniqueWindow main_owner_, control_owner_, service_owner_;
  std::atomic<platform::WindowHandle> main_window_{};
  std::atomic<platform::WindowHandle> control_window_{};
  std::atomic<platform::WindowHandle> service_window_{};

  // Touched by the simulator's thread only.
  platform::MessageId attach_message_ = 0;
  std::vector<PendingReply> pending_;
  bool stopping_ = false;
  // A freeze waits on this, so that Thaw can end it early.
  std::mutex freeze_mutex_;
  std::condition_variable freeze_ended_;
  bool thawed_ = false;
  std::atomic<bool> frozen_{false};
};

}  // namespace orvabridge::sim
