#include "JsonRecord.h"

#include <nlohmann/json.hpp>

#include <initializer_list>
#include <limits>

namespace probetool {

namespace {

Json vector3(double x, double y, double z) { return Json::array({x, y, z}); }

// Thrown at the first value that does not fit; the text names it.
struct FieldError {
  std::string text;
};

// A value as the message shows it: short, and as it stands in the text.
std::string shown(const Json& value) {
  std::string text = value.dump();
  return text.size() > 40 ? text.substr(0, 40) + "..." : text;
}

[[noreturn]] void refuse(const std::string& path, const std::string& why) {
  throw FieldError{path + ": " + why};
}

// The object's members must be among the names given, and each required one present.
void checkMembers(const Json& object, const std::string& path, const char* what,
                  std::initializer_list<const char*> required,
                  std::initializer_list<const char*> optional = {}) {
  if (!object.is_object())
    refuse(path.empty() ? "record" : path, shown(object) + " is not an object");
  const std::string prefix = path.empty() ? "" : path + ".";
  for (const char* name : required) {
    if (!object.contains(name)) refuse(prefix + name, "missing");
  }
  for (const auto& member : object.items()) {
    bool known = false;
    for (const auto& names : {required, optional}) {
      for (const char* name : names) known = known || member.key() == name;
    }
    if (!known) refuse(prefix + member.key(), std::string("not a member of ") + what);
  }
}

double number(const Json& value, const std::string& path) {
  if (!value.is_number()) refuse(path, shown(value) + " is not a number");
  return value.get<double>();
}

// A whole number of 0 to max.
unsigned long long whole(const Json& value, const std::string& path, unsigned long long max) {
  if (!value.is_number()) refuse(path, shown(value) + " is not a number");
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
  record.id = json["id"].get<std::string>();
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

}  // namespace

Json recordJson(const RecordView& record) {
  Json targets = Json::array();
  for (const TargetRow& row : record.targets) {
    Json target;
    target["size"] = row.size;
    target["position"] = vector3(row.x, row.y, row.z);
    target["normal"] = row.hasNormal ? vector3(row.nx, row.ny, row.nz) : Json();
    target["angle"] = row.hasAngle ? Json(row.angle) : Json();
    targets.push_back(target);
  }
  Json json;
  json["id"] = record.id;
  json["targets"] = targets;
  json["defaultDirection"] = vector3(record.dirX, record.dirY, record.dirZ);
  json["maskThickness"] = record.maskThickness;
  json["storedChecksum"] = record.checksum;
  return json;
}

JsonRecord readJsonRecord(const std::string& text) {
  JsonRecord result;
  Json document;
  try {
    // The parser refuses numbers beyond a double's range, so every number read is finite.
    document = Json::parse(text);
  } catch (const Json::exception& error) {
    // "[json.exception.parse_error.101] parse error at line 3, ...": without the bracket.
    const std::string what = error.what();
    result.error = "not a JSON document: " + what.substr(what.find(']') + 2);
    return result;
  }
  try {
    const bool whole = !document.is_object() || !document.contains("record");
    const Json& record = whole ? document : document["record"];
    if (record.is_null()) refuse("record", "null: the document holds no record");
    result.record = readRecord(record);
    result.ok = true;
  } catch (const FieldError& error) {
    result.error = error.text;
  }
  return result;
}

}  // namespace probetool
