#include "RecordView.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <initializer_list>

#include "Text.h"

namespace probetool {

namespace {

// Each view is a square kPanel wide, with kMargin of room around the targets, below the title
// (kTop) and kGap apart.
constexpr double kPanel = 440, kMargin = 40, kTop = 60, kGap = 20;
constexpr double kWidth = kGap + kPanel + kGap + kPanel + kGap, kHeight = kTop + kPanel + 60;
// Pixels for a unit normal seen side-on, and for a unit default direction; below a projection
// of kShortProjection a direction is drawn as a ring.
constexpr double kNormalLength = 36, kDirectionLength = 70, kShortProjection = 0.1;

const char kHead[] =
    "<style>\n"
    "  text { font-family: sans-serif; font-size: 12px; fill: #222; }\n"
    "  .heading { font-size: 16px; font-weight: bold; }\n"
    "  .frame { fill: #fafafa; stroke: #999; }\n"
    "  .axis { stroke: #ccc; stroke-dasharray: 2 3; }\n"
    "  .target { fill: #4a90d9; fill-opacity: 0.35; stroke: #1f4e79; }\n"
    "  .normal { stroke: #c0392b; stroke-width: 1.5; fill: none; }\n"
    "  .direction { stroke: #27ae60; stroke-width: 2; stroke-dasharray: 6 3; fill: none; }\n"
    "  .label { font-size: 11px; fill: #1f4e79; }\n"
    "  .scale { stroke: #555; fill: none; }\n"
    "</style>\n<defs>\n"
    "  <marker id=\"arrow\" viewBox=\"0 0 10 10\" refX=\"9\" refY=\"5\" markerWidth=\"7\" "
    "markerHeight=\"7\" orient=\"auto\"><path d=\"M0,0 L10,5 L0,10 z\" fill=\"#c0392b\"/>"
    "</marker>\n  <marker id=\"arrow-direction\" viewBox=\"0 0 10 10\" refX=\"9\" refY=\"5\" "
    "markerWidth=\"7\" markerHeight=\"7\" orient=\"auto\"><path d=\"M0,0 L10,5 L0,10 z\" "
    "fill=\"#27ae60\"/></marker>\n</defs>\n";

// Text fit for an XML document: the five special characters as entities. Bytes of a file reach
// it escaped, as valid UTF-8 text.
std::string xmlEscape(const std::string& text) {
  static const char kSpecial[] = "&<>\"'";
  static const char* const kEntities[] = {"&amp;", "&lt;", "&gt;", "&quot;", "&apos;"};
  std::string out;
  for (const char c : text) {
    const char* const special = c == '\0' ? nullptr : std::strchr(kSpecial, c);
    out += special != nullptr ? kEntities[special - kSpecial] : std::string(1, c);
  }
  return out;
}

// Picture coordinates, to 0.01 pixel.
std::string px(double value) { return number(value, std::chars_format::fixed, 2); }

// An element: pattern with each '%' replaced by the next value, in order.
std::string element(const char* pattern, std::initializer_list<std::string> values) {
  std::string out;
  auto value = values.begin();
  for (const char* c = pattern; *c != '\0'; ++c) {
    out += *c == '%' && value != values.end() ? *value++ : std::string(1, *c);
  }
  return out;
}

// One view: the side view (z up) or the top view (y up), side by side.
struct View {
  bool side;

  double left() const { return side ? kGap + kPanel + kGap : kGap; }
  double up(const TargetRow& t) const { return side ? t.z : t.y; }
  double upNormal(const TargetRow& t) const { return side ? t.nz : t.ny; }
  // The normal's component along the line of sight, towards the viewer.
  double towardsViewer(const TargetRow& t) const { return side ? -t.ny : t.nz; }
};

class Plotter {
 public:
  explicit Plotter(const RecordView& record) : record_(record) {
    double maxSize = 0;
    for (const TargetRow& t : record_.targets) {
      const double values[] = {t.x, t.y, t.z};
      for (int axis = 0; axis < 3; ++axis) {
        low_[axis] = std::min(low_[axis], values[axis]);
        high_[axis] = std::max(high_[axis], values[axis]);
        span_ = std::max(span_, high_[axis] - low_[axis]);
      }
      maxSize = std::max(maxSize, std::fabs(t.size));
    }
    span_ = span_ + maxSize > 0 ? span_ + maxSize : 1;
    scale_ = (kPanel - 2 * kMargin) / span_;
  }

  std::string run() {
    put(0, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>");
    put(0, element("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%\" height=\"%\" "
                   "viewBox=\"0 0 % %\">",
                   {px(kWidth), px(kHeight), px(kWidth), px(kHeight)}));
    out_ += kHead;
    const std::string heading =
        (record_.id.empty() ? "probe without id" : "probe " + escaped(record_.id, true)) + ": " +
        plural(record_.targets.size(), "target", "targets");
    put(0, element("<text class=\"heading\" x=\"%\" y=\"30\">%</text>",
                   {px(kGap), xmlEscape(heading)}));
    panel({false});
    panel({true});
    // The legend names what the views drew.
    std::vector<std::string> shapes;
    if (!record_.targets.empty()) shapes.push_back("circle: a target, as wide as its size");
    if (drewNormal_) shapes.push_back("red arrow: its normal");
    const std::string direction = triple(record_.dirX, record_.dirY, record_.dirZ);
    shapes.push_back(drewDirection_ ? "green dashed arrow: the default direction " + direction
                                    : "default direction " + direction + ", not drawn");
    text(kTop + kPanel + 24, joined(shapes, "; "));
    if (drewRing_) {
      text(kTop + kPanel + 42, "a ring: along the line of sight, with a dot towards the viewer");
    }
    put(0, "</svg>");
    return out_;
  }

 private:
  // The middle of the targets along an axis, which each view centres.
  double mid(int axis) const {
    return low_[axis] <= high_[axis] ? (low_[axis] + high_[axis]) / 2 : 0;
  }
  double x(double value) const { return left_ + kPanel / 2 + (value - mid(0)) * scale_; }
  double y(const View& view, double up) const {
    return kTop + kPanel / 2 - (up - mid(view.side ? 2 : 1)) * scale_;
  }

  void put(int depth, const std::string& text) {
    out_ += std::string(2 * static_cast<std::size_t>(depth), ' ') + text + "\n";
  }
  void text(double y, const std::string& text) {
    put(0, element("<text x=\"%\" y=\"%\">%</text>", {px(kGap), px(y), text}));
  }
  void line(const char* cls, double x1, double y1, double x2, double y2) {
    put(1, element("<line class=\"%\" x1=\"%\" y1=\"%\" x2=\"%\" y2=\"%\"/>",
                   {cls, px(x1), px(y1), px(x2), px(y2)}));
  }

  void panel(const View& view) {
    left_ = view.left();
    put(0, element("<g class=\"view\" id=\"%-view\">", {view.side ? "side" : "top"}));
    put(1, element("<rect class=\"frame\" x=\"%\" y=\"%\" width=\"%\" height=\"%\"/>",
                   {px(left_), px(kTop), px(kPanel), px(kPanel)}));
    put(1, element(
               "<text x=\"%\" y=\"%\">%</text>",
               {px(left_ + 8), px(kTop + 18),
                view.side ? "side view: x to the right, z up" : "top view: x to the right, y up"}));
    // Dashed lines through the origin, where it lies inside the view.
    const double x0 = x(0), y0 = y(view, 0);
    if (x0 > left_ && x0 < left_ + kPanel) line("axis", x0, kTop, x0, kTop + kPanel);
    if (y0 > kTop && y0 < kTop + kPanel) line("axis", left_, y0, left_ + kPanel, y0);
    for (std::size_t i = 0; i < record_.targets.size(); ++i) target(view, i);
    if (!record_.targets.empty()) direction(view);
    // A scale bar of a round length (1, 2 or 5 times a power of ten) near a quarter of the span.
    const double power = std::pow(10.0, std::floor(std::log10(span_ / 4)));
    double length = 10 * power;
    for (const double step : {5.0, 2.0, 1.0}) {
      if (step * power * 1.5 >= span_ / 4) length = step * power;
    }
    const double left = left_ + 12, bottom = kTop + kPanel - 12, right = left + length * scale_;
    put(1, element("<path class=\"scale\" d=\"M%,% V% H% V%\"/>",
                   {px(left), px(bottom - 4), px(bottom), px(right), px(bottom - 4)}));
    put(1, element("<text x=\"%\" y=\"%\">%</text>", {px(right + 6), px(bottom), number(length)}));
    put(0, "</g>");
  }

  void target(const View& view, std::size_t index) {
    const TargetRow& t = record_.targets[index];
    const double cx = x(t.x), cy = y(view, view.up(t));
    const double r = std::max(std::fabs(t.size) / 2 * scale_, 2.0);
    std::string title = "target " + std::to_string(index) + ": size " + number(t.size) + " at " +
                        triple(t.x, t.y, t.z);
    if (t.hasNormal) title += ", normal " + triple(t.nx, t.ny, t.nz);
    if (t.hasAngle) title += ", angle " + number(t.angle);
    put(1, element("<g class=\"mark\" data-target=\"%\"><title>%</title>",
                   {std::to_string(index), title}));
    put(2,
        element("<circle class=\"target\" cx=\"%\" cy=\"%\" r=\"%\"/>", {px(cx), px(cy), px(r)}));
    if (t.hasNormal) {
      arrow("normal", cx, cy, t.nx, view.upNormal(t), kNormalLength, view.towardsViewer(t));
    }
    put(2, element("<text class=\"label\" x=\"%\" y=\"%\">%</text>",
                   {px(cx + r * 0.7 + 3), px(cy - r * 0.7 - 3), std::to_string(index)}));
    put(1, "</g>");
  }

  // An arrow from (x0, y0) along (dx, dup); a ring when the direction lies along the line of
  // sight, with a dot when it points at the viewer.
  void arrow(const char* cls, double x0, double y0, double dx, double dup, double length,
             double towards) {
    const bool normal = cls == std::string("normal");
    const std::string at = "cx=\"" + px(x0) + "\" cy=\"" + px(y0) + "\"";
    (normal ? drewNormal_ : drewDirection_) = true;
    if (std::hypot(dx, dup) >= kShortProjection) {
      put(2,
          element("<line class=\"%\" x1=\"%\" y1=\"%\" x2=\"%\" y2=\"%\" marker-end=\"url(#%)\"/>",
                  {cls, px(x0), px(y0), px(x0 + dx * length), px(y0 - dup * length),
                   normal ? "arrow" : "arrow-direction"}));
      return;
    }
    drewRing_ = true;
    put(2, element("<circle class=\"%\" % r=\"5.00\"/>", {cls, at}));
    if (towards >= 0) put(2, element("<circle class=\"%\" % r=\"1\"/>", {cls, at}));
  }

  // From the targets' centroid, as a unit arrow.
  void direction(const View& view) {
    const double length = std::sqrt(record_.dirX * record_.dirX + record_.dirY * record_.dirY +
                                    record_.dirZ * record_.dirZ);
    if (length == 0) return;
    TargetRow centroid;
    const double n = static_cast<double>(record_.targets.size());
    for (const TargetRow& t : record_.targets) {
      centroid.x += t.x / n;
      centroid.y += t.y / n;
      centroid.z += t.z / n;
    }
    centroid.nx = record_.dirX / length;
    centroid.ny = record_.dirY / length;
    centroid.nz = record_.dirZ / length;
    put(1, "<g class=\"default-direction\"><title>default direction " +
               triple(record_.dirX, record_.dirY, record_.dirZ) + "</title>");
    arrow("direction", x(centroid.x), y(view, view.up(centroid)), centroid.nx,
          view.upNormal(centroid), kDirectionLength, view.towardsViewer(centroid));
    put(1, "</g>");
  }

  const RecordView& record_;
  double low_[3] = {HUGE_VAL, HUGE_VAL, HUGE_VAL};
  double high_[3] = {-HUGE_VAL, -HUGE_VAL, -HUGE_VAL};
  double span_ = 0, scale_ = 1, left_ = 0;  // left_: of the view being drawn
  bool drewNormal_ = false, drewDirection_ = false, drewRing_ = false;
  std::string out_;
};

}  // namespace

std::string plotSvg(const RecordView& record) { return Plotter(record).run(); }

}  // namespace probetool
