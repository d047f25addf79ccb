// orva-sim --trace: one readable block for every request received and every reply sent, so that
// an integrator sees exactly what the host put into each field and where a record breaks the
// layout of its code. The field names and positions are those of sim/record_fields.h.
//
// Each block is written whole and flushed at once: a host or simulator that crashes still leaves
// every block before the crash complete.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <ostream>
#include <span>
#include <string>

#include "channel/codec.h"
#include "platform/code_page.h"
#include "sim/simulator.h"

namespace orvabridge::sim {

// The block for one request: header, layout violations, then every field of the record of its
// code with its value.
std::string DescribeRequest(const channel::FieldCodec& codec, platform::WindowHandle sender,
                            uint32_t code, std::span<const std::byte> bytes);

// The block for one reply: header with the outcome of the send, then the fields that carry
// something (zero numbers and empty texts are left out).
std::string DescribeReply(const channel::FieldCodec& codec, platform::WindowHandle to,
                          uint32_t code, std::span<const std::byte> bytes,
                          platform::SendStatus status);

class RequestTrace final : public TrafficObserver {
 public:
  // The blocks go to `out` (shared: it may be standard output); `code_page` reads the texts of
  // the records.
  RequestTrace(std::shared_ptr<std::ostream> out, platform::CodePage& code_page);

  void AttachReceived(platform::WindowHandle reply_to) override;
  void RequestReceived(platform::WindowHandle sender, uint32_t code,
                       std::span<const std::byte> bytes) override;
  void ReplySent(platform::WindowHandle to, const Reply& reply,
                 platform::SendStatus status) override;

 private:
  void Write(const std::string& block);

  std::mutex mutex_;
  std::shared_ptr<std::ostream> out_;
  const channel::FieldCodec codec_;
  const std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
  uint64_t count_ = 0;
};

}  // namespace orvabridge::sim
