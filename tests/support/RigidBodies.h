// Builds rigid bodies and records in one line, and compares them.
#ifndef PROBE_TEST_RIGID_BODIES_H
#define PROBE_TEST_RIGID_BODIES_H

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

#include "ProbeData.h"
#include "RigidBody.h"

struct TargetSpec {
  double size;
  double x, y, z;
  bool hasNormal = false;
  double nx = 0, ny = 0, nz = 0;
  bool hasAngle = false;
  double angle = 0;
};

// A target without normal or angle.
TargetSpec target(double size, double x, double y, double z);
// The same target with a normal and an angle.
TargetSpec target(double size, double x, double y, double z, double nx, double ny, double nz,
                  double angle);
TargetSpec withNormal(TargetSpec target, double nx, double ny, double nz);
TargetSpec withAngle(TargetSpec target, double angle);

// Targets get ids firstId, firstId + idStep, ... in the order given.
Rb::RigidBody makeBody(const std::string& id, std::initializer_list<TargetSpec> targets,
                       int firstId = 0, int idStep = 1);

ProbeData makeRecord(const Rb::RigidBody& body, double dx = 0, double dy = 0, double dz = 0,
                     unsigned short maskThickness = 0, unsigned int checksum = 0);

// A record of count targets, each with a normal and an angle when full is true, with values
// that survive every stored form's precision.
ProbeData sampleRecord(int count, bool full);

// Compares ids, target order, every value within tolerance, and which targets have normal and
// angle. Target ids are not compared (stored forms renumber them).
::testing::AssertionResult sameBody(const Rb::RigidBody& expected, const Rb::RigidBody& actual,
                                    double tolerance = 0.0);
::testing::AssertionResult sameRecord(const ProbeData& expected, const ProbeData& actual,
                                      double tolerance = 0.0);

#endif
