#include "support/validation.h"

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "state/arrays.h"
#include "state/runstate.h"

::testing::AssertionResult withinLimit(const Figure& f) {
  std::printf("validation: %s %.3g%s (limit %.3g%s)\n", f.what.c_str(), f.value, f.unit.c_str(), f.limit,
              f.unit.c_str());
  std::fflush(stdout);
  if (f.value <= f.limit) return ::testing::AssertionSuccess();
  char text[400];
  if (std::isnan(f.value))
    std::snprintf(text, sizeof text, "%s is not a number (limit %.3g%s)", f.what.c_str(), f.limit, f.unit.c_str());
  else
    std::snprintf(text, sizeof text, "%s %.3g%s exceeds the limit %.3g%s by %.3g%s", f.what.c_str(), f.value,
                  f.unit.c_str(), f.limit, f.unit.c_str(), f.value - f.limit, f.unit.c_str());
  return ::testing::AssertionFailure() << text;
}

std::string validationDir() {
  namespace fs = std::filesystem;
  fs::path dir;
  if (const char* env = std::getenv("TOVAK_VALIDATION_DIR"); env && *env) {
    dir = env;
  } else {
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    dir = (ec ? fs::current_path() : exe.parent_path().parent_path()) / "validation";
  }
  std::error_code ec;
  fs::create_directories(dir, ec);
  return dir.string();
}

void writeValidationPlot(const std::string& name, const SvgPlot& plot) {
  const std::string path = validationDir() + "/" + name + ".svg";
  if (!plot.write(path)) {
    ADD_FAILURE() << "cannot write the plot " << path;
    return;
  }
  std::printf("validation: plot %s\n", path.c_str());
  std::fflush(stdout);
}

ResultField readResultFile(const std::string& text) {
  ResultField f;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    int n = 0;
    double v[6];
    if (std::sscanf(line.c_str(), "C %d %lf %lf %lf %lf %lf %lf", &n, v, v + 1, v + 2, v + 3, v + 4, v + 5) == 7)
      f.cells[n].assign(v, v + 6);
    else if (std::sscanf(line.c_str(), "F %d %lf", &n, v) == 2)
      f.flux[n] = v[0];
  }
  return f;
}

std::map<long, double> xPlaneDischarges(const std::map<int, double>& flux) {
  std::map<long, double> planes;
  for (int s = 1; s <= NoSurfaces; ++s) {
    if (std::fabs(Fax[s]) < 0.5 * Farea[s] || Fcell1[s] == 0 || Fcell2[s] == 0) continue;
    // The own face of a cell with a quasi-neighbour list (F 137) carries the
    // sum of the listed faces, which count already.
    if (listOwnFace(s)) continue;
    const double x = Px[Fpoint1[s]];
    // The flux runs from Fcell1 to Fcell2, and Fax points the same way; a
    // face missing from the result makes its plane not a number.
    const auto it = flux.find(s);
    planes[std::lround(10 * x)] += it == flux.end() ? NAN : (Fax[s] > 0 ? 1.0 : -1.0) * it->second;
  }
  return planes;
}
