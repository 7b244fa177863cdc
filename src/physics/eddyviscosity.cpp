// Eddy viscosity of the turbulence models, with its floors, caps, damping and
// additions.
#include <algorithm>
#include <cmath>

#include "physics/gradient.h"
#include "physics/physics.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "state/slidestate.h"

namespace {

// Quantities of the water column of the cell being visited. The walk over a
// range meets the cells of a column in increasing order, so a column is
// formed once, from its own bottom and top cells, wherever the range starts.
// The sums over the whole column (H, ubar, top) are formed only when `sums`
// is set: most models read none of them.
struct Column {
  bool sums = true;
  int bottom = 0, top = 0, prev = 0;
  double H = 0;       // sum of Ckdist over the column (half the depth)
  double ubar = 0;    // mean horizontal speed of its cells
  double z = 0;       // height of the visited cell's bottom face above the bed

  void visit(int c) {
    if (prev > 0 && Ccellb[c] == prev) {
      z += 2.0 * Ckdist[prev];
      prev = c;
      return;
    }
    int b = c;
    while (Ccellb[b] > 0) b = Ccellb[b];
    bottom = b;
    // Summed upward, in the order of the incremental sums above.
    z = 0.0;
    for (int t = b; t != c; t = Ccellt[t]) z += 2.0 * Ckdist[t];
    prev = c;
    if (!sums) return;
    H = 0.0;
    double sum = 0.0;
    int n = 0;
    for (int t = b; t > 0; t = Ccellt[t]) {
      H += Ckdist[t];
      sum += std::sqrt(Cxvel[t] * Cxvel[t] + Cyvel[t] * Cyvel[t]);
      ++n;
      top = t;
    }
    ubar = n > 0 ? sum / n : 0.0;
  }
};

inline bool velocityEquation() { return Equation >= 1 && Equation <= 3; }
inline bool outside(double f) { return f < 0.99 || f > 1.01; }

double kEpsilonValue(int c, double C, double floorValue) {
  const double k = Ckinen[c];
  return std::min(C * k * k / (Cepsilon[c] + 1e-20) + floorValue, MaxGamma);
}

double realizableValue(int P) {
  double T[3][3];
  velocityGradientVolume(P, T);
  const double V = Cvol[P];
  double S[3][3], O[3][3];
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) {
      S[i][j] = (T[i][j] + T[j][i]) / (2.0 * V);
      O[i][j] = (T[i][j] - T[j][i]) / (2.0 * V);
    }
  double s2 = 0.0, o2 = 0.0, tr3 = 0.0;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) {
      s2 += S[i][j] * S[i][j];
      o2 += O[i][j] * O[i][j];
      for (int k = 0; k < 3; ++k) tr3 += S[i][j] * S[j][k] * S[k][i];
    }
  const double St = std::sqrt(s2), Ustar = std::sqrt(s2 + o2);
  const double sqrt6 = std::sqrt(6.0);
  double W = sqrt6 * tr3 / (St * St * St);
  if (std::isnan(W)) W = -1.0;
  W = std::clamp(W, -1.0, 1.0);
  const double As = sqrt6 * std::cos(std::acos(W) / 3.0);
  const double k = Ckinen[P], e = Cepsilon[P];
  const double Cmu = 1.0 / (4.04 + As * k * Ustar / e);
  return Cmu < 0.09 ? k * k / e * 1000.0 * Cmu : k * k / e * 90.0;
}

// 15. Roughness layer: zc is the height of the cell centre above the bed, bc
// the column's bed cell.
void roughnessLayer(double zc, int bc, double& g, double& gv) {
  if (!(Equation >= 1 && Equation <= 6 && FlagDrevan >= 12 && FlagDrevan <= 14)) return;
  const bool inLayer = FlagDrevan == 14 || (Bedformheight && zc <= Bedformheight[bc]);
  if (!inLayer) return;
  if (FlagDrevan == 12) {
    g *= ParamDrevan;
    gv *= ParamDrevan;
  } else {
    g += ParamDrevan;
    gv += ParamDrevan;
  }
}

// Viscosity of a slide-layer block: the given value, a rigid 1e7 for a
// block of one cell per column, or else the creep viscosity that lets the
// layer above the lowest cells move at the speed its driving weight, the
// resisting cohesion and the safety factor of the slide allow.
double slideLayerViscosity(const BlockRecord& B) {
  if (B.lastCell - B.firstCell == B.lastBedCell - B.firstBedCell) return ThixoEddyvisc > 0.0 ? ThixoEddyvisc : 1e7;
  if (ThixoEddyvisc > 0.0) return ThixoEddyvisc;
  int n = 0;
  double K = 0.0, U = 0.0, R = 0.0, Q = 0.0;
  for (int j = B.firstBedCell; j <= B.lastBedCell; ++j) {
    const int b = Bcellt[j];
    const int c = b > 0 ? Ccellt[b] : 0;
    if (c <= 0) continue;
    ++n;
    K += Ckdist[c];
    U += std::fabs(Cxvel[c]);
    double T = 0.0;
    for (int t = c; t > 0; t = Ccellt[t]) T += Ckdist[t];
    T *= 2.0;
    // Without a groundwater table the layer counts as saturated.
    const double d = Bthixolev && Bgroundwater ? Bthixolev[j] - Bgroundwater[j] : 0.0;
    double e = 0.0;
    if (d > 0.0) {
      e = 1.36 * d;
      T -= d;
    }
    const double a = T > 0.0 ? 0.825 * T : 0.0, t = T > 0.0 ? 1.825 * T : 0.0;
    const double A = Faz[Cflateb[c]];
    R += ((a + e) * 9810.0 * ThixoMySlope + ThixoCritshear) * A;
    Q += (t + e) * A * 9810.0;
  }
  if (n == 0) return std::fabs(ThixoEddyvisc);
  return (K / n) * R / (std::max(0.0, ThixoSlideModifier - kSF[0]) * TimeStep * R / (Q + 1e-8) + 1e-8 + U / n) +
         ThixoMinGamma;
}

}  // namespace

void GammaCalcRealizable(int first, int last) {
  for (int c = first; c <= last; ++c) Cgamma[c] = realizableValue(c);
}

double densityDamp(int lower, int upper) {
  double dz = Ckdist[lower] + Ckdist[upper];
  if (upper - lower > 1) dz += 2.0 * Ckdist[Ccellt[lower]];
  double drho = 0.0;
  if (FlagTSC < 1) {
    if (Ccomp) {
      auto rho = [](double T) { return 0.9999726 * (1.0 - 9.297173e-6 * std::pow(std::fabs(T - 4.029325), 1.894816)); };
      drho = rho(Ccomp[0][upper]) - rho(Ccomp[0][lower]);
    }
  } else if (Cconc) {
    // The excess relative density of a suspension is (s - 1) times its
    // volume concentration.
    drho = (density - 1.0) * (Cconc[0][upper] - Cconc[0][lower]);
  }
  return 9.81 * drho / dz;
}

double coeff_turbdens(int lower, int upper) {
  double dz = Ckdist[lower] + Ckdist[upper];
  if (upper - lower > 1) dz += 2.0 * Ckdist[Ccellt[lower]];
  const double G = std::min(densityDamp(lower, upper) / 9.81 * dz, 0.0) / dz;
  double s;
  if (FlagTVertGrad == 1 && BTugrad) {
    s = BTugrad[Cbed[lower]];
  } else {
    const double du = Cxvel[lower] - Cxvel[upper], dv = Cyvel[lower] - Cyvel[upper];
    s = dz / (std::sqrt(du * du + dv * dv) + TDvelo);
  }
  const double Ri = -9.81 * G * s * s;
  return std::pow(1.0 + TDbeta * std::max(0.0, Ri), TDalpha);
}

namespace {

// 14. Slide layer, once per sweep that ends at the last cell of the grid:
// every block of subBed 1 gets its viscosity v in the two lowest cells of
// each column and 10 v above. A call that is one share of the sweep
// WCStart..WCEnd writes the cells of its own range (the share that begins
// the sweep also those below it), so that the shares together write what
// the whole sweep writes, whatever the chunks; cells of the range then take
// the roughness layer as every other cell does.
void slideLayer(int first, int last) {
  if (FlagThixo <= 0 || NoBlocks <= 0) return;
  const bool share = WCEnd == NoCells && first >= WCStart && last <= WCEnd;
  if (last != NoCells && !share) return;
  const int lower = first <= WCStart || !share ? 1 : first;
  for (int k = 1; k <= NoBlocks; ++k) {
    const BlockRecord& B = block[k];
    if (B.subBed != 1 || B.lastCell < lower || B.firstCell > last) continue;
    const double v = slideLayerViscosity(B);
    for (int j = B.firstBedCell; j <= B.lastBedCell; ++j) {
      double z = 0.0;  // bottom face of the cell above the bed
      int level = 1;
      for (int c = Bcellt[j]; c > 0 && c <= last; c = Ccellt[c], ++level) {
        if (c >= lower) {
          double g = level <= 2 ? v : 10.0 * v, gv = g;
          if (c >= first) roughnessLayer(z + Ckdist[c], j, g, gv);
          Cgamma[c] = g;
          CgammaV[c] = gv;
        }
        z += 2.0 * Ckdist[c];
      }
    }
  }
}

}  // namespace

void GammaCalc(int first, int last) {
  const double floorValue = MinGamma + ArtEddyVisc;
  const int model = TurbulenceModel;
  double windUstar = 0.0;
  const bool windModel = (model == 5 || model == 7) && Wind[0] > 1e-10;
  if (windModel) {
    double U, cx, cy;
    windValues(U, cx, cy);
    windUstar = std::sqrt(0.0012 * windDrag(U) * 0.001);
  }
  const bool epsilonFactor = Equation == 6 && (model == 0 || model == 2 || (model >= 8 && model <= 13));
  // Thixotropic layer block (its cells that lie in the range).
  int thixoFirst = 1, thixoLast = 0;
  if (FlagThixoIsComputing == 1 && NoBlocks > 0 && block[NoBlocks].subBed > 0) {
    thixoFirst = block[NoBlocks].firstCell;
    thixoLast = block[NoBlocks].lastCell;
  } else if (FlagThixo == 1) {
    thixoFirst = block[1].firstCell;
    thixoLast = block[1].lastCell;
  }
  const bool triEdges =
      velocityEquation() && FlagTriEdges >= 1 && FlagTriEdges <= 3 && Btriedges && Btriedges[0] == 1;
  const double triFactor = FlagTriEdges == 1 ? 100.0 : FlagTriEdges == 2 ? 20.0 : 5.0;

  // Model 5 takes one value for the whole range, from the first top cell of
  // the range. A chunk of the work range takes it from the work range, so
  // that the drivers' chunks give the field of one call; a range without a
  // top cell takes each column's own.
  int windTop = 0;
  if (windModel && model == 5) {
    const bool chunk = first >= WCStart && last <= WCEnd && WCStart >= 1;
    for (int c = chunk ? WCStart : first, end = chunk ? WCEnd : last; c >= 1 && c <= end && !windTop; ++c)
      if (Ccellt[c] == 0) windTop = c;
  }

  Column col;
  // The column sums serve the wind models, the models 8..13 and the
  // dune-induced viscosity of F 281 4..6 alone.
  col.sums = windModel || (model >= 8 && model <= 13) || (FlagDuneEddy >= 4 && FlagDuneEddy <= 6);
  for (int c = first; c <= last; ++c) {
    col.visit(c);
    const int b = col.bottom, bc = Cbed[b];
    // 1. base viscosity
    double g;
    if (windModel) {
      g = model == 5 ? floorValue + 400.0 * 0.5477 * Ckdist[windTop > 0 ? windTop : col.top] * windUstar
                     : floorValue + 1000.0 * 0.11 * 2.0 * col.H * windUstar;
    } else if (model == 4 || model == 6) {
      g = floorValue;
    } else if (model == 15 || model == 16) {
      // k over omega, as a dynamic viscosity like every other model.
      g = 1000.0 * Ckinen[c] / (Cepsilon[c] + 1e-20);
    } else if (model == 1) {
      g = kEpsilonValue(c, 84.5, floorValue);
    } else if (FlagCorrTrekant == 24) {
      g = 0.5 * kEpsilonValue(c, 90.0, floorValue) + 0.5 * Cgamma[c];
    } else if (model == 17) {
      g = realizableValue(c);
    } else if (model == 5 || model == 7) {
      g = floorValue;
    } else {
      g = kEpsilonValue(c, 90.0, floorValue);
    }
    // 2. epsilon diffusivity
    if (epsilonFactor) g *= 0.7692;
    // 3. stratification
    if (TurbDensFlag == 2) {
      const int lower = Ccellb[c] > 0 ? Ccellb[c] : c, upper = Ccellt[c] > 0 ? Ccellt[c] : c;
      if (lower != upper) g *= coeff_turbdens(lower, upper);
      g = std::max(g, floorValue);
    } else if (TurbDensFlag == 5 && CdampDensity) {
      g *= CdampDensity[c];
    }
    // 4. thixotropic layer
    if (c >= thixoFirst && c <= thixoLast) g = std::fabs(ThixoEddyvisc);
    // 5. vertical viscosity
    double gv = CgammaV[c];
    if (model >= 8 && model <= 13) {
      const double s = std::sqrt(0.3 * Ckinen[b]), H = col.H;
      const double M = 1000.0 * 0.22 * s * H;
      gv = g;
      if (model == 8 || model == 9) {
        const double Re = 2.0 * H * 1e6 * col.ubar;
        if (Re < 3000.0) {
          const double y = col.z + Ckdist[c], yp = s * y * 1e6;
          double f;
          if (model == 8) {
            f = 1.0 - std::exp(-0.0002 * yp - 0.00065 * yp * yp);
          } else {
            const double Ret = Ckinen[c] * Ckinen[c] * 1e6 / Cepsilon[c];
            const double e = 1.0 - std::exp(-0.03846 * yp);
            f = (1.0 + 4.1 * std::pow(Ret, -0.75)) * e * e;
          }
          gv = std::max(0.0, f) * g + 0.001;
        }
      } else {
        bool plain = false;
        if (model == 13) {
          const int t = col.top;
          plain = Ccells[t] != 0 && Ccelln[t] != 0 && Ccelle[t] != 0 && Ccellw[t] != 0;
        }
        if (!plain) {
          double r1, r2;  // ratio tested against 0.05 (or 0.1) and 0.1 (or 0.2)
          double lim1 = 0.05, lim2 = 0.1;
          if (model <= 11) {
            const double L = std::sqrt(Farea[Cflateb[b]]) + 1e-15;
            r1 = r2 = H / L;
          } else {
            r1 = H / std::sqrt(Barea[bc] + 1e-15);
            r2 = H / (std::sqrt(Barea[bc]) + 1e-15);
            lim1 = 0.1;
            lim2 = 0.2;
          }
          const bool ok = s > 1e-10;
          if (model != 10 && r1 < lim1 && ok)
            gv = M + 0.001;
          else if (r2 < lim2 && ok)
            gv = std::sqrt(g * M) + 0.001;
        }
      }
    } else if (FlagTurbDLL == 0) {
      gv = g;
    }
    // 6. artificial viscosity
    if (ArtDiff > 0.001) {
      g += ArtDiff;
      gv += ArtDiff;
    }
    // 7., 8. anisotropy factors
    if (outside(TurbMultVert)) gv *= TurbMultVert;
    if (outside(TurbMultHor)) g *= TurbMultHor;
    if (velocityEquation() ? outside(TurbMultVertU) : TurbMultVertU < 0.99) gv *= TurbMultVertU;
    if (velocityEquation() ? outside(TurbMultHorU) : TurbMultHorU < 0.99) g *= TurbMultHorU;
    // 9. triangle-edge columns
    if (triEdges && Btriedges[Cbed[c]] > 0) gv *= triFactor;
    // 10. corner columns
    if (VertDiffTrekant > 1e-20 && (Ccelle[b] == 0 || Ccellw[b] == 0) && (Ccelln[b] == 0 || Ccells[b] == 0))
      g *= VertDiffTrekant;
    // 11. bed forms
    if (velocityEquation() && GammaVertCoeff1 > 1e-10 && Bdepth && Bedformheight)
      gv *= std::max(1.0, GammaVertCoeff1 * Bedformheight[bc] / (Bdepth[bc] + 1e-20));
    // 12. dune-induced viscosity
    if (FlagDuneEddy >= 1 && FlagDuneEddy <= 6) {
      const double h = Bdepth ? Bdepth[bc] : 0.0, Fr = BFroude ? BFroude[bc] : 0.0;
      const double D = Bedformheight ? Bedformheight[bc] : 0.0, F = DuneEddyFactor;
      const bool both = BFroude && Bedformheight, idle = FlagThixoIsComputing == 0;
      switch (FlagDuneEddy) {
        case 1:
          if (both && velocityEquation()) gv += D * 1000.0 * Fr * std::sqrt(9.81 * h) * Ckdist[b] / (14.0 * h) * F;
          break;
        case 2:
          if (both) {
            const double inc = D * 1000.0 * Fr * std::sqrt(9.81 * h) / (28.8 * h * Ckdist[b]) * F;
            g += inc;
            gv += inc;
          }
          break;
        case 3:
          if (both && idle) {
            const double inc = F * 1000.0 * D * Fr * std::sqrt(9.81 * h);
            g += inc;
            gv += inc;
          }
          break;
        case 4:
          if (Bedformheight && idle && velocityEquation()) gv += col.ubar * F * 1000.0 * D;
          break;
        case 5:
          if (idle && velocityEquation()) gv += col.ubar * F * 1000.0 * 0.5 * h;
          break;
        case 6:
          if (idle) gv += col.ubar * F * 1000.0 * 0.5 * h * (Equation == 6 ? 0.7692 : 1.0);
          break;
      }
    }
    // 13. near-bed viscosity
    if (FlagBedSmooth == 2 || FlagBedSmooth == 4 || FlagBedSmooth == 7 || FlagBedSmooth == 8) {
      const double P = ParamBedSmooth, speed = std::sqrt(Cxvel[c] * Cxvel[c] + Cyvel[c] * Cyvel[c]);
      if (FlagBedSmooth <= 4) {
        if (c == b) {
          const double inc = P / std::sqrt(Farea[Cflateb[c]]) * speed;
          g += inc;
          if (FlagBedSmooth == 4) gv += inc;
        }
      } else if (FlagBedSmooth == 7 || BFroude) {
        double inc = 2.0 * Ckdist[c] * P * 1000.0 * speed;
        if (FlagBedSmooth == 8) {
          const double Fr = BFroude[Cbed[c]];
          inc *= Fr < 0.2 ? 0.0 : Fr > 1.0 ? 1.0 : std::sqrt((Fr - 0.2) / 0.8);
        }
        g += inc;
        gv += inc;
      }
    }
    // 15. roughness layer (the slide layer below puts it on its own cells)
    roughnessLayer(col.z + Ckdist[c], bc, g, gv);
    Cgamma[c] = g;
    CgammaV[c] = gv;
  }
  slideLayer(first, last);
}
