// The probe record and its XML text and files.
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <list>
#include <string>

#include "Handles.h"
#include "Utils.h"

using capi::fail;
using capi::need;
using capi::run;

namespace {

const Rb::RigidBody& body(const probedata_record* record) {
  need(record, "record");
  return record->record.getRigidBody();
}

probedata_target targetOf(const Rb::RigidBody& targets, int id) {
  probedata_target out{};
  out.size = targets.getTargetSize(id);
  targets.getTargetPosition(id, out.position[0], out.position[1], out.position[2]);
  out.has_normal = targets.hasNormal(id);
  if (out.has_normal) targets.getTargetNormal(id, out.normal[0], out.normal[1], out.normal[2]);
  out.has_angle = targets.hasAngle(id);
  if (out.has_angle) out.angle = targets.getAngleTarget(id);
  return out;
}

bool same(double a, double b) { return a == b || (std::isnan(a) && std::isnan(b)); }

bool same(const probedata_target& a, const probedata_target& b) {
  bool equal = same(a.size, b.size) && a.has_normal == b.has_normal && a.has_angle == b.has_angle &&
               (!a.has_angle || same(a.angle, b.angle));
  for (int i = 0; i < 3; ++i) {
    equal = equal && same(a.position[i], b.position[i]) &&
            (!a.has_normal || same(a.normal[i], b.normal[i]));
  }
  return equal;
}

bool same(const probedata_record& a, const probedata_record& b) {
  const Rb::RigidBody &left = a.record.getRigidBody(), &right = b.record.getRigidBody();
  std::list<int> leftIds, rightIds;
  left.getTargetsList(leftIds);
  right.getTargetsList(rightIds);
  double x[3], y[3];
  a.record.getDefaultDir(x[0], x[1], x[2]);
  b.record.getDefaultDir(y[0], y[1], y[2]);
  bool equal = left.getId() == right.getId() && leftIds.size() == rightIds.size() &&
               a.record.getMaskThickness() == b.record.getMaskThickness() &&
               a.record.getChecksum() == b.record.getChecksum() && same(x[0], y[0]) &&
               same(x[1], y[1]) && same(x[2], y[2]);
  for (auto l = leftIds.begin(), r = rightIds.begin(); equal && l != leftIds.end(); ++l, ++r) {
    equal = same(targetOf(left, *l), targetOf(right, *r));
  }
  return equal;
}

// The record's XML text, or ENCODE with the reason.
std::string xmlOf(const ProbeData& record) {
  capi::refuseNulInId(record);
  std::string text, reason;
  if (!saveToString(text, record, reason)) {
    fail(PROBEDATA_ERROR_ENCODE, "the record has no XML text: " + reason);
  }
  return text;
}

// All bytes of the file; false with errno set when it cannot be opened or read.
bool readFile(const std::filesystem::path& path, std::string& bytes) {
#if defined(_WIN32)
  std::FILE* file = _wfopen(path.c_str(), L"rb");
#else
  std::FILE* file = std::fopen(path.c_str(), "rb");
#endif
  if (file == nullptr) return false;
  char chunk[1 << 16];
  std::size_t count;
  while ((count = std::fread(chunk, 1, sizeof chunk, file)) != 0) bytes.append(chunk, count);
  const int error = errno;
  const bool ok = std::ferror(file) == 0;
  std::fclose(file);
  errno = error;
  return ok;
}

void load(ProbeData& record, const std::string& text) {
  std::string reason;
  if (!loadFromString(text, record, reason)) fail(PROBEDATA_ERROR_DECODE, capi::xmlReason(reason));
}

}  // namespace

extern "C" {

probedata_status PROBEDATA_CALL probedata_record_new(probedata_record** record) {
  return run(__func__, [&] {
    need(record, "record");
    *record = new probedata_record();
  });
}

probedata_status PROBEDATA_CALL probedata_record_copy(const probedata_record* source,
                                                      probedata_record** copy) {
  return run(__func__, [&] {
    need(source, "source");
    need(copy, "copy");
    *copy = new probedata_record(*source);
  });
}

void PROBEDATA_CALL probedata_record_free(probedata_record* record) { delete record; }

probedata_status PROBEDATA_CALL probedata_record_equal(const probedata_record* a,
                                                       const probedata_record* b, int* equal) {
  return run(__func__, [&] {
    need(a, "a");
    need(b, "b");
    need(equal, "equal");
    *equal = same(*a, *b);
  });
}

probedata_status PROBEDATA_CALL probedata_record_get_id(const probedata_record* record, char** id,
                                                        size_t* length) {
  return run(__func__, [&] { capi::copyOut(body(record).getId(), id, length); });
}

probedata_status PROBEDATA_CALL probedata_record_set_id(probedata_record* record, const char* id,
                                                        size_t length) {
  return run(__func__, [&] {
    need(record, "record");
    if (length != 0) need(id, "id");
    capi::bounded(length, 1, "length");
    record->record.getPRigidBody()->setId(length == 0 ? std::string() : std::string(id, length));
  });
}

probedata_status PROBEDATA_CALL probedata_record_target_count(const probedata_record* record,
                                                              size_t* count) {
  return run(__func__, [&] {
    need(count, "count");
    *count = static_cast<size_t>(body(record).getNbTargets());
  });
}

probedata_status PROBEDATA_CALL probedata_record_get_target(const probedata_record* record,
                                                            size_t index,
                                                            probedata_target* target) {
  return run(__func__, [&] {
    need(target, "target");
    const Rb::RigidBody& targets = body(record);
    std::list<int> ids;
    targets.getTargetsList(ids);
    if (index >= ids.size()) {
      capi::mistake("index " + std::to_string(index) + " is past the record's " +
                    std::to_string(ids.size()) + " targets");
    }
    *target = targetOf(targets, *std::next(ids.begin(), static_cast<long>(index)));
  });
}

probedata_status PROBEDATA_CALL probedata_record_set_targets(probedata_record* record,
                                                             const probedata_target* targets,
                                                             size_t count) {
  return run(__func__, [&] {
    Rb::RigidBody rebuilt(body(record));
    if (count != 0) need(targets, "targets");
    capi::bounded(count, sizeof *targets, "count");
    if (count > static_cast<size_t>(INT_MAX)) {
      capi::mistake("count " + std::to_string(count) + " is more targets than a record numbers");
    }
    rebuilt.clearTargets();
    for (size_t i = 0; i < count; ++i) {
      const probedata_target& t = targets[i];
      const int id = static_cast<int>(i);
      rebuilt.insertTarget(id, t.position[0], t.position[1], t.position[2]);
      rebuilt.setTargetSize(id, t.size);
      if (t.has_normal) rebuilt.updateTargetNormal(id, t.normal[0], t.normal[1], t.normal[2]);
      if (t.has_angle) rebuilt.setAngleTarget(id, t.angle);
    }
    record->record.setRigidBody(rebuilt);
  });
}

probedata_status PROBEDATA_CALL
probedata_record_get_default_direction(const probedata_record* record, double direction[3]) {
  return run(__func__, [&] {
    need(record, "record");
    need(direction, "direction");
    record->record.getDefaultDir(direction[0], direction[1], direction[2]);
  });
}

probedata_status PROBEDATA_CALL probedata_record_set_default_direction(probedata_record* record,
                                                                       const double direction[3]) {
  return run(__func__, [&] {
    need(record, "record");
    need(direction, "direction");
    record->record.setDefaultDir(direction[0], direction[1], direction[2]);
  });
}

probedata_status PROBEDATA_CALL probedata_record_get_mask_thickness(const probedata_record* record,
                                                                    unsigned int* thickness) {
  return run(__func__, [&] {
    need(record, "record");
    need(thickness, "thickness");
    *thickness = record->record.getMaskThickness();
  });
}

probedata_status PROBEDATA_CALL probedata_record_set_mask_thickness(probedata_record* record,
                                                                    unsigned int thickness) {
  return run(__func__, [&] {
    need(record, "record");
    if (thickness > 0xFFFFu) {
      capi::mistake("thickness " + std::to_string(thickness) + " is out of range (0 to 65535)");
    }
    record->record.setMaskThickness(static_cast<unsigned short>(thickness));
  });
}

probedata_status PROBEDATA_CALL probedata_record_get_stored_checksum(const probedata_record* record,
                                                                     uint32_t* checksum) {
  return run(__func__, [&] {
    need(record, "record");
    need(checksum, "checksum");
    *checksum = record->record.getChecksum();
  });
}

probedata_status PROBEDATA_CALL probedata_record_set_stored_checksum(probedata_record* record,
                                                                     uint32_t checksum) {
  return run(__func__, [&] {
    need(record, "record");
    record->record.setChecksum(checksum);
  });
}

probedata_status PROBEDATA_CALL probedata_record_checksum(const probedata_record* record,
                                                          uint32_t* checksum) {
  return run(__func__, [&] {
    need(record, "record");
    need(checksum, "checksum");
    *checksum = record->record.computeChecksum();
  });
}

probedata_status PROBEDATA_CALL probedata_record_to_xml(const probedata_record* record, char** text,
                                                        size_t* length) {
  return run(__func__, [&] {
    need(record, "record");
    need(text, "text");
    capi::copyOut(xmlOf(record->record), text, length);
  });
}

probedata_status PROBEDATA_CALL probedata_record_load_xml(probedata_record* record,
                                                          const char* text, size_t length) {
  return run(__func__, [&] {
    need(record, "record");
    load(record->record, capi::textOf(text, length));
  });
}

probedata_status PROBEDATA_CALL probedata_record_save_file(const probedata_record* record,
                                                           const char* path, int binary) {
  return run(__func__, [&] {
    need(record, "record");
    const std::filesystem::path file = capi::pathOf(path);
    std::string text = xmlOf(record->record);
#if defined(_WIN32)
    if (!binary) {
      for (std::size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 2))
        text.insert(at, 1, '\r');
    }
#else
    static_cast<void>(binary);
#endif
    std::string reason;
    if (!replaceFile(file, text, reason)) {
      throw capi::Failure{PROBEDATA_ERROR_IO, "cannot write " + capi::shown(path) + ": " + reason,
                          false, errno};
    }
  });
}

probedata_status PROBEDATA_CALL probedata_record_load_file(probedata_record* record,
                                                           const char* path) {
  return run(__func__, [&] {
    need(record, "record");
    std::string text;
    if (!readFile(capi::pathOf(path), text))
      capi::failIo("cannot read " + capi::shown(path), errno);
    load(record->record, capi::textOf(text.data(), text.size()));
  });
}

}  // extern "C"
