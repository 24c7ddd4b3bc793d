#include "RigidBody.h"

#include <log4cplus/logger.h>
#include <log4cplus/loglevel.h>

#include <algorithm>
#include <sstream>

#include "Error.h"

namespace Rb {
namespace {

[[noreturn]] void fail(int line, const std::string& message) {
  static log4cplus::Logger logger = log4cplus::Logger::getInstance("RigidBody");
  throw Error(line, "RigidBody.cpp", message, &logger, log4cplus::ERROR_LOG_LEVEL);
}

}  // namespace

RigidBody::RigidBody() = default;
RigidBody::RigidBody(const RigidBody& other) = default;
// Copy first, then swap: a failed copy leaves the body as it was, never with the new id and
// the old targets.
RigidBody& RigidBody::operator=(const RigidBody& other) {
  RigidBody copy(other);
  id_.swap(copy.id_);
  targets_.swap(copy.targets_);
  return *this;
}
RigidBody::~RigidBody() = default;

const std::string& RigidBody::getId() const { return id_; }
void RigidBody::setId(const std::string& id) { id_ = id; }

int RigidBody::getNbTargets() const { return static_cast<int>(targets_.size()); }

void RigidBody::getTargetsList(std::list<int>& ids) const {
  for (const Target& target : targets_) ids.push_back(target.id);
}

const RigidBody::Target& RigidBody::find(int id, const char* operation) const {
  auto it = std::find_if(targets_.begin(), targets_.end(),
                         [id](const Target& target) { return target.id == id; });
  if (it == targets_.end()) {
    std::ostringstream message;
    message << "RigidBody::" << operation << " no target with id " << id;
    fail(__LINE__, message.str());
  }
  return *it;
}

RigidBody::Target& RigidBody::find(int id, const char* operation) {
  return const_cast<Target&>(static_cast<const RigidBody*>(this)->find(id, operation));
}

bool RigidBody::hasNormal(int id) const { return find(id, "hasNormal").hasNormal; }
bool RigidBody::hasAngle(int id) const { return find(id, "hasAngle").hasAngle; }
double RigidBody::getTargetSize(int id) const { return find(id, "getTargetSize").size; }

double RigidBody::getAngleTarget(int id) const {
  const Target& target = find(id, "getAngleTarget");
  if (!target.hasAngle) {
    fail(__LINE__, "RigidBody::getAngleTarget target " + std::to_string(id) + " has no angle");
  }
  return target.angle;
}

void RigidBody::getTargetPosition(int id, double& x, double& y, double& z) const {
  const Target& target = find(id, "getTargetPosition");
  x = target.position[0];
  y = target.position[1];
  z = target.position[2];
}

void RigidBody::getTargetNormal(int id, double& x, double& y, double& z) const {
  const Target& target = find(id, "getTargetNormal");
  if (!target.hasNormal) {
    fail(__LINE__, "RigidBody::getTargetNormal target " + std::to_string(id) + " has no normal");
  }
  x = target.normal[0];
  y = target.normal[1];
  z = target.normal[2];
}

void RigidBody::clearTargets() { targets_.clear(); }

void RigidBody::insertTarget(int id, double x, double y, double z) {
  for (const Target& target : targets_) {
    if (target.id == id) {
      fail(__LINE__, "RigidBody::insertTarget id " + std::to_string(id) + " already used");
    }
  }
  targets_.push_back(Target{id, {x, y, z}, 0.0, false, {0.0, 0.0, 0.0}, false, 0.0});
}

void RigidBody::setTargetSize(int id, double size) { find(id, "setTargetSize").size = size; }

void RigidBody::updateTargetNormal(int id, double x, double y, double z) {
  Target& target = find(id, "updateTargetNormal");
  target.hasNormal = true;
  target.normal[0] = x;
  target.normal[1] = y;
  target.normal[2] = z;
}

void RigidBody::setAngleTarget(int id, double angle) {
  Target& target = find(id, "setAngleTarget");
  target.hasAngle = true;
  target.angle = angle;
}

// The host system's own stream persistence, which the probe library never calls: the stand-in
// declares it, to keep the class's virtual operations where hosts expect them, and has none.
void RigidBody::writeStream(std::fstream&) const {
  fail(__LINE__, "RigidBody::writeStream is not part of this stand-in");
}

void RigidBody::readStream(std::fstream&) {
  fail(__LINE__, "RigidBody::readStream is not part of this stand-in");
}

}  // namespace Rb
