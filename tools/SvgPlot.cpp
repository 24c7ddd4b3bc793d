#include "SvgPlot.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

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

std::string num(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", value);
  std::string result = text;
  if (result == "-0.00") result = "0.00";
  return result;
}

std::string value3(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", value);
  return text;
}

struct Range {
  double low = std::numeric_limits<double>::max();
  double high = std::numeric_limits<double>::lowest();
  void add(double value) {
    low = std::min(low, value);
    high = std::max(high, value);
  }
  double span() const { return high > low ? high - low : 0; }
  double mid() const { return high >= low ? (low + high) / 2 : 0; }
};

// A round length (1, 2 or 5 times a power of ten) near a quarter of the span, for the scale bar.
double roundLength(double span) {
  const double target = span / 4;
  const double power = std::pow(10.0, std::floor(std::log10(target)));
  for (double step : {1.0, 2.0, 5.0}) {
    if (step * power * 1.5 >= target) return step * power;
  }
  return 10 * power;
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
      xs_.add(t.x);
      ys_.add(t.y);
      zs_.add(t.z);
      maxSize = std::max(maxSize, std::fabs(t.size));
    }
    double span = std::max({xs_.span(), ys_.span(), zs_.span()}) + maxSize;
    if (!(span > 0)) span = 1;
    span_ = span;
    scale_ = (kPanel - 2 * kMargin) / span;
  }

  std::string run() {
    out_ += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    out_ += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + num(kWidth) + "\" height=\"" +
            num(kHeight) + "\" viewBox=\"0 0 " + num(kWidth) + " " + num(kHeight) + "\">\n";
    out_ +=
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
        "</style>\n";
    out_ +=
        "<defs>\n"
        "  <marker id=\"arrow\" viewBox=\"0 0 10 10\" refX=\"9\" refY=\"5\" markerWidth=\"7\" "
        "markerHeight=\"7\" orient=\"auto\"><path d=\"M0,0 L10,5 L0,10 z\" fill=\"#c0392b\"/>"
        "</marker>\n"
        "  <marker id=\"arrow-direction\" viewBox=\"0 0 10 10\" refX=\"9\" refY=\"5\" "
        "markerWidth=\"7\" markerHeight=\"7\" orient=\"auto\"><path d=\"M0,0 L10,5 L0,10 z\" "
        "fill=\"#27ae60\"/></marker>\n";
    const View views[] = {{"top", "top view: x to the right, y up", kGap, false},
                          {"side", "side view: x to the right, z up", kGap + kPanel + kGap, true}};
    for (const View& view : views) {
      out_ += "  <clipPath id=\"clip-" + std::string(view.id) + "\"><rect x=\"" + num(view.left) +
              "\" y=\"" + num(kTop) + "\" width=\"" + num(kPanel) + "\" height=\"" + num(kPanel) +
              "\"/></clipPath>\n";
    }
    out_ += "</defs>\n";

    const std::string heading = record_.id.empty() ? "probe without id" : "probe " + record_.id;
    out_ += "<text class=\"heading\" x=\"" + num(kGap) + "\" y=\"30\">" + xmlEscape(heading) +
            ": " + std::to_string(record_.targets.size()) +
            (record_.targets.size() == 1 ? " target" : " targets") + "</text>\n";
    for (const View& view : views) panel(view);
    legend();
    out_ += "</svg>\n";
    return out_;
  }

 private:
  double px(const View& view, double x) const {
    return view.left + kPanel / 2 + (x - xs_.mid()) * scale_;
  }
  double py(const View& view, double up) const {
    const Range& range = view.side ? zs_ : ys_;
    return kTop + kPanel / 2 - (up - range.mid()) * scale_;
  }

  void panel(const View& view) {
    out_ += "<g class=\"view\" id=\"" + std::string(view.id) + "-view\">\n";
    out_ += "  <rect class=\"frame\" x=\"" + num(view.left) + "\" y=\"" + num(kTop) +
            "\" width=\"" + num(kPanel) + "\" height=\"" + num(kPanel) + "\"/>\n";
    out_ += "  <text x=\"" + num(view.left + 8) + "\" y=\"" + num(kTop + 18) + "\">" + view.title +
            "</text>\n";
    out_ += "  <g clip-path=\"url(#clip-" + std::string(view.id) + ")\">\n";
    axes(view);
    for (std::size_t i = 0; i < record_.targets.size(); ++i) target(view, i);
    if (!record_.targets.empty()) direction(view);
    out_ += "  </g>\n";
    scaleBar(view);
    if (record_.targets.empty()) {
      out_ += "  <text x=\"" + num(view.left + kPanel / 2 - 30) + "\" y=\"" +
              num(kTop + kPanel / 2) + "\">no targets</text>\n";
    }
    out_ += "</g>\n";
  }

  // Dashed lines through the origin, where it lies inside the view.
  void axes(const View& view) {
    const double x0 = px(view, 0), y0 = py(view, 0);
    if (x0 > view.left && x0 < view.left + kPanel) {
      out_ += "    <line class=\"axis\" x1=\"" + num(x0) + "\" y1=\"" + num(kTop) + "\" x2=\"" +
              num(x0) + "\" y2=\"" + num(kTop + kPanel) + "\"/>\n";
    }
    if (y0 > kTop && y0 < kTop + kPanel) {
      out_ += "    <line class=\"axis\" x1=\"" + num(view.left) + "\" y1=\"" + num(y0) +
              "\" x2=\"" + num(view.left + kPanel) + "\" y2=\"" + num(y0) + "\"/>\n";
    }
  }

  void target(const View& view, std::size_t index) {
    const TargetRow& t = record_.targets[index];
    const double cx = px(view, t.x), cy = py(view, view.up(t));
    const double r = std::max(std::fabs(t.size) / 2 * scale_, kMinRadius);
    std::string title = "target " + std::to_string(index) + ": size " + num(t.size) + " at (" +
                        value3(t.x) + ", " + value3(t.y) + ", " + value3(t.z) + ")";
    if (t.hasNormal) title += ", normal (" + num(t.nx) + ", " + num(t.ny) + ", " + num(t.nz) + ")";
    if (t.hasAngle) title += ", angle " + num(t.angle);
    out_ += "    <g class=\"mark\" data-target=\"" + std::to_string(index) + "\"><title>" + title +
            "</title>\n";
    out_ += "      <circle class=\"target\" cx=\"" + num(cx) + "\" cy=\"" + num(cy) + "\" r=\"" +
            num(r) + "\"/>\n";
    if (t.hasNormal) {
      arrow("normal", "arrow", cx, cy, t.nx, view.upNormal(t), kNormalLength,
            view.towardsViewer(t));
    }
    out_ += "      <text class=\"label\" x=\"" + num(cx + r * 0.7 + 3) + "\" y=\"" +
            num(cy - r * 0.7 - 3) + "\">" + std::to_string(index) + "</text>\n";
    out_ += "    </g>\n";
  }

  // An arrow from (x, y) along (dx, dup); a ring with a dot (towards the viewer) or a cross
  // (away from the viewer) when the direction lies along the line of sight.
  void arrow(const char* cls, const char* marker, double x, double y, double dx, double dup,
             double length, double towards) {
    const double projected = std::hypot(dx, dup);
    if (projected >= kShortProjection) {
      out_ += "      <line class=\"" + std::string(cls) + "\" x1=\"" + num(x) + "\" y1=\"" +
              num(y) + "\" x2=\"" + num(x + dx * length) + "\" y2=\"" + num(y - dup * length) +
              "\" marker-end=\"url(#" + marker + ")\"/>\n";
      return;
    }
    const double r = 5;
    out_ += "      <circle class=\"" + std::string(cls) + "\" cx=\"" + num(x) + "\" cy=\"" +
            num(y) + "\" r=\"" + num(r) + "\"/>\n";
    if (towards >= 0) {
      out_ += "      <circle class=\"" + std::string(cls) + "\" cx=\"" + num(x) + "\" cy=\"" +
              num(y) + "\" r=\"1\"/>\n";
    } else {
      const double d = r * 0.7;
      out_ += "      <path class=\"" + std::string(cls) + "\" d=\"M" + num(x - d) + "," +
              num(y - d) + " L" + num(x + d) + "," + num(y + d) + " M" + num(x - d) + "," +
              num(y + d) + " L" + num(x + d) + "," + num(y - d) + "\"/>\n";
    }
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
    out_ += "    <g class=\"default-direction\"><title>default direction (" + value3(record_.dirX) +
            ", " + value3(record_.dirY) + ", " + value3(record_.dirZ) + ")</title>\n";
    arrow("direction", "arrow-direction", px(view, centroid.x), py(view, view.up(centroid)),
          centroid.nx, view.upNormal(centroid), kDirectionLength, view.towardsViewer(centroid));
    out_ += "    </g>\n";
  }

  void scaleBar(const View& view) {
    const double length = roundLength(span_);
    const double x = view.left + 12, y = kTop + kPanel - 12;
    char label[32];
    std::snprintf(label, sizeof label, "%g", length);
    out_ += "  <path class=\"scale\" d=\"M" + num(x) + "," + num(y - 4) + " V" + num(y) + " H" +
            num(x + length * scale_) + " V" + num(y - 4) + "\"/>\n";
    out_ += "  <text x=\"" + num(x + length * scale_ + 6) + "\" y=\"" + num(y) + "\">" + label +
            "</text>\n";
  }

  void legend() {
    const double y = kTop + kPanel + 24;
    out_ += "<text x=\"" + num(kGap) + "\" y=\"" + num(y) +
            "\">circle: a target, as wide as its size; red arrow: its normal; green dashed arrow: "
            "the default direction (" +
            value3(record_.dirX) + ", " + value3(record_.dirY) + ", " + value3(record_.dirZ) +
            ")</text>\n";
    out_ += "<text x=\"" + num(kGap) + "\" y=\"" + num(y + 18) +
            "\">a ring with a dot points at the viewer, a ring with a cross away from the viewer"
            "</text>\n";
  }

  const RecordView& record_;
  Range xs_, ys_, zs_;
  double span_ = 1;
  double scale_ = 1;
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
