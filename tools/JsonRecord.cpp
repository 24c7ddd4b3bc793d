#include "RecordView.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <stdexcept>

#include "Text.h"

namespace probetool {

namespace {

// Thrown at the first value that does not fit, as an invalid_argument whose text names it.
[[noreturn]] void refuse(const std::string& path, const std::string& why) {
  throw std::invalid_argument(path + ": " + why);
}

// A value as the message shows it: short, and as it stands in the text.
std::string valueText(const Json& value) {
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
  for (std::size_t at = 0; at < text.size();) {
    const auto [length, code] = utf8At(text, at);  // the parser lets valid UTF-8 only through
    if (code > 0xFF)
      refuse(path, "holds a character beyond U+00FF; each character stands for one byte");
    bytes += static_cast<char>(code);
    at += length;
  }
  return bytes;
}

// The object's members must be among the names given, and each required one present.
void checkMembers(const Json& object, const std::string& path, const char* what,
                  const std::vector<std::string>& required,
                  const std::vector<std::string>& optional = {}) {
  if (!object.is_object())
    refuse(path.empty() ? "record" : path, valueText(object) + " is not an object");
  const std::string prefix = path.empty() ? "" : path + ".";
  for (const std::string& name : required)
    if (!object.contains(name)) refuse(prefix + name, "missing");
  for (const auto& [name, value] : object.items()) {
    if (std::count(required.begin(), required.end(), name) == 0 &&
        std::count(optional.begin(), optional.end(), name) == 0) {
      refuse(prefix + escaped(name), std::string("not a member of ") + what);
    }
  }
}

double number(const Json& value, const std::string& path) {
  if (!value.is_number()) refuse(path, valueText(value) + " is not a number");
  return value.get<double>();
}

// A whole number of 0 to max, however written: 2, 2.0, 2e0, -0.
unsigned int whole(const Json& value, const std::string& path, unsigned int max) {
  const double real = value.is_number() ? value.get<double>() : 0.5;  // exact up to 2^53
  if (std::floor(real) != real) refuse(path, valueText(value) + " is not a whole number");
  if (!(real >= 0 && real <= max)) {
    refuse(path, valueText(value) + " is out of range (0 to " + std::to_string(max) + ")");
  }
  return static_cast<unsigned int>(real);
}

// The document of text; a member given twice in one object is refused by its path, as the
// parser would otherwise keep one of the two silently.
Json parsed(const std::string& text) {
  struct Level {
    long index;        // of the element being read in an array; -1 in an object
    std::string step;  // to that element or member: "[2]", ".size"
    std::set<std::string> keys;
  };
  std::vector<Level> levels;
  using Event = Json::parse_event_t;
  return Json::parse(text, [&levels](int, Event event, Json& value) {
    if (event == Event::object_end || event == Event::array_end) levels.pop_back();
    const bool start = event == Event::object_start || event == Event::array_start;
    if ((start || event == Event::value) && !levels.empty() && levels.back().index >= 0) {
      levels.back().step = "[" + std::to_string(levels.back().index++) + "]";
    }
    if (start) levels.push_back({event == Event::array_start ? 0 : -1, "", {}});
    if (event != Event::key) return true;
    const std::string key = value.get<std::string>();
    levels.back().step = (levels.size() > 1 ? "." : "") + escaped(key);
    if (levels.back().keys.insert(key).second) return true;
    std::string path;
    for (const Level& level : levels) path += level.step;
    refuse(path.rfind("record.", 0) == 0 ? path.substr(7) : path, "given twice");
  });
}

void triple(const Json& value, const std::string& path, double& x, double& y, double& z) {
  if (!value.is_array() || value.size() != 3) refuse(path, valueText(value) + " is not [x, y, z]");
  double* const out[] = {&x, &y, &z};
  for (std::size_t i = 0; i < 3; ++i)
    *out[i] = number(value[i], path + "[" + std::to_string(i) + "]");
}

RecordView readRecord(const Json& json) {
  checkMembers(json, "", "a record",
               {"id", "targets", "defaultDirection", "maskThickness", "storedChecksum"});
  RecordView record;
  if (!json["id"].is_string()) refuse("id", valueText(json["id"]) + " is not a string");
  record.id = toBytes(json["id"].get<std::string>(), "id");
  const Json& targets = json["targets"];
  if (!targets.is_array()) refuse("targets", valueText(targets) + " is not an array");
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
  record.maskThickness = whole(json["maskThickness"], "maskThickness", 0xFFFF);
  record.checksum = whole(json["storedChecksum"], "storedChecksum", 0xFFFFFFFF);
  return record;
}

// The text is valid UTF-8 throughout.
bool isUtf8(const std::string& text) {
  std::size_t length = 1;
  for (std::size_t at = 0; at < text.size() && length > 0; at += length)
    length = utf8At(text, at).first;
  return length > 0;
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

std::string readJsonRecord(const std::string& text, RecordView& record, bool lostAllowed) {
  try {
    // The parser refuses numbers beyond a double's range, so every number read is finite.
    const Json document = parsed(text);
    const bool whole = !document.is_object() || !document.contains("record");
    const Json& lost = whole ? Json() : document.value("lost", Json());
    if (!lostAllowed && !lost.is_null() && !lost.empty()) {
      refuse("lost", "lists " + plural(lost.size(), "block", "blocks") +
                         " a salvage could not read: fill in what they held, then empty the list");
    }
    const Json& json = whole ? document : document["record"];
    if (json.is_null()) refuse("record", "null: the document holds no record");
    record = readRecord(json);
    return "";
  } catch (const Json::exception& error) {
    // "[json.exception.parse_error.101] parse error at line 3, ...": without the bracket.
    const std::string what = error.what();
    return "not a JSON document: " + escaped(what.substr(what.find(']') + 2));
  } catch (const std::invalid_argument& error) {
    return error.what();
  }
}

std::string firstDifference(const RecordView& a, const RecordView& b, bool numbers) {
  const Json given = recordJson(a).flatten(), back = recordJson(b).flatten();
  for (const auto& [pointer, value] : given.items()) {
    if ((!numbers && value.is_number_float()) ||
        (back.contains(pointer) && back[pointer] == value)) {
      continue;
    }
    std::string path;  // "/targets/2/normal/0" as "targets[2].normal[0]"
    std::istringstream steps(pointer.substr(1));
    for (std::string step; std::getline(steps, step, '/');) {
      path += std::isdigit(static_cast<unsigned char>(step[0])) ? "[" + step + "]"
                                                                : (path.empty() ? "" : ".") + step;
    }
    return path;
  }
  return back.size() == given.size() ? "" : "targets";
}

Json nameJson(const std::string& name) {
  return name == "-" ? Json("standard input") : isUtf8(name) ? Json(name) : Json(escaped(name));
}

}  // namespace probetool
