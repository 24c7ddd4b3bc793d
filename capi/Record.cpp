// The probe record and its XML text and files.
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

}  // namespace

extern "C" {

probedata_status probedata_record_new(probedata_record** record) {
  return run(__func__, [&] {
    need(record, "record");
    *record = new probedata_record();
  });
}

probedata_status probedata_record_copy(const probedata_record* source, probedata_record** copy) {
  return run(__func__, [&] {
    need(source, "source");
    need(copy, "copy");
    *copy = new probedata_record(*source);
  });
}

void probedata_record_free(probedata_record* record) { delete record; }

probedata_status probedata_record_get_id(const probedata_record* record, char** id,
                                         size_t* length) {
  return run(__func__, [&] { capi::copyOut(body(record).getId(), id, length); });
}

probedata_status probedata_record_set_id(probedata_record* record, const char* id, size_t length) {
  return run(__func__, [&] {
    need(record, "record");
    if (length != 0) need(id, "id");
    record->record.getPRigidBody()->setId(length == 0 ? std::string() : std::string(id, length));
  });
}

probedata_status probedata_record_target_count(const probedata_record* record, size_t* count) {
  return run(__func__, [&] {
    need(count, "count");
    *count = static_cast<size_t>(body(record).getNbTargets());
  });
}

probedata_status probedata_record_get_target(const probedata_record* record, size_t index,
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
    const int id = *std::next(ids.begin(), static_cast<long>(index));
    probedata_target out{};
    out.size = targets.getTargetSize(id);
    targets.getTargetPosition(id, out.position[0], out.position[1], out.position[2]);
    out.has_normal = targets.hasNormal(id);
    if (out.has_normal) targets.getTargetNormal(id, out.normal[0], out.normal[1], out.normal[2]);
    out.has_angle = targets.hasAngle(id);
    if (out.has_angle) out.angle = targets.getAngleTarget(id);
    *target = out;
  });
}

probedata_status probedata_record_set_targets(probedata_record* record,
                                              const probedata_target* targets, size_t count) {
  return run(__func__, [&] {
    Rb::RigidBody rebuilt(body(record));
    if (count != 0) need(targets, "targets");
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

probedata_status probedata_record_get_default_direction(const probedata_record* record,
                                                        double direction[3]) {
  return run(__func__, [&] {
    need(record, "record");
    need(direction, "direction");
    record->record.getDefaultDir(direction[0], direction[1], direction[2]);
  });
}

probedata_status probedata_record_set_default_direction(probedata_record* record,
                                                        const double direction[3]) {
  return run(__func__, [&] {
    need(record, "record");
    need(direction, "direction");
    record->record.setDefaultDir(direction[0], direction[1], direction[2]);
  });
}

probedata_status probedata_record_get_mask_thickness(const probedata_record* record,
                                                     unsigned int* thickness) {
  return run(__func__, [&] {
    need(record, "record");
    need(thickness, "thickness");
    *thickness = record->record.getMaskThickness();
  });
}

probedata_status probedata_record_set_mask_thickness(probedata_record* record,
                                                     unsigned int thickness) {
  return run(__func__, [&] {
    need(record, "record");
    if (thickness > 0xFFFFu) {
      capi::mistake(std::to_string(thickness) + " is out of range (0 to 65535)");
    }
    record->record.setMaskThickness(static_cast<unsigned short>(thickness));
  });
}

probedata_status probedata_record_get_stored_checksum(const probedata_record* record,
                                                      uint32_t* checksum) {
  return run(__func__, [&] {
    need(record, "record");
    need(checksum, "checksum");
    *checksum = record->record.getChecksum();
  });
}

probedata_status probedata_record_set_stored_checksum(probedata_record* record, uint32_t checksum) {
  return run(__func__, [&] {
    need(record, "record");
    record->record.setChecksum(checksum);
  });
}

probedata_status probedata_record_checksum(const probedata_record* record, uint32_t* checksum) {
  return run(__func__, [&] {
    need(record, "record");
    need(checksum, "checksum");
    *checksum = record->record.computeChecksum();
  });
}

probedata_status probedata_record_to_xml(const probedata_record* record, char** text,
                                         size_t* length) {
  return run(__func__, [&] {
    need(record, "record");
    need(text, "text");
    std::string xml, reason;
    if (!saveToString(xml, record->record, reason)) fail(PROBEDATA_ERROR_ENCODE, reason);
    capi::copyOut(xml, text, length);
  });
}

probedata_status probedata_record_load_xml(probedata_record* record, const char* text,
                                           size_t length) {
  return run(__func__, [&] {
    need(record, "record");
    if (length != 0) need(text, "text");
    std::string reason;
    if (!loadFromString(capi::asString(text, length), record->record, reason)) {
      fail(PROBEDATA_ERROR_DECODE, reason);
    }
  });
}

probedata_status probedata_record_save_file(const probedata_record* record, const char* path,
                                            int binary) {
  return run(__func__, [&] {
    need(record, "record");
    need(path, "path");
    // A record without XML text is told from a file that cannot be written before the file is
    // touched.
    std::string text, reason;
    if (!saveToString(text, record->record, reason)) fail(PROBEDATA_ERROR_ENCODE, reason);
    if (!saveToFile(path, record->record, binary != 0, reason)) fail(PROBEDATA_ERROR_IO, reason);
  });
}

probedata_status probedata_record_load_file(probedata_record* record, const char* path) {
  return run(__func__, [&] {
    need(record, "record");
    need(path, "path");
    std::string reason;
    // The file's own failures are the messages loadFromFile logs under its name.
    if (!loadFromFile(path, record->record, reason)) {
      fail(reason.rfind("loadFromFile", 0) == 0 ? PROBEDATA_ERROR_IO : PROBEDATA_ERROR_DECODE,
           reason);
    }
  });
}

}  // extern "C"
