// A host that keeps a probe record in an XML file: it saves a record, loads it back into a new
// record, and compares the record checksums (CRC-16 of the record's XML text) of the two.
//
//   xml_round_trip [FILE]   FILE: where the XML goes (default probe-example.xml)
#include <log4cplus/configurator.h>
#include <log4cplus/initializer.h>

#include <cstdio>
#include <iostream>
#include <string>

#include <probedata/ProbeData.h>
#include <probedata/Utils.h>

namespace {

std::string hex16(unsigned int value) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%04X", value);
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  // The library reports failures through the log4cplus logger "Probe"; show them.
  log4cplus::Initializer initializer;
  log4cplus::BasicConfigurator().configure();
  log4cplus::Logger::getInstance("Probe").setLogLevel(log4cplus::WARN_LOG_LEVEL);
  const std::string path = argc > 1 ? argv[1] : "probe-example.xml";

  Rb::RigidBody body;
  body.setId("EXAMPLE-PROBE");
  body.insertTarget(0, 0.0, 0.0, 0.0);
  body.setTargetSize(0, 3.0);
  body.insertTarget(1, 25.5, -10.25, 4.0);
  body.setTargetSize(1, 1.5);
  body.updateTargetNormal(1, 0.0, 0.6, 0.8);
  ProbeData record;
  record.setRigidBody(body);
  record.setDefaultDir(0.0, 0.0, 1.0);
  record.setMaskThickness(3);
  // The stored checksum is the host's to keep; here, the checksum of the record as it was.
  record.setChecksum(record.computeChecksum());

  // true: binary mode, so that the file holds exactly the text the checksum covers.
  if (!saveToFile(path, record, true)) {
    std::cerr << "xml_round_trip: cannot save " << path << "\n";
    return 2;
  }
  ProbeData loaded;
  if (!loadFromFile(path, loaded)) {
    std::cerr << "xml_round_trip: cannot load " << path << "\n";
    return 1;
  }

  const unsigned int saved = record.computeChecksum();
  const unsigned int back = loaded.computeChecksum();
  std::cout << "saved  " << path << ": record checksum " << hex16(saved) << "\n";
  std::cout << "loaded " << loaded.getRigidBody().getId() << ", "
            << loaded.getRigidBody().getNbTargets() << " targets: record checksum " << hex16(back)
            << ", stored checksum " << hex16(loaded.getChecksum()) << "\n";
  if (saved != back) {
    std::cout << "the record loaded differs from the record saved\n";
    return 1;
  }
  std::cout << "the record came back whole\n";
  return 0;
}
