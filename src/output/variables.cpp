#include "output/variables.h"

#include <cmath>
#include <cstdio>

#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/runstate.h"

namespace {

// ---- Reads that stay inside the arrays (0 where a row or array is missing) ----

double at(const double* a, int i, int n) { return (a && i >= 0 && i < n) ? a[i] : 0.0; }
double cellAt(const double* a, int c) { return at(a, c, MaxCeller); }
double bedAt(const double* a, int b) { return at(a, b, bedCellCapacity()); }
double rowAt(double* const* a, int r, int rows, int i, int n) {
  return (a && r >= 0 && r < rows) ? at(a[r], i, n) : 0.0;
}
double concAt(int size, int c) { return rowAt(Cconc, size, lnumber + 1, c, MaxCeller); }
double compAt(int comp, int c) { return rowAt(Ccomp, comp, NoComponents, c, MaxCeller); }
double layerAt(double* const* a, int layer, int b) { return rowAt(a, layer, NoBedLayers + 1, b, bedCellCapacity()); }
double sedAt(int layer, int k, int b) {
  if (!BSedDistrib || layer < 0 || layer > NoBedLayers || k < 0 || k > lnumber) return 0.0;
  return bedAt(BSedDistrib[layer][k], b);
}
int intAt(const int* a, int i, int n) { return (a && i >= 0 && i < n) ? a[i] : 0; }
int bedOf(int c) {
  const int b = intAt(Cbed, c, MaxCeller);
  return (b >= 0 && b < bedCellCapacity()) ? b : 0;
}
int cellOrZero(int c) { return (c > 0 && c < MaxCeller) ? c : 0; }
int above(int c) { return c > 0 ? cellOrZero(intAt(Ccellt, c, MaxCeller)) : 0; }
int below(int c) { return c > 0 ? cellOrZero(intAt(Ccellb, c, MaxCeller)) : 0; }

// The ends of the column through c (c itself when it has no neighbour there);
// the walks are bounded so that a broken chain cannot loop for ever.
int bottomOf(int c) {
  c = cellOrZero(c);
  for (int n = 0; c > 0 && below(c) > 0 && n < MaxCeller; ++n) c = below(c);
  return c;
}
int topOf(int c) {
  c = cellOrZero(c);
  for (int n = 0; c > 0 && above(c) > 0 && n < MaxCeller; ++n) c = above(c);
  return c;
}

double horizontalSpeed(int c) {
  const double u = cellAt(Cxvel, c), v = cellAt(Cyvel, c);
  return std::sqrt(u * u + v * v);
}

// Sums over the column from cell `from` upwards.
struct ColumnSums {
  double H = 0, S = 0, kdist = 0, kdistSpeed = 0;
  int n = 0;
};
ColumnSums columnFrom(int from) {
  ColumnSums s;
  for (int c = cellOrZero(from), guard = 0; c > 0 && guard < MaxCeller; c = above(c), ++guard) {
    const double kd = cellAt(Ckdist, c), sp = horizontalSpeed(c);
    s.H += 2.0 * kd;
    s.S += sp;
    s.kdist += kd;
    s.kdistSpeed += kd * sp;
    ++s.n;
  }
  return s;
}

double reynolds(int bottom) {
  if (bottom <= 0) return 0.0;
  const ColumnSums s = columnFrom(bottom);
  return (s.S * 1000000.0 / (s.n + 1e-20)) * s.H;
}
double depthAveraged(int bottom) {
  if (bottom <= 0) return 0.0;
  const ColumnSums s = columnFrom(bottom);
  return s.kdistSpeed / (s.kdist + 1e-20);
}
double froude(int bottom) {
  if (bottom <= 0) return 0.0;
  const ColumnSums s = columnFrom(bottom);
  return s.S / (s.n * std::sqrt(9.81 * s.H) + 1e-20);
}

double clampUnit(double x) { return x > 1.0 ? 1.0 : (x < -1.0 ? -1.0 : x); }

double bedSlope(int c) {
  if (c <= 0) return 0.0;  // no cell: no bed face
  const int bottom = bottomOf(c);
  const int face = intAt(Cflateb, bottom, MaxCeller);
  return std::acos(clampUnit(at(Fvz, face, MaxFlater))) * kPlotDegrees;
}

double secondaryAngle(int c) {
  const int b = bottomOf(c), t = topOf(c);
  const double ub = cellAt(Cxvel, b), vb = cellAt(Cyvel, b), ut = cellAt(Cxvel, t), vt = cellAt(Cyvel, t);
  const double s = (ub * vt - vb * ut) / std::sqrt((ub * ub + vb * vb) * (ut * ut + vt * vt) + 1e-20);
  return std::asin(clampUnit(s)) * kPlotDegrees;
}

double largestK(int c) {
  if (c <= 0) return 0.0;
  double k = 0.0;
  for (int x = c, guard = 0; x > 0 && guard < MaxCeller; x = above(x), ++guard)
    if (cellAt(Ckinen, x) > k) k = cellAt(Ckinen, x);
  return k;
}

double roughnessOverDepth(int c, int b) {
  double depth = 1e-20;
  if (c > 0) depth = columnFrom(c).H + 1e-20;
  return bedAt(Broughness, b) / depth;
}

double cellsFromHere(int c) {
  int n = 1;
  for (int x = above(c); x > 0 && n < MaxCeller; x = above(x)) ++n;
  return n;
}

double totalBedThickness(int b) {
  double sum = 0.0;
  for (int layer = 0; layer <= NoBedLayers - 1; ++layer) sum += sedAt(layer, 0, b);
  return sum;
}

double bedShear(int b) { return 300.0 * cellAt(Ckinen, cellOrZero(intAt(Bcellt, b, bedCellCapacity()))); }

double largestFractionSize(int b) {
  double best = 0.0;
  int size = 0;
  for (int k = 1; k <= lnumber && k <= 50; ++k)
    if (sedAt(1, k, b) > best) {
      best = sedAt(1, k, b);
      size = k;
    }
  return size;
}

double temperatureGradient(int c) {
  const int t = topOf(c);
  int cells[8] = {t, 0, 0, 0, 0, 0, 0, 0};  // t, c1, c2, ... downwards
  for (int n = 1; n < 8; ++n) cells[n] = below(cells[n - 1]);
  auto T = [&](int n) { return compAt(0, cells[n]); };
  if (znumber == 12) return 0.417 * T(3) + 0.444 * T(2) - 0.639 * T(1) - 0.222 * T(0);
  if (znumber == 20)
    return -0.1667 * T(1) - 0.5 * T(2) - 0.3333 * T(3) + 0.4167 * T(4) + 0.0833 * T(5) + 0.4167 * T(6) +
           0.0833 * T(7);
  return 0.0;
}

double bedPercentile(int layer, int b) {
  double f[51] = {};
  for (int k = 1; k <= lnumber && k <= 50; ++k) f[k] = sedAt(layer, k, b);
  return percentileDiameter(f);
}

double suspendedPercentile(int c) {
  double f[51] = {};
  const double total = concAt(0, c) + 1e-20;
  for (int k = 1; k <= lnumber && k <= 50; ++k) f[k] = concAt(k, c) / total;
  return percentileDiameter(f);
}

double surfaceAt(int row, int i, int j) {
  if (!Surfaces || row < 0 || row >= surfaceCount() || i < 0 || i > xnumber + 1 || j < 0 || j > ynumber + 1)
    return 0.0;
  return Surfaces[row][i][j];
}

double surfaceOfColumn(int row, int b) {
  const int n = bedCellCapacity();
  return surfaceAt(row, intAt(Bkooi, b, n), intAt(Bkooj, b, n));
}

double bedConcentrationSum(int b) {
  const int c = cellOrZero(intAt(Bcellt, b, bedCellCapacity()));
  double sum = 0.0;
  for (int k = 1; k <= lnumber; ++k) sum += concAt(k, c);
  return sum;
}

double zCodeValue(const TecVariable& v, int c, int b) {
  switch (v.code) {
    case 100: return surfaceOfColumn(6, b);
    case 101: return surfaceOfColumn(7, b);
    case 102: return concAt(v.size, c) / (concAt(0, c) + 1e-20);
    case 103: return suspendedPercentile(c);
    case 104: return bedAt(Bfractionsprint, b);
    case 105: return bedConcentrationSum(b);
    case 107: return bedAt(Bminwaterlevel, b);
    default: return 0.0;  // 106 and 108 are the plan file's own (its writer reads them)
  }
}

bool isTecplot(PlotFile file) { return file == PlotFile::TecplotPlan || file == PlotFile::Tecplot3D; }

}  // namespace

int entryLayer(const TecVariable& v, PlotFile file) {
  const int reduced = v.level <= 1 ? 0 : v.level - 1;
  if (isTecplot(file)) return v.letter == 'N' ? v.level : reduced;
  return NoBedLayers == 2 ? v.level : reduced;
}

bool isGridLineLetter(char letter) {
  return letter == 's' || letter == 't' || letter == 'v' || letter == 'y' || letter == 'z';
}

double gridLineValue(char letter, int i, int j) {
  if (!zval || i < 0 || i > xnumber + 1 || j < 0 || j > ynumber + 1) return 0.0;
  const double* z = zval[i][j];
  switch (letter) {
    case 'z': return z[1];
    case 'v': return z[znumber];
    case 'y': return z[znumber] - z[1];
    case 's': return surfaceAt(1, i, j);
    case 't': return z[1] - surfaceAt(3, i, j);
    case 'M': return surfaceAt(6, i, j);
    case 'X': return surfaceAt(5, i, j);
    default: return 0.0;
  }
}

double percentileDiameter(const double* f) {
  const int L = lnumber > 50 ? 50 : lnumber;
  if (L < 1) return gsize[L < 0 ? 0 : L];
  const double di = di_graph;
  double cum = f[L] / 2.0;
  if (cum > di) return gsize[L];
  int k = L - 1;
  for (; k >= 1; --k) {
    cum = cum + f[k + 1] / 2.0 + f[k] / 2.0;
    if (cum > di) break;
  }
  if (k < 1) k = 1;
  if (L == 1) return gsize[L];
  if (di <= cum) {
    double w = 2.0 * (cum - di) / (f[k + 1] + f[k] + 1e-20);
    if (w > 1.0) w = 1.0;
    if (w <= 0.0) w = 0.0;
    return (1.0 - w) * gsize[k] + w * gsize[k + 1];
  }
  return gsize[1];
}

double cellValue(const TecVariable& v, int c, int layer, PlotFile file) {
  c = cellOrZero(c);
  const int b = bedOf(c);
  switch (v.letter) {
    case 'A': return reynolds(bottomOf(c));
    case 'B': return bedSlope(c);
    case 'C': return secondaryAngle(c);
    case 'D': return depthAveraged(bottomOf(c));
    case 'E': return cellAt(Cepsilon_res, c);
    case 'F': return froude(bottomOf(c));
    case 'G': return bedAt(Bgroundwater, b);
    case 'H': return std::sqrt(cellAt(Cxvel_res, c) * cellAt(Cxvel_res, c) + cellAt(Cyvel_res, c) * cellAt(Cyvel_res, c));
    case 'I': return cellAt(CgammaV, c);
    case 'J': return largestK(c);
    case 'K': return cellAt(Ckinen_res, c);
    case 'L': return sedAt(layer, 0, b);
    case 'M': return 0.0;  // a grid-line quantity of the plan VTK file only
    case 'N': return layerAt(Bsolidfraction, layer, b);
    case 'O': return rowAt(Bconc, v.size, lnumber + 1, b, bedCellCapacity());
    case 'P': return cellAt(Cporosity, c);
    case 'Q': return bedAt(Bdefect, b);
    case 'R': return cellAt(Cpres_res, c);
    case 'T': return rowAt(Cstress, 0, 13, c, MaxCeller);
    case 'U': return bedAt(Bedmove, b);
    case 'V':
    case 'u': return horizontalSpeed(c);
    case 'W': return cellAt(Czvel_res, c);
    case 'X': return surfaceOfColumn(5, b);
    case 'Y': return std::fabs(bedAt(Bfly, b));
    case 'Z': return isTecplot(file) ? 0.0 : zCodeValue(v, c, b);
    case 'a': return bedPercentile(layer, b);
    case 'b': return bedAt(Bedformheight, b);
    case 'c': return concAt(v.size, c);
    case 'd': return cellAt(Cgamma, c);
    case 'e': return cellAt(Cepsilon, c);
    case 'f': return sedAt(layer, v.size, b);
    case 'h': return roughnessOverDepth(c, b);
    case 'i': return cellsFromHere(c);
    case 'j': return layerAt(Bcohesion, layer, b);
    case 'k': return cellAt(Ckinen, c);
    case 'l': return totalBedThickness(b);
    case 'm': return bedShear(b);
    case 'o': return largestFractionSize(b);
    case 'p': return cellAt(Cpres, c);
    case 'q': return compAt(isTecplot(file) ? 0 : v.size, c);
    case 'r': return bedAt(Broughness, b) < 1e-15 ? cellAt(Croughness, c) : bedAt(Broughness, b);
    case 'w': return cellAt(Czvel, c);
    case 'x': return temperatureGradient(c);
    default: return 0.0;  // 'S', 'g', 'n', the grid-line letters and every other character
  }
}

bool onBedRoute(const TecVariable& v) {
  switch (v.letter) {
    case 'D': case 'G': case 'L': case 'N': case 'O': case 'S': case 'U': case 'a':
    case 'b': case 'f': case 'j': case 'l': case 'm': case 'r':
      return true;
    case 'Z': return FlagFractionsPrint == 1;
    default: return false;
  }
}

double bedRouteValue(const TecVariable& v, int b, int layer) {
  const int n = bedCellCapacity();
  if (b < 0 || b >= n) b = 0;
  const int bottom = cellOrZero(intAt(Bcellt, b, n));
  switch (v.letter) {
    case 'D': return depthAveraged(bottom);
    case 'G': return bedAt(Bgroundwater, b);
    case 'L': return sedAt(layer, 0, b);
    case 'N': return layerAt(Bsolidfraction, layer, b);
    case 'O': return rowAt(Bconc, v.size, lnumber + 1, b, n);
    case 'U': return bedAt(Bedmove, b);
    case 'a': return bedPercentile(layer, b);
    case 'b': return bedAt(Bedformheight, b);
    case 'f': return sedAt(layer, v.size, b);
    case 'j': return layerAt(Bcohesion, layer, b);
    case 'l': return totalBedThickness(b);
    case 'm': return bottom > 0 ? 300.0 * cellAt(Ckinen, bottom) : 0.0;
    case 'r': return bedAt(Broughness, b);
    case 'Z':
      switch (v.code) {
        case 104: return FlagFractionsPrint > 0 ? bedAt(Bfractionsprint, b) : 0.0;
        case 105: return concAt(0, bottom);
        case 106: return FlagPlastics > 0 ? rowAt(BplasticDeposits, v.size, lnumber + 1, b, n) : 0.0;
        case 107: return bedAt(Bminwaterlevel, b);
        default: return 0.0;
      }
    default: return 0.0;  // 'S'
  }
}

namespace {

std::string format(const char* fmt, int a = 0, int b = 0) {
  char buf[160];
  std::snprintf(buf, sizeof buf, fmt, a, b);
  return buf;
}

// The text per file: Tecplot plan, Tecplot 3-D, plan VTK, 3-D VTK.
std::string pick(PlotFile file, const std::string& tp, const std::string& t3, const std::string& vp,
                 const std::string& v3) {
  switch (file) {
    case PlotFile::TecplotPlan: return tp;
    case PlotFile::Tecplot3D: return t3;
    case PlotFile::VtkPlan: return vp;
    default: return v3;
  }
}

std::string zCodeName(const TecVariable& v, PlotFile file) {
  if (file == PlotFile::VtkPlan) {
    switch (v.code) {
      case 104: return FlagFractionsPrint == 1 ? "Tracer_fractions" : "";
      case 105: return "Bed_concentration";
      case 106: return FlagPlastics > 0 ? "Plastic_deposits" : "";
      case 107: return "Bminwaterlevel";
      case 108: return "Dune_ridges";
      default: return "";
    }
  }
  switch (v.code) {
    case 100: return "Averaged_secondary_current[]";
    case 102: return format("Fraction_size_%d_[]", v.size);
    case 103: return "D50_of_concentration";
    case 104: return "Tracer_fraction";
    case 105: return "Bed_concentration";
    case 107: return "Bminwaterlevel";
    default: return "";
  }
}

}  // namespace

std::string variableName(const TecVariable& v, PlotFile file, int layer) {
  if (file == PlotFile::CrossSection) {
    if (v.letter == 'Z' || v.letter == 'j') return "Error";
    file = PlotFile::Vtk3D;
  }
  const int l = v.level, s = v.size, L = layer + 1, L0 = layer;
  const int D = static_cast<int>(100.0 * di_graph + 1e-9);
  const std::string err = "Error";
  switch (v.letter) {
    case 'A': return pick(file, "Reynolds number", "Reynolds number", "Reynolds_number", "Reynolds_number");
    case 'B': return pick(file, "Bed slope ", "Bed slope ", err, "Bed_slope");
    case 'C':
      return pick(file, "Secondary current angle ", "Secondary current angle ", "Secondary_current_angle",
                  "Secondary_current_angle");
    case 'D':
      return pick(file, "Depth-averaged velocity", "Depth-averaged velocity", "Depth-averaged_velocity",
                  "Depth-averaged_velocity");
    case 'E':
      return pick(file, format("Residual epsilon %d ", l), format("Residual epsilon %d ", l),
                  format("Residual_epsilon_%d", l), "Residual_epsilon");
    case 'F': return pick(file, "Froude number", "Froude number", "Froude_number", "Froude_number");
    case 'G': return pick(file, err, err, "Groundwater_level_[m]", "Groundwater_level_[m]");
    case 'H':
      return pick(file, format("Residual horizontal velocity %d ", l), format("Residual horizontal velocity %d ", l),
                  format("Residual_horizontal_velocity_%d", l), "Residual_horizontal velocity");
    case 'I':
      return pick(file, format("Eddy-viscosity-vert%d ", l), format("Eddy-viscosity-vert %d ", l), err, err);
    case 'J': return pick(file, err, err, "Max_kinetic_energy", err);
    case 'K':
      return pick(file, format("Residual k %d ", l), format("Residual k %d ", l), format("Residual_k_%d", l),
                  "Residual_k");
    case 'L':
      return pick(file, format("Sediment layer %d thickness", l), "Top sediment layer thickness",
                  format("Sediment_layer_thickness_level_%d", L), "Top_sediment_layer_thickness");
    case 'M':
      return pick(file, err, err, "Sediment_slide_elevation_changes_[m]", "Sediment_slide_elevation_changes_[m]");
    case 'N':
      return pick(file, format("Bed solid fraction layer %d ", l), err, format("Bed_sediment_fraction_layer_%d", l),
                  err);
    case 'O':
      return pick(file, "Potential bed concentration ", "Potential bed concentration ",
                  format("Potential_sediment_concentration_%d", s), "Potential bed concentration");
    case 'P': return pick(file, format("Porosity %d ", l), format("Porosity %d ", l), format("Porosity_%d", l), "Porosity");
    case 'R':
      return pick(file, format("Residual pressure %d ", l), format("Residual pressure %d ", l),
                  format("Residual_pressure_%d", l), "Residual_pressure");
    case 'U': return pick(file, err, err, "Bed_movement_in_time_step_[m]", "Bed_movement_in_time_step_[m]");
    case 'V':
    case 'u': return pick(file, "Horiz. velocity", "Horiz. velocity", "Horiz_velocity", "Horiz_velocity");
    case 'W':
      return pick(file, format("Residual vertical velocity %d ", l), format("Residual vertical velocity %d ", l),
                  format("Residual_vertical_velocity_%d", l), "Residual_vertical velocity");
    case 'X': return pick(file, err, err, "Bed_movement_averaged_[m]", "Averaged_bed_movements_[m]");
    case 'Z': return isTecplot(file) ? err : zCodeName(v, file);
    case 'a':
      return pick(file, format("D%2d level %d", D, l), format("D%2d layer %d", D, L), format("D%2d_level_%d", D, L),
                  format("D%2d_level%d", D, L));
    case 'b': return pick(file, "Bed form height", "Bed form height", "Bed_form_height", "Bed_form_height");
    case 'c':
      return pick(file, format("Sediment conc. lev %d size %d", l, s), format("Sediment conc. lev %d size %d", l, s),
                  format("Sediment_conc_lev_%d_size_%d", l, s), format("Sediment_conc_size_%d", s));
    case 'd':
      return pick(file, format("Eddy-viscosity-horiz %d ", l), format("Eddy-viscosity-horiz %d ", l),
                  format("Eddy-viscosity_%d", l), "Eddy-viscosity");
    case 'e': return "Epsilon";
    case 'f':
      return pick(file, format("Bed sediment fraction, size %d, level %d", s, l), format("Bed sediment fraction, size %d", s),
                  format("Bed_sediment_fraction_layer_%d_size_%d", l, s),
                  format("Bed_sediment_fraction_layer_%d_size_%d", L0, s));
    case 'g': return pick(file, err, "Water_level", err, err);
    case 'h': return "Roughness/Depth";
    case 'i':
      return pick(file, "No. cells vertical direction", "No_cells vertical direction", "No_cells_vertical_direction",
                  "No_cells_vertical_direction");
    case 'j': return pick(file, err, err, format("Bed_cohesion_%d", L), format("Bed_cohesion_%d", L));
    case 'k':
      return pick(file, format("Turbulent k %d ", l), format("Turbulent k %d ", l), format("Turbulent_k_%d", l),
                  "Turbulent_k");
    case 'l':
      return pick(file, "Bed sediment thickness", "Bed sediment thickness", "Bed_sediment_thickness",
                  "Bed_sediment_thickness");
    case 'm': return pick(file, "Bed shear", "Bed_shear", "Bed_shear", "Bed_shear");
    case 'o': return pick(file, "Maximum size fraction ", err, err, err);
    case 'p': return pick(file, format("Pressure %d ", l), format("Pressure_%d ", l), format("Pressure_%d", l), "Pressure");
    case 'q':
      return pick(file, format("Water Quality %d ", l), format("Water Quality %d ", l), format("Water_Quality_%d ", l),
                  format("Water_Quality_%d ", s));
    case 'r': return "Roughness";
    case 's': return pick(file, "Bed movement", "Bed movement", "Bed_movement", "Bed_movement");
    case 't': return pick(file, "Sediment thickness", "Sediment thickness", "Sediment_thickness", "Sediment_thickness");
    case 'v': return pick(file, "Water level", "Water level", "Water_level", "Water_level");
    case 'w': return pick(file, format("Uz %d ", l), format("Uz %d ", l), format("Uz_%d", l), "Uz");
    case 'x':
      return pick(file, "Temperature gradient", "Temperature gradient", "Temperature_gradient", "Temperature_gradient");
    case 'y': return "Depth";
    case 'z': return pick(file, "Bed level", "Bed level", "Bed_level", "Bed_level");
    default: return err;  // 'Q', 'S', 'T', 'Y', 'n', a blank and '[' .. '`'
  }
}

std::string vtkSafeName(const std::string& name, const TecVariable& v) {
  std::string out = name;
  std::size_t end = out.find_last_not_of(' ');
  if (end == std::string::npos) return format("Z_code_%d", v.code);
  for (std::size_t i = 0; i < end; ++i)
    if (out[i] == ' ' || out[i] == '\t') out[i] = '_';
  return out;
}
