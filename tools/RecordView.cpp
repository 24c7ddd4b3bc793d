#include "RecordView.h"

#include <list>

#include "ProbeData.h"
#include "Text.h"

namespace probetool {

RecordView viewRecord(const ProbeData& record) {
  RecordView view;
  const Rb::RigidBody& body = record.getRigidBody();
  view.id = body.getId();
  std::list<int> ids;
  body.getTargetsList(ids);
  for (int id : ids) {
    TargetRow row;
    row.size = body.getTargetSize(id);
    body.getTargetPosition(id, row.x, row.y, row.z);
    row.hasNormal = body.hasNormal(id);
    if (row.hasNormal) body.getTargetNormal(id, row.nx, row.ny, row.nz);
    row.hasAngle = body.hasAngle(id);
    if (row.hasAngle) row.angle = body.getAngleTarget(id);
    view.targets.push_back(row);
  }
  record.getDefaultDir(view.dirX, view.dirY, view.dirZ);
  view.maskThickness = record.getMaskThickness();
  view.checksum = record.getChecksum();
  return view;
}

ProbeData makeRecord(const RecordView& view) {
  Rb::RigidBody body;
  body.setId(view.id);
  int id = 0;
  for (const TargetRow& row : view.targets) {
    body.insertTarget(id, row.x, row.y, row.z);
    body.setTargetSize(id, row.size);
    if (row.hasNormal) body.updateTargetNormal(id, row.nx, row.ny, row.nz);
    if (row.hasAngle) body.setAngleTarget(id, row.angle);
    ++id;
  }
  ProbeData record;
  record.setRigidBody(body);
  record.setDefaultDir(view.dirX, view.dirY, view.dirZ);
  record.setMaskThickness(static_cast<unsigned short>(view.maskThickness));
  record.setChecksum(view.checksum);
  return record;
}

std::string formatRecordTable(const RecordView& record) {
  TextTable fields({"", ""});
  fields.addRow({"probe id", record.id.empty() ? "(none)" : shown(record.id)});
  fields.addRow({"targets", std::to_string(record.targets.size())});
  fields.addRow({"default direction", triple(record.dirX, record.dirY, record.dirZ)});
  fields.addRow({"mask thickness", std::to_string(record.maskThickness)});
  fields.addRow({"stored checksum", hex16(record.checksum)});
  if (record.targets.empty()) return fields.format("");
  TextTable table({"#", "size", "x", "y", "z", "normal x", "normal y", "normal z", "angle"},
                  TextTable::Right);
  for (std::size_t i = 0; i < record.targets.size(); ++i) {
    const TargetRow& t = record.targets[i];
    const auto optional = [](bool present, double value) {
      return present ? number(value) : std::string("-");
    };
    table.addRow({std::to_string(i), number(t.size), number(t.x), number(t.y), number(t.z),
                  optional(t.hasNormal, t.nx), optional(t.hasNormal, t.ny),
                  optional(t.hasNormal, t.nz), optional(t.hasAngle, t.angle)});
  }
  return fields.format("") + "\n" + table.format("  ");
}

}  // namespace probetool
