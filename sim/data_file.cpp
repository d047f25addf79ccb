#include "sim/data_file.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <limits>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace orvabridge::sim {

namespace {

using Json = nlohmann::json;

// The names of the rights bits in a user's "rights" list.
constexpr std::array<std::pair<std::string_view, int32_t>, 9> kRightNames{{
    {"edit", rights::kEdit},
    {"approve", rights::kApprove},
    {"delete", rights::kDelete},
    {"admin", rights::kAdmin},
    {"capture_and_non_dcm_import", rights::kCaptureAndNonDcmImport},
    {"print_patient_info", rights::kPrintPatientInfo},
    {"export_dcm", rights::kExportDcm},
    {"import_dcm", rights::kImportDcm},
    {"ninth", rights::kNinth},
}};

std::string Member(const std::string& path, std::string_view key) {
  return path.empty() ? std::string(key) : path + "." + std::string(key);
}

std::string Element(const std::string& path, size_t index) {
  return path + "[" + std::to_string(index) + "]";
}

std::string Describe(const Json& value) {
  switch (value.type()) {
    case Json::value_t::null:
      return "null";
    case Json::value_t::object:
      return "an object";
    case Json::value_t::array:
      return "a list";
    case Json::value_t::string:
      return "a text";
    case Json::value_t::boolean:
      return "true or false";
    case Json::value_t::number_integer:
    case Json::value_t::number_unsigned:
      return "a whole number";
    case Json::value_t::number_float:
      return "a number with a fraction";
    default:
      return "something else";
  }
}

// Line and column (in characters, both from 1) of the byte at `offset`.
std::pair<size_t, size_t> LineAndColumn(std::string_view text, size_t offset) {
  offset = std::min(offset, text.size());
  size_t line = 1, column = 1;
  for (size_t i = 0; i < offset; ++i) {
    if (text[i] == '\n') {
      ++line;
      column = 1;
    } else if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
      ++column;  // continuation bytes of UTF-8 belong to the character before them
    }
  }
  return {line, column};
}

// The parser's own words after its position ("syntax error while parsing ...").
std::string ParserReason(const std::string& what) {
  const size_t column = what.find(", column ");
  const size_t colon = column == std::string::npos ? column : what.find(": ", column);
  return colon == std::string::npos ? what : what.substr(colon + 2);
}

// Where a mistake is reported, and the rules every object of the file follows.
class Reader {
 public:
  explicit Reader(std::string source) : source_(std::move(source)) {}

  [[noreturn]] void Fail(const std::string& path, const std::string& what) const {
    throw DataFileError(source_ + ": " + (path.empty() ? "the top level" : path) + ": " + what);
  }

  void Expect(const Json& value, const std::string& path, bool ok,
              std::string_view expected) const {
    if (!ok) Fail(path, "expected " + std::string(expected) + ", found " + Describe(value));
  }

  const std::string& source() const { return source_; }

 private:
  std::string source_;
};

// One object of the file: its keys are read by name, each read declares the key known, and
// Finish() refuses any key that was not. A key left out reads as an empty text or zero.
class Fields {
 public:
  Fields(const Reader& reader, const Json& value, std::string path, std::string_view noun)
      : reader_(reader), value_(value), path_(std::move(path)), noun_(noun) {
    reader_.Expect(value_, path_, value_.is_object(), "an object (" + std::string(noun) + ")");
  }

  const std::string& path() const { return path_; }

  // nullptr when the key is left out.
  const Json* Find(std::string_view key) {
    if (std::find(known_.begin(), known_.end(), key) == known_.end()) known_.emplace_back(key);
    const auto it = value_.find(std::string(key));
    return it == value_.end() ? nullptr : &*it;
  }

  const Json& Required(std::string_view key) {
    const Json* value = Find(key);
    if (!value) {
      reader_.Fail(path_,
                   "\"" + std::string(key) + "\" is missing; " + std::string(noun_) + " needs one");
    }
    return *value;
  }

  std::string Text(std::string_view key, bool required = false) {
    const Json* value = required ? &Required(key) : Find(key);
    if (!value) return {};
    reader_.Expect(*value, Member(path_, key), value->is_string(), "a text");
    std::string text = value->get<std::string>();
    if (required && text.empty()) reader_.Fail(Member(path_, key), "must not be empty");
    return text;
  }

  int32_t Int32(std::string_view key, bool required = false) {
    return static_cast<int32_t>(WholeNumber(key, required, std::numeric_limits<int32_t>::min(),
                                            std::numeric_limits<int32_t>::max()));
  }

  int16_t Int16(std::string_view key) {
    return static_cast<int16_t>(WholeNumber(key, false, std::numeric_limits<int16_t>::min(),
                                            std::numeric_limits<int16_t>::max()));
  }

  // The list under `key`, or nullptr when the key is left out.
  const Json* List(std::string_view key) {
    const Json* value = Find(key);
    if (value) reader_.Expect(*value, Member(path_, key), value->is_array(), "a list");
    return value;
  }

  void Finish() const {
    for (const auto& [key, value] : value_.items()) {
      if (std::find(known_.begin(), known_.end(), key) != known_.end()) continue;
      std::string keys;
      for (const std::string& known : known_) keys += (keys.empty() ? "" : ", ") + known;
      reader_.Fail(Member(path_, key),
                   "unknown key; " + std::string(noun_) + " has the keys " + keys);
    }
  }

 private:
  int64_t WholeNumber(std::string_view key, bool required, int64_t min, int64_t max) {
    const Json* value = required ? &Required(key) : Find(key);
    if (!value) return 0;
    const std::string path = Member(path_, key);
    reader_.Expect(*value, path, value->is_number_integer(), "a whole number");
    const bool too_big =
        value->is_number_unsigned() && value->get<uint64_t>() > static_cast<uint64_t>(max);
    const int64_t number = too_big ? max : value->get<int64_t>();
    if (too_big || number < min || number > max) {
      reader_.Fail(path, value->dump() + " is outside " + std::to_string(min) + " to " +
                             std::to_string(max));
    }
    return number;
  }

  const Reader& reader_;
  const Json& value_;
  std::string path_;
  std::string_view noun_;
  std::vector<std::string> known_;
};

// Remembers which item of a list holds each identifier, to name both when one comes twice.
class Identifiers {
 public:
  Identifiers(const Reader& reader, std::string_view what) : reader_(reader), what_(what) {}

  void Add(const std::string& id, const std::string& path) {
    const auto [it, added] = first_.emplace(id, path);
    if (!added) {
      reader_.Fail(path, std::string(what_) + " \"" + id + "\" is already used by " + it->second);
    }
  }

 private:
  const Reader& reader_;
  std::string_view what_;
  std::map<std::string, std::string> first_;
};

double ReadRights(const Reader& reader, Fields& user) {
  const Json* list = user.List("rights");
  if (!list) return 0;
  int32_t mask = 0;
  for (size_t i = 0; i < list->size(); ++i) {
    const Json& name = (*list)[i];
    const std::string path = Element(Member(user.path(), "rights"), i);
    reader.Expect(name, path, name.is_string(), "the name of a right");
    const std::string text = name.get<std::string>();
    const auto it = std::find_if(kRightNames.begin(), kRightNames.end(),
                                 [&](const auto& right) { return right.first == text; });
    if (it == kRightNames.end()) {
      std::string names;
      for (const auto& right : kRightNames)
        names += (names.empty() ? "" : ", ") + std::string(right.first);
      reader.Fail(path, "unknown right \"" + text + "\"; the rights are " + names);
    }
    mask |= it->second;
  }
  return mask;
}

SimUser ReadUser(const Reader& reader, const Json& value, const std::string& path) {
  Fields fields(reader, value, path, "a user");
  SimUser user;
  user.id = fields.Int32("id", true);
  user.login = fields.Text("login", true);
  user.password = fields.Text("password");
  user.prefix = fields.Text("prefix");
  user.first_name = fields.Text("first_name");
  user.last_name = fields.Text("last_name");
  user.group = fields.Text("group");
  user.workstation = fields.Text("workstation");
  user.login_method = fields.Int16("login_method");
  user.rights = ReadRights(reader, fields);
  fields.Finish();
  return user;
}

SimPatient ReadPatient(const Reader& reader, const Json& value, const std::string& path) {
  Fields fields(reader, value, path, "a patient");
  SimPatient patient;
  patient.id = fields.Text("id", true);
  patient.db_id = fields.Int32("db_id");
  patient.first_name = fields.Text("first_name");
  patient.last_name = fields.Text("last_name");
  patient.address = fields.Text("address");
  patient.tel_one = fields.Text("tel_one");
  patient.tel_two = fields.Text("tel_two");
  patient.sex = fields.Text("sex");
  patient.email = fields.Text("email");
  patient.mobile = fields.Text("mobile");
  patient.birthdate = fields.Text("birthdate");
  patient.comments = fields.Text("comments");
  patient.other_ids = fields.Text("other_ids");
  fields.Finish();
  return patient;
}

SimImage ReadImage(const Reader& reader, const Json& value, const std::string& path) {
  Fields fields(reader, value, path, "an image");
  SimImage image;
  image.picture_id = fields.Text("picture_id", true);
  image.patient_id = fields.Text("patient_id", true);
  image.date = fields.Text("date");
  image.type = fields.Text("type");
  image.tooth_groups = fields.Text("tooth_groups");
  image.tooth_group_name = fields.Text("tooth_group_name");
  image.comment = fields.Text("comment");
  image.original_path = fields.Text("original_path");
  image.xray_data = fields.Text("xray_data");
  image.file_name = fields.Text("file_name");
  fields.Finish();
  return image;
}

SimImageCard ReadImageCard(const Reader& reader, const Json& value, const std::string& path) {
  Fields fields(reader, value, path, "an image card");
  SimImageCard card;
  card.id = fields.Int32("id", true);
  card.patient_id = fields.Text("patient_id");
  card.content = fields.Text("content");
  card.image_path = fields.Text("image_path");
  fields.Finish();
  return card;
}

SimWorklistEntry ReadWorklistEntry(const Reader& reader, const Json& value,
                                   const std::string& path) {
  Fields fields(reader, value, path, "a worklist entry");
  SimWorklistEntry entry;
  entry.patient_id = fields.Text("patient_id");
  entry.patient_name = fields.Text("patient_name");
  entry.accession_number = fields.Text("accession_number");
  entry.procedure_id = fields.Text("procedure_id");
  entry.station_ae = fields.Text("station_ae");
  entry.modality = fields.Text("modality");
  fields.Finish();
  return entry;
}

SimPerson ReadPerson(const Reader& reader, const Json& value, const std::string& path) {
  Fields fields(reader, value, path, "the responsible person");
  SimPerson person;
  person.id = fields.Int32("id");
  person.type = fields.Int32("type");
  person.prefix = fields.Text("prefix");
  person.first_name = fields.Text("first_name");
  person.last_name = fields.Text("last_name");
  person.guid = fields.Text("guid");
  person.short_name = fields.Text("short_name");
  person.contact_info = fields.Text("contact_info");
  person.email = fields.Text("email");
  person.login = fields.Text("login");
  fields.Finish();
  return person;
}

// Reads every item of the list under `key` with `read`, into `into`.
template <typename Item, typename ReadItem>
void ReadList(const Reader& reader, Fields& top, std::string_view key, std::vector<Item>& into,
              ReadItem read) {
  const Json* list = top.List(key);
  if (!list) return;
  for (size_t i = 0; i < list->size(); ++i) {
    into.push_back(read(reader, (*list)[i], Element(std::string(key), i)));
  }
}

// Identifiers must be unique within their list, and every reference must name an item the file
// holds: a mistyped number fails here rather than as a puzzling answer later.
void CheckIdentifiers(const Reader& reader, const SimModel& model) {
  Identifiers logins(reader, "login"), patient_ids(reader, "patient id"), db_ids(reader, "db_id"),
      pictures(reader, "picture id"), cards(reader, "image card id");
  for (size_t i = 0; i < model.users.size(); ++i) {
    logins.Add(model.users[i].login, Element("users", i) + ".login");
  }
  for (size_t i = 0; i < model.patients.size(); ++i) {
    const SimPatient& patient = model.patients[i];
    patient_ids.Add(patient.id, Element("patients", i) + ".id");
    if (patient.db_id != 0) {
      db_ids.Add(std::to_string(patient.db_id), Element("patients", i) + ".db_id");
    }
  }
  for (size_t i = 0; i < model.images.size(); ++i) {
    pictures.Add(model.images[i].picture_id, Element("images", i) + ".picture_id");
  }
  for (size_t i = 0; i < model.image_cards.size(); ++i) {
    cards.Add(std::to_string(model.image_cards[i].id), Element("image_cards", i) + ".id");
  }
}

void CheckReferences(const Reader& reader, SimModel& model) {
  const auto no_patient = [&](const std::string& id, const std::string& path) {
    if (model.FindPatient(id) == nullptr) {
      reader.Fail(path, "no patient has the id \"" + id + "\"");
    }
  };
  for (size_t i = 0; i < model.images.size(); ++i) {
    no_patient(model.images[i].patient_id, Element("images", i) + ".patient_id");
  }
  for (size_t i = 0; i < model.image_cards.size(); ++i) {
    const std::string& patient_id = model.image_cards[i].patient_id;
    if (!patient_id.empty()) no_patient(patient_id, Element("image_cards", i) + ".patient_id");
  }
  if (!model.current_patient_id.empty()) no_patient(model.current_patient_id, "open_patient");
  if (!model.selected_picture_id.empty() && model.SelectedImage() == nullptr) {
    reader.Fail("selected_image",
                "no image has the picture id \"" + model.selected_picture_id + "\"");
  }
  if (model.logged_in_login && model.FindUser(*model.logged_in_login) == nullptr) {
    reader.Fail("logged_in", "no user has the login \"" + *model.logged_in_login + "\"");
  }
}

SimModel ReadModel(const Reader& reader, const Json& document) {
  Fields top(reader, document, "", "a data file");
  SimModel model;
  ReadList(reader, top, "users", model.users, ReadUser);
  ReadList(reader, top, "patients", model.patients, ReadPatient);
  ReadList(reader, top, "images", model.images, ReadImage);
  ReadList(reader, top, "image_cards", model.image_cards, ReadImageCard);
  if (const Json* person = top.Find("responsible_person")) {
    model.responsible_person = ReadPerson(reader, *person, "responsible_person");
  }
  if (top.List("worklist")) {
    model.worklist.emplace();
    ReadList(reader, top, "worklist", *model.worklist, ReadWorklistEntry);
  }
  model.current_patient_id = top.Text("open_patient");
  model.selected_picture_id = top.Text("selected_image");
  if (top.Find("selected_image_card")) {
    const int32_t card_id = top.Int32("selected_image_card");
    const SimImageCard* card = model.FindImageCard(card_id);
    if (!card)
      reader.Fail("selected_image_card", "no image card has the id " + std::to_string(card_id));
    model.selected_card = *card;
  }
  if (top.Find("logged_in")) model.logged_in_login = top.Text("logged_in");
  top.Finish();

  CheckIdentifiers(reader, model);
  CheckReferences(reader, model);
  return model;
}

}  // namespace

SimModel ParseSimData(std::string_view text, std::string_view source) {
  const Reader reader{std::string(source)};
  Json document;
  try {
    document = Json::parse(text.begin(), text.end(), nullptr, /*allow_exceptions=*/true,
                           /*ignore_comments=*/true);
  } catch (const Json::parse_error& error) {
    // The parser counts the bytes it has read; the last of them is where it stopped.
    const auto [line, column] = LineAndColumn(text, error.byte == 0 ? 0 : error.byte - 1);
    throw DataFileError(reader.source() + ": line " + std::to_string(line) + ", column " +
                        std::to_string(column) + ": not valid JSON: " + ParserReason(error.what()));
  }
  return ReadModel(reader, document);
}

std::string ReadDataFileText(const std::filesystem::path& path) {
  const std::u8string utf8_path = path.u8string();
  const std::string source(utf8_path.begin(), utf8_path.end());
  std::error_code error;
  if (std::filesystem::is_directory(path, error)) {
    throw DataFileError(source + ": is a folder, not a data file");
  }
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    throw DataFileError(source + ": " +
                        (std::filesystem::exists(path, error) ? "cannot be read" : "no such file"));
  }
  std::ostringstream text;
  text << file.rdbuf();
  if (file.bad()) throw DataFileError(source + ": cannot be read");
  return text.str();
}

SimModel ReadSimDataFile(const std::filesystem::path& path) {
  const std::u8string utf8_path = path.u8string();
  return ParseSimData(ReadDataFileText(path), std::string(utf8_path.begin(), utf8_path.end()));
}

std::vector<std::string> LostCharacterWarnings(std::string_view text, std::string_view source,
                                               platform::CodePage& code_page) {
  std::vector<std::string> warnings;
  const Json document = Json::parse(text.begin(), text.end(), nullptr,
                                    /*allow_exceptions=*/false, /*ignore_comments=*/true);
  // Every text in the document, with its JSON path; a key naming a password keeps its value's
  // characters out of the message.
  const auto visit = [&](const auto& self, const Json& value, const std::string& path,
                         bool secret) -> void {
    if (value.is_object()) {
      for (const auto& [key, member] : value.items()) {
        self(self, member, Member(path, key), key.find("password") != std::string::npos);
      }
    } else if (value.is_array()) {
      for (size_t i = 0; i < value.size(); ++i) self(self, value[i], Element(path, i), secret);
    } else if (value.is_string()) {
      const platform::LostCharacters lost =
          platform::FindLostCharacters(code_page, value.get_ref<const std::string&>());
      if (!lost.any()) return;
      std::string line = std::string(source) + ": " + path + ": " + std::to_string(lost.count) +
                         (lost.count == 1 ? " character" : " characters") + " the ANSI code page " +
                         code_page.Name() + " cannot hold";
      if (!secret) line += " (" + lost.distinct + ")";
      warnings.push_back(line + " reach" + (lost.count == 1 ? "es" : "") + " a host as \"?\"");
    }
  };
  if (!document.is_discarded()) visit(visit, document, "", false);
  return warnings;
}

}  // namespace orvabridge::sim
