// The words of the reply_path target's script, shared with the seed generator.
#pragma once

#include <cstdint>

namespace orvabridge::fuzz::reply_path {

// A script: code page (u8), mode (u8), the length of the calls (u16), the calls, the reactions.
// The calls are read by the host's side: the application's start (attach answer, version), then
// member calls with their arguments (a new application's start comes with kRestart). The
// reactions are read by the application, one for each request it receives.
inline constexpr uint8_t kThreaded = 1;  // mode bit: the application runs on a thread of its own

// The application's start: attach answer (u8), version (u8).
inline constexpr uint8_t kAnswerAttach = 1;       // the application answers the attach broadcast
inline constexpr uint8_t kImpostorAnswers = 2;    // a second main window answers it with any record
inline constexpr uint8_t kNameFromScript = 0x20;  // version bit: the name follows as a text
// The version byte v gives 2 + v % 3 . (v >> 2) % 3 . (v & 0x10 ? 1199 : 1000).
inline constexpr uint8_t kVersionWithSessions = 0x1C;  // 3.1.1199: sessions are checked

// What comes next in the script: one member call with its arguments, or an event between calls.
enum Member : uint8_t {
  kInitApplication,
  kCloseApplication,
  kGetCurrentPatient,
  kFindPatient,
  kShowPatient,
  kAddPatient,
  kChangePatient,
  kAddPatientEx,
  kChangePatientEx,
  kSearchImage,
  kGetImage,
  kFindImages,
  kGetSelectedImageInfo,
  kGetSelectedImageCard,
  kUserLogin,
  kUserLoginEx,
  kUserGroupLogin,
  kUserLogout,
  kMwlQuery,
  kGetRespPerson,
  kShowObject,
  kGetSessionInfo,
  kSetWindowState,
  kVanishNow,  // the application's windows go away between calls
  kRestart,    // a new application starts (attach answer and version follow)
  kPump,       // the host pumps its messages between calls
  kMemberCount,
};

// What the application does with one request.
enum Reaction : uint8_t {
  kSilent,
  kReplyNow,       // inside the request's send
  kReplyFromPump,  // when the caller next pumps messages, i.e. inside its wait
  kReplyTwice,
  kReplyNowAndFromPump,
  kHoldForNextRequest,  // answered only when the next request comes in
  kVanish,              // the windows go away instead of an answer
  kReplyThenVanish,
  kVanishFromPump,
  kBusy,  // works on the request for 20 us x (1 + u8), then reacts (the next reaction)
  kReactionCount,
};

// After a reaction that answers: the reply code (u8: below 0x80 the request's own code, from
// 0xF0 a u32 follows, otherwise one of the reply codes), its size (u8 picks the record's size,
// 1 + u8 less, 1 + u8 more, none, the request's size, or a u16), and patches (u8 count, bit 7:
// no zero bytes left; per patch a u16 position and a text).
inline constexpr uint8_t kCodeFromScript = 0xF0;
enum SizeChoice : uint8_t { kRecordSize, kLess, kMore, kEmpty, kRequestSize, kAnySize };

}  // namespace orvabridge::fuzz::reply_path
