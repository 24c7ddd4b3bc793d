// The probe record and its XML text and files.
#include <list>
#include <string>

#include "Handles.h"
#include "Utils.h"

using capi::fail;
using capi::need;
using capi::run;

namespace {

const Rb::RigidBody& body(const pd_record* record) {
  need(record, "record");
  return record->record.getRigidBody();
}

}  // namespace

extern "C" {

pd_status pd_record_new(pd_record** record) {
  return run(__func__, [&] {
    need(record, "record");
    *record = new pd_record();
  });
}

pd_status pd_record_copy(const pd_record* source, pd_record** copy) {
  return run(__func__, [&] {
    need(source, "source");
    need(copy, "copy");
    *copy = new pd_record(*source);
  });
}

void pd_record_free(pd_record* record) { delete record; }

pd_status pd_record_get_id(const pd_record* record, char** id, size_t* length) {
  return run(__func__, [&] { capi::copyOut(body(record).getId(), id, length); });
}

pd_status pd_record_set_id(pd_record* record, const char* id, size_t length) {
  return run(__func__, [&] {
    need(record, "record");
    if (length != 0) need(id, "id");
    record->record.getPRigidBody()->setId(length == 0 ? std::string() : std::string(id, length));
  });
}

pd_status pd_record_target_count(const pd_record* record, size_t* count) {
  return run(__func__, [&] {
    need(count, "count");
    *count = static_cast<size_t>(body(record).getNbTargets());
  });
}

pd_status pd_record_get_target(const pd_record* record, size_t index, pd_target* target) {
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
    pd_target out{};
    out.size = targets.getTargetSize(id);
    targets.getTargetPosition(id, out.position[0], out.position[1], out.position[2]);
    out.has_normal = targets.hasNormal(id);
    if (out.has_normal) targets.getTargetNormal(id, out.normal[0], out.normal[1], out.normal[2]);
    out.has_angle = targets.hasAngle(id);
    if (out.has_angle) out.angle = targets.getAngleTarget(id);
    *target = out;
  });
}

pd_status pd_record_set_targets(pd_record* record, const pd_target* targets, size_t count) {
  return run(__func__, [&] {
    Rb::RigidBody rebuilt(body(record));
    if (count != 0) need(targets, "targets");
    rebuilt.clearTargets();
    for (size_t i = 0; i < count; ++i) {
      const pd_target& t = targets[i];
      const int id = static_cast<int>(i);
      rebuilt.insertTarget(id, t.position[0], t.position[1], t.position[2]);
      rebuilt.setTargetSize(id, t.size);
      if (t.has_normal) rebuilt.updateTargetNormal(id, t.normal[0], t.normal[1], t.normal[2]);
      if (t.has_angle) rebuilt.setAngleTarget(id, t.angle);
    }
    record->record.setRigidBody(rebuilt);
  });
}

pd_status pd_record_get_default_direction(const pd_record* record, double direction[3]) {
  return run(__func__, [&] {
    need(record, "record");
    need(direction, "direction");
    record->record.getDefaultDir(direction[0], direction[1], direction[2]);
  });
}

pd_status pd_record_set_default_direction(pd_record* record, const double direction[3]) {
  return run(__func__, [&] {
    need(record, "record");
    need(direction, "direction");
    record->record.setDefaultDir(direction[0], direction[1], direction[2]);
  });
}

pd_status pd_record_get_mask_thickness(const pd_record* record, unsigned int* thickness) {
  return run(__func__, [&] {
    need(record, "record");
    need(thickness, "thickness");
    *thickness = record->record.getMaskThickness();
  });
}

pd_status pd_record_set_mask_thickness(pd_record* record, unsigned int thickness) {
  return run(__func__, [&] {
    need(record, "record");
    if (thickness > 0xFFFFu) {
      capi::mistake(std::to_string(thickness) + " is out of range (0 to 65535)");
    }
    record->record.setMaskThickness(static_cast<unsigned short>(thickness));
  });
}

pd_status pd_record_get_stored_checksum(const pd_record* record, uint32_t* checksum) {
  return run(__func__, [&] {
    need(record, "record");
    need(checksum, "checksum");
    *checksum = record->record.getChecksum();
  });
}

pd_status pd_record_set_stored_checksum(pd_record* record, uint32_t checksum) {
  return run(__func__, [&] {
    need(record, "record");
    record->record.setChecksum(checksum);
  });
}

pd_status pd_record_checksum(const pd_record* record, uint32_t* checksum) {
  return run(__func__, [&] {
    need(record, "record");
    need(checksum, "checksum");
    *checksum = record->record.computeChecksum();
  });
}

pd_status pd_record_to_xml(const pd_record* record, char** text, size_t* length) {
  return run(__func__, [&] {
    need(record, "record");
    need(text, "text");
    std::string xml, reason;
    if (!saveToString(xml, record->record, reason)) fail(PD_ERROR_ENCODE, reason);
    capi::copyOut(xml, text, length);
  });
}

pd_status pd_record_load_xml(pd_record* record, const char* text, size_t length) {
  return run(__func__, [&] {
    need(record, "record");
    if (length != 0) need(text, "text");
    std::string reason;
    if (!loadFromString(capi::asString(text, length), record->record, reason)) {
      fail(PD_ERROR_DECODE, reason);
    }
  });
}

pd_status pd_record_save_file(const pd_record* record, const char* path, int binary) {
  return run(__func__, [&] {
    need(record, "record");
    need(path, "path");
    // A record without XML text is told from a file that cannot be written before the file is
    // touched.
    std::string text, reason;
    if (!saveToString(text, record->record, reason)) fail(PD_ERROR_ENCODE, reason);
    if (!saveToFile(path, record->record, binary != 0, reason)) fail(PD_ERROR_IO, reason);
  });
}

pd_status pd_record_load_file(pd_record* record, const char* path) {
  return run(__func__, [&] {
    need(record, "record");
    need(path, "path");
    std::string reason;
    // The file's own failures are the messages loadFromFile logs under its name.
    if (!loadFromFile(path, record->record, reason)) {
      fail(reason.rfind("loadFromFile", 0) == 0 ? PD_ERROR_IO : PD_ERROR_DECODE, reason);
    }
  });
}

}  // extern "C"
