// What the image cannot hold of a record: the item writers run over scratch buffers with a
// FitCheck, which collects each value they cannot store as given; the id and the stored
// checksum, which their writer cuts silently, are checked here.
#include <string>
#include <vector>

#include "ByteCursor.h"
#include "ProbeImageReport.h"
#include "V1Fields.h"
#include "V1Items.h"
#include "V1Layout.h"

std::vector<ImageFitProblem> checkImageFit(const ProbeData& record) {
  const Rb::RigidBody& body = record.getRigidBody();
  // Room for every target with normal and angle, so the writer tells how much the body needs.
  const std::size_t count = static_cast<std::size_t>(body.getNbTargets());
  std::vector<unsigned char> scratch(v1::kCountSize + count * v1::kFullTargetSize +
                                     v1::kBlockChecksumSize);
  ByteWriter rigidBody(scratch.data(), scratch.size());
  v1::FitCheck check;
  v1::writeRigidBody(rigidBody, body, &check);
  // Their number comes before the targets' own values.
  if (rigidBody.consumed() > v1::kRigidBodyBlockSize) {
    constexpr std::size_t room = v1::kRigidBodyBlockSize - v1::kCountSize - v1::kBlockChecksumSize;
    check.problems.insert(
        check.problems.begin(),
        {"targets",
         std::to_string(count) + " targets need " + std::to_string(rigidBody.consumed()) +
             " bytes; the rigid body block holds " + std::to_string(v1::kRigidBodyBlockSize) +
             ": at most " + std::to_string(room / v1::kTargetBaseSize) +
             " targets without normal or angle, " + std::to_string(room / v1::kFullTargetSize) +
             " with both",
         true});
  }

  unsigned char direction[v1::kDefaultDirBlockSize];
  ByteWriter out(direction, sizeof direction);
  v1::writeDefaultDir(out, record, &check);

  const std::string& id = body.getId();
  if (id.size() > v1::kIdFieldSize) {
    check.add("id",
              std::to_string(id.size()) + " bytes: the image keeps the first " +
                  std::to_string(v1::kIdFieldSize),
              false);
  }
  if (id.find('\0') < v1::kIdFieldSize) {
    check.add("id", "holds a zero byte, which a reader of the image drops", false);
  }
  const unsigned int checksum = record.getChecksum();
  if (checksum > 0xFFFFu) {
    check.add("storedChecksum",
              std::to_string(checksum) + " is out of range (0 to 65535): the image reads back " +
                  std::to_string(checksum & 0xFFFFu),
              false);
  }

  return check.problems;
}
