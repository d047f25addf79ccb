// The relay's files in a workstation's text-out folder (<folder><workstation>\):
//   <workstation>.TXT                  the library appends call-log lines here
//   <workstation>.TXT.<n>.claimed      a file the relay took over by renaming it; replayed in
//                                      the order of n, removed when every line is dealt with
//   <workstation>.relay-journal        how many lines of which claimed file are dealt with, and
//                                      whether the next one's call may have gone out
//   <workstation>.rejected             lines set aside, each after a comment with the reason
//   <workstation>.relay-lock           held open by the relay at work, so that a second relay
//                                      (an autostart and one started by hand) stays out
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "platform/code_page.h"
#include "platform/file_system.h"
#include "platform/system_services.h"

namespace orvabridge::relay {

// How far the relay got: `done` lines of the claimed file `file` are replayed or set aside.
// `in_flight`: the call of the next line, line done + 1, is about to go out or went out, and
// nobody knows yet whether the imaging application carried it out.
struct JournalEntry {
  std::string file;
  size_t done = 0;
  bool in_flight = false;
};

// The lines of a claimed file, in UTF-8. A last line without its line end was cut off by a
// writer that stopped in the middle; it is kept apart so that it is set aside, not replayed.
struct ClaimedLines {
  std::vector<std::string> lines;
  std::optional<std::string> cut_off;
};

class Inbox {
 public:
  // `folder` is the text-out folder, with or without its trailing "\".
  Inbox(platform::FileSystem& files, platform::CodePage& code_page,
        platform::SystemServices& system, std::string folder, std::string workstation);

  const std::string& Directory() const { return directory_; }  // ends in "\"
  std::string LivePath() const;
  std::string LockPath() const;

  // Renames the live file to the next claimed name, so that the library's next flush starts a
  // new one. Nothing (nullopt) when there is no live file or it is empty. Throws RuntimeFailure
  // when the rename fails, for one while the library has the file open.
  std::optional<std::string> Claim();
  // The claimed files waiting, oldest first.
  std::vector<std::string> Claimed();
  ClaimedLines Read(const std::string& claimed);
  // Removes a claimed file that is dealt with, then forgets it in the journal, in that order: a
  // crash between the two leaves a journal that names no file, which is ignored.
  void Finish(const std::string& claimed);

  // A journal written before the in-flight record existed reads as nothing in flight.
  std::optional<JournalEntry> LoadJournal();
  // Replaces the journal as a whole: written, flushed to the disk, renamed into place.
  void RecordJournal(const JournalEntry& entry);

  // Appends a set-aside line, already masked, to the rejected file.
  void SetAside(const std::string& reason, const std::string& masked_line);

 private:
  std::string JournalPath() const;

  platform::FileSystem& files_;
  platform::CodePage& code_page_;
  platform::SystemServices& system_;
  std::string directory_;
  std::string workstation_;
};

}  // namespace orvabridge::relay
