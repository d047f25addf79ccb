// A zip archive of a few small files, stored without compression: what `orvactl support-bundle`
// writes. Store-only keeps it free of a compression library that would have to build for both
// the native and the mingw-w64 toolchains; the files are text of a few hundred KiB at most, and
// every unzip tool and Windows' own folder view read stored entries. No zip64: an archive stays
// below 4 GiB and 65535 entries, which AddFile checks.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/system_services.h"

namespace orvabridge::orvactl {

// The CRC-32 of zip (and PNG, gzip): polynomial 0xEDB88320, reflected, inverted.
uint32_t Crc32(std::string_view bytes);

class ZipArchive {
 public:
  // `name` uses forward slashes ("incidents/x.txt"), UTF-8; `modified` is local time. Throws
  // std::length_error past the limits above.
  void AddFile(std::string_view name, std::string_view content,
               const platform::LocalTime& modified);
  // The whole archive: the entries, the central directory and its end record.
  std::string Bytes() const;
  size_t size() const { return entries_.size(); }

 private:
  struct Entry {
    std::string name;
    uint32_t crc = 0;
    uint32_t size = 0;
    uint16_t time = 0;
    uint16_t date = 0;
    uint32_t offset = 0;  // of its local header
  };
  std::vector<Entry> entries_;
  std::string data_;  // local headers and contents, in order
};

}  // namespace orvabridge::orvactl
