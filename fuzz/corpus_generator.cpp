// Writes the seed corpus of every fuzz target into <folder>/<target>/: a handful of inputs each
// that mean something to their target (see the script described at the top of each target).
//   corpus_generator fuzz/corpus
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "channel/records.h"
#include "fuzz_support.h"
#include "reply_path_script.h"

namespace orvabridge::fuzz {
namespace {

namespace fs = std::filesystem;
namespace command = channel::command;

std::string Le32(uint32_t value) {
  std::string bytes;
  for (int i = 0; i < 4; ++i) bytes += static_cast<char>((value >> (8 * i)) & 0xFF);
  return bytes;
}

class Corpus {
 public:
  explicit Corpus(fs::path folder) : folder_(std::move(folder)) {}

  void Add(const std::string& target, const std::string& name, const std::string& bytes) {
    const fs::path dir = folder_ / target;
    fs::create_directories(dir);
    std::ofstream(dir / name, std::ios::binary) << bytes;
    std::printf("%s/%s: %zu bytes\n", target.c_str(), name.c_str(), bytes.size());
  }

 private:
  fs::path folder_;
};

// ---- codec: code page, width (0 = from a u16), bytes before and after, mode, text ----

std::string CodecScript(uint8_t page, uint16_t width, uint8_t mode, const std::string& text) {
  ScriptWriter w;
  w.U8(page).U8(0).U16(width).U8(3).U8(5).U8(mode);
  if (mode == 0) {
    // Character indices, one per byte of `text`.
    w.U16(static_cast<uint16_t>(text.size()));
    for (unsigned char c : text) w.U16(c).U8(0);
  } else {
    w.Bytes(text);
  }
  return w.bytes();
}

void Codec(Corpus& corpus) {
  corpus.Add("codec", "1252_fits", CodecScript(0, 64, 1, "Z\xC3\xBCrich \xE2\x82\xAC 5"));
  corpus.Add("codec", "1258_letters", CodecScript(2, 16, 0, "Anna Orvadent"));
  corpus.Add("codec", "1255_cut", CodecScript(1, 5, 0, "abcdefghij"));
  corpus.Add("codec", "932_cut_in_a_pair",
             CodecScript(4, 5, 1, "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E"));
  corpus.Add("codec", "utf8_four_bytes", CodecScript(5, 7, 1, "a\xF0\x9F\x98\x80\xF0\x9F\x98\x80"));
  corpus.Add("codec", "utf8_field_beyond_u10ffff",
             CodecScript(5, 8, 2,
                         "\xF4\x90\x80\x80"
                         "ab"));
  corpus.Add("codec", "malformed_text", CodecScript(0, 3, 1, "\xE2\x82\x41\x42\x43\xC0\x80"));
}

// ---- dispatcher: code page, then per reply code, size, filling, ReplyCode reset ----

struct DispatchedReply {
  uint32_t code;
  uint8_t size_mode;  // 0 exact, 1 less, 2 more, 3 empty, 4 any
  uint8_t size_change;
  std::string bytes;  // the payload's start; the rest stays zero
  bool no_zeros = false;
  bool reset = true;
};

std::string DispatcherScript(uint8_t page, std::initializer_list<DispatchedReply> replies) {
  ScriptWriter w;
  w.U8(page);
  for (const auto& r : replies) {
    w.U8(0).U32(r.code).U8(r.size_mode);
    if (r.size_mode == 1 || r.size_mode == 2) w.U8(r.size_change);
    if (r.size_mode == 4) w.U16(r.size_change).U8(0);
    w.U8(r.no_zeros ? 1 : 0).U16(static_cast<uint16_t>(r.bytes.size())).Bytes(r.bytes);
    w.U8(r.reset ? 1 : 0);
  }
  return w.bytes();
}

std::string At(size_t offset, const std::string& bytes) {
  return std::string(offset, '\0') + bytes;
}

void Dispatcher(Corpus& corpus) {
  const std::string attach = Le32(84) + Le32(0x1234) + Le32(3) + Le32(1) + Le32(1199) + "Orvanta";
  corpus.Add("dispatcher", "attach_then_patient",
             DispatcherScript(0, {{command::kAttach, 0, 0, attach},
                                  {command::kFindPatient, 0, 0,
                                   Le32(584) + "4711" + At(60, "Anna") + At(252, "M\xFCller") +
                                       At(250, Le32(1))}}));
  corpus.Add("dispatcher", "short_generic_keeps_the_rest",
             DispatcherScript(0, {{command::kGeneric, 0, 0, Le32(26236) + Le32(3) + Le32(1)},
                                  {command::kGeneric, 1, 200, Le32(100) + Le32(3) + Le32(9)}}));
  corpus.Add("dispatcher", "image_replies_near_their_size",
             DispatcherScript(0, {{command::kSearchImage, 1, 1, Le32(1539) + "1001"},
                                  {command::kSearchImage, 0, 0, Le32(1540) + "1001"},
                                  {command::kGetImage, 2, 1, Le32(389)},
                                  {command::kSelectedImage, 3, 0, ""}}));
  corpus.Add("dispatcher", "fields_without_terminators",
             DispatcherScript(5, {{command::kCurrentPatient, 2, 64, "x", true},
                                  {command::kSelectedImageCard, 0, 0, "\xF4\x90\x80\x80", true}}));
  corpus.Add("dispatcher", "logins_and_unknown_codes",
             DispatcherScript(2, {{command::kUserLogin, 0, 0, At(1028, "Dr.") + At(61, "Anna")},
                                  {command::kUserLogout, 1, 100, At(1604, Le32(1))},
                                  {4711, 4, 255, "stray", false, false},
                                  {command::kIgnoredReply, 0, 0, "x", false, false}}));
}

// ---- reply_path: code page, mode, the calls and the reactions ----

class ReplyPathScript {
 public:
  // Starts the application (attach answered by it, or by an impostor whose reply names the
  // window at `impostor_names` - 1 of its list: the real control window, the main window, the
  // caller's reply window) and attaches with InitApplication(name, "NoLaunch").
  ReplyPathScript(uint8_t page, bool threaded, uint8_t impostor_names = 0)
      : page_(page), threaded_(threaded) {
    using namespace reply_path;
    calls.U8(impostor_names != 0 ? kImpostorAnswers : kAnswerAttach).U8(kVersionWithSessions);
    calls.U8(kInitApplication).Text("").U8(1);
    // The impostor's reply: its record's own size, no patches, then the window it names.
    if (impostor_names != 0) reactions.U8(0).U8(0).U32(0).U8(impostor_names - 1);
  }

  // An answer with the request's own code (or `code`), the record's own size or another, patched
  // with (offset, bytes) runs.
  void Reply(reply_path::Reaction reaction,
             std::initializer_list<std::pair<uint16_t, std::string>> patches = {},
             uint32_t code = 0, reply_path::SizeChoice size = reply_path::kRecordSize,
             uint8_t size_change = 0) {
    using namespace reply_path;
    reactions.U8(reaction);
    if (reaction == kSilent || reaction == kVanish) return;
    if (code == 0) {
      reactions.U8(0);
    } else {
      reactions.U8(kCodeFromScript).U32(code);
    }
    reactions.U8(size);
    if (size == kLess || size == kMore) reactions.U8(size_change);
    if (size == kAnySize) reactions.U16(size_change);
    reactions.U8(static_cast<uint8_t>(patches.size()));
    for (const auto& [offset, bytes] : patches) reactions.U16(offset).Text(bytes);
  }
  // A session reply: result 1, someone logged in.
  void LoggedIn() { Reply(reply_path::kReplyNow, {{8, Le32(1)}, {16, Le32(1)}}); }
  void Busy(uint8_t turns) { reactions.U8(reply_path::kBusy).U8(turns); }

  std::string bytes() const {
    ScriptWriter w;
    w.U8(page_).U8(threaded_ ? reply_path::kThreaded : 0);
    w.U16(static_cast<uint16_t>(calls.bytes().size())).Bytes(calls.bytes());
    return w.Bytes(reactions.bytes()).bytes();
  }

  ScriptWriter calls;
  ScriptWriter reactions;

 private:
  uint8_t page_;
  bool threaded_;
};

void ReplyPath(Corpus& corpus) {
  using namespace reply_path;
  {
    ReplyPathScript s(0, false);
    s.calls.U8(kFindPatient).Text("4711");
    s.LoggedIn();
    s.Reply(kReplyNow, {{68, "Anna"}, {324, "M\xC3\xBCller"}, {580, Le32(1)}});
    s.calls.U8(kGetCurrentPatient);
    s.Reply(kReplyNow, {{4, "4711"}, {68, "Anna"}, {1924, "01.02.1980"}});
    s.calls.U8(kGetSessionInfo).Text("extra");
    s.Reply(kReplyNow, {{8, Le32(1)}, {16, Le32(1)}, {1112, "drsmith"}});
    corpus.Add("reply_path", "answers_as_expected", s.bytes());
  }
  {
    ReplyPathScript s(0, false);
    s.calls.U8(kFindPatient).Text("4711");
    s.LoggedIn();
    s.Reply(kHoldForNextRequest, {{68, "Late"}, {580, Le32(1)}});
    s.calls.U8(kGetCurrentPatient);
    s.Reply(kSilent);
    s.calls.U8(kFindPatient).Text("4712");
    s.Reply(kReplyFromPump, {{8, Le32(1)}, {16, Le32(1)}});
    s.Reply(kReplyTwice, {{68, "Twice"}});
    corpus.Add("reply_path", "late_duplicate_and_missing_replies", s.bytes());
  }
  {
    ReplyPathScript s(2, false);
    s.calls.U8(kSearchImage).Text("1001").Text("12.03.2024");
    s.LoggedIn();
    s.Reply(kReplyNow, {{68, "5001"}}, 0, kLess, 1);  // two bytes short: dropped
    s.calls.U8(kGetImage).U8(1).Text("C:\\Temp").Text("");
    s.LoggedIn();
    s.Reply(kReplyFromPump, {{132, "C:\\Temp\\5001.jpg"}});
    s.calls.U8(kGetSelectedImageCard).U32(7).Text("1001").Text("").Text("").U8(1).U8(0);
    s.LoggedIn();
    s.Reply(kReplyNow, {{4, Le32(7)}, {8, "1001"}}, 0, kMore, 200);
    corpus.Add("reply_path", "image_replies_of_other_sizes", s.bytes());
  }
  {
    // Every request then arrives as a reply.
    ReplyPathScript s(5, false, 3);
    s.calls.U8(kFindPatient).Text("4711");
    s.calls.U8(kGetCurrentPatient);
    s.calls.U8(kUserLogout);
    corpus.Add("reply_path", "impostor_names_our_own_window", s.bytes());
  }
  {
    ReplyPathScript s(5, false);
    s.calls.U8(kFindPatient).Text("4711");
    s.Reply(kReplyNow, {}, command::kFindPatient);  // the session query answered as a search
    s.calls.U8(kUserLogin);
    for (int i = 0; i < 9; ++i) s.calls.Text(i == 0 ? "demo" : "");
    s.calls.U8(2).U8(0).U32(0x1FF);
    for (int i = 0; i < 9; ++i) s.calls.U8(i % 2);
    s.Reply(kReplyNow, {{1604, Le32(1)}, {1028, "\xF4\x90\x80\x80"}});
    s.calls.U8(kUserLogout);
    s.Reply(kReplyThenVanish, {}, 0, kEmpty);
    s.calls.U8(kRestart).U8(kAnswerAttach).U8(kVersionWithSessions);
    s.calls.U8(kMwlQuery);
    for (const char* text : {"4711", "", "", "", "", ""}) s.calls.Text(text);
    s.calls.U32(45000);
    s.LoggedIn();
    s.Reply(kReplyNow, {{88, "3"}});
    corpus.Add("reply_path", "wrong_codes_bad_text_and_restart", s.bytes());
  }
  {
    ReplyPathScript s(4, false);
    s.calls.U8(kShowPatient).Text("1002").U32(1).U8(0);
    s.LoggedIn();
    s.Reply(kSilent);  // the show request itself gets no answer
    s.Reply(kReplyNow, {{4, "1001"}});
    s.Reply(kReplyNow, {{4, "1002"}});
    s.calls.U8(kVanishNow);
    s.calls.U8(kFindPatient).Text("4711");
    s.calls.U8(kRestart).U8(kAnswerAttach).U8(kVersionWithSessions);
    s.calls.U8(kFindPatient).Text("4711");
    s.Reply(kVanish);
    corpus.Add("reply_path", "polls_and_vanishing_windows", s.bytes());
  }
  {
    // On a thread of its own the application is busy with a request past its time-out and
    // answers it late, while the next request waits behind it.
    ReplyPathScript s(0, true);
    s.calls.U8(kFindPatient).Text("4711");
    s.LoggedIn();
    s.Busy(200);
    s.Reply(kReplyNow, {{68, "Late"}, {580, Le32(1)}});
    s.calls.U8(kFindPatient).Text("4712");
    s.Busy(50);
    s.LoggedIn();
    s.Reply(kReplyNow, {{68, "Anna"}, {580, Le32(1)}});
    s.calls.U8(kGetCurrentPatient);
    s.Reply(kReplyFromPump, {{4, "4712"}});
    s.calls.U8(kUserLogout);
    s.Busy(255);
    s.Reply(kReplyThenVanish, {{1604, Le32(1)}});
    corpus.Add("reply_path", "busy_application_on_its_own_thread", s.bytes());
  }
}

// ---- registry: code page, probe text, .reg text ----

std::string RegistryScript(uint8_t page, const std::string& text) {
  ScriptWriter w;
  w.U8(page).U8(4).U16(65).U16(110).U16(110).U16(97).Bytes(text);
  return w.bytes();
}

void Registry(Corpus& corpus) {
  corpus.Add("registry", "settings",
             RegistryScript(0,
                            "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Orvaclass]\n"
                            "\"VendorKey\"=\"Orvadent\"\n\"ApplicationKey\"=\"Orvanta\"\n"
                            "\"ExecutablePath\"=\"C:\\\\Program Files\\\\Orvanta\\\\Orvanta.exe\"\n"
                            "\"Version\"=\"3.1.1199\"\n\n"
                            "[HKEY_LOCAL_MACHINE\\Software\\Orvadent\\Orvanta\\Preferrences]\n"
                            "\"WSNameFromClientname\"=\"1\"\n"
                            "[HKEY_LOCAL_MACHINE\\Software\\Orvadent\\Orvanta\\Orvabridge]\n"
                            "\"OrvabridgeTXTOUT\"=\"C:\\\\TxtOut\"\n"
                            "\"TxtOutExceptions\"=hex(7):57,00,53,00,31,00,00,00,00\n"));
  corpus.Add("registry", "version5_per_user",
             RegistryScript(2,
                            "Windows Registry Editor Version 5.00\r\n\r\n"
                            "[HKEY_LOCAL_MACHINE\\Software\\Orvadent\\Orvanta\\DefaultUserSettings"
                            "\\Orvabridge]\r\n\"OrvabridgeTXTOUT\"=\"Z\xC3\xBCrich\"\r\n"
                            "\"TxtOutExceptions\"=hex(7):57,00,53,00,31,00,00,00,fc,00,00,00,\\\r\n"
                            "  00,00\r\n"
                            "[HKEY_CURRENT_USER\\Software\\Orvadent\\Orvanta\\Preferrences]\r\n"
                            "\"WSNameFromClientname\"=dword:00000001\r\n"));
  corpus.Add(
      "registry", "deletions",
      RegistryScript(1,
                     "REGEDIT4\n[HKCU\\Software\\Old\\Deep]\n@=\"default\"\n"
                     "[-HKCU\\Software\\Old]\n[HKLM\\Software\\Orvaclass]\n"
                     "\"VendorKey\"=-\n\"Blob\"=hex:01,ff,\\\n  10\n[-HKEY_LOCAL_MACHINE\\\\]\n"));
  corpus.Add("registry", "malformed",
             RegistryScript(5,
                            "REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\Orvaclass]\n"
                            "\"VendorKey\"=\"open\n\"Version\"=hex(1):33,00\n"));
}

// ---- sim_requests: code page, then per request code, size, bytes and fault switches ----

struct SimRequest {
  uint32_t code;
  std::vector<std::pair<uint16_t, std::string>> texts;  // (field position / 4 - 1, text)
  uint8_t size_mode = 0;
  uint8_t sub_command = 0;
  uint8_t faults = 0;
};

std::string SimScript(uint8_t page, std::initializer_list<SimRequest> requests) {
  ScriptWriter w;
  w.U8(page);
  for (const auto& r : requests) {
    w.U8(0).U32(r.code).U8(r.size_mode);
    if (r.size_mode == 1 || r.size_mode == 2) w.U8(7);
    if (r.size_mode == 3) w.U16(600);
    w.U8(2).U8(static_cast<uint8_t>(r.texts.size()));
    for (const auto& [position, text] : r.texts) w.U16(position).Text(text);
    if (r.code == command::kGeneric) w.U8(r.sub_command);
    w.U8(r.faults);
    if (r.faults & 16) w.U16(100);
  }
  return w.bytes();
}

void SimRequests(Corpus& corpus) {
  corpus.Add(
      "sim_requests", "patients",
      SimScript(0, {{command::kFindPatient, {{0, "1001"}}},
                    {command::kAddPatientExtended, {{0, "2001"}, {16, "Anna"}, {560, "X-1"}}},
                    {command::kChangePatientShort, {{0, "2001"}, {80, "M\xC3\xBC"}}, 1},
                    {command::kShowPatient, {{0, "2001"}, {16, "1"}}},
                    {command::kCurrentPatient, {}}}));
  corpus.Add("sim_requests", "images",
             SimScript(2, {{command::kSearchImage, {{0, "1001"}, {16, " "}}},
                           {command::kGetImage, {{0, "-1"}, {32, "C:\\Temp\\"}}, 2},
                           {command::kFindImages, {{0, "1001"}}, 3},
                           {command::kSelectedImage, {}},
                           {command::kSelectedImageCard, {{1, "1001"}}, 0, 0, 16}}));
  corpus.Add(
      "sim_requests", "users_and_generic",
      SimScript(5, {{command::kUserLogin,
                     {{0, "newuser"}, {64, "pw"}, {128, "admin"}, {192, "admin"}, {405, "Ws1"}}},
                    {command::kUserGroupLogin, {{0, "demo"}, {64, "demo"}, {471, "Group"}}},
                    {command::kUserLogout, {}, 2},
                    {command::kGeneric, {{149, "1001"}}, 0, 0},
                    {command::kGeneric, {{21, "5001"}}, 0, 2, 1},
                    {command::kGeneric, {{533, "extra"}}, 0, 3},
                    {1013, {}, 3}}));
}

// ---- text_readers: the text itself ----

void TextReaders(Corpus& corpus) {
  const std::pair<const char*, const char*> texts[] = {
      {"numeric_date", "31/12/2024"},
      {"year_first", "2024.02.29"},
      {"named_month_time", "Mar 12, 2024 10:30 PM"},
      {"time_alone", "23:59:59"},
      {"two_digit_year", "12-Mar-24"},
      {"strict_number", " \t-12.5e3 "},
      {"lenient_number", " 4 711abc"},
      {"huge_number", "1e400"},
      {"many_digits", "99999999999999999999"},
  };
  for (const auto& [name, text] : texts) corpus.Add("text_readers", name, text);
}

}  // namespace
}  // namespace orvabridge::fuzz

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s CORPUS-FOLDER\n", argv[0]);
    return 2;
  }
  orvabridge::fuzz::Corpus corpus(argv[1]);
  orvabridge::fuzz::Codec(corpus);
  orvabridge::fuzz::Dispatcher(corpus);
  orvabridge::fuzz::ReplyPath(corpus);
  orvabridge::fuzz::Registry(corpus);
  orvabridge::fuzz::SimRequests(corpus);
  orvabridge::fuzz::TextReaders(corpus);
  return 0;
}
