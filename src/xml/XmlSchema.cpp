#include "XmlSchema.h"

#include <boost/serialization/nvp.hpp>
#include <boost/serialization/string.hpp>

#include <list>
#include <string>

#include "RigidBody.h"

// Every value goes to the archive as a primitive, a string or a fixed array of three doubles,
// so no element carries class, tracking or version attributes.

using boost::serialization::make_nvp;

void writeRecord(Boost137XmlOArchive& archive, const ProbeData& record) {
  const unsigned int checksum = record.getChecksum();
  archive << make_nvp("Data_Checksum", checksum);

  const Rb::RigidBody body(record.getRigidBody());
  archive << make_nvp("Data_RB_Id", body.getId());
  const int count = body.getNbTargets();
  archive << make_nvp("Data_RB_TargetCount", count);

  std::list<int> ids;
  body.getTargetsList(ids);
  for (const int id : ids) {
    const double size = body.getTargetSize(id);
    archive << make_nvp("Data_RB_TargetSize", size);
    double position[3];
    body.getTargetPosition(id, position[0], position[1], position[2]);
    archive << make_nvp("Data_RB_TargetPos", position);
    const bool hasNormal = body.hasNormal(id);
    const bool hasAngle = body.hasAngle(id);
    archive << make_nvp("Data_RB_TargetHasNormal", hasNormal);
    archive << make_nvp("Data_RB_TargetHasAngle", hasAngle);
    if (hasNormal) {
      double normal[3];
      body.getTargetNormal(id, normal[0], normal[1], normal[2]);
      archive << make_nvp("Data_RB_TargetNormal", normal);
    }
    if (hasAngle) {
      const double angle = body.getAngleTarget(id);
      archive << make_nvp("Data_RB_TargetAngle", angle);
    }
  }

  double direction[3];
  record.getDefaultDir(direction[0], direction[1], direction[2]);
  archive << make_nvp("Data_RB_Dir", direction);
  const unsigned short thickness = record.getMaskThickness();
  archive << make_nvp("Data_Target_Mask_Thickness", thickness);
}

void readRecord(Boost137XmlIArchive& archive, ProbeData& record) {
  unsigned int checksum = 0;
  archive >> make_nvp("Data_Checksum", checksum);
  record.setChecksum(checksum);

  // The body is rebuilt on a copy and handed over whole, so a failure inside the targets
  // leaves the record's body as it was.
  Rb::RigidBody body(record.getRigidBody());
  std::string id;
  archive >> make_nvp("Data_RB_Id", id);
  body.setId(id);
  body.clearTargets();
  int count = 0;
  archive >> make_nvp("Data_RB_TargetCount", count);
  for (int i = 0; i < count; ++i) {
    double size = 0.0;
    archive >> make_nvp("Data_RB_TargetSize", size);
    double position[3] = {0.0, 0.0, 0.0};
    archive >> make_nvp("Data_RB_TargetPos", position);
    body.insertTarget(i, position[0], position[1], position[2]);
    body.setTargetSize(i, size);
    bool hasNormal = false;
    bool hasAngle = false;
    archive >> make_nvp("Data_RB_TargetHasNormal", hasNormal);
    archive >> make_nvp("Data_RB_TargetHasAngle", hasAngle);
    if (hasNormal) {
      double normal[3] = {0.0, 0.0, 0.0};
      archive >> make_nvp("Data_RB_TargetNormal", normal);
      body.updateTargetNormal(i, normal[0], normal[1], normal[2]);
    }
    if (hasAngle) {
      double angle = 0.0;
      archive >> make_nvp("Data_RB_TargetAngle", angle);
      body.setAngleTarget(i, angle);
    }
  }
  record.setRigidBody(body);

  double direction[3] = {0.0, 0.0, 0.0};
  archive >> make_nvp("Data_RB_Dir", direction);
  record.setDefaultDir(direction[0], direction[1], direction[2]);
  unsigned short thickness = 0;
  archive >> make_nvp("Data_Target_Mask_Thickness", thickness);
  record.setMaskThickness(thickness);
}
