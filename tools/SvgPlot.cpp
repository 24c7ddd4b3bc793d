#include <algorithm>
#include <cmath>
#include <cstdio>
#include <initializer_list>

#include "RecordView.h"
#include "Text.h"

namespace probetool {

namespace {

constexpr double kPanel = 440;  // each view is a square this wide
constexpr double kMargin = 40;  // room inside a view around the targets
constexpr double kTop = 60;     // below the title
constexpr double kGap = 20;
constexpr double kWidth = kGap + kPanel + kGap + kPanel + kGap;
constexpr double kHeight = kTop + kPanel + 60;
constexpr double kNormalLength = 36;      // pixels for a unit normal seen side-on
constexpr double kDirectionLength = 70;   // pixels for a unit default direction
constexpr double kShortProjection = 0.1;  // below this a direction is drawn as a ring
constexpr double kMinRadius = 2;

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
    "</style>\n"
    "<defs>\n"
    "  <marker id=\"arrow\" viewBox=\"0 0 10 10\" refX=\"9\" refY=\"5\" markerWidth=\"7\" "
    "markerHeight=\"7\" orient=\"auto\"><path d=\"M0,0 L10,5 L0,10 z\" fill=\"#c0392b\"/>"
    "</marker>\n"
    "  <marker id=\"arrow-direction\" viewBox=\"0 0 10 10\" refX=\"9\" refY=\"5\" "
    "markerWidth=\"7\" markerHeight=\"7\" orient=\"auto\"><path d=\"M0,0 L10,5 L0,10 z\" "
    "fill=\"#27ae60\"/></marker>\n"
    "</defs>\n";

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

// One view: which coordinate runs up the picture, and where the view sits.
struct View {
  const char* id;
  const char* title;
  double left;
  bool side;  // side view: z up; top view: y up

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
      for (int axis = 0; axis < 3; ++axis) {
        const double value = axis == 0 ? t.x : axis == 1 ? t.y : t.z;
        low_[axis] = std::min(low_[axis], value);
        high_[axis] = std::max(high_[axis], value);
      }
      maxSize = std::max(maxSize, std::fabs(t.size));
    }
    for (int axis = 0; axis < 3; ++axis) span_ = std::max(span_, high_[axis] - low_[axis]);
    span_ += maxSize;
    if (!(span_ > 0)) span_ = 1;
    scale_ = (kPanel - 2 * kMargin) / span_;
  }

  std::string run() {
    put(0, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>");
    put(0, element("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%\" height=\"%\" "
                   "viewBox=\"0 0 % %\">",
                   {px(kWidth), px(kHeight), px(kWidth), px(kHeight)}));
    out_ += kHead;
    const std::string heading = (record_.id.empty() ? "probe without id" : "probe " + record_.id) +
                                ": " + plural(record_.targets.size(), "target", "targets");
    put(0, element("<text class=\"heading\" x=\"%\" y=\"30\">%</text>",
                   {px(kGap), xmlEscape(heading)}));
    panel({"top", "top view: x to the right, y up", kGap, false});
    panel({"side", "side view: x to the right, z up", kGap + kPanel + kGap, true});
    const std::string direction = triple(record_.dirX, record_.dirY, record_.dirZ);
    put(0, element("<text x=\"%\" y=\"%\">circle: a target, as wide as its size; red arrow: its "
                   "normal; green dashed arrow: the default direction %</text>",
                   {px(kGap), px(kTop + kPanel + 24), direction}));
    put(0, element("<text x=\"%\" y=\"%\">a ring: along the line of sight, with a dot towards the "
                   "viewer</text>",
                   {px(kGap), px(kTop + kPanel + 42)}));
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

  void panel(const View& view) {
    left_ = view.left;
    put(0, element("<g class=\"view\" id=\"%-view\">", {view.id}));
    put(1, element("<rect class=\"frame\" x=\"%\" y=\"%\" width=\"%\" height=\"%\"/>",
                   {px(left_), px(kTop), px(kPanel), px(kPanel)}));
    put(1, element("<text x=\"%\" y=\"%\">%</text>", {px(left_ + 8), px(kTop + 18), view.title}));
    // Dashed lines through the origin, where it lies inside the view.
    const double x0 = x(0), y0 = y(view, 0);
    if (x0 > left_ && x0 < left_ + kPanel) {
      put(1, element("<line class=\"axis\" x1=\"%\" y1=\"%\" x2=\"%\" y2=\"%\"/>",
                     {px(x0), px(kTop), px(x0), px(kTop + kPanel)}));
    }
    if (y0 > kTop && y0 < kTop + kPanel) {
      put(1, element("<line class=\"axis\" x1=\"%\" y1=\"%\" x2=\"%\" y2=\"%\"/>",
                     {px(left_), px(y0), px(left_ + kPanel), px(y0)}));
    }
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
    const double r = std::max(std::fabs(t.size) / 2 * scale_, kMinRadius);
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
    const std::string marker = cls == std::string("normal") ? "arrow" : "arrow-direction";
    const std::string at = "cx=\"" + px(x0) + "\" cy=\"" + px(y0) + "\"";
    if (std::hypot(dx, dup) >= kShortProjection) {
      put(2,
          element("<line class=\"%\" x1=\"%\" y1=\"%\" x2=\"%\" y2=\"%\" marker-end=\"url(#%)\"/>",
                  {cls, px(x0), px(y0), px(x0 + dx * length), px(y0 - dup * length), marker}));
      return;
    }
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
  double span_ = 0;
  double scale_ = 1;
  double left_ = 0;  // of the view being drawn
  std::string out_;
};

}  // namespace

std::string xmlEscape(const std::string& text) {
  std::string out;
  for (const char c : text) {
    const unsigned char byte = static_cast<unsigned char>(c);
    const char* const named = c == '&'    ? "&amp;"
                              : c == '<'  ? "&lt;"
                              : c == '>'  ? "&gt;"
                              : c == '"'  ? "&quot;"
                              : c == '\'' ? "&apos;"
                                          : nullptr;
    if (named != nullptr) {
      out += named;
    } else if (byte >= 0x80) {
      // Ids are bytes, not necessarily UTF-8: each stands for its Latin-1 character.
      char ref[8];
      std::snprintf(ref, sizeof ref, "&#x%02X;", byte);
      out += ref;
    } else if (byte >= 0x20 || c == '\t') {
      out += c;
    }
  }
  return out;
}

std::string plotSvg(const RecordView& record) { return Plotter(record).run(); }

}  // namespace probetool
