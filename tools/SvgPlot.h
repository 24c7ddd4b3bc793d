// A picture of a probe record, for people who check a probe's geometry.
#ifndef PROBETOOL_SVG_PLOT_H
#define PROBETOOL_SVG_PLOT_H

#include <string>

#include "RecordView.h"

namespace probetool {

// An SVG document: the targets seen from above (x, y) and from the side (x, z), side by side at
// one scale. In each view every target is one circle of class "target", as wide as the target's
// size, labelled with its index; a normal is an arrow from the target's centre along the
// normal's projection (a ring when it points along the line of sight); the default direction is
// a dashed arrow from the targets' centroid. A hover title on each target gives its values; the
// heading names the probe by its id, escaped as text; the legend names only what is drawn.
std::string plotSvg(const RecordView& record);

}  // namespace probetool

#endif
