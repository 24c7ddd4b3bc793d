// The host system's rigid body: a named set of targets, each known by an int id. Targets are
// listed in insertion order. Asking about an id that names no target, or inserting an id twice,
// throws Error.
#ifndef PROBE_OUTSIDE_RIGIDBODY_H
#define PROBE_OUTSIDE_RIGIDBODY_H

#include <fstream>
#include <list>
#include <string>
#include <vector>

#include "OutsideExport.h"

namespace Rb {

class PROBEOUTSIDE_API RigidBody {
 public:
  RigidBody();
  RigidBody(const RigidBody& other);
  RigidBody& operator=(const RigidBody& other);
  virtual ~RigidBody();

  const std::string& getId() const;
  void setId(const std::string& id);

  int getNbTargets() const;
  // Appends every target id, in insertion order.
  void getTargetsList(std::list<int>& ids) const;

  bool hasNormal(int id) const;
  bool hasAngle(int id) const;
  double getTargetSize(int id) const;
  double getAngleTarget(int id) const;
  void getTargetPosition(int id, double& x, double& y, double& z) const;
  // Throws if the target has no normal.
  void getTargetNormal(int id, double& x, double& y, double& z) const;

  void clearTargets();
  // A new target at (x, y, z), size 0, no normal, no angle.
  void insertTarget(int id, double x, double y, double z);
  void setTargetSize(int id, double size);
  void updateTargetNormal(int id, double x, double y, double z);
  void setAngleTarget(int id, double angle);

 protected:
  // Stream persistence of the host system; not used by the probe library, and in this stand-in
  // each throws Error.
  virtual void writeStream(std::fstream& stream) const;
  virtual void readStream(std::fstream& stream);

 private:
  struct Target {
    int id;
    double position[3];
    double size;
    bool hasNormal;
    double normal[3];
    bool hasAngle;
    double angle;
  };

  const Target& find(int id, const char* operation) const;
  Target& find(int id, const char* operation);

  std::string id_;
  std::vector<Target> targets_;
};

}  // namespace Rb

#endif
