#include "ProbeData.h"

#include "ThrowError.h"

ProbeData::ProbeData()
    : rigidBody_(new Rb::RigidBody), maskThickness_(0), defaultDir_{0.0, 0.0, 0.0}, checksum_(0) {}

// copyFrom sets every member.
ProbeData::ProbeData(const ProbeData& other) { copyFrom(other); }

ProbeData& ProbeData::operator=(const ProbeData& other) {
  copyFrom(other);
  return *this;
}

ProbeData::~ProbeData() = default;

// The target gets a body of its own, filled before it replaces the old one, so assigning a
// record to itself keeps its targets.
void ProbeData::copyFrom(const ProbeData& other) {
  boost::shared_ptr<Rb::RigidBody> body(new Rb::RigidBody);
  if (other.rigidBody_) *body = *other.rigidBody_;
  rigidBody_ = body;
  maskThickness_ = other.maskThickness_;
  checksum_ = other.checksum_;
  for (int i = 0; i < 3; ++i) defaultDir_[i] = other.defaultDir_[i];
}

const Rb::RigidBody& ProbeData::getRigidBody() const {
  if (!rigidBody_) PROBE_THROW("ProbeData::getRigidBody() RB not defined!");
  return *rigidBody_;
}

boost::shared_ptr<Rb::RigidBody> ProbeData::getPRigidBody() const { return rigidBody_; }

void ProbeData::setRigidBody(Rb::RigidBody& body) {
  if (!rigidBody_) rigidBody_.reset(new Rb::RigidBody);
  *rigidBody_ = body;
}

void ProbeData::setDefaultDir(double x, double y, double z) {
  defaultDir_[0] = x;
  defaultDir_[1] = y;
  defaultDir_[2] = z;
}

void ProbeData::getDefaultDir(double& x, double& y, double& z) const {
  x = defaultDir_[0];
  y = defaultDir_[1];
  z = defaultDir_[2];
}

void ProbeData::setMaskThickness(unsigned short thickness) { maskThickness_ = thickness; }
unsigned short ProbeData::getMaskThickness() const { return maskThickness_; }
void ProbeData::setChecksum(unsigned int checksum) { checksum_ = checksum; }
unsigned int ProbeData::getChecksum() const { return checksum_; }
