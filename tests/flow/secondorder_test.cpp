// Second-order upwind coefficients (K 6 value 1): the fixed-weight maker
// coeff_make_sou2 and the size-weighted branch of coeff_make, their stencil
// on a uniform row, the first-order fall-back at the row's start, F 362, the
// orientation checks, chunked against serial builds, and the order of
// accuracy on a tracer with first-order decay.
#include <gtest/gtest.h>
#include <omp.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "flow/cellequations.h"
#include "grid/fieldmap.h"
#include "solvers/share.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/options.h"
#include "state/runstate.h"
#include "state/startup.h"
#include "support/flow_grid.h"
#include "support/in_dir.h"
#include "support/small_grid.h"
#include "support/small_grid_faces.h"

namespace {

using Maker = void (*)(int, int);

struct NamedMaker {
  const char* name;
  Maker make;
};
const NamedMaker kMakers[] = {{"coeff_make_sou2", coeff_make_sou2}, {"coeff_make", coeff_make}};

// A row of n cells along one axis (0 x, 1 y, 2 z), cell 1 at its start, with
// its face geometry and the second-neighbour arrays.
struct Row {
  InProjectDir dir;
  SmallGrid g;
  int axis;
  explicit Row(int n, int axisIn, double length = 1.0) : axis(axisIn) {
    sou[1] = 1;
    g.nx = axis == 0 ? n : 1;
    g.ny = axis == 1 ? n : 1;
    g.nz = axis == 2 ? n : 1;
    if (axis == 0) g.dx = length / n;
    if (axis == 1) g.dy = length / n;
    if (axis == 2) g.water = [length](int, int) { return length; };
    setRunStateInitial();
    g.build();
    fillSmallGridFaces();
    Equation = 1;
    for (int c = 0; c <= NoCells; ++c) Cgamma[c] = CgammaV[c] = 0.0;
  }
  // The k-th cell along the row (1-based).
  int cell(int k) const {
    return axis == 0 ? g.cell(1 + k, 2, 1) : axis == 1 ? g.cell(2, 1 + k, 1) : g.cell(2, 2, k);
  }
  // Codes of the downstream (high) and upstream (low) sides along the row.
  int high() const { return axis == 0 ? 2 : axis == 1 ? 3 : 6; }
  int low() const { return axis == 0 ? 4 : axis == 1 ? 1 : 5; }
  int face(int c, int side) const {
    switch (side) {
      case 2: return Cflatee[c];
      case 3: return Cflaten[c];
      case 6: return Cflatet[c];
      case 4: return Cflatew[c];
      case 1: return Cflates[c];
      default: return Cflateb[c];
    }
  }
  // The flux F on every face along the row, 0 on the others.
  void flux(double F) const {
    for (int f = 1; f <= NoSurfaces; ++f) Fflux[f] = 0.0;
    for (int k = 1; k <= count(); ++k) {
      Fflux[face(cell(k), low())] = F;
      Fflux[face(cell(k), high())] = F;
    }
  }
  int count() const { return axis == 0 ? g.nx : axis == 1 ? g.ny : g.nz; }
  // The diffusive part of a face along the row (Gamma at its MinGamma floor).
  double Dd(int f) const { return Farea[f] * MinGamma / (Fdist1[f] + Fdist2[f] + 1e-20); }
};

double coefficient(int c, int side) {
  const double* a[7] = {nullptr, Cas, Cae, Can, Caw, Cab, Cat};
  return a[side][c];
}
double second(int c, int side) {
  const double* a[7] = {nullptr, Cass, Caee, Cann, Caww, Cabb, Catt};
  return a[side][c];
}

}  // namespace

// A uniform row with one flux F through it: an interior cell gets Dd + 2F
// for its upwind neighbour (1.5F from its inflow face, 0.5F from its outflow
// face), -0.5F for the cell beyond, Dd downstream; the second cell, whose
// upwind cell has no cell beyond it, gets the first-order |F| from its inflow
// face and no second-neighbour coefficient. Both makers, all three
// directions, both flow senses.
TEST(SecondOrderUpwind, UniformRowStencilOfBothMakers) {
  for (int axis = 0; axis < 3; ++axis)
    for (const NamedMaker& m : kMakers)
      for (double F : {40.0, -40.0}) {
        SCOPED_TRACE(std::string(m.name) + " axis " + std::to_string(axis) + " F " + std::to_string(F));
        Row row(6, axis);
        row.flux(F);
        m.make(1, NoSurfaces);
        const double a = std::fabs(F);
        // Upstream side and the cell numbering in the flow direction.
        const int up = F > 0 ? row.low() : row.high(), down = F > 0 ? row.high() : row.low();
        auto nth = [&](int k) { return F > 0 ? row.cell(k) : row.cell(7 - k); };
        const int c3 = nth(3), c2 = nth(2);
        const double Dd = row.Dd(row.face(c3, up));
        ASSERT_GT(Dd, 0.0);
        EXPECT_NEAR(coefficient(c3, up), Dd + 2.0 * a, 1e-9);
        EXPECT_NEAR(second(c3, up), -0.5 * a, 1e-9);
        EXPECT_NEAR(coefficient(c3, down), Dd, 1e-9);
        EXPECT_EQ(second(c3, down), 0.0);
        EXPECT_NEAR(coefficient(c2, up), Dd + a + 0.5 * a, 1e-9);
        EXPECT_EQ(second(c2, up), 0.0);
      }
}

// F = 0 leaves only the diffusive parts and zero second neighbours.
TEST(SecondOrderUpwind, NoFluxLeavesTheDiffusion) {
  for (const NamedMaker& m : kMakers) {
    SCOPED_TRACE(m.name);
    Row row(5, 0);
    row.flux(0.0);
    m.make(1, NoSurfaces);
    const int c = row.cell(3);
    const double Dd = row.Dd(Cflatew[c]);
    EXPECT_NEAR(Caw[c], Dd, 1e-12);
    EXPECT_NEAR(Cae[c], Dd, 1e-12);
    EXPECT_EQ(Caww[c], 0.0);
    EXPECT_EQ(Caee[c], 0.0);
  }
}

// coeff_make weights by the cell sizes: with the upwind cell twice as long
// as the one beyond, r = (2 d(U) + d(U2)) / (d(U) + d(U2)) = 5/3.
TEST(SecondOrderUpwind, SizeWeightedBranchUsesTheHalfSizes) {
  Row row(5, 0);
  const int c2 = row.cell(2), c3 = row.cell(3);
  Cidist[c2] = 2.0 * Cidist[row.cell(1)];
  row.flux(30.0);
  coeff_make(1, NoSurfaces);
  const double r = 5.0 / 3.0;
  const double Dd = row.Dd(Cflatew[c3]);
  // Face 2|3: upwind cell 2, beyond it cell 1, r = 5/3; face 3|4: upwind
  // cell 3, beyond it the long cell 2, r = (2 + 2)/(1 + 2) = 4/3, whose
  // (r - 1) F goes to the west side of cell 3 as well.
  EXPECT_NEAR(Caw[c3], Dd + r * 30.0 + (4.0 / 3.0 - 1.0) * 30.0, 1e-9);
  EXPECT_NEAR(Caww[c3], (1.0 - r) * 30.0, 1e-9);
  // The upwind cell 2 takes (r - 1) F on its west side from face 2|3.
  EXPECT_NEAR(Caw[c2], Dd + 30.0 + (r - 1.0) * 30.0, 1e-9);
}

// F 362 1 folds the east-west second neighbours into the first ones (first
// order in x only); 3 does the same vertically.
TEST(SecondOrderUpwind, SetPowFoldsOneDirectionBackToFirstOrder) {
  struct Case {
    int setPow, axis;
    bool folded;
  };
  for (const Case k : {Case{1, 0, true}, Case{1, 2, false}, Case{3, 2, true}, Case{3, 0, false}}) {
    SCOPED_TRACE(std::to_string(k.setPow) + " axis " + std::to_string(k.axis));
    Row row(6, k.axis);
    FlagSetPow = k.setPow;
    row.flux(20.0);
    coeff_make_sou2(1, NoSurfaces);
    const int c = row.cell(4);
    const double Dd = row.Dd(row.face(c, row.low()));
    if (k.folded) {
      EXPECT_NEAR(coefficient(c, row.low()), Dd + 2.0 * 20.0 - 0.5 * 20.0, 1e-9);
      EXPECT_EQ(second(c, row.low()), 0.0);
    } else {
      EXPECT_NEAR(second(c, row.low()), -10.0, 1e-9);
    }
  }
}

// A face between two cells in the wrong orientation ends the run with its
// message: -77 for the first cell's side code, -78 for the second's.
TEST(SecondOrderUpwindDeathTest, WrongFaceOrientationEndsWithAMessage) {
  for (int which : {1, 2}) {
    Row row(4, 0);
    const int f = Cflatee[row.cell(2)];
    if (which == 1)
      Ftype1[f] = 4;
    else
      Ftype2[f] = 2;
    EXPECT_EXIT(coeff_make_sou2(1, NoSurfaces), ::testing::ExitedWithCode(which == 1 ? 256 - 77 : 256 - 78),
                "")
        << which;
    EXPECT_NE(row.dir.dir().boogie().find("Error in second-order coefficients: face " + std::to_string(f)),
              std::string::npos)
        << row.dir.dir().boogie();
  }
}

// The chunked build (four face chunks on four threads) gives the serial
// coefficients bit for bit, for both makers, on a grid whose columns hold
// different numbers of cells and with fluxes of both signs.
TEST(SecondOrderUpwind, ChunkedAndSerialBuildsAgree) {
  InProjectDir dir;
  sou[1] = 1;
  ASSERT_TRUE(FlowGrid::sloping(8, 4).build());
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> u(-50.0, 50.0);
  for (int f = 1; f <= NoSurfaces; ++f) Fflux[f] = u(rng);
  for (int c = 1; c <= NoCells; ++c) Cgamma[c] = CgammaV[c] = 0.01 * (1 + c % 7);
  Equation = 1;
  auto snapshot = [] {
    std::vector<double> v;
    for (const double* a : {Cae, Caw, Can, Cas, Cat, Cab, Caee, Caww, Cann, Cass, Catt, Cabb})
      v.insert(v.end(), a + 1, a + NoCells + 1);
    return v;
  };
  auto clear = [] {
    for (double* a : {Cae, Caw, Can, Cas, Cat, Cab, Caee, Caww, Cann, Cass, Catt, Cabb})
      std::fill(a, a + NoCells + 1, -1.0);
  };
  NoProcessesSolver = 4;
  omp_set_num_threads(4);
  computeChunkSizes();
  for (const NamedMaker& m : kMakers) {
    SCOPED_TRACE(m.name);
    clear();
    m.make(WFStart, WFEnd);
    const std::vector<double> serial = snapshot();
    clear();
    const Maker make = m.make;
    forEachChunk([make](int p) {
      int lo, hi;
      faceChunk(p, lo, hi);
      if (lo <= hi) make(lo, hi);
    });
    const std::vector<double> chunked = snapshot();
    ASSERT_EQ(serial.size(), chunked.size());
    int differ = 0;
    for (size_t i = 0; i < serial.size(); ++i) differ += serial[i] != chunked[i];
    EXPECT_EQ(differ, 0);
    // Every coefficient was written (none left at the -1 of the clearing
    // unless the convection made it so).
    EXPECT_EQ(std::count(serial.begin(), serial.end(), -1.0), 0);
  }
  omp_set_num_threads(omp_get_num_procs());
}

// A steady tracer decaying at the rate k while carried at U along a row has
// c = c0 exp(-k x / U). Halving the cells cuts the error about fourfold with
// the second-order scheme (both makers) and about twofold with the
// power-law scheme, whose convection is first-order upwind here. The first
// two cells hold the exact values, as fixed inflow cells would: the faces
// next to the inlet fall back to first order, which would otherwise set a
// first-order error for the whole row. The last cell is left out of the
// error: coeff_make takes nothing from the outlet face (a face with one cell),
// so the outflow of that cell is first-order upwind.
TEST(SecondOrderUpwind, NumericalDiffusionFallsWithTheSquareOfTheCellSize) {
  constexpr double k = 2.0, U = 1.0, c0 = 1.0;
  struct Scheme {
    const char* name;
    int sou;
    Maker make;
    double lo, hi;  // accepted error ratio per halving
  };
  const Scheme schemes[] = {{"power law", 0, coeff_make, 1.7, 2.3},
                            {"coeff_make second order", 1, coeff_make, 3.3, 4.7},
                            {"coeff_make_sou2", 1, coeff_make_sou2, 3.3, 4.7}};
  for (const Scheme& s : schemes) {
    SCOPED_TRACE(s.name);
    std::vector<double> errors;
    for (int n : {20, 40, 80}) {
      Row row(n, 0);
      sou[1] = s.sou;
      const double F = 1000.0 * U * 1.0;  // kg/s through 1 m2
      row.flux(F);
      s.make(1, NoSurfaces);
      auto exact = [&](int c) { return c0 * std::exp(-k * Cxcenter[c] / U); };
      std::vector<double> phi(NoCells + 1, 0.0);
      for (int c = 1; c <= NoCells; ++c) {
        Cap[c] = Cae[c] + Caw[c] + Caee[c] + Caww[c] + 1000.0 * k * Cvol[c];
        Csource[c] = 0.0;
      }
      const int fixed1 = row.cell(1), fixed2 = row.cell(2);
      phi[fixed1] = exact(fixed1);
      phi[fixed2] = exact(fixed2);
      for (int sweep = 0; sweep < 50; ++sweep)
        for (int c = 1; c <= NoCells; ++c) {
          if (c == fixed1 || c == fixed2) continue;
          auto at = [&](int m) { return m >= 1 && m <= NoCells ? phi[m] : 0.0; };
          const int w = Ccellw[c], e = Ccelle[c];
          phi[c] = (Caw[c] * at(w) + Cae[c] * at(e) + Caww[c] * at(w ? Ccellw[w] : 0) +
                    Caee[c] * at(e ? Ccelle[e] : 0) + Csource[c]) /
                   Cap[c];
        }
      double worst = 0.0;
      for (int c = 1; c <= NoCells; ++c)
        if (c != row.cell(n)) worst = std::max(worst, std::fabs(phi[c] - exact(c)));
      errors.push_back(worst);
    }
    for (size_t i = 1; i < errors.size(); ++i) {
      const double ratio = errors[i - 1] / errors[i];
      EXPECT_GT(ratio, s.lo) << errors[i - 1] << " " << errors[i];
      EXPECT_LT(ratio, s.hi) << errors[i - 1] << " " << errors[i];
    }
  }
}

// The momentum stage with K 6 value 1 for u, v, w: the coefficients come
// from the second-order maker, and the central coefficient of a cell away
// from every wall (no wall law, no relaxation with K 3 1) is the sum of its
// six neighbour and six second-neighbour coefficients.
TEST(SecondOrderUpwind, MomentumStageSumsTheSecondNeighbours) {
  InProjectDir dir;
  sou[1] = sou[2] = sou[3] = 1;
  ASSERT_TRUE(FlowGrid::box(8, 4).build());
  relax[1] = relax[2] = relax[3] = 1.0;
  startup();
  computeChunkSizes();
  Iter = 1;
  for (int i = 1; i <= 3; ++i) momentumStage(i);
  int interior = 0, upwind = 0;
  for (int c = 1; c <= NoCells; ++c) {
    const int n[6] = {Ccelle[c], Ccellw[c], Ccelln[c], Ccells[c], Ccellt[c], Ccellb[c]};
    if (std::count(n, n + 6, 0) > 0) continue;
    ++interior;
    const double sum = Cae[c] + Caw[c] + Can[c] + Cas[c] + Cat[c] + Cab[c] + Caee[c] + Caww[c] + Cann[c] + Cass[c] +
                       Catt[c] + Cabb[c];
    EXPECT_NEAR(Cap[c], sum, 1e-9 * Cap[c]) << c;
    upwind += Caww[c] < 0.0;
  }
  EXPECT_GT(interior, 0);
  EXPECT_GT(upwind, 0);
}
