// The named fields of each code's records, which the trace shows and the size checks use: they
// must be the records of channel/records.h, whole and without overlap.
#include "sim/record_fields.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "sim/request_layout.h"

namespace orvabridge::sim {
namespace {

size_t WidthOf(FieldKind kind) {
  switch (kind) {
    case FieldKind::kInt32:
    case FieldKind::kWindow:
      return 4;
    case FieldKind::kInt16:
      return 2;
    case FieldKind::kDouble:
      return 8;
    case FieldKind::kText:
      return 0;  // any width
  }
  return 0;
}

void ExpectSound(const RecordLayout& layout, uint32_t code, const char* direction) {
  SCOPED_TRACE(std::string(direction) + " of " + std::to_string(code));
  std::vector<NamedField> fields(layout.fields.begin(), layout.fields.end());
  std::sort(fields.begin(), fields.end(), [](const NamedField& a, const NamedField& b) {
    return a.field.offset < b.field.offset;
  });
  std::set<std::string_view> names;
  for (size_t i = 0; i < fields.size(); ++i) {
    const NamedField& named = fields[i];
    EXPECT_TRUE(names.insert(named.name).second) << named.name << " twice";
    EXPECT_LE(named.field.end(), layout.size) << named.name;
    if (WidthOf(named.kind) != 0) {
      EXPECT_EQ(named.field.width, WidthOf(named.kind)) << named.name;
    }
    if (i + 1 < fields.size()) {
      EXPECT_LE(named.field.end(), fields[i + 1].field.offset)
          << named.name << " overlaps " << fields[i + 1].name;
    }
  }
}

TEST(RecordFieldsTest, EveryKnownCodeHasANameAndSoundRecords) {
  size_t requests = 0, replies = 0;
  for (uint32_t code = 1000; code <= 1600; ++code) {
    const RecordLayout* request = RequestLayout(code);
    const RecordLayout* reply = ReplyLayout(code);
    if (request || reply) {
      EXPECT_FALSE(CommandName(code).empty()) << code;
    }
    if (request) {
      ++requests;
      ExpectSound(*request, code, "request");
      EXPECT_EQ(RequestRecordSize(code), request->size);
    } else {
      EXPECT_FALSE(RequestRecordSize(code).has_value()) << code;
    }
    if (reply) {
      ++replies;
      ExpectSound(*reply, code, "reply");
    }
  }
  EXPECT_EQ(requests, 16u);
  EXPECT_EQ(replies, 11u) << "1002 and the ten requests that are answered";
}

}  // namespace
}  // namespace orvabridge::sim
