// The SVG plot and the validation report: a picture a browser can open, with
// one marker per computed point where the axes put it, and figures that pass
// up to their limit and fail with the figure, the value and the limit.
#include "support/svg_plot.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "support/case_runner.h"
#include "support/validation.h"

namespace {

// Every element of the picture closes, in order (no text content holds '<').
bool wellNested(const std::string& svg, std::string& why) {
  std::vector<std::string> open;
  const std::regex tag(R"(<(/?)([A-Za-z?][^\s/>]*)[^>]*?(/?)>)");
  for (auto it = std::sregex_iterator(svg.begin(), svg.end(), tag); it != std::sregex_iterator(); ++it) {
    const std::string name = (*it)[2];
    if (name[0] == '?') continue;
    if ((*it)[1] == "/") {
      if (open.empty() || open.back() != name) {
        why = "unexpected </" + name + ">";
        return false;
      }
      open.pop_back();
    } else if ((*it)[3] != "/") {
      open.push_back(name);
    }
  }
  if (!open.empty()) why = "<" + open.back() + "> not closed";
  return open.empty();
}

struct Marker {
  double cx, cy;
};

std::vector<Marker> markers(const std::string& svg) {
  std::vector<Marker> out;
  const std::regex point(R"re(<circle class="point" cx="([-0-9.]+)" cy="([-0-9.]+)")re");
  for (auto it = std::sregex_iterator(svg.begin(), svg.end(), point); it != std::sregex_iterator(); ++it)
    out.push_back({std::stod((*it)[1]), std::stod((*it)[2])});
  return out;
}

}  // namespace

TEST(SvgPlot, DrawsOneMarkerPerFinitePointInsideTheFrameWithAxesAndLabels) {
  // x from 0 to 10, y from 0 to 5: the axes run 0..10 by 2 and 0..5 by 1.
  const SvgPlot plot = SvgPlot("Depth <&> level", "x (m)", "depth (m)")
                           .curve("analytic", {0, 10}, {0, 5})
                           .points("computed", {0, 2.5, 5, 10, NAN}, {0, 1, 2.5, 5, 1});
  const std::string svg = plot.svg();
  std::string why;
  EXPECT_TRUE(wellNested(svg, why)) << why << "\n" << svg;
  EXPECT_EQ(svg.find("<svg xmlns=\"http://www.w3.org/2000/svg\""), svg.find("<svg")) << svg;
  EXPECT_NE(svg.find(">Depth &lt;&amp;&gt; level</text>"), std::string::npos) << svg;
  EXPECT_NE(svg.find(">x (m)</text>"), std::string::npos);
  EXPECT_NE(svg.find(">depth (m)</text>"), std::string::npos);
  EXPECT_NE(svg.find(">computed</text>"), std::string::npos);
  EXPECT_NE(svg.find(">analytic</text>"), std::string::npos);
  EXPECT_NE(svg.find(">10</text>"), std::string::npos);  // the last tick of x
  EXPECT_NE(svg.find(">5</text>"), std::string::npos);
  // Ticks close together around a large value keep the digits that tell
  // them apart.
  const std::string close = SvgPlot("t", "x", "y").points("p", {0, 1}, {1000.0, 1000.0 + 5e-6}).svg();
  EXPECT_NE(close.find(">1000.000001</text>"), std::string::npos) << close;
  const std::string whole = SvgPlot("t", "x", "y").points("p", {0, 1000}, {0, 1}).svg();
  EXPECT_NE(whole.find(">200</text>"), std::string::npos) << whole;

  // Four finite points, the NaN left out.
  int drawn = 0;
  for (auto at = svg.find("class=\"point\""); at != std::string::npos; at = svg.find("class=\"point\"", at + 1)) ++drawn;
  EXPECT_EQ(drawn, 4) << svg;
  const std::vector<Marker> m = markers(svg);
  ASSERT_EQ(m.size(), 4u) << svg;
  // The frame (y grows downwards in the picture).
  const double left = SvgPlot::kLeft, right = SvgPlot::kWidth - SvgPlot::kRight;
  const double top = SvgPlot::kTop, bottom = SvgPlot::kHeight - SvgPlot::kBottom;
  EXPECT_NEAR(m[0].cx, left, 0.01);
  EXPECT_NEAR(m[0].cy, bottom, 0.01);
  EXPECT_NEAR(m[1].cx, left + 0.25 * (right - left), 0.01);
  EXPECT_NEAR(m[1].cy, bottom - 0.2 * (bottom - top), 0.01);
  EXPECT_NEAR(m[3].cx, right, 0.01);
  EXPECT_NEAR(m[3].cy, top, 0.01);
  // The analytic line runs through the same places.
  char line[80];
  std::snprintf(line, sizeof line, "points=\"%.2f,%.2f %.2f,%.2f\"", left, bottom, right, top);
  EXPECT_NE(svg.find(line), std::string::npos) << line << "\n" << svg;
}

TEST(ValidationReport, AFigurePassesUpToItsLimitAndFailsAboveItNamingFigureValueAndLimit) {
  struct Row {
    double value;
    bool passes;
    const char* message;
  };
  const Row rows[] = {
      {4.9, true, ""},
      {5.0, true, ""},
      {6.5, false, "log law largest deviation 6.5 % exceeds the limit 5 % by 1.5 %"},
      {NAN, false, "log law largest deviation is not a number (limit 5 %)"},
  };
  for (const Row& r : rows) {
    const ::testing::AssertionResult a = withinLimit({"log law largest deviation", r.value, 5.0, " %"});
    EXPECT_EQ(static_cast<bool>(a), r.passes) << r.value;
    if (!r.passes) {
      EXPECT_STREQ(a.message(), r.message);
    }
  }
}

TEST(ValidationReport, PlotsGoToTheDirectoryTheEnvironmentNames) {
  CaseDir dir;
  const std::string where = dir.path() + "/plots";
  const char* old = std::getenv("TOVAK_VALIDATION_DIR");
  const std::string saved = old ? old : "";
  setenv("TOVAK_VALIDATION_DIR", where.c_str(), 1);
  EXPECT_EQ(validationDir(), where);
  writeValidationPlot("sample", SvgPlot("t", "x", "y").points("p", {1, 2}, {3, 4}));
  EXPECT_EQ(markers(dir.read("plots/sample.svg")).size(), 2u);
  if (old)
    setenv("TOVAK_VALIDATION_DIR", saved.c_str(), 1);
  else
    unsetenv("TOVAK_VALIDATION_DIR");
  // Without it: validation/ in the build directory.
  if (!old) {
    EXPECT_EQ(std::filesystem::path(validationDir()).filename(), "validation");
  }
}
