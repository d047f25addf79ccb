#include "output/zip_archive.h"

#include <array>
#include <limits>
#include <stdexcept>

namespace orvabridge::orvactl {
namespace {

constexpr uint32_t kLocalHeader = 0x04034B50;
constexpr uint32_t kCentralHeader = 0x02014B50;
constexpr uint32_t kEndOfCentralDirectory = 0x06054B50;
constexpr uint16_t kVersionNeeded = 20;  // 2.0: folders in names
constexpr uint16_t kUtf8Names = 0x0800;  // general purpose flag bit 11
constexpr uint16_t kStored = 0;

void Put16(std::string& out, uint16_t value) {
  out += static_cast<char>(value & 0xFF);
  out += static_cast<char>(value >> 8);
}
void Put32(std::string& out, uint32_t value) {
  Put16(out, static_cast<uint16_t>(value & 0xFFFF));
  Put16(out, static_cast<uint16_t>(value >> 16));
}

const std::array<uint32_t, 256>& CrcTable() {
  static const std::array<uint32_t, 256> table = [] {
    std::array<uint32_t, 256> made{};
    for (uint32_t n = 0; n < 256; ++n) {
      uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      made[n] = c;
    }
    return made;
  }();
  return table;
}

}  // namespace

uint32_t Crc32(std::string_view bytes) {
  uint32_t crc = 0xFFFFFFFFu;
  for (char byte : bytes) {
    crc = CrcTable()[(crc ^ static_cast<unsigned char>(byte)) & 0xFF] ^ (crc >> 8);
  }
  return crc ^ 0xFFFFFFFFu;
}

void ZipArchive::AddFile(std::string_view name, std::string_view content,
                         const platform::LocalTime& modified) {
  constexpr uint64_t kLimit = std::numeric_limits<uint32_t>::max();
  if (entries_.size() >= 0xFFFF || name.size() > 0xFFFF ||
      data_.size() + content.size() + name.size() + 30 >= kLimit) {
    throw std::length_error("the archive would need zip64");
  }
  Entry entry;
  entry.name = std::string(name);
  entry.crc = Crc32(content);
  entry.size = static_cast<uint32_t>(content.size());
  // MS-DOS time: two-second steps; years from 1980.
  const int year = modified.year < 1980 ? 1980 : modified.year;
  entry.time =
      static_cast<uint16_t>((modified.hour << 11) | (modified.minute << 5) | (modified.second / 2));
  entry.date = static_cast<uint16_t>(((year - 1980) << 9) | (modified.month << 5) | modified.day);
  entry.offset = static_cast<uint32_t>(data_.size());

  Put32(data_, kLocalHeader);
  Put16(data_, kVersionNeeded);
  Put16(data_, kUtf8Names);
  Put16(data_, kStored);
  Put16(data_, entry.time);
  Put16(data_, entry.date);
  Put32(data_, entry.crc);
  Put32(data_, entry.size);  // stored: compressed size = size
  Put32(data_, entry.size);
  Put16(data_, static_cast<uint16_t>(entry.name.size()));
  Put16(data_, 0);  // no extra field
  data_ += entry.name;
  data_ += content;
  entries_.push_back(std::move(entry));
}

std::string ZipArchive::Bytes() const {
  std::string out = data_;
  const uint32_t directory_offset = static_cast<uint32_t>(out.size());
  for (const Entry& entry : entries_) {
    Put32(out, kCentralHeader);
    Put16(out, kVersionNeeded);  // made by: MS-DOS attributes, version 2.0
    Put16(out, kVersionNeeded);
    Put16(out, kUtf8Names);
    Put16(out, kStored);
    Put16(out, entry.time);
    Put16(out, entry.date);
    Put32(out, entry.crc);
    Put32(out, entry.size);
    Put32(out, entry.size);
    Put16(out, static_cast<uint16_t>(entry.name.size()));
    Put16(out, 0);  // extra field
    Put16(out, 0);  // comment
    Put16(out, 0);  // disk number
    Put16(out, 0);  // internal attributes
    Put32(out, 0);  // external attributes
    Put32(out, entry.offset);
    out += entry.name;
  }
  const uint32_t directory_size = static_cast<uint32_t>(out.size()) - directory_offset;
  Put32(out, kEndOfCentralDirectory);
  Put16(out, 0);  // this disk
  Put16(out, 0);  // the disk of the central directory
  Put16(out, static_cast<uint16_t>(entries_.size()));
  Put16(out, static_cast<uint16_t>(entries_.size()));
  Put32(out, directory_size);
  Put32(out, directory_offset);
  Put16(out, 0);  // no comment
  return out;
}

}  // namespace orvabridge::orvactl
