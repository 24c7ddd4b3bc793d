#include "JsonRecord.h"

#include <algorithm>
#include <limits>
#include <nlohmann/json.hpp>

#include "Text.h"

namespace probetool {

namespace {

// Thrown at the first value that does not fit; the text names it.
struct FieldError {
  std::string text;
};

[[noreturn]] void refuse(const std::string& path, const std::string& why) {
  throw FieldError{path + ": " + why};
}

// A value as the message shows it: short, and as it stands in the text.
std::string shown(const Json& value) {
  const std::string text = value.dump(-1, ' ', true);
  return text.size() > 40 ? text.substr(0, 40) + "..." : text;
}

// Bytes as the characters of the same codes, and back.
std::string fromBytes(const std::string& bytes) {
  std::string text;
  for (const char c : bytes) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if (byte >= 0x80) text += static_cast<char>(0xC0 | (byte >> 6));
    text += byte < 0x80 ? c : static_cast<char>(0x80 | (byte & 0x3F));
  }
  return text;
}

std::string toBytes(const std::string& text, const std::string& path) {
  std::string bytes;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const unsigned char lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x80) {
      bytes += text[i];
    } else if ((lead == 0xC2 || lead == 0xC3) && i + 1 < text.size()) {
      bytes +=
          static_cast<char>(((lead & 0x03) << 6) | (static_cast<unsigned char>(text[++i]) & 0x3F));
    } else {
      refuse(path, "holds a character beyond U+00FF; each character stands for one byte");
    }
  }
  return bytes;
}

// The object's members must be among the names given, and each required one present.
void checkMembers(const Json& object, const std::string& path, const char* what,
                  const std::vector<std::string>& required,
                  const std::vector<std::string>& optional = {}) {
  if (!object.is_object())
    refuse(path.empty() ? "record" : path, shown(object) + " is not an object");
  const std::string prefix = path.empty() ? "" : path + ".";
  for (const std::string& name : required) {
    if (!object.contains(name)) refuse(prefix + name, "missing");
  }
  for (const auto& member : object.items()) {
    const auto known = [&member](const std::vector<std::string>& names) {
      return std::find(names.begin(), names.end(), member.key()) != names.end();
    };
    if (!known(required) && !known(optional)) {
      refuse(prefix + escaped(member.key()), std::string("not a member of ") + what);
    }
  }
}

double number(const Json& value, const std::string& path) {
  if (!value.is_number()) refuse(path, shown(value) + " is not a number");
  return value.get<double>();
}

// A whole number of 0 to max.
unsigned long long whole(const Json& value, const std::string& path, unsigned long long max) {
  if (!value.is_number_integer()) refuse(path, shown(value) + " is not a whole number");
  if (value.is_number_unsigned() && value.get<unsigned long long>() <= max) {
    return value.get<unsigned long long>();
  }
  refuse(path, shown(value) + " is out of range (0 to " + std::to_string(max) + ")");
}

void triple(const Json& value, const std::string& path, double& x, double& y, double& z) {
  if (!value.is_array() || value.size() != 3) refuse(path, shown(value) + " is not [x, y, z]");
  double* const out[] = {&x, &y, &z};
  for (std::size_t i = 0; i < 3; ++i)
    *out[i] = number(value[i], path + "[" + std::to_string(i) + "]");
}

RecordView readRecord(const Json& json) {
  checkMembers(json, "", "a record",
               {"id", "targets", "defaultDirection", "maskThickness", "storedChecksum"});
  RecordView record;
  if (!json["id"].is_string()) refuse("id", shown(json["id"]) + " is not a string");
  record.id = toBytes(json["id"].get<std::string>(), "id");
  const Json& targets = json["targets"];
  if (!targets.is_array()) refuse("targets", shown(targets) + " is not an array");
  for (std::size_t i = 0; i < targets.size(); ++i) {
    const std::string path = "targets[" + std::to_string(i) + "]";
    const Json& target = targets[i];
    checkMembers(target, path, "a target", {"size", "position"}, {"normal", "angle"});
    TargetRow row;
    row.size = number(target["size"], path + ".size");
    triple(target["position"], path + ".position", row.x, row.y, row.z);
    row.hasNormal = target.contains("normal") && !target["normal"].is_null();
    if (row.hasNormal) triple(target["normal"], path + ".normal", row.nx, row.ny, row.nz);
    row.hasAngle = target.contains("angle") && !target["angle"].is_null();
    if (row.hasAngle) row.angle = number(target["angle"], path + ".angle");
    record.targets.push_back(row);
  }
  triple(json["defaultDirection"], "defaultDirection", record.dirX, record.dirY, record.dirZ);
  record.maskThickness = static_cast<unsigned int>(
      whole(json["maskThickness"], "maskThickness", std::numeric_limits<unsigned short>::max()));
  record.checksum = static_cast<unsigned int>(
      whole(json["storedChecksum"], "storedChecksum", std::numeric_limits<unsigned int>::max()));
  return record;
}

Json vector3(double x, double y, double z) { return Json::array({x, y, z}); }

}  // namespace

Json recordJson(const RecordView& record) {
  Json targets = Json::array();
  for (const TargetRow& row : record.targets) {
    targets.push_back({{"size", row.size},
                       {"position", vector3(row.x, row.y, row.z)},
                       {"normal", row.hasNormal ? vector3(row.nx, row.ny, row.nz) : Json()},
                       {"angle", row.hasAngle ? Json(row.angle) : Json()}});
  }
  return {{"id", fromBytes(record.id)},
          {"targets", targets},
          {"defaultDirection", vector3(record.dirX, record.dirY, record.dirZ)},
          {"maskThickness", record.maskThickness},
          {"storedChecksum", record.checksum}};
}

JsonRecord readJsonRecord(const std::string& text) {
  JsonRecord result;
  try {
    // The parser refuses numbers beyond a double's range, so every number read is finite.
    const Json document = Json::parse(text);
    const bool whole = !document.is_object() || !document.contains("record");
    const Json& lost = whole ? Json() : document.value("lost", Json());
    if (!lost.is_null() && !lost.empty()) {
      refuse("lost", "lists " + plural(lost.size(), "block", "blocks") +
                         " a salvage could not read: fill in what they held, then empty the list");
    }
    const Json& record = whole ? document : document["record"];
    if (record.is_null()) refuse("record", "null: the document holds no record");
    result.record = readRecord(record);
    result.ok = true;
  } catch (const Json::exception& error) {
    // "[json.exception.parse_error.101] parse error at line 3, ...": without the bracket.
    const std::string what = error.what();
    result.error = "not a JSON document: " + escaped(what.substr(what.find(']') + 2));
  } catch (const FieldError& error) {
    result.error = error.text;
  }
  return result;
}

}  // namespace probetool
