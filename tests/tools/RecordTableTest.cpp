#include <gtest/gtest.h>

#include <string>

#include "RecordTable.h"
#include "RecordView.h"
#include "RigidBodies.h"

namespace probetool {
namespace {

TEST(probetoolTextTable, SizesEachColumnToItsWidestCell) {
  TextTable table;
  table.addColumn("name", TextTable::Left);
  table.addColumn("n", TextTable::Right);
  table.addRow({"a", "12345"});
  table.addRow({"longer name"});        // a missing cell is blank
  table.addRow({"b", "1", "dropped"});  // an extra cell is dropped
  EXPECT_EQ(
      "> name             n\n"
      "> a            12345\n"
      "> longer name\n"
      "> b                1\n",
      table.format("> "));
}

TEST(probetoolRecordTable, ShowsEveryTargetAtTheImagePrecision) {
  const ProbeData record =
      makeRecord(makeBody("P-7", {target(1.5, 1.0, -2.0, 0.25),
                                  target(2.25, -0.0001, 10.0, 3.0, 0.0, -0.6, 0.8, 45.5)}),
                 0.0, 0.0, 1.0, 2, 0x1234);
  EXPECT_EQ(
      "probe id           P-7\n"
      "targets            2\n"
      "default direction  (0.000, 0.000, 1.000)\n"
      "mask thickness     2\n"
      "stored checksum    0x1234\n"
      "\n"
      "  #  size      x       y      z  normal x  normal y  normal z  angle\n"
      "  0  1.50  1.000  -2.000  0.250         -         -         -      -\n"
      "  1  2.25  0.000  10.000  3.000      0.00     -0.60      0.80  45.50\n",
      formatRecordTable(viewRecord(record)));
}

TEST(probetoolRecordTable, ARecordWithoutTargetsHasNoTable) {
  const std::string table = formatRecordTable(viewRecord(ProbeData()));
  EXPECT_NE(std::string::npos, table.find("probe id           (none)\n"));
  EXPECT_NE(std::string::npos, table.find("targets            0\n"));
  EXPECT_EQ(std::string::npos, table.find("size"));
}

TEST(probetoolRecordCompare, HoldsEachStoredFormToItsPrecision) {
  const RecordView base = viewRecord(makeRecord(
      makeBody("ABCDEFGHIJKLMNOPQRSTUVWXY", {target(2.5, 40.0, 0.0, 5.0, 0.6, 0.0, 0.8, 30.0)}),
      0.0, 0.0, 1.0, 2, 0x12345));
  struct Case {
    const char* name;
    void (*change)(RecordView&);
    bool sameAsExact, sameAsImage21, sameAsImage20;
  };
  const Case cases[] = {
      {"unchanged", [](RecordView&) {}, true, true, true},
      {"x within half a thousandth", [](RecordView& r) { r.targets[0].x += 0.0004; }, false, true,
       true},
      {"x beyond half a thousandth", [](RecordView& r) { r.targets[0].x += 0.0006; }, false, false,
       true},
      {"x beyond half a hundredth", [](RecordView& r) { r.targets[0].x += 0.006; }, false, false,
       false},
      {"size beyond half a hundredth", [](RecordView& r) { r.targets[0].size = 2.51; }, false,
       false, false},
      {"id cut to 20 characters", [](RecordView& r) { r.id = r.id.substr(0, 20); }, false, true,
       true},
      {"stored checksum cut to 16 bits", [](RecordView& r) { r.checksum = 0x2345; }, false, true,
       true},
      {"mask thickness", [](RecordView& r) { r.maskThickness = 3; }, false, false, true},
      {"normal lost", [](RecordView& r) { r.targets[0].hasNormal = false; }, false, false, false},
      {"target lost", [](RecordView& r) { r.targets.clear(); }, false, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RecordView changed = base;
    c.change(changed);
    EXPECT_EQ(c.sameAsExact, compareRecords(base, changed, Precision::exact()).empty());
    EXPECT_EQ(c.sameAsImage21, compareRecords(base, changed, Precision::image21()).empty());
    EXPECT_EQ(c.sameAsImage20, compareRecords(base, changed, Precision::image20()).empty());
  }
}

TEST(probetoolRecordCompare, NamesTheFieldThatDiffers) {
  RecordView a = viewRecord(makeRecord(makeBody("P", {target(1, 2, 3, 4)})));
  RecordView b = a;
  b.targets[0].y = 3.5;
  const std::vector<std::string> differences = compareRecords(a, b, Precision::exact());
  ASSERT_EQ(1u, differences.size());
  EXPECT_EQ("target 0 y: 3 against 3.5", differences[0]);
}

}  // namespace
}  // namespace probetool
