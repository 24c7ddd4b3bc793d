// A host that uses the installed library: a record, its copy, and the version text.
#include <ProbeData.h>
#include <ProbeVersion.h>

#include <iostream>

int main() {
  ProbeData record;
  Rb::RigidBody body;
  body.setId("host");
  body.insertTarget(0, 1.0, 2.0, 3.0);
  record.setRigidBody(body);
  ProbeData copy(record);
  std::cout << GetDllVersion() << "\n" << copy.getRigidBody().getId() << " "
            << copy.getRigidBody().getNbTargets() << "\n";
  return copy.getRigidBody().getNbTargets() == 1 ? 0 : 1;
}
