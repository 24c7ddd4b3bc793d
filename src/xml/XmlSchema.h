// The elements of a record's XML document and their order, written and read as name-value
// pairs through the archives. Both procedures throw whatever the archive or the record throws.
#ifndef PROBE_XML_XML_SCHEMA_H
#define PROBE_XML_XML_SCHEMA_H

#include "Boost137XmlIArchive.h"
#include "Boost137XmlOArchive.h"
#include "ProbeData.h"

// Writes the record's elements. The record is never changed.
void writeRecord(Boost137XmlOArchive& archive, const ProbeData& record);

// Reads the elements in document order and applies each part to the record as soon as it has
// been read, so a failure leaves the parts read before it in place: the checksum first, then the
// rigid body as a whole (id and targets, numbered 0 to n-1), the default direction and the mask
// thickness. A three-value element with fewer than three items leaves the missing values 0.
void readRecord(Boost137XmlIArchive& archive, ProbeData& record);

#endif
