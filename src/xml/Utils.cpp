#include "Utils.h"

bool saveToString(std::string& text, const ProbeData&) {
  text.clear();
  return false;
}
bool saveToFile(const std::string&, const ProbeData&, bool) { return false; }
bool loadFromString(const std::string&, ProbeData&) { return false; }
bool loadFromFile(const std::string&, ProbeData&) { return false; }
