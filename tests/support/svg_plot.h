// A plot of computed values against a known answer, written as a standalone
// SVG picture that any browser opens: a frame with ticked and labelled axes,
// the known answer as lines, the computed values as markers, and a legend.
#pragma once

#include <string>
#include <vector>

class SvgPlot {
 public:
  SvgPlot(std::string title, std::string xLabel, std::string yLabel);

  // A line through the points in their order (an analytic answer).
  SvgPlot& curve(const std::string& label, const std::vector<double>& x, const std::vector<double>& y);
  // One marker per point (computed values). Points that are not finite are
  // left out of the picture.
  SvgPlot& points(const std::string& label, const std::vector<double>& x, const std::vector<double>& y);

  // The picture; markers carry class="point", lines class="curve".
  std::string svg() const;
  // Writes the picture to a file; false when the file cannot be written.
  bool write(const std::string& path) const;

  // Size of the picture and the margins of its plotting area (in picture
  // units); the legend stands in the right margin.
  static constexpr double kWidth = 760, kHeight = 440;
  static constexpr double kLeft = 90, kRight = 190, kTop = 40, kBottom = 60;

 private:
  struct Series {
    std::string label;
    std::vector<double> x, y;
    bool line;
  };
  std::string title_, xLabel_, yLabel_;
  std::vector<Series> series_;
};
