// The record that describes one probe: its rigid body of targets, its default direction, the
// thickness of its target mask and a stored checksum. Value semantics: copies never share a
// rigid body.
#ifndef PROBE_DATA_H
#define PROBE_DATA_H

#include <boost/shared_ptr.hpp>

#include "ProbeExport.h"
#include "RigidBody.h"

class PROBEDATA_API ProbeData {
 public:
  // Mask thickness 0, default direction (0, 0, 0), checksum 0, a default rigid body.
  ProbeData();
  ProbeData(const ProbeData& other);
  ProbeData& operator=(const ProbeData& other);
  ~ProbeData();

  // Throws Error "ProbeData::getRigidBody() RB not defined!" if the record holds no body.
  const Rb::RigidBody& getRigidBody() const;
  // A further share of the record's body: changes through it are changes to the record, and it
  // keeps the body alive after the record has dropped it.
  boost::shared_ptr<Rb::RigidBody> getPRigidBody() const;
  // Copies body into the record's own rigid body; keeps no reference to the argument.
  void setRigidBody(Rb::RigidBody& body);

  void setDefaultDir(double x, double y, double z);
  void getDefaultDir(double& x, double& y, double& z) const;

  void setMaskThickness(unsigned short thickness);
  unsigned short getMaskThickness() const;

  // An ordinary stored value: the record never computes or compares it.
  void setChecksum(unsigned int checksum);
  unsigned int getChecksum() const;

  // CRC-16/ARC of the record's XML text as saveToString writes it; 0 if that text cannot be
  // produced.
  unsigned int computeChecksum() const;

 private:
  void copyFrom(const ProbeData& other);

  boost::shared_ptr<Rb::RigidBody> rigidBody_;
  unsigned short maskThickness_;
  double defaultDir_[3];
  unsigned int checksum_;
};

#endif
