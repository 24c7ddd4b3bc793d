#include "XmlSchema.h"

#include <boost/serialization/nvp.hpp>
#include <boost/serialization/string.hpp>

#include <list>
#include <string>

#include "RigidBody.h"

// Every value goes to the archive as a primitive, a string or a fixed array of three doubles,
// so no element carries class, tracking or version attributes.

using boost::serialization::make_nvp;

// Each value goes out as an lvalue of its own type, which fixes how the archive writes it.
void writeRecord(Boost137XmlOArchive& archive, const ProbeData& record) {
  const auto put = [&archive](const char* name, auto value) { archive << make_nvp(name, value); };
  put("Data_Checksum", record.getChecksum());
  const Rb::RigidBody body(record.getRigidBody());
  put("Data_RB_Id", body.getId());
  put("Data_RB_TargetCount", body.getNbTargets());
  std::list<int> ids;
  body.getTargetsList(ids);
  double triple[3];
  for (const int id : ids) {
    put("Data_RB_TargetSize", body.getTargetSize(id));
    body.getTargetPosition(id, triple[0], triple[1], triple[2]);
    archive << make_nvp("Data_RB_TargetPos", triple);
    put("Data_RB_TargetHasNormal", body.hasNormal(id));
    put("Data_RB_TargetHasAngle", body.hasAngle(id));
    if (body.hasNormal(id)) {
      body.getTargetNormal(id, triple[0], triple[1], triple[2]);
      archive << make_nvp("Data_RB_TargetNormal", triple);
    }
    if (body.hasAngle(id)) put("Data_RB_TargetAngle", body.getAngleTarget(id));
  }
  record.getDefaultDir(triple[0], triple[1], triple[2]);
  archive << make_nvp("Data_RB_Dir", triple);
  put("Data_Target_Mask_Thickness", record.getMaskThickness());
}

// Each value is read into a variable of the type given, which fixes how the archive reads it.
void readRecord(Boost137XmlIArchive& archive, ProbeData& record) {
  const auto get = [&archive](const char* name, auto value) {
    archive >> make_nvp(name, value);
    return value;
  };
  record.setChecksum(get("Data_Checksum", 0u));

  // The body is rebuilt on a copy and handed over whole, so a failure inside the targets
  // leaves the record's body as it was.
  Rb::RigidBody body(record.getRigidBody());
  body.setId(get("Data_RB_Id", std::string()));
  body.clearTargets();
  // A three-value element with fewer than three items leaves the missing values 0.
  double triple[3];
  const auto getTriple = [&](const char* name) {
    triple[0] = triple[1] = triple[2] = 0.0;
    archive >> make_nvp(name, triple);
  };
  const int count = get("Data_RB_TargetCount", 0);
  for (int i = 0; i < count; ++i) {
    const double size = get("Data_RB_TargetSize", 0.0);
    getTriple("Data_RB_TargetPos");
    body.insertTarget(i, triple[0], triple[1], triple[2]);
    body.setTargetSize(i, size);
    const bool hasNormal = get("Data_RB_TargetHasNormal", false);
    const bool hasAngle = get("Data_RB_TargetHasAngle", false);
    if (hasNormal) {
      getTriple("Data_RB_TargetNormal");
      body.updateTargetNormal(i, triple[0], triple[1], triple[2]);
    }
    if (hasAngle) body.setAngleTarget(i, get("Data_RB_TargetAngle", 0.0));
  }
  record.setRigidBody(body);

  getTriple("Data_RB_Dir");
  record.setDefaultDir(triple[0], triple[1], triple[2]);
  record.setMaskThickness(get("Data_Target_Mask_Thickness", static_cast<unsigned short>(0)));
}
