// A small host: fills a record, copies it, and prints the library's version text.
#include <log4cplus/initializer.h>

#include <iostream>
#include <list>

#include "ProbeData.h"
#include "ProbeVersion.h"

int main() {
  log4cplus::Initializer initializer;
  ProbeData record;
  Rb::RigidBody body;
  body.setId("EXAMPLE");
  body.insertTarget(0, 0.0, 0.0, 0.0);
  body.setTargetSize(0, 1.5);
  body.insertTarget(1, 10.0, -2.5, 0.25);
  body.setTargetSize(1, 1.0);
  body.updateTargetNormal(1, 0.0, 0.0, 1.0);
  body.setAngleTarget(1, 45.0);
  record.setRigidBody(body);
  record.setDefaultDir(0.0, 0.0, 1.0);
  record.setMaskThickness(2);

  const ProbeData copy(record);
  std::cout << GetDllVersion() << "\n";
  std::cout << "probe " << copy.getRigidBody().getId() << ", "
            << copy.getRigidBody().getNbTargets() << " targets\n";
  std::list<int> ids;
  copy.getRigidBody().getTargetsList(ids);
  for (int id : ids) {
    double x, y, z;
    copy.getRigidBody().getTargetPosition(id, x, y, z);
    std::cout << "  target " << id << " at (" << x << ", " << y << ", " << z << ") size "
              << copy.getRigidBody().getTargetSize(id) << "\n";
  }
  return 0;
}
