// A picture of a probe: its targets seen from above (x, y) and from the side (x, z), side by
// side at one scale, as an SVG document.
#ifndef PROBETOOL_SVG_PLOT_H
#define PROBETOOL_SVG_PLOT_H

#include <string>

#include "RecordView.h"

namespace probetool {

// In each view every target is one circle of class "target", as wide as the target's size,
// labelled with its index; a normal is an arrow from the target's centre along the normal's
// projection (a ring when the normal points along the line of sight); the default direction is
// a dashed arrow from the targets' centroid. A hover title on each target gives its values.
std::string plotSvg(const RecordView& record);

// Text fit for an XML document: the five special characters escaped, bytes above 0x7F as
// character references, other control characters dropped.
std::string xmlEscape(const std::string& text);

}  // namespace probetool

#endif
