#include "support/svg_plot.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <utility>

namespace {

const char* const kMarkerColours[] = {"#d62728", "#1f77b4", "#2ca02c", "#ff7f0e"};
const char* const kLineColours[] = {"#000000", "#7f7f7f", "#8c564b", "#9467bd"};

std::string escaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&apos;"; break;
      default: out += c;
    }
  }
  return out;
}

std::string num(double v) {
  char b[32];
  std::snprintf(b, sizeof b, "%.2f", v);
  return b;
}

// 1, 2 or 5 times a power of ten, at least r.
double niceStep(double r) {
  const double p = std::pow(10.0, std::floor(std::log10(r)));
  const double f = r / p;
  return (f <= 1.0 ? 1.0 : f <= 2.0 ? 2.0 : f <= 5.0 ? 5.0 : 10.0) * p;
}

// An axis: from lo to hi in n steps of step, every tick a round number, the
// data range inside.
struct Axis {
  double lo = 0, hi = 1, step = 0.2;
  int n = 5;
  Axis(double min, double max) {
    if (!(min <= max)) min = 0, max = 1;  // no finite value
    if (min == max) {
      const double pad = min != 0 ? 0.1 * std::fabs(min) : 1.0;
      min -= pad;
      max += pad;
    }
    step = niceStep((max - min) / 5);
    lo = std::floor(min / step) * step;
    hi = std::ceil(max / step) * step;
    n = static_cast<int>(std::lround((hi - lo) / step));
  }
  double tick(int i) const {
    const double v = lo + i * step;
    return std::fabs(v) < 1e-9 * step ? 0.0 : v;
  }
  // Enough significant digits that neighbouring ticks differ, and all the
  // digits before the point.
  int digits() const {
    const double big = std::max(std::fabs(lo), std::fabs(hi));
    const int apart = static_cast<int>(std::ceil(std::log10(big / step))) + 1;
    const int whole = static_cast<int>(std::floor(std::log10(big))) + 1;
    return std::clamp(std::max(apart, whole), 1, 15);
  }
};

}  // namespace

SvgPlot::SvgPlot(std::string title, std::string xLabel, std::string yLabel)
    : title_(std::move(title)), xLabel_(std::move(xLabel)), yLabel_(std::move(yLabel)) {}

SvgPlot& SvgPlot::curve(const std::string& label, const std::vector<double>& x, const std::vector<double>& y) {
  if (x.size() != y.size()) throw std::invalid_argument("SvgPlot::curve: x and y differ in length");
  series_.push_back({label, x, y, true});
  return *this;
}

SvgPlot& SvgPlot::points(const std::string& label, const std::vector<double>& x, const std::vector<double>& y) {
  if (x.size() != y.size()) throw std::invalid_argument("SvgPlot::points: x and y differ in length");
  series_.push_back({label, x, y, false});
  return *this;
}

std::string SvgPlot::svg() const {
  double x0 = INFINITY, x1 = -INFINITY, y0 = INFINITY, y1 = -INFINITY;
  for (const Series& s : series_) {
    for (std::size_t i = 0; i < s.x.size(); ++i) {
      if (!std::isfinite(s.x[i]) || !std::isfinite(s.y[i])) continue;
      x0 = std::min(x0, s.x[i]);
      x1 = std::max(x1, s.x[i]);
      y0 = std::min(y0, s.y[i]);
      y1 = std::max(y1, s.y[i]);
    }
  }
  const Axis ax(x0, x1), ay(y0, y1);
  const double right = kWidth - kRight, bottom = kHeight - kBottom;
  auto px = [&](double x) { return kLeft + (x - ax.lo) / (ax.hi - ax.lo) * (right - kLeft); };
  auto py = [&](double y) { return kTop + (ay.hi - y) / (ay.hi - ay.lo) * (bottom - kTop); };

  std::string o;
  o += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  o += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + num(kWidth) + "\" height=\"" + num(kHeight) +
       "\" viewBox=\"0 0 " + num(kWidth) + " " + num(kHeight) + "\" font-family=\"sans-serif\" font-size=\"12\">\n";
  o += "<rect x=\"0\" y=\"0\" width=\"" + num(kWidth) + "\" height=\"" + num(kHeight) + "\" fill=\"white\"/>\n";
  o += "<text x=\"" + num((kLeft + right) / 2) + "\" y=\"24\" text-anchor=\"middle\" font-size=\"15\">" + escaped(title_) +
       "</text>\n";
  o += "<rect x=\"" + num(kLeft) + "\" y=\"" + num(kTop) + "\" width=\"" + num(right - kLeft) + "\" height=\"" +
       num(bottom - kTop) + "\" fill=\"none\" stroke=\"black\"/>\n";

  char label[32];
  for (int i = 0; i <= ax.n; ++i) {
    const double x = px(ax.tick(i));
    std::snprintf(label, sizeof label, "%.*g", ax.digits(), ax.tick(i));
    o += "<line x1=\"" + num(x) + "\" y1=\"" + num(bottom) + "\" x2=\"" + num(x) + "\" y2=\"" + num(bottom + 5) +
         "\" stroke=\"black\"/>\n";
    o += "<text x=\"" + num(x) + "\" y=\"" + num(bottom + 18) + "\" text-anchor=\"middle\">" + label + "</text>\n";
  }
  for (int i = 0; i <= ay.n; ++i) {
    const double y = py(ay.tick(i));
    std::snprintf(label, sizeof label, "%.*g", ay.digits(), ay.tick(i));
    o += "<line x1=\"" + num(kLeft - 5) + "\" y1=\"" + num(y) + "\" x2=\"" + num(kLeft) + "\" y2=\"" + num(y) +
         "\" stroke=\"black\"/>\n";
    o += "<text x=\"" + num(kLeft - 8) + "\" y=\"" + num(y + 4) + "\" text-anchor=\"end\">" + label + "</text>\n";
  }
  o += "<text x=\"" + num((kLeft + right) / 2) + "\" y=\"" + num(kHeight - 15) + "\" text-anchor=\"middle\">" +
       escaped(xLabel_) + "</text>\n";
  o += "<text x=\"18\" y=\"" + num((kTop + bottom) / 2) + "\" text-anchor=\"middle\" transform=\"rotate(-90 18 " +
       num((kTop + bottom) / 2) + ")\">" + escaped(yLabel_) + "</text>\n";

  // A series without a label gets no legend entry and the colour of the
  // series before it of its kind (the other half of a band, say).
  int lines = 0, markers = 0;
  double legendY = kTop + 16;
  for (const Series& s : series_) {
    const bool unlabelled = s.label.empty();
    int& count = s.line ? lines : markers;
    const int index = unlabelled && count > 0 ? count - 1 : count++;
    const std::string colour = s.line ? kLineColours[index % 4] : kMarkerColours[index % 4];
    if (s.line) {
      o += "<polyline class=\"curve\" fill=\"none\" stroke=\"" + colour + "\" stroke-width=\"1.5\" points=\"";
      bool first = true;
      for (std::size_t i = 0; i < s.x.size(); ++i) {
        if (!std::isfinite(s.x[i]) || !std::isfinite(s.y[i])) continue;
        o += (first ? "" : " ") + num(px(s.x[i])) + "," + num(py(s.y[i]));
        first = false;
      }
      o += "\"/>\n";
    } else {
      for (std::size_t i = 0; i < s.x.size(); ++i) {
        if (!std::isfinite(s.x[i]) || !std::isfinite(s.y[i])) continue;
        o += "<circle class=\"point\" cx=\"" + num(px(s.x[i])) + "\" cy=\"" + num(py(s.y[i])) + "\" r=\"3\" fill=\"" +
             colour + "\"/>\n";
      }
    }
    if (unlabelled) continue;
    if (s.line)
      o += "<line class=\"legend\" x1=\"" + num(right + 12) + "\" y1=\"" + num(legendY - 4) + "\" x2=\"" +
           num(right + 36) + "\" y2=\"" + num(legendY - 4) + "\" stroke=\"" + colour + "\" stroke-width=\"1.5\"/>\n";
    else
      o += "<circle class=\"legend\" cx=\"" + num(right + 24) + "\" cy=\"" + num(legendY - 4) + "\" r=\"3\" fill=\"" +
           colour + "\"/>\n";
    o += "<text x=\"" + num(right + 42) + "\" y=\"" + num(legendY) + "\">" + escaped(s.label) + "</text>\n";
    legendY += 16;
  }
  o += "</svg>\n";
  return o;
}

bool SvgPlot::write(const std::string& path) const {
  std::ofstream f(path, std::ios::binary);
  if (!f) return false;
  f << svg();
  return static_cast<bool>(f.flush());
}
