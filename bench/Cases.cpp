// The cases and paired cases, registered in the order the report lists them.
#include "BenchCase.h"
#include "Operations.h"

namespace bench {

std::string imageOf(const ProbeData& record) {
  ProbeDataV1Coder coder{boost::shared_ptr<DataHandler>()};
  std::string image;
  if (!coder.convertToString(record, image) || image.size() != kImageSize) {
    throw std::runtime_error("the record does not convert to a whole image");
  }
  return image;
}

std::string textOf(const ProbeData& record) {
  std::string text;
  if (!saveToString(text, record)) throw std::runtime_error("saveToString fails");
  return text;
}

unsigned int crcOf(const std::string& text) {
  boost::crc_16_type crc;
  crc.process_bytes(text.data(), text.size());
  return crc.checksum();
}

namespace {

std::string sized(const char* name, const RecordShape& shape) {
  return std::string(name) + "/" + std::to_string(shape.targets);
}

}  // namespace

void registerCases() {
  const std::vector<RecordShape>& shapes = recordShapes();
  for (const RecordShape& shape : shapes) {
    addCase(sized("v1/convertToString", shape), convertToStringOp(shape));
  }
  for (const RecordShape& shape : shapes) {
    addCase(sized("v1/convertFromString", shape), convertFromStringOp(shape));
  }
  for (const RecordShape& shape : shapes) {
    addCase(sized("v1/computeDataCheksum", shape), computeDataCheksumOp(shape));
  }
  for (const RecordShape& shape : shapes) addCase(sized("v1/readAll", shape), v1ReadAllOp(shape));
  for (const RecordShape& shape : shapes) addCase(sized("v1/save", shape), v1SaveOp(shape));
  addCase("floor/memcpy428", memcpy428Op());

  for (const RecordShape& shape : shapes) {
    addCase(sized("xml/saveToString", shape), saveToStringOp(shape));
  }
  for (const RecordShape& shape : shapes) {
    addCase(sized("xml/loadFromString", shape), loadFromStringOp(shape));
  }
  for (const RecordShape& shape : shapes) {
    addCase(sized("xml/computeChecksum", shape), computeChecksumOp(shape));
  }
  for (const RecordShape& shape : shapes) {
    addCase(sized("xml/PDSimuCoder_readAll", shape), simuReadAllOp(shape));
  }
  for (const RecordShape& shape : shapes) {
    addCase(sized("xml/PDSimuCoder_save", shape), simuSaveOp(shape));
  }
  for (const RecordShape& shape : shapes) {
    addCase(sized("floor/xml_oarchive", shape), stockSaveOp(shape));
  }
  for (const RecordShape& shape : shapes) {
    addCase(sized("floor/xml_iarchive", shape), stockLoadOp(shape));
  }
  for (const RecordShape& shape : shapes) addCase(sized("floor/crc16", shape), crcOfTextOp(shape));

  addCase("cycle/trace_lines_off", traceLinesOp());

  // The targets are judged on these: numerator and denominator measured by turns.
  for (const RecordShape& shape : shapes) {
    addPairedCase(sized("paired/saveToString_vs_xml_oarchive", shape), saveToStringOp(shape),
                  stockSaveOp(shape));
    addPairedCase(sized("paired/loadFromString_vs_xml_iarchive", shape), loadFromStringOp(shape),
                  stockLoadOp(shape));
    addPairedCase(sized("paired/computeChecksum_vs_saveToString_crc", shape),
                  computeChecksumOp(shape), saveToStringThenCrcOp(shape));
    addPairedCase(sized("paired/loadFromString_vs_convertFromString", shape),
                  loadFromStringOp(shape), convertFromStringOp(shape));
  }
}

}  // namespace bench
