// What the image cannot hold of a record: the item writers run over scratch buffers with a
// FitCheck, which collects each value they cannot store as given.
#include <string>
#include <vector>

#include "ByteCursor.h"
#include "ProbeImageReport.h"
#include "V1Fields.h"
#include "V1Items.h"
#include "V1Layout.h"

std::vector<ImageFitProblem> checkImageFit(const ProbeData& record) {
  v1::FitCheck check;
  const Rb::RigidBody& body = record.getRigidBody();
  // Room for every target with normal and angle, so the writer tells how much the body needs.
  const std::size_t count = static_cast<std::size_t>(body.getNbTargets());
  std::vector<unsigned char> scratch(v1::kCountSize + count * v1::kFullTargetSize +
                                     v1::kBlockChecksumSize);
  ByteWriter rigidBody(scratch.data(), scratch.size());
  v1::writeRigidBody(rigidBody, body, &check);
  if (rigidBody.written() > v1::kRigidBodyBlockSize) {
    constexpr std::size_t room = v1::kRigidBodyBlockSize - v1::kCountSize - v1::kBlockChecksumSize;
    ImageFitProblem crowded;
    crowded.path = "targets";
    crowded.detail = std::to_string(count) + " targets need " +
                     std::to_string(rigidBody.written()) + " bytes; the rigid body block holds " +
                     std::to_string(v1::kRigidBodyBlockSize) + ": at most " +
                     std::to_string(room / v1::kTargetBaseSize) +
                     " targets without normal or angle, " +
                     std::to_string(room / v1::kFullTargetSize) + " with both";
    crowded.refused = true;
    check.problems.insert(check.problems.begin(), crowded);
  }
  double x = 0, y = 0, z = 0;
  record.getDefaultDir(x, y, z);
  unsigned char items[v1::kDefaultDirBlockSize + v1::kDataCheckBlockSize];
  ByteWriter out(items, sizeof items);
  v1::writeDefaultDir(out, x, y, z, &check);
  v1::writeDataCheck(out, body.getId(), record.getChecksum(), &check);
  return std::move(check.problems);
}
