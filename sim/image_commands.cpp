// Fetch, search and list images; report the selected image and image card.
#include <string>

#include "channel/records.h"
#include "sim/command_handlers.h"
#include "sim/record_mapping.h"

namespace orvabridge::sim {

namespace {

std::string DeliveredFileName(const SimImage& image) {
  return image.file_name.empty() ? image.picture_id + ".jpg" : image.file_name;
}

bool IsBlank(std::string_view text) {
  return text.find_first_not_of(' ') == std::string_view::npos;
}

}  // namespace

Reply GetImage(CommandContext& context, Request request) {
  namespace iq = channel::image_query;
  const std::string picture_id = context.codec.ReadText(request, iq::kPictureOrPatientId);
  const std::string folder = context.codec.ReadText(request, iq::kFolderOrResult);
  // Picture "-1" asks for the image selected on screen.
  const SimImage* image =
      picture_id == "-1" ? context.model.SelectedImage() : context.model.FindImage(picture_id);
  Reply reply{channel::command::kGetImage, EchoRecord(request)};
  // The delivered path replaces the folder; an unknown picture delivers nothing.
  context.codec.WriteText(reply.bytes, iq::kFolderOrResult,
                          image ? folder + DeliveredFileName(*image) : std::string());
  return reply;
}

Reply SearchImage(CommandContext& context, Request request) {
  namespace iq = channel::image_query;
  const std::string patient_id = context.codec.ReadText(request, iq::kPictureOrPatientId);
  const std::string date = context.codec.ReadText(request, iq::kPathOrDate);
  // A blank date text means "any date".
  const SimImage* image = context.model.FirstImageOf(patient_id, IsBlank(date) ? "" : date);
  Reply reply{channel::command::kSearchImage, NewRecord(channel::image::kSize)};
  if (image) WriteImage(context.codec, reply.bytes, *image);
  return reply;
}

void FindImages(CommandContext& context, Request request) {
  context.model.image_criteria = ReadImage(context.codec, request);
}

Reply SelectedImage(CommandContext& context) {
  Reply reply{channel::command::kSelectedImage, NewRecord(channel::image::kSize)};
  if (const SimImage* image = context.model.SelectedImage()) {
    WriteImage(context.codec, reply.bytes, *image);
  }
  return reply;
}

Reply SelectedImageCard(CommandContext& context, Request request) {
  namespace ic = channel::image_card;
  Reply reply{channel::command::kSelectedImageCard, NewRecord(ic::kSize)};
  // The two "also fetch" flags are requests to the application; the answer repeats them.
  channel::WriteI16(reply.bytes, ic::kGetImages, channel::ReadI16(request, ic::kGetImages));
  channel::WriteI16(reply.bytes, ic::kGetOriginals, channel::ReadI16(request, ic::kGetOriginals));
  if (const auto& card = context.model.selected_card) {
    channel::WriteI32(reply.bytes, ic::kCardId, card->id);
    context.codec.WriteText(reply.bytes, ic::kPatientId, card->patient_id);
    context.codec.WriteText(reply.bytes, ic::kContent, card->content);
    context.codec.WriteText(reply.bytes, ic::kImagePath, card->image_path);
  }
  return reply;
}

}  // namespace orvabridge::sim
