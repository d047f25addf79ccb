#include "sim/simulator.h"

#include <algorithm>
#include <stdexcept>
#include <thread>
#include <utility>

#include "channel/records.h"
#include "sim/request_layout.h"

namespace orvabridge::sim {

namespace {

// The longest a reply may take to get through to its host: the host's own longest wait.
constexpr auto kReplyDeliveryLimit = std::chrono::seconds(60);

using platform::WindowHandle;

// Messages of the service window.
constexpr platform::MessageId kWakeMessage = platform::kWmUser + 1;
constexpr platform::MessageId kDestroyControlMessage = platform::kWmUser + 2;
constexpr platform::MessageId kStopMessage = platform::kWmUser + 3;
constexpr platform::MessageId kFreezeMessage = platform::kWmUser + 4;

// How long the loop sleeps when nothing is scheduled; any message wakes it earlier.
constexpr std::chrono::hours kIdleWait{1};

}  // namespace

Simulator::Simulator(std::shared_ptr<platform::Platform> platform, SimOptions options)
    : platform_(std::move(platform)),
      windows_(platform_->Windows()),
      options_(std::move(options)),
      codec_(platform_->AnsiCodePage()) {}

Simulator::~Simulator() { Stop(); }

// ---- Lifetime ----------------------------------------------------------------------------

void Simulator::Start() {
  if (thread_.joinable()) return;
  std::promise<void> started;
  std::future<void> windows_made = started.get_future();
  thread_ = std::thread([this, &started] { ThreadMain(started); });
  try {
    windows_made.get();
  } catch (...) {
    thread_.join();
    throw;
  }
}

void Simulator::Stop() {
  if (!thread_.joinable() || OnSimThread()) return;
  // A send, not a post: while it waits, this thread still takes the answers that the simulator
  // may be sending it, so the simulator never blocks on a thread that is joining it.
  windows_.Send(service_window_.load(), kStopMessage, 0, 0, platform::kNoLimit);
  thread_.join();
  thread_ = std::thread();
}

bool Simulator::OnSimThread() const { return std::this_thread::get_id() == thread_.get_id(); }

void Simulator::ThreadMain(std::promise<void>& started) {
  stopping_ = false;  // a simulator may be started again after Stop
  pending_.clear();
  try {
    CreateWindows();
  } catch (...) {
    DestroyWindowsHere();
    started.set_exception(std::current_exception());
    return;
  }
  running_ = true;
  started.set_value();  // `started` is gone after this line
  RunLoop();
  DestroyWindowsHere();
  running_ = false;
}

void Simulator::CreateWindows() {
  attach_message_ = windows_.RegisterMessage(kAttachMessageName);
  if (attach_message_ == 0)
    throw std::runtime_error("simulator: cannot register the attach message");

  platform::WindowBlueprint service;
  service.message_only = true;
  service_owner_ = platform::UniqueWindow(
      windows_, service, [this](const platform::WindowMessage& m) { return OnServiceMessage(m); });
  service_window_ = service_owner_.get();

  platform::WindowBlueprint main;
  main.class_name = options_.main_window_class;
  main.title = options_.window_title.empty() ? options_.application_key + " - Dental Imaging"
                                             : options_.window_title;
  main.style = platform::kWsOverlappedWindow;
  main.x = 40;
  main.y = 40;
  main.width = 1024;
  main.height = 768;
  main_owner_ = platform::UniqueWindow(
      windows_, main, [this](const platform::WindowMessage& m) { return OnMainMessage(m); });
  main_window_ = main_owner_.get();

  platform::WindowBlueprint control;
  control.class_name = std::string(kControlWindowClass);
  control.parent = main_window_.load();
  control.style = platform::kWsChild;  // hidden: it only takes requests
  control_owner_ = platform::UniqueWindow(
      windows_, control, [this](const platform::WindowMessage& m) { return OnControlMessage(m); });
  control_window_ = control_owner_.get();

  if (!service_window_.load() || !main_window_.load() || !control_window_.load()) {
    throw std::runtime_error("simulator: cannot create its windows");
  }
  windows_.ShowWindow(main_window_.load(), options_.show_command);
}

void Simulator::RunLoop() {
  for (;;) {
    if (!windows_.PumpMessages() || stopping_) return;
    SendDueReplies();
    if (stopping_) return;  // sending takes incoming sends too, the stop request among them
    if (options_.look_interval.count() > 0) std::this_thread::sleep_for(options_.look_interval);
    windows_.WaitForMessage(NextWakeUp());
  }
}

void Simulator::DestroyWindowsHere() {
  DestroyControlHere();
  DestroyMainHere();
  service_window_ = WindowHandle();
  service_owner_.Reset();
}

// Other threads read the handles: each is cleared before its window goes.
void Simulator::DestroyControlHere() {
  control_window_ = WindowHandle();
  control_owner_.Reset();
}

void Simulator::DestroyMainHere() {
  main_window_ = WindowHandle();
  main_owner_.Reset();
}

void Simulator::Freeze(std::chrono::milliseconds duration) {
  windows_.Post(service_window_.load(), kFreezeMessage, static_cast<uintptr_t>(duration.count()),
                0);
}

void Simulator::Thaw() {
  {
    std::lock_guard lock(freeze_mutex_);
    thawed_ = true;
  }
  freeze_ended_.notify_all();
}

void Simulator::DestroyControlWindow() {
  if (OnSimThread()) {
    DestroyControlHere();
  } else if (running()) {
    windows_.Send(service_window_.load(), kDestroyControlMessage, 0, 0, platform::kNoLimit);
  }
}

// ---- Window procedures -------------------------------------------------------------------

std::optional<intptr_t> Simulator::OnServiceMessage(const platform::WindowMessage& message) {
  switch (message.id) {
    case kWakeMessage:
      return 0;  // the loop sends what is due once the pump returns
    case kDestroyControlMessage:
      DestroyControlHere();
      return 0;
    case kFreezeMessage: {
      std::unique_lock lock(freeze_mutex_);
      frozen_ = true;
      freeze_ended_.wait_for(lock, std::chrono::milliseconds(message.wparam),
                             [this] { return thawed_; });
      thawed_ = false;
      frozen_ = false;
      return 0;
    }
    case kStopMessage:
      stopping_ = true;
      DestroyControlHere();
      DestroyMainHere();
      windows_.PostQuitMessage();
      return 0;
    default:
      return std::nullopt;
  }
}

std::optional<intptr_t> Simulator::OnMainMessage(const platform::WindowMessage& message) {
  if (message.id != attach_message_) return std::nullopt;
  HandleAttach(WindowHandle(static_cast<uint32_t>(message.wparam)));
  return 0;
}

std::optional<intptr_t> Simulator::OnControlMessage(const platform::WindowMessage& message) {
  if (message.id != platform::kWmCopyData || !message.copy_data) return std::nullopt;
  HandleRequest(WindowHandle(static_cast<uint32_t>(message.wparam)), *message.copy_data);
  return 1;
}

// ---- Requests and answers ----------------------------------------------------------------

void Simulator::HandleAttach(WindowHandle reply_to) {
  FaultSwitches faults;
  {
    std::lock_guard lock(mutex_);
    attach_senders_.push_back(reply_to);
    faults = faults_;
  }
  received_changed_.notify_all();
  if (const auto observer = Observer()) observer->AttachReceived(reply_to);
  // Without its control window the application has nothing to offer and stays silent.
  const WindowHandle control = control_window_.load();
  if (!control) return;
  Carry(PlanReply(faults, channel::command::kAttach, AttachReply(control)), reply_to);
}

Reply Simulator::AttachReply(WindowHandle control) const {
  namespace ar = channel::attach_reply;
  Reply reply{channel::command::kAttach, std::vector<std::byte>(ar::kSize)};
  channel::WriteU32(reply.bytes, ar::kControlWindow, control.value);
  channel::WriteI32(reply.bytes, ar::kVersionMajor, options_.version_major);
  channel::WriteI32(reply.bytes, ar::kVersionMinor, options_.version_minor);
  channel::WriteI32(reply.bytes, ar::kVersionBuild, options_.version_build);
  codec_.WriteText(reply.bytes, ar::kName, options_.name);
  return reply;
}

void Simulator::HandleRequest(WindowHandle sender, const platform::CopyData& data) {
  if (const auto observer = Observer()) observer->RequestReceived(sender, data.code, data.bytes);
  Received received{data.code, std::vector<std::byte>(data.bytes.begin(), data.bytes.end()), sender,
                    CheckRequestLayout(data.code, data.bytes)};
  // A malformed request is still acted on, read as a full record of its code: the tests of the
  // library see the layout error and the behaviour both.
  const std::vector<std::byte> record = AsFullRecord(data.code, data.bytes);
  std::optional<Reply> reply;
  FaultSwitches faults;
  {
    std::lock_guard lock(mutex_);
    received_.push_back(std::move(received));
    faults = faults_;
    reply = ProcessCommand(codec_, model_, data.code, record);
  }
  received_changed_.notify_all();
  Carry(PlanReply(faults, data.code, std::move(reply)), sender);
}

void Simulator::Carry(ReplyPlan plan, WindowHandle to) {
  // Busy: this thread looks at no message meanwhile, exactly as a long query on an application's
  // window thread.
  if (plan.busy.count() > 0) std::this_thread::sleep_for(plan.busy);
  if (plan.destroy_control_window) {
    DestroyControlHere();
    return;
  }
  if (!plan.reply) return;
  for (int copy = 0; copy < plan.copies; ++copy) {
    if (!plan.from_pump) {
      SendReply(to, *plan.reply);
      continue;
    }
    pending_.push_back({platform::Clock::now() + plan.delay, to, *plan.reply});
    windows_.Post(service_window_.load(), kWakeMessage, 0, 0);
  }
}

void Simulator::SendReply(WindowHandle to, const Reply& reply) {
  WindowHandle from = control_window_.load();
  if (!from) from = main_window_.load();
  // A host that stopped answering must not hold the simulator: a reply that does not get
  // through within the host's own longest wait is dropped.
  const platform::SendResult sent = windows_.SendCopyData(
      to, from, reply.code, reply.bytes, platform::Clock::now() + kReplyDeliveryLimit);
  if (const auto observer = Observer()) observer->ReplySent(to, reply, sent.status);
}

void Simulator::SendDueReplies() {
  // One at a time, earliest first: a send takes incoming requests, which may add answers.
  for (;;) {
    auto due = std::min_element(
        pending_.begin(), pending_.end(),
        [](const PendingReply& a, const PendingReply& b) { return a.due < b.due; });
    if (due == pending_.end() || due->due > platform::Clock::now() || stopping_) return;
    PendingReply next = std::move(*due);
    pending_.erase(due);
    SendReply(next.to, next.reply);
  }
}

platform::Deadline Simulator::NextWakeUp() const {
  platform::Deadline wake_up = platform::Clock::now() + kIdleWait;
  for (const PendingReply& pending : pending_) wake_up = std::min(wake_up, pending.due);
  return wake_up;
}

// ---- Faults, model and log ---------------------------------------------------------------

void Simulator::SetFaults(FaultSwitches faults) {
  std::lock_guard lock(mutex_);
  faults_ = std::move(faults);
}

FaultSwitches Simulator::Faults() const {
  std::lock_guard lock(mutex_);
  return faults_;
}

void Simulator::SetObserver(std::shared_ptr<TrafficObserver> observer) {
  std::lock_guard lock(mutex_);
  observer_ = std::move(observer);
}

std::shared_ptr<TrafficObserver> Simulator::Observer() const {
  std::lock_guard lock(mutex_);
  return observer_;
}

void Simulator::AddUser(SimUser user) {
  std::lock_guard lock(mutex_);
  model_.PutUser(std::move(user));
}

void Simulator::SetLoggedIn(std::optional<std::string> login) {
  std::lock_guard lock(mutex_);
  model_.logged_in_login = std::move(login);
}

std::optional<SimUser> Simulator::LoggedInUser() const {
  std::lock_guard lock(mutex_);
  const SimUser* user = model_.LoggedInUser();
  return user ? std::optional<SimUser>(*user) : std::nullopt;
}

void Simulator::AddPatient(SimPatient patient) {
  std::lock_guard lock(mutex_);
  model_.PutPatient(std::move(patient));
}

std::optional<SimPatient> Simulator::Patient(std::string_view id) const {
  std::lock_guard lock(mutex_);
  auto it = std::find_if(model_.patients.begin(), model_.patients.end(),
                         [&](const SimPatient& patient) { return patient.id == id; });
  return it == model_.patients.end() ? std::nullopt : std::optional<SimPatient>(*it);
}

void Simulator::SetCurrentPatient(std::string id) {
  std::lock_guard lock(mutex_);
  model_.current_patient_id = std::move(id);
}

std::string Simulator::CurrentPatientId() const {
  std::lock_guard lock(mutex_);
  return model_.current_patient_id;
}

void Simulator::AddImage(SimImage image) {
  std::lock_guard lock(mutex_);
  model_.images.push_back(std::move(image));
}

void Simulator::SelectImage(std::string picture_id) {
  std::lock_guard lock(mutex_);
  model_.selected_picture_id = std::move(picture_id);
}

void Simulator::SetSelectedCard(std::optional<SimImageCard> card) {
  std::lock_guard lock(mutex_);
  model_.selected_card = std::move(card);
}

void Simulator::SetModel(SimModel model) {
  std::lock_guard lock(mutex_);
  model_ = std::move(model);
}

void Simulator::EditModel(const std::function<void(SimModel&)>& edit) {
  std::lock_guard lock(mutex_);
  edit(model_);
}

SimModel Simulator::Model() const {
  std::lock_guard lock(mutex_);
  return model_;
}

std::vector<Simulator::Received> Simulator::Requests() const {
  std::lock_guard lock(mutex_);
  return received_;
}

size_t Simulator::AttachRequestCount() const {
  std::lock_guard lock(mutex_);
  return attach_senders_.size();
}

std::vector<WindowHandle> Simulator::AttachSenders() const {
  std::lock_guard lock(mutex_);
  return attach_senders_;
}

void Simulator::ClearRequests() {
  std::lock_guard lock(mutex_);
  received_.clear();
  attach_senders_.clear();
}

bool Simulator::WaitForRequestCount(size_t count, std::chrono::milliseconds timeout) const {
  std::unique_lock lock(mutex_);
  return received_changed_.wait_for(lock, timeout, [&] { return received_.size() >= count; });
}

bool Simulator::WaitForAttachCount(size_t count, std::chrono::milliseconds timeout) const {
  std::unique_lock lock(mutex_);
  return received_changed_.wait_for(lock, timeout, [&] { return attach_senders_.size() >= count; });
}

}  // namespace orvabridge::sim
