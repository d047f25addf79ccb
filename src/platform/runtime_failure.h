// A run-time failure inside the library: a number and a description in the manner of the
// automation run time (6 "Overflow", 13 "Type mismatch", 429 "ActiveX component can't create
// object", ...). Operations decide per method what becomes of it: a result code, a message box,
// or an automation error for the caller.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace orvabridge {

class RuntimeFailure : public std::runtime_error {
 public:
  RuntimeFailure(int32_t number, std::string description)
      : std::runtime_error(description), number_(number), description_(std::move(description)) {}
  int32_t number() const { return number_; }
  const std::string& description() const { return description_; }

 private:
  int32_t number_;
  std::string description_;
};

// Numbers used by the library's own failures.
namespace failure {
inline constexpr int32_t kInvalidProcedureCall = 5;
inline constexpr int32_t kOverflow = 6;
inline constexpr int32_t kTypeMismatch = 13;
inline constexpr int32_t kFileNotFound = 53;
inline constexpr int32_t kPermissionDenied = 70;
inline constexpr int32_t kPathFileAccessError = 75;
inline constexpr int32_t kPathNotFound = 76;
inline constexpr int32_t kObjectVariableNotSet = 91;
inline constexpr int32_t kCannotCreateObject = 429;
}  // namespace failure

}  // namespace orvabridge
