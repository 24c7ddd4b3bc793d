// The image report and the fit check.
#include <string>

#include "Handles.h"

using capi::need;
using capi::run;

namespace {

using Report = ProbeImageReport;

// The C constants are the C++ enumerators' values.
static_assert(PROBEDATA_ITEM_DATA_CHECK == static_cast<int>(ProbeDataV1Coder::DataCheckItem),
              "items");
static_assert(PROBEDATA_VERDICT_MISSING == static_cast<int>(Report::Missing), "verdicts");
static_assert(PROBEDATA_FAULT_CHECKSUM == static_cast<int>(Report::ChecksumMismatch) &&
                  PROBEDATA_FAULT_DAMAGED_VERSION == static_cast<int>(Report::DamagedVersion),
              "faults");

// The sizes of the first release's structs, below which no host's struct may be.
const std::size_t kInfoSize = PROBEDATA_END_OF(probedata_report_info, item_count);
const std::size_t kItemSize = PROBEDATA_END_OF(probedata_report_item, field_count);
const std::size_t kFieldSize = PROBEDATA_END_OF(probedata_report_field, name);
const std::size_t kProblemSize = PROBEDATA_END_OF(probedata_fit_problem, refused);

const Report::Item& itemAt(const probedata_report* report, size_t index) {
  need(report, "report");
  const std::vector<Report::Item>& items = report->report.items;
  if (index >= items.size()) {
    capi::mistake("item " + std::to_string(index) + " is past the report's " +
                  std::to_string(items.size()) + " items");
  }
  return items[index];
}

probedata_report_item itemOf(const Report::Item& entry) {
  probedata_report_item item{};
  item.item = entry.item;
  item.name = entry.name.c_str();
  item.offset = entry.offset;
  item.length = entry.length;
  item.verdict = entry.verdict;
  item.fault = entry.fault;
  item.has_checksum = entry.hasChecksum;
  item.stored_checksum = entry.storedChecksum;
  item.computed_checksum = entry.computedChecksum;
  item.in_record = entry.inRecord;
  item.detail = entry.detail.c_str();
  item.unchecked = entry.unchecked.c_str();
  item.field_count = entry.fields.size();
  return item;
}

}  // namespace

extern "C" {

probedata_status PROBEDATA_CALL probedata_inspect(const unsigned char* image, size_t length,
                                                  probedata_report** report) {
  return run(__func__, [&] {
    if (length != 0) need(image, "image");
    capi::bounded(length, 1, "length");
    need(report, "report");
    auto* made = new probedata_report{inspectImage(image, length), std::string()};
    made->damage = made->report.damage();
    *report = made;
  });
}

void PROBEDATA_CALL probedata_report_free(probedata_report* report) { delete report; }

probedata_status PROBEDATA_CALL probedata_report_get_info(const probedata_report* report,
                                                          probedata_report_info* info) {
  return run(__func__, [&] {
    need(report, "report");
    const Report& r = report->report;
    probedata_report_info out{};
    out.size = r.size;
    out.has_magic = r.hasMagic;
    out.has_version = r.hasVersion();
    out.major = r.major;
    out.minor = r.minor;
    out.version = r.version;
    out.image_length = r.imageLength;
    out.target_count = r.targetCount;
    out.has_data_checksum = r.hasDataChecksum;
    out.data_checksum = r.dataChecksum;
    out.intact = r.intact();
    out.item_count = r.items.size();
    capi::fill(info, out, kInfoSize, "info");
  });
}

probedata_status PROBEDATA_CALL probedata_report_get_item(const probedata_report* report,
                                                          size_t index,
                                                          probedata_report_item* item) {
  return run(__func__, [&] {
    capi::structSize(item, kItemSize, "item");
    capi::fill(item, itemOf(itemAt(report, index)), kItemSize, "item");
  });
}

probedata_status PROBEDATA_CALL probedata_report_get_items(const probedata_report* report,
                                                           probedata_report_item* items,
                                                           size_t count) {
  return run(__func__, [&] {
    need(report, "report");
    if (count == 0) return;
    // The host's array holds structs of the size its first one states.
    const std::size_t stride = capi::structSize(items, kItemSize, "items");
    itemAt(report, count - 1);  // all within the report
    for (size_t i = 0; i < count; ++i) {
      auto* item =
          reinterpret_cast<probedata_report_item*>(reinterpret_cast<char*>(items) + i * stride);
      item->struct_size = stride;
      capi::fill(item, itemOf(report->report.items[i]), kItemSize, "items");
    }
  });
}

probedata_status PROBEDATA_CALL probedata_report_get_field(const probedata_report* report,
                                                           size_t item, size_t field,
                                                           probedata_report_field* out) {
  return run(__func__, [&] {
    capi::structSize(out, kFieldSize, "out");
    const Report::Item& entry = itemAt(report, item);
    if (field >= entry.fields.size()) {
      capi::mistake("field " + std::to_string(field) + " is past the item's " +
                    std::to_string(entry.fields.size()) + " fields");
    }
    probedata_report_field filled{};
    filled.offset = entry.fields[field].offset;
    filled.length = entry.fields[field].length;
    filled.name = entry.fields[field].name.c_str();
    capi::fill(out, filled, kFieldSize, "out");
  });
}

probedata_status PROBEDATA_CALL probedata_report_damage(const probedata_report* report,
                                                        const char** text) {
  return run(__func__, [&] {
    need(report, "report");
    need(text, "text");
    *text = report->damage.c_str();
  });
}

probedata_status PROBEDATA_CALL probedata_report_record(const probedata_report* report,
                                                        probedata_record** record) {
  return run(__func__, [&] {
    need(report, "report");
    need(record, "record");
    *record = new probedata_record{report->report.record};
  });
}

const char* PROBEDATA_CALL probedata_verdict_name(int verdict) {
  return verdict < Report::Intact || verdict > Report::Missing
             ? "unknown"
             : Report::verdictName(static_cast<Report::Verdict>(verdict));
}

const char* PROBEDATA_CALL probedata_fault_name(int fault) {
  return fault < Report::NoFault || fault > Report::DamagedVersion
             ? "unknown"
             : Report::faultName(static_cast<Report::Fault>(fault));
}

const char* PROBEDATA_CALL probedata_item_name(int item) {
  return item < ProbeDataV1Coder::AllItems || item > ProbeDataV1Coder::DataCheckItem
             ? "unknown"
             : Report::itemName(static_cast<ProbeDataV1Coder::StreamItems>(item));
}

probedata_status PROBEDATA_CALL probedata_image_version_name(uint32_t version, char** text,
                                                             size_t* length) {
  return run(__func__, [&] { capi::copyOut(Report::versionText(version), text, length); });
}

probedata_status PROBEDATA_CALL probedata_check_fit(const probedata_record* record,
                                                    probedata_fit** fit) {
  return run(__func__, [&] {
    need(record, "record");
    need(fit, "fit");
    *fit = new probedata_fit{checkImageFit(record->record)};
  });
}

void PROBEDATA_CALL probedata_fit_free(probedata_fit* fit) { delete fit; }

probedata_status PROBEDATA_CALL probedata_fit_count(const probedata_fit* fit, size_t* count) {
  return run(__func__, [&] {
    need(fit, "fit");
    need(count, "count");
    *count = fit->problems.size();
  });
}

probedata_status PROBEDATA_CALL probedata_fit_get(const probedata_fit* fit, size_t index,
                                                  probedata_fit_problem* problem) {
  return run(__func__, [&] {
    need(fit, "fit");
    capi::structSize(problem, kProblemSize, "problem");
    if (index >= fit->problems.size()) {
      capi::mistake("problem " + std::to_string(index) + " is past the " +
                    std::to_string(fit->problems.size()) + " problems");
    }
    const ImageFitProblem& found = fit->problems[index];
    probedata_fit_problem out{};
    out.path = found.path.c_str();
    out.detail = found.detail.c_str();
    out.refused = found.refused;
    capi::fill(problem, out, kProblemSize, "problem");
  });
}

}  // extern "C"
