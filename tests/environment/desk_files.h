// Helpers for environment tests that look at the files the in-process desktop keeps below its
// host folder.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace orvabridge::environment::testing {

inline std::string ReadWholeFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteWholeFile(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

}  // namespace orvabridge::environment::testing
