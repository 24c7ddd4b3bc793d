// The image report and the fit check.
#include <string>

#include "Handles.h"

using capi::fail;
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
  probedata_report_item item;
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

probedata_status probedata_inspect(const unsigned char* image, size_t length,
                                   probedata_report** report) {
  return run(__func__, [&] {
    if (length != 0) need(image, "image");
    need(report, "report");
    probedata_report* made = new probedata_report{inspectImage(image, length), std::string()};
    made->damage = made->report.damage();
    *report = made;
  });
}

void probedata_report_free(probedata_report* report) { delete report; }

probedata_status probedata_report_get_info(const probedata_report* report,
                                           probedata_report_info* info) {
  return run(__func__, [&] {
    need(report, "report");
    need(info, "info");
    const Report& r = report->report;
    info->size = r.size;
    info->has_magic = r.hasMagic;
    info->has_version = r.hasVersion();
    info->major = r.major;
    info->minor = r.minor;
    info->version = r.version;
    info->image_length = r.imageLength;
    info->target_count = r.targetCount;
    info->has_data_checksum = r.hasDataChecksum;
    info->data_checksum = r.dataChecksum;
    info->intact = r.intact();
    info->item_count = r.items.size();
  });
}

probedata_status probedata_report_get_item(const probedata_report* report, size_t index,
                                           probedata_report_item* item) {
  return run(__func__, [&] {
    need(item, "item");
    *item = itemOf(itemAt(report, index));
  });
}

probedata_status probedata_report_get_items(const probedata_report* report,
                                            probedata_report_item* items, size_t count) {
  return run(__func__, [&] {
    need(report, "report");
    if (count != 0) need(items, "items"), itemAt(report, count - 1);  // all within the report
    for (size_t i = 0; i < count; ++i) items[i] = itemOf(report->report.items[i]);
  });
}

probedata_status probedata_report_get_field(const probedata_report* report, size_t item,
                                            size_t field, probedata_report_field* out) {
  return run(__func__, [&] {
    need(out, "out");
    const Report::Item& entry = itemAt(report, item);
    if (field >= entry.fields.size()) {
      capi::mistake("field " + std::to_string(field) + " is past the item's " +
                    std::to_string(entry.fields.size()) + " fields");
    }
    out->offset = entry.fields[field].offset;
    out->length = entry.fields[field].length;
    out->name = entry.fields[field].name.c_str();
  });
}

probedata_status probedata_report_damage(const probedata_report* report, const char** text) {
  return run(__func__, [&] {
    need(report, "report");
    need(text, "text");
    *text = report->damage.c_str();
  });
}

probedata_status probedata_report_record(const probedata_report* report,
                                         probedata_record** record) {
  return run(__func__, [&] {
    need(report, "report");
    need(record, "record");
    *record = new probedata_record{report->report.record};
  });
}

const char* probedata_verdict_name(int verdict) {
  return verdict < Report::Intact || verdict > Report::Missing
             ? "unknown"
             : Report::verdictName(static_cast<Report::Verdict>(verdict));
}

const char* probedata_fault_name(int fault) {
  return fault < Report::NoFault || fault > Report::DamagedVersion
             ? "unknown"
             : Report::faultName(static_cast<Report::Fault>(fault));
}

probedata_status probedata_check_fit(const probedata_record* record, probedata_fit** fit) {
  return run(__func__, [&] {
    need(record, "record");
    need(fit, "fit");
    *fit = new probedata_fit{checkImageFit(record->record)};
  });
}

void probedata_fit_free(probedata_fit* fit) { delete fit; }

probedata_status probedata_fit_count(const probedata_fit* fit, size_t* count) {
  return run(__func__, [&] {
    need(fit, "fit");
    need(count, "count");
    *count = fit->problems.size();
  });
}

probedata_status probedata_fit_get(const probedata_fit* fit, size_t index,
                                   probedata_fit_problem* problem) {
  return run(__func__, [&] {
    need(fit, "fit");
    need(problem, "problem");
    if (index >= fit->problems.size()) {
      capi::mistake("problem " + std::to_string(index) + " is past the " +
                    std::to_string(fit->problems.size()) + " problems");
    }
    const ImageFitProblem& found = fit->problems[index];
    problem->path = found.path.c_str();
    problem->detail = found.detail.c_str();
    problem->refused = found.refused;
  });
}

}  // extern "C"
