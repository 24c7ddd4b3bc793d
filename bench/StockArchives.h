// The floor of the XML cases: a record's values written and read as the same name-value pairs,
// in the same order, through Boost's stock xml_oarchive and xml_iarchive, over plain string
// streams, without the probe library. The library's XML text costs what these archives cost plus
// whatever the library adds; the ratio of the two is the library's own overhead.
#ifndef PROBE_BENCH_STOCK_ARCHIVES_H
#define PROBE_BENCH_STOCK_ARCHIVES_H

#include <boost/serialization/nvp.hpp>
#include <boost/serialization/string.hpp>
#include <string>

#include "BenchRecords.h"

namespace bench {

// The end tag that the stock input archive reads when it is released. The library's texts stop
// before it; the stock reader is given a text with the tag, or its destructor fails.
constexpr char kRootEndTag[] = "</boost_serialization>\n";

template <class Archive>
void writeValues(Archive& archive, const RecordValues& values) {
  using boost::serialization::make_nvp;
  archive << make_nvp("Data_Checksum", values.checksum);
  archive << make_nvp("Data_RB_Id", values.id);
  archive << make_nvp("Data_RB_TargetCount", values.count);
  for (const TargetValues& target : values.targets) {
    archive << make_nvp("Data_RB_TargetSize", target.size);
    archive << make_nvp("Data_RB_TargetPos", target.position);
    archive << make_nvp("Data_RB_TargetHasNormal", target.hasNormal);
    archive << make_nvp("Data_RB_TargetHasAngle", target.hasAngle);
    if (target.hasNormal) archive << make_nvp("Data_RB_TargetNormal", target.normal);
    if (target.hasAngle) archive << make_nvp("Data_RB_TargetAngle", target.angle);
  }
  archive << make_nvp("Data_RB_Dir", values.direction);
  archive << make_nvp("Data_Target_Mask_Thickness", values.thickness);
}

// Reads into values, reusing its target storage.
template <class Archive>
void readValues(Archive& archive, RecordValues& values) {
  using boost::serialization::make_nvp;
  archive >> make_nvp("Data_Checksum", values.checksum);
  archive >> make_nvp("Data_RB_Id", values.id);
  archive >> make_nvp("Data_RB_TargetCount", values.count);
  values.targets.resize(values.count > 0 ? static_cast<std::size_t>(values.count) : 0);
  for (TargetValues& target : values.targets) {
    archive >> make_nvp("Data_RB_TargetSize", target.size);
    archive >> make_nvp("Data_RB_TargetPos", target.position);
    archive >> make_nvp("Data_RB_TargetHasNormal", target.hasNormal);
    archive >> make_nvp("Data_RB_TargetHasAngle", target.hasAngle);
    if (target.hasNormal) archive >> make_nvp("Data_RB_TargetNormal", target.normal);
    if (target.hasAngle) archive >> make_nvp("Data_RB_TargetAngle", target.angle);
  }
  archive >> make_nvp("Data_RB_Dir", values.direction);
  archive >> make_nvp("Data_Target_Mask_Thickness", values.thickness);
}

// The stock way to a text: an xml_oarchive over an ostringstream with the classic locale,
// released before the text is taken (so the text holds the root's end tag).
std::string stockSave(const RecordValues& values);
// An xml_iarchive over an istringstream with the classic locale; text must hold the end tag.
void stockLoad(const std::string& text, RecordValues& values);

}  // namespace bench

#endif
