// The whole reply path of an attached Appl against a hostile imaging application: the input
// decides, request by request, whether and when it answers, with which code, how many bytes and
// what in them, whether it answers twice, holds an answer back for a later request, keeps busy
// past the caller's time-out, or lets its windows vanish. Every member that sends a request is
// driven. Nothing may crash, hang, raise anything but an automation error, or hand the host a text
// that is no well-formed UTF-8; the members whose results are the library's own codes give one
// of them.
//
// The application's windows live on the fuzzer's thread (as in the library's tests), where every
// exchange is deterministic apart from the time-outs, or, when the script says so, on a thread of
// their own, where a busy application makes the caller's send give up and its answer come late.
// A tiny time scale keeps the time-outs short. The script's words are in reply_path_script.h.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "channel/protocol.h"
#include "channel/codec.h"
#include "channel/records.h"
#include "code_pages.h"
#include "fuzz_support.h"
#include "identity/identity.h"
#include "link/appl_core.h"
#include "link/thread_state.h"
#include "channel/timing.h"
#include "appl/appl_access.h"
#include "orvabridge/appl.h"
#include "platform/desk/desktop.h"
#include "reply_path_script.h"
#include "support/scripted_peer.h"
#include "support/thread_runner.h"

namespace orvabridge::fuzz {
namespace {

namespace command = channel::command;
using namespace reply_path;
using platform::WindowHandle;
using testing::ScriptedPeer;

constexpr uint32_t kReplyCodes[] = {command::kAttach,
                                    command::kFindPatient,
                                    command::kGetImage,
                                    command::kSearchImage,
                                    command::kIgnoredReply,
                                    command::kCurrentPatient,
                                    command::kSelectedImage,
                                    command::kSelectedImageCard,
                                    command::kUserLogin,
                                    command::kUserLogout,
                                    command::kUserGroupLogin,
                                    command::kGeneric,
                                    1014};

// REPLY_PATH_TRACE=1 prints what a script does, for reading a finding.
bool Tracing() {
  static const bool tracing = std::getenv("REPLY_PATH_TRACE") != nullptr;
  return tracing;
}

// The record size of a reply of `code`; 64 bytes for codes without one (1013 and strangers).
size_t ReplySize(uint32_t code) {
  const size_t size = channel::ReplySize(code).value_or(0);
  return size == 0 ? 64 : size;
}

class HostileApplication {
 public:
  // The start of the application and the argument texts come from `calls`, everything the
  // application does on its own from `reactions`. `threaded`: its windows live on a thread of
  // their own, where a busy application keeps the caller's send waiting.
  HostileApplication(platform::Platform& platform, ScriptReader& calls, ScriptReader& reactions,
                     const CodePageUnderTest& characters, bool threaded)
      : platform_(platform),
        calls_(calls),
        reactions_(reactions),
        characters_(characters),
        threaded_(threaded) {
    auto& windows = platform_.Windows();
    stage_message_ = windows.RegisterMessage("HostileApplicationStage");
    stage_ = windows.MakeMessageWindow(
        [this](const platform::WindowMessage& message) -> std::optional<intptr_t> {
          if (message.id != stage_message_) return std::nullopt;
          if (peer_) peer_->DestroyWindows();
          return 0;
        });
    impostor_message_ = windows.RegisterMessage(identity::kControlMessage);
  }
  ~HostileApplication() {
    peer_.reset();
    auto& windows = platform_.Windows();
    if (impostor_) windows.DestroyWindow(impostor_);
    windows.DestroyWindow(stage_);
  }

  // A new application, and with it perhaps a second main window that answers the attach
  // broadcast with a record of the script's making.
  void Start() {
    ScriptedPeer::Options options;
    const uint8_t attach = calls_.U8();
    options.answer_attach = (attach & kAnswerAttach) != 0;
    const uint8_t version = calls_.U8();
    options.version[0] = 2 + version % 3;
    options.version[1] = (version >> 2) % 3;
    options.version[2] = (version & 0x10) ? 1199 : 1000;
    if (version & kNameFromScript) options.name = Text();
    peer_.reset();
    peer_ = std::make_unique<ScriptedPeer>(platform_, options);
    peer_->on_request = [this](const ScriptedPeer::Request& request) { React(request); };
    if ((attach & kImpostorAnswers) && !impostor_) MakeImpostor();
  }

  void VanishNow() {
    if (peer_) peer_->DestroyWindows();
  }

  // Argument texts: bytes below 0x80 as they are, others as characters of the code page.
  std::string Text() {
    std::string text;
    for (unsigned char c : calls_.Text()) {
      text += c != 0 && c < 0x80 ? std::string(1, static_cast<char>(c)) : characters_.Character(c);
    }
    return text;
  }

 private:
  void MakeImpostor() {
    platform::WindowBlueprint blueprint;
    blueprint.class_name = "ThunderRT6MDIForm";
    blueprint.title = "Orvanta (not the real one)";
    blueprint.style = platform::kWsOverlappedWindow;
    impostor_ = platform_.Windows().MakeWindow(
        blueprint, [this](const platform::WindowMessage& message) -> std::optional<intptr_t> {
          if (message.id != impostor_message_ || !peer_) return std::nullopt;
          const WindowHandle reply_to(static_cast<uint32_t>(message.wparam));
          std::vector<std::byte> record = Bytes(command::kAttach, {});
          // The control window it names: the real one, the main window, the caller's own reply
          // window, none, or any number.
          const WindowHandle named[] = {peer_->control_window(), peer_->main_window(), reply_to,
                                        WindowHandle(), WindowHandle(reactions_.U32())};
          if (record.size() >= 8) {
            channel::WriteU32(record, channel::attach_reply::kControlWindow,
                              named[reactions_.Below(std::size(named))].value);
          }
          peer_->Reply(reply_to, command::kAttach, record);
          return 0;
        });
  }

  // A reply's bytes: the request echoed (as the application answers on the same record), cut or
  // padded to the chosen size, then patched from the script.
  std::vector<std::byte> Bytes(uint32_t code, const std::vector<std::byte>& request) {
    size_t size = ReplySize(code);
    switch (reactions_.U8() % (kAnySize + 1)) {
      case kRecordSize:
        break;
      case kLess:
        size -= std::min<size_t>(size, 1 + reactions_.U8());
        break;
      case kMore:
        size += 1 + reactions_.U8();
        break;
      case kEmpty:
        size = 0;
        break;
      case kRequestSize:
        size = request.size();
        break;
      default:
        size = reactions_.U16();
        break;
    }
    std::vector<std::byte> bytes(
        request.begin(), request.begin() + static_cast<ptrdiff_t>(std::min(size, request.size())));
    bytes.resize(size);
    if (size >= 4) channel::WriteU32(bytes, channel::kSizeField, static_cast<uint32_t>(size));
    const uint8_t patches = reactions_.U8();
    for (int i = 0; i < patches % 8; ++i) {
      const size_t at = reactions_.U16();
      const std::string run = reactions_.Text();
      for (size_t k = 0; k < run.size() && size > 0; ++k) {
        bytes[(at + k) % size] = static_cast<std::byte>(run[k]);
      }
    }
    if ((patches & 0x80) != 0) {
      // No terminator anywhere: every text field runs to its end.
      for (auto& b : bytes) {
        if (b == std::byte{0}) b = std::byte{'x'};
      }
    }
    return bytes;
  }

  void React(const ScriptedPeer::Request& request) {
    auto held = std::move(held_);
    held_.clear();
    for (const auto& reply : held) peer_->Reply(reply.reply_to, reply.code, reply.bytes);

    auto reaction = static_cast<Reaction>(reactions_.U8() % kReactionCount);
    for (int turns = 0; reaction == kBusy; ++turns) {
      // Working on the request without looking at messages: the caller's send waits meanwhile,
      // and gives up when its time-out passes first.
      const auto pause = std::chrono::microseconds(20 * (1 + reactions_.U8()));
      if (threaded_) std::this_thread::sleep_for(pause);
      reaction = turns < 3 ? static_cast<Reaction>(reactions_.U8() % kReactionCount) : kSilent;
    }
    if (Tracing()) std::fprintf(stderr, "  request %u, reaction %d\n", request.code, reaction);
    if (reaction == kSilent) return;
    if (reaction == kVanish) {
      peer_->DestroyWindows();
      return;
    }
    uint32_t code = request.code;
    const uint8_t choice = reactions_.U8();
    if (choice >= kCodeFromScript) {
      code = reactions_.U32();
    } else if (choice >= 0x80) {
      code = kReplyCodes[choice % std::size(kReplyCodes)];
    }
    const std::vector<std::byte> bytes = Bytes(code, request.bytes);
    switch (reaction) {
      case kReplyNow:
        peer_->Reply(request.reply_to, code, bytes);
        break;
      case kReplyFromPump:
        peer_->ReplyLater(request.reply_to, code, bytes);
        break;
      case kReplyTwice:
        peer_->Reply(request.reply_to, code, bytes);
        peer_->Reply(request.reply_to, code, bytes);
        break;
      case kReplyNowAndFromPump:
        peer_->Reply(request.reply_to, code, bytes);
        peer_->ReplyLater(request.reply_to, code, bytes);
        break;
      case kHoldForNextRequest:
        held_.push_back({code, bytes, request.reply_to});
        break;
      case kReplyThenVanish:
        peer_->Reply(request.reply_to, code, bytes);
        peer_->DestroyWindows();
        break;
      case kVanishFromPump:
        platform_.Windows().Post(stage_, stage_message_, 0, 0);
        break;
      default:
        break;
    }
  }

  platform::Platform& platform_;
  ScriptReader& calls_;
  ScriptReader& reactions_;
  const CodePageUnderTest& characters_;
  const bool threaded_;
  std::unique_ptr<ScriptedPeer> peer_;
  std::vector<ScriptedPeer::Request> held_;
  platform::MessageId stage_message_ = 0;
  platform::MessageId impostor_message_ = 0;
  WindowHandle stage_;
  WindowHandle impostor_;
};

void CheckTexts(std::initializer_list<const std::string*> texts, const char* member) {
  for (const std::string* text : texts) {
    FUZZ_CHECK(IsValidUtf8(*text), std::string(member) + " handed over \"" + Escaped(*text) + "\"");
  }
}

void CheckOwnCode(int32_t result, const char* member) {
  if (Tracing()) std::fprintf(stderr, "  %s returned %d\n", member, result);
  FUZZ_CHECK(result >= result::kNotLoggedIn && result <= result::kSuccess,
             std::string(member) + " returned " + std::to_string(result));
}

void WritePatient(Appl& appl, Member member, std::string (&t)[12], bool other_ids) {
  int32_t result = 0;
  switch (member) {
    case kAddPatient:
      result = appl.AddPatient(t[0], t[1], t[2], t[3], t[4], t[5], t[6], t[7], t[8], t[9], t[10]);
      break;
    case kChangePatient:
      result =
          appl.ChangePatient(t[0], t[1], t[2], t[3], t[4], t[5], t[6], t[7], t[8], t[9], t[10]);
      break;
    case kAddPatientEx:
      result = appl.AddPatientEx(t[0], t[1], t[2], t[3], t[4], t[5], t[6], t[7], t[8], t[9], t[10],
                                 t[11]);
      break;
    default:
      result = appl.ChangePatientEx(t[0], t[1], t[2], t[3], t[4], t[5], t[6], t[7], t[8], t[9],
                                    t[10], other_ids ? &t[11] : nullptr);
      break;
  }
  CheckOwnCode(result, "a patient write");
}

void LogIn(Appl& appl, Member member, HostileApplication& application, ScriptReader& script) {
  std::string login = application.Text(), password = application.Text(), admin = application.Text(),
              admin_password = application.Text(), prefix = application.Text(),
              first = application.Text(), last = application.Text(),
              workstation = application.Text(), group = application.Text();
  int32_t method = static_cast<int32_t>(script.U8() % 4) - (script.Flag() ? 1 : 0);
  int32_t rights = static_cast<int32_t>(script.U32());
  bool flags[9];
  for (bool& flag : flags) flag = script.Flag();
  switch (member) {
    case kUserLogin:
      appl.UserLogin(login, password, &admin, &admin_password, &prefix, &first, &last, &method,
                     &flags[0], &flags[1], &flags[2], &flags[3], &flags[4], &flags[5], &flags[6],
                     &flags[7], &workstation);
      break;
    case kUserLoginEx:
      appl.UserLoginEx(login, password, &admin, &admin_password, &prefix, &first, &last, &method,
                       &rights, &workstation);
      break;
    default:
      appl.UserGroupLogin(login, password, group, &admin, &admin_password, &prefix, &first, &last,
                          &method, &workstation);
      break;
  }
  CheckTexts({&prefix, &first, &last}, "a login");
}

// Runs a task on the thread of the application's windows.
using OnApplicationThread = std::function<void(const std::function<void()>&)>;

// One member call (or event), with arguments from the script.
void Call(Appl& appl, HostileApplication& application, ScriptReader& script,
          const OnApplicationThread& on_application_thread) {
  auto text = [&] { return application.Text(); };
  const auto member = static_cast<Member>(script.U8() % kMemberCount);
  if (Tracing()) std::fprintf(stderr, "member %d\n", member);
  switch (member) {
    case kInitApplication: {
      std::string name = text(), version = script.Flag() ? std::string("NoLaunch") : text();
      const int32_t result = appl.InitApplication(name, version);
      if (Tracing()) std::fprintf(stderr, "  InitApplication returned %d\n", result);
      FUZZ_CHECK(result == 1 || result == -1 || result == -2 || result == -3 || result == -5,
                 "InitApplication returned " + std::to_string(result));
      CheckTexts({&name, &version}, "InitApplication");
      break;
    }
    case kCloseApplication:
      appl.CloseApplication();
      break;
    case kGetCurrentPatient: {
      std::string t[11];
      CheckOwnCode(
          appl.GetCurrentPatient(t[0], t[1], t[2], t[3], t[4], t[5], t[6], t[7], t[8], t[9], t[10]),
          "GetCurrentPatient");
      for (const auto& s : t) CheckTexts({&s}, "GetCurrentPatient");
      break;
    }
    case kFindPatient: {
      std::string id = text(), first, last;
      CheckOwnCode(appl.FindPatient(id, first, last), "FindPatient");
      CheckTexts({&id, &first, &last}, "FindPatient");
      break;
    }
    case kShowPatient: {
      std::string id = text();
      int32_t options = static_cast<int32_t>(script.U32());
      CheckOwnCode(script.Flag() ? appl.ShowPatient(id) : appl.ShowPatientEx(id, options),
                   "ShowPatient");
      break;
    }
    case kAddPatient:
    case kChangePatient:
    case kAddPatientEx:
    case kChangePatientEx: {
      std::string t[12];
      for (auto& s : t) s = text();
      WritePatient(appl, member, t, script.Flag());
      break;
    }
    case kSearchImage: {
      std::string patient = text(), date = text(), t[7];
      CheckOwnCode(appl.SearchImage(patient, date, t[0], t[1], t[2], t[3], t[4], t[5], t[6]),
                   "SearchImage");
      for (const auto& s : t) CheckTexts({&s}, "SearchImage");
      break;
    }
    case kGetImage: {
      std::string picture = script.Flag() ? std::string("-1") : text(), folder = text(),
                  path = text();
      CheckOwnCode(appl.GetImage(picture, folder, path), "GetImage");
      CheckTexts({&path}, "GetImage");
      break;
    }
    case kFindImages: {
      std::string t[9];
      for (auto& s : t) s = text();
      CheckOwnCode(appl.FindImages(t[0], t[1], t[2], t[3], t[4], t[5], t[6], t[7], t[8]),
                   "FindImages");
      break;
    }
    case kGetSelectedImageInfo: {
      std::string t[9];
      for (auto& s : t) s = text();
      CheckOwnCode(appl.GetSelectedImageInfo(t[0], t[1], t[2], t[3], t[4], t[5], t[6], t[7], t[8]),
                   "GetSelectedImageInfo");
      for (const auto& s : t) CheckTexts({&s}, "GetSelectedImageInfo");
      break;
    }
    case kGetSelectedImageCard: {
      int32_t card = static_cast<int32_t>(script.U32());
      std::string patient = text(), content = text(), path = text();
      bool images = script.Flag(), originals = script.Flag();
      CheckOwnCode(appl.GetSelectedImageCard(card, patient, content, path, images, originals),
                   "GetSelectedImageCard");
      CheckTexts({&patient, &content, &path}, "GetSelectedImageCard");
      break;
    }
    case kUserLogin:
    case kUserLoginEx:
    case kUserGroupLogin:
      LogIn(appl, member, application, script);
      break;
    case kUserLogout:
      appl.UserLogout();
      break;
    case kMwlQuery: {
      std::string t[6];
      for (auto& s : t) s = text();
      double start = static_cast<double>(script.U32()) / 7.0;
      appl.MWLQuery(&t[0], &t[1], &t[2], &t[3], &start, &t[4], &t[5]);
      break;
    }
    case kGetRespPerson: {
      int32_t id = 0, type = 0;
      std::string t[8];
      appl.GetRespPerson(&id, &t[0], &t[1], &t[2], &t[3], &t[4], &t[5], &t[6], &t[7], &type);
      for (const auto& s : t) CheckTexts({&s}, "GetRespPerson");
      break;
    }
    case kShowObject: {
      auto type = static_cast<soObjectTypes>(script.U8() % 5);
      int32_t id = static_cast<int32_t>(script.U32()), options = static_cast<int32_t>(script.U32());
      std::string uid = text();
      appl.ShowObject(type, id, &uid, &options);
      break;
    }
    case kGetSessionInfo: {
      int32_t user = 0;
      bool logged_in = false;
      int16_t method = 0, rights = 0;
      std::string t[7];
      t[6] = text();
      appl.GetSessionInfo(&user, &t[0], &t[1], &t[2], &t[3], &t[4], &t[5], &logged_in, &method,
                          &rights, &t[6]);
      for (const auto& s : t) CheckTexts({&s}, "GetSessionInfo");
      break;
    }
    case kSetWindowState: {
      int16_t state = static_cast<int16_t>(script.U8() % 8 - 1);
      int32_t x = static_cast<int16_t>(script.U16()), y = static_cast<int16_t>(script.U16());
      int32_t width = script.U16(), height = script.U16();
      int32_t parent = script.Flag() ? static_cast<int32_t>(script.U32()) : 0;
      appl.SetWindowState(&state, &x, &y, &width, &height, &parent);
      break;
    }
    case kVanishNow:
      on_application_thread([&] { application.VanishNow(); });
      break;
    case kRestart:
      on_application_thread([&] { application.Start(); });
      break;
    default:
      CoreOf(appl).windows().PumpMessages();  // whatever is queued arrives outside a call
      break;
  }
}

}  // namespace
}  // namespace orvabridge::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace orvabridge;
  using namespace orvabridge::fuzz;
  ScriptReader head(data, size);
  const size_t page = head.U8();
  const bool threaded = (head.U8() & kThreaded) != 0;
  const size_t calls_size = std::min<size_t>(head.U16(), head.left());
  const size_t start = size - head.left();
  ScriptReader calls(data + start, calls_size);
  ScriptReader reactions(data + start + calls_size, size - start - calls_size);
  const CodePageUnderTest& characters = CodePageAt(page);

  link::ResetThisThread();
  auto desktop = platform::desk::Desktop::Create();
  desktop->SetCodePage(kCodePageNames[page % kCodePageCount]);
  desktop->System().SetMessageBoxHandler(
      [](const platform::MessageBoxRequest&) { return platform::kIdOk; });
  for (const auto& [name, value] : {std::pair{"VendorKey", "Orvadent"},
                                    {"ApplicationKey", "Orvanta"},
                                    {"Version", "3.1.1199"},
                                    {"ExecutablePath", ""}}) {
    desktop->SetRegistryString(platform::RegistryRoot::kLocalMachine, "Software\\Orvaclass", name,
                               value);
  }

  std::optional<testing::ThreadRunner> runner;
  if (threaded) runner.emplace(desktop->Windows());
  const OnApplicationThread on_application_thread = [&](const std::function<void()>& task) {
    if (runner) {
      runner->Call(task);
    } else {
      task();
    }
  };
  std::unique_ptr<HostileApplication> application;
  on_application_thread([&] {
    application =
        std::make_unique<HostileApplication>(*desktop, calls, reactions, characters, threaded);
    application->Start();
  });
  {
    channel::Timing timing;
    // 20 s become 0.2 ms; across threads 2 ms, a few times what a message takes to get there.
    timing.scale = threaded ? 1e-4 : 1e-5;
    timing.window_check_interval = std::chrono::milliseconds(1);
    const auto made = ApplAccess::Make(desktop, timing);
    Appl& appl = *made;
    for (int count = 0; count < 24 && !calls.empty(); ++count) {
      try {
        Call(appl, *application, calls, on_application_thread);
      } catch (const AutomationError&) {
        // The documented way for a member to fail.
      }
    }
  }
  on_application_thread([&] { application.reset(); });
  runner.reset();
  link::ResetThisThread();
  return 0;
}
