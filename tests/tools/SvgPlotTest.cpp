#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "RecordView.h"
#include "RigidBodies.h"
#include "SvgPlot.h"
#include "ToolTestSupport.h"

namespace probetool {
namespace {

TEST(probetoolSvgPlot, DrawsOneMarkPerTargetInEachView) {
  RecordView sameSpot = viewRecord(makeRecord(makeBody("P", {target(1, 2, 3, 4)})));
  sameSpot.targets.push_back(sameSpot.targets[0]);
  RecordView notANumber = viewRecord(makeRecord(makeBody("P", {target(1, 2, 3, 4)})));
  notANumber.targets[0].x = std::numeric_limits<double>::quiet_NaN();
  struct Case {
    const char* name;
    RecordView record;
  };
  const Case cases[] = {
      {"no targets", viewRecord(makeRecord(makeBody("EMPTY", {})))},
      {"one target, no default direction",
       viewRecord(makeRecord(makeBody("ONE", {target(2, 0, 0, 0)})))},
      {"sixteen targets with normals", viewRecord(sampleRecord(16, true))},
      {"two targets at one spot", sameSpot},
      {"a coordinate that is not a number", notANumber},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::SvgMarks marks = test::svgMarks(plotSvg(c.record));
    ASSERT_TRUE(marks.wellFormed) << marks.error;
    const int count = static_cast<int>(c.record.targets.size());
    EXPECT_EQ(count, marks.targets["top-view"]);
    EXPECT_EQ(count, marks.targets["side-view"]);
    EXPECT_EQ(count, marks.labels["top-view"]);
    EXPECT_EQ(count, marks.labels["side-view"]);
    EXPECT_EQ(0, marks.targets[""]) << "a target drawn outside the views";
  }
}

TEST(probetoolSvgPlot, EscapesTheIdInTheHeading) {
  const std::string id = "A&B <\"probe\">\x01\xE9";
  const test::SvgMarks marks =
      test::svgMarks(plotSvg(viewRecord(makeRecord(makeBody(id, {target(1, 0, 0, 0)})))));
  ASSERT_TRUE(marks.wellFormed) << marks.error;
  EXPECT_EQ("probe A&B <\"probe\">\xC3\xA9: 1 target", marks.heading);
}

TEST(probetoolSvgPlot, DrawsNormalsAlongTheirProjection) {
  // A normal along +x is an arrow to the right in both views; one along +z is an arrow up in
  // the side view and a ring seen from above.
  const std::string svg = plotSvg(viewRecord(makeRecord(
      makeBody("N", {target(1, 0, 0, 0, 1, 0, 0, 0), target(1, 10, 0, 0, 0, 0, 1, 0)}))));
  std::size_t arrows = 0, rings = 0;
  for (std::size_t at = svg.find("class=\"normal\""); at != std::string::npos;
       at = svg.find("class=\"normal\"", at + 1)) {
    const std::size_t tag = svg.rfind('<', at);
    if (svg.compare(tag, 5, "<line") == 0) ++arrows;
    if (svg.compare(tag, 7, "<circle") == 0) ++rings;
  }
  EXPECT_EQ(3u, arrows);  // +x twice, +z from the side
  EXPECT_EQ(2u, rings);   // +z from above: a ring and its dot
}

}  // namespace
}  // namespace probetool
