// Receives copy-data replies on the reply window and decodes them into the holding area: the
// reply of each code into its own type (channel/replies.h), once.
#pragma once

#include "channel/codec.h"
#include "channel/reply_holding.h"
#include "platform/window_system.h"

namespace orvabridge::channel {

class ReplyDispatcher {
 public:
  // `target_window` is the thread-wide control window, which reply 1002 sets.
  ReplyDispatcher(ReplyHolding& holding, const FieldCodec& codec,
                  platform::WindowHandle& target_window)
      : holding_(holding), codec_(codec), target_window_(target_window) {}

  // True when the code is one of the accepted reply codes (1013 included). Unknown codes are
  // ignored. ReplyCode is always set last, so a waiting operation never sees half a reply.
  bool Dispatch(const platform::CopyData& message);

 private:
  // Hands the message to the unpacker of its code; false for a code that is not a reply.
  bool Unpack(const platform::CopyData& message);
  // 1010 and 1012 of their record's exact size: copied and flagged, not decoded.
  void TakeImageReply(uint32_t code, std::span<const std::byte> payload);
  void UnpackAttach(std::span<const std::byte> payload);
  void UnpackFindPatient(std::span<const std::byte> payload);
  void UnpackCurrentPatient(std::span<const std::byte> payload);
  void UnpackSelectedImage(std::span<const std::byte> payload);
  void UnpackSelectedImageCard(std::span<const std::byte> payload);
  void UnpackLogin(uint32_t code, std::span<const std::byte> payload);
  void UnpackGeneric(std::span<const std::byte> payload);
  // Stores the decoded reply, then its code.
  void Finish(uint32_t code, Reply reply);

  ReplyHolding& holding_;
  const FieldCodec& codec_;
  platform::WindowHandle& target_window_;
};

}  // namespace orvabridge::channel
