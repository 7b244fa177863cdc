// The faces of the discharge groups and the reference columns of the water
// level: every group's polyline is mapped onto the boundary faces of the
// present grid, groups 1 and 2 can be generated along the first and last grid
// line of block 1 (F 314), and the G 6 / G 62 reference cells or groups give
// the reference columns of the free surface.
#include <omp.h>

#include <cmath>
#include <vector>

#include "grid/fieldmap.h"
#include "state/log.h"
#include "state/arrays.h"
#include "state/groups.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"

namespace {

// The face lists hold faces of an earlier grid until the groups are attached
// again (or read with the grid).
bool listsStale = false;

// The cell of every listed face, per group, in list order (the cell whose
// side was attached: the face alone does not tell it between two blocks).
std::vector<int> attachedCell[10];

inline bool isCell(int c) { return c >= 1 && c <= NoCells; }
inline bool isFace(int f) { return f >= 1 && f <= NoSurfaces; }

int bottomCellOf(int i, int j) {
  if (i < 0 || j < 0 || i > xnumber + 1 || j > ynumber + 1) return 0;
  const int c = static_cast<int>(zval[i][j][0]);
  return isCell(c) ? c : 0;
}

int topOf(int c) {
  for (int steps = 0; steps < NoCells && isCell(Ccellt[c]); ++steps) c = Ccellt[c];
  return c;
}

int bottomOf(int c) {
  for (int steps = 0; steps < NoCells && isCell(Ccellb[c]); ++steps) c = Ccellb[c];
  return c;
}

int faceOnSide(int c, int side) {
  switch (side) {
    case 1: return Cflates[c];
    case 2: return Cflatee[c];
    case 3: return Cflaten[c];
    case 4: return Cflatew[c];
    default: return 0;
  }
}

// The listed face's own cell: Fcell1, or Fcell2 when Fcell1 is 0.
int cellOfFace(int f) { return groupFaceCell(f); }

struct GroupOutcome {
  bool overflow = false;  // more faces than a group holds
};

// Maps group g's polyline onto the block-boundary faces (no shared writes but
// the group's own record and its cell list). A face is listed once, however
// many points select its column and side.
GroupOutcome attachGroup(int g) {
  DischargeGroup& G = DischargeStruct[g];
  GroupOutcome out;
  std::vector<int>& cells = attachedCell[g];
  cells.clear();
  G.surfno = 0;
  std::vector<unsigned char> listed(static_cast<std::size_t>(NoSurfaces) + 1, 0);

  auto attach = [&](int f, int c) {
    if (!isFace(f) || listed[f]) return;
    if (G.surfno >= MaxGroupFaces) {
      out.overflow = true;
      return;
    }
    listed[f] = 1;
    G.face[G.surfno++] = f;
    cells.push_back(c);
  };

  const int points = G.xyno < MaxGroupPoints ? G.xyno : MaxGroupPoints;
  for (int n = 0; n < points && NoBlocks >= 1; ++n) {
    const double px = G.x[n], py = G.y[n];
    double best = 1e10, tolerance = -1.0;
    int side = 0, ci = 0, cj = 0;
    for (int b = 1; b <= NoBlocks && b < 100; ++b) {
      const BlockRecord& B = block[b];
      if (B.lastCell <= 0 || B.subBed != 0) continue;
      if (B.i1 < 1 || B.j1 < 1 || B.i2 > xnumber || B.j2 > ynumber) continue;
      // The size of the block's last column sets how near a point must be;
      // a column whose corners run clockwise measures the same.
      const double d1x = xval[B.i2][B.j2] - xval[B.i2 - 1][B.j2 - 1], d1y = yval[B.i2][B.j2] - yval[B.i2 - 1][B.j2 - 1];
      const double d2x = xval[B.i2 - 1][B.j2] - xval[B.i2][B.j2 - 1], d2y = yval[B.i2 - 1][B.j2] - yval[B.i2][B.j2 - 1];
      const double blockTolerance = 0.1 * std::sqrt(std::fabs(d1x * d2y - d1y * d2x));
      auto consider = [&](int li, int lj, int li2, int lj2, int s, int i, int j) {
        const double mx = 0.5 * (xval[li][lj] + xval[li2][lj2]), my = 0.5 * (yval[li][lj] + yval[li2][lj2]);
        const double d = std::fabs(px - mx) + std::fabs(py - my);
        if (d < best) {
          best = d;
          side = s;
          ci = i;
          cj = j;
          tolerance = blockTolerance;
        }
      };
      if (B.j1 <= B.j2) {
        for (int j = B.j1; j <= B.j2; ++j) consider(B.i1 - 1, j - 1, B.i1 - 1, j, 4, B.i1, j);
        for (int j = B.j1; j <= B.j2; ++j) consider(B.i2, j - 1, B.i2, j, 2, B.i2, j);
      }
      if (B.i1 <= B.i2) {
        for (int i = B.i1; i <= B.i2; ++i) consider(i - 1, B.j1 - 1, i, B.j1 - 1, 1, i, B.j1);
        for (int i = B.i1; i <= B.i2; ++i) consider(i - 1, B.j2, i, B.j2, 3, i, B.j2);
      }
    }
    if (side == 0) continue;
    const int b0 = bottomCellOf(ci, cj);
    if (b0 < 1 || !(best < tolerance)) continue;
    const int t = topOf(b0);
    if (G.topLevel == 2) {
      const int c = bottomOf(t);
      const int f = faceOnSide(c, side);
      if (f > 0) attach(f, c);
      continue;
    }
    int level = t - b0 + 1;
    int c = t;
    for (int steps = 0; steps <= NoCells && isCell(c); ++steps) {
      if (level >= G.lowLevel && level <= G.topLevel) {
        const int f = faceOnSide(c, side);
        if (f > 0) attach(f, c);
      }
      if (level <= 1) break;
      c = Ccellb[c];
      --level;
    }
  }
  double area = 0.0;
  for (int e = 0; e < G.surfno; ++e) area += Farea[G.face[e]];
  G.area = G.surfno >= 1 ? area : 0.0;
  return out;
}

// Flow flags and cell marks of group g's listed faces.
void markGroup(int g) {
  const DischargeGroup& G = DischargeStruct[g];
  const std::vector<int>& cells = attachedCell[g];
  for (int e = 0; e < G.surfno && e < MaxGroupFaces; ++e) {
    const int f = G.face[e];
    if (!isFace(f)) continue;
    Fflagflow[f] = 1;
    const int c = e < static_cast<int>(cells.size()) ? cells[e] : cellOfFace(f);
    if (isCell(c)) Cinout[c] = G.inflow == 1 ? g : -g;
  }
}

// The messages of a group just attached.
void reportGroup(int g, const GroupOutcome& out) {
  const DischargeGroup& G = DischargeStruct[g];
  if (out.overflow)
    fatal(-5, "Error: discharge group %d reaches more than %d surfaces\n", g, MaxGroupFaces);
  const int b3 = NoBCells >= 3 ? 3 : 0;
  if (G.surfno < 1) {
    logf("\nWarning: Zero inflow/outflow area for discharge group no. %d\n", g);
    logf("Possible problem: levels in discharge struct below bed\n");
    logf("Top level group %d: %d, top node: %d\n", g, G.topLevel, znumber);
    logf("Low level group %d: %d\n", g, G.lowLevel);
    logf("Bkooi[3] = %d, Bkooj[3] = %d\n\n", Bkooi[b3], Bkooj[b3]);
  }
  if (static_cast<double>(G.surfno) > static_cast<double>(znumber - 1) * static_cast<double>(G.xyno)) {
    logf("\nWarning: Too many inflow/outflow areas for discharge group no. %d\n", g);
    logf("Bkooi[3] = %d, Bkooj[3] = %d\n\n", Bkooi[b3], Bkooj[b3]);
  }
  if (debugging == 'D' && FlagMPI >= 1) {
    logf("Have interpolated %d surfaces for discharge group %d\n", G.surfno, g);
    for (int e = 0; e < G.surfno; ++e) {
      const int f = G.face[e];
      if (Fcell1[f] == 0 && Fcell2[f] == 0) {
        logf("Error setting boundary conditions for surface %d %d\n", e, f);
        logf("Farea = %lf, Ftype1 = %d, Ftype2 = %d, Px1 = %lf, Py1 = %lf\n", Farea[f], Ftype1[f], Ftype2[f],
             Px[Fpoint1[f]], Py[Fpoint1[f]]);
      }
    }
  }
}

void attachAndReport(int g) {
  const GroupOutcome out = attachGroup(g);
  markGroup(g);
  reportGroup(g, out);
}

// Every group with polyline points is attached to the new grid, whatever its
// discharge at the moment: a discharge of timei or of the computed outflow
// that is zero now may rise later.
bool reattachable(const DischargeGroup& G) { return G.xyno >= 1; }

// A group that cannot be attached to the new grid loses the faces of the old
// one: they would name unrelated faces of the new grid.
void dropStaleList(int g) {
  DischargeGroup& G = DischargeStruct[g];
  if (G.surfno > 0)
    logf("Warning: discharge group %d has no polyline; its %d surfaces of the former grid are dropped\n",
         g, G.surfno);
  G.surfno = 0;
  G.area = 0.0;
  attachedCell[g].clear();
}

void fillFaceLevels() {
  if (FlagCyclic == 0 && inflowj < 1) return;
  for (int g = 1; g <= 9; ++g) {
    DischargeGroup& G = DischargeStruct[g];
    for (int e = 0; e < G.surfno && e < MaxGroupFaces; ++e) {
      int c = cellOfFace(G.face[e]);
      int n = 0;
      for (int steps = 0; isCell(c) && steps < NoCells; ++steps) {
        ++n;
        c = Ccellb[c];
      }
      G.faceLevel[e] = n;
    }
  }
}

// The polyline of a generated group along grid line i of block 1.
void generatedPolyline(DischargeGroup& G, int i, bool depthTest) {
  const BlockRecord& B = block[1];
  int n = 0;
  for (int j = B.j1; j <= B.j2 && n < MaxGroupPoints; ++j) {
    if (i < 0 || i > xnumber + 1 || j < 1 || j > ynumber + 1) continue;
    if (depthTest) {
      const double h = zval[i][j - 1][znumber] - zval[i][j - 1][1] + zval[i][j][znumber] - zval[i][j][1];
      if (!(h > MinVertDist0)) continue;
    }
    G.x[n] = 0.5 * (xval[i][j - 1] + xval[i][j]);
    G.y[n] = 0.5 * (yval[i][j - 1] + yval[i][j]);
    ++n;
  }
  G.xyno = n;
}

struct Generated {
  bool build;
  int low, top;
  bool depthTest;
  bool keepPoints;  // the stored points stay (F 314 up 4 after the first iteration)
};

Generated upFlux(int v) {
  switch (v) {
    case 1: return {true, 1, 999, false, false};
    case 2: return {true, 1, 999, true, false};
    case 3: return {true, 19, 20, true, false};
    case 4: return {true, 1, 999, true, Iter >= 1};
    case 5: return {true, 17, 19, true, false};
    case 6: return {true, 1, 36, true, false};
    case 7: return {true, 1, 70, true, false};
    default:
      if (v > 10) return {true, v, v, false, false};
      return {false, 0, 0, false, false};
  }
}

Generated downFlux(int v) {
  switch (v) {
    case 1: return {true, 1, 999, false, false};
    case 2: return {true, 1, 999, true, false};
    case 3: return {true, 2, 2, false, false};
    default: return {false, 0, 0, false, false};
  }
}

void generateGroup(int g, const Generated& how) {
  DischargeGroup& G = DischargeStruct[g];
  G.inflow = g == 1 ? 1 : 0;
  G.lowLevel = how.low;
  G.topLevel = how.top;
  if (updates[g] < 0) G.update = 0;
  if (discharges[g] > 0.0 && G.discharge < 1e-20) G.discharge = 1000.0 * discharges[g];
  G.surfno = 0;
  G.value = 0.0;
  if (!how.keepPoints) generatedPolyline(G, g == 1 ? block[1].i1 - 1 : block[1].i2, how.depthTest);
  attachAndReport(g);
}

// Column (i, j) whose bottom cell is the bottom cell of c; false when none.
bool columnOfCell(int& c, int& ci, int& cj) {
  if (isCell(c)) c = bottomOf(c);
  ci = cj = 0;
  for (int i = 1; i <= xnumber; ++i)
    for (int j = 1; j <= ynumber; ++j)
      if (static_cast<int>(zval[i][j][0]) == c && c != 0) {
        ci = i;
        cj = j;
      }
  return ci != 0 && cj != 0;
}

// Column of the faces of group k: the reference point of its polyline is
// compared with the midpoints of the block boundary segments.
void columnOfGroup(int k, int& ci, int& cj, int& cell) {
  if (k < 1 || k > 9) return;
  const DischargeGroup& G = DischargeStruct[k];
  double rx = G.x[0], ry = G.y[0];
  const int points = G.xyno < MaxGroupPoints ? G.xyno : MaxGroupPoints;
  if (points > 1) {
    double x0 = 1e20, x1 = -1e20, y0 = 1e20, y1 = -1e20;
    for (int n = 1; n < points; ++n) {
      x0 = std::fmin(x0, G.x[n]), x1 = std::fmax(x1, G.x[n]);
      y0 = std::fmin(y0, G.y[n]), y1 = std::fmax(y1, G.y[n]);
    }
    const double mx = 0.5 * (x0 + x1), my = 0.5 * (y0 + y1);
    double best = 1e20;
    for (int n = 1; n < points; ++n) {
      const double d = (G.x[n] - mx) * (G.x[n] - mx) + (G.y[n] - my) * (G.y[n] - my);
      if (d < best) {
        best = d;
        rx = G.x[n];
        ry = G.y[n];
      }
    }
  }
  // The tolerance comes from a face of the group: the one at list position 1,
  // or position 0 when the list holds a single face.
  double tolerance = 0.0;
  if (G.surfno >= 1) {
    const int f = G.face[G.surfno >= 2 ? 1 : 0];
    const int c = isFace(f) ? (Fcell1[f] >= 1 ? Fcell1[f] : Fcell2[f]) : 0;
    if (isCell(c) && isFace(Cflatet[c])) tolerance = 0.0001 * std::sqrt(Farea[Cflatet[c]]);
  }
  auto hit = [&](int li, int lj, int li2, int lj2) {
    const double mx = 0.5 * (xval[li][lj] + xval[li2][lj2]), my = 0.5 * (yval[li][lj] + yval[li2][lj2]);
    return std::fabs(mx - rx) < tolerance && std::fabs(my - ry) < tolerance;
  };
  auto take = [&](int i, int j) {
    ci = i;
    cj = j;
    const int b0 = bottomCellOf(i, j);
    cell = b0 >= 1 ? topOf(b0) : 0;
  };
  for (int b = 1; b <= NoBlocks && b < 100; ++b) {
    const BlockRecord& B = block[b];
    if (B.refSearch != 1 || B.i1 < 1 || B.j1 < 1 || B.i2 > xnumber || B.j2 > ynumber) continue;
    for (int j = B.j1; j <= B.j2; ++j)
      if (hit(B.i2, j - 1, B.i2, j)) {
        take(B.i2, j);
        break;
      }
    for (int j = B.j1; j <= B.j2; ++j)
      if (hit(B.i1 - 1, j - 1, B.i1 - 1, j)) {
        take(B.i1, j);
        break;
      }
    for (int i = B.i1; i <= B.i2; ++i)
      if (hit(i - 1, B.j2, i, B.j2)) {
        take(i, B.j2);
        break;
      }
    for (int i = B.i1; i <= B.i2; ++i)
      if (hit(i - 1, B.j1 - 1, i, B.j1 - 1)) {
        take(i, B.j1);
        break;
      }
  }
}

}  // namespace

void InterpolateBoundary() {
  for (int c = 1; c <= NoCells; ++c) Cinout[c] = 0;
  GroupOutcome out[10];
  const bool serial = NoProcessesSolver == 0 || FlagOpenMP[10] == 1;
  if (serial) {
    for (int g = 1; g <= 9; ++g) {
      if (reattachable(DischargeStruct[g])) {
        out[g] = attachGroup(g);
        markGroup(g);
        reportGroup(g, out[g]);
      } else {
        dropStaleList(g);
      }
    }
  } else {
#pragma omp parallel for schedule(static)
    for (int g = 1; g <= 9; ++g)
      if (reattachable(DischargeStruct[g])) out[g] = attachGroup(g);
    // Marks and messages in group order, whatever the thread count.
    for (int g = 1; g <= 9; ++g) {
      if (reattachable(DischargeStruct[g])) {
        markGroup(g);
        reportGroup(g, out[g]);
      } else {
        dropStaleList(g);
      }
    }
  }
  fillFaceLevels();
  listsStale = false;
}

void setFluxes() {
  const Generated up = upFlux(FlagGenerateUpFlux), down = downFlux(FlagGenerateDownFlux);
  // After a grid change the groups that are not generated are attached again
  // from their polylines (or dropped), so that no group keeps old faces.
  if (listsStale) {
    for (int c = 1; c <= NoCells; ++c) Cinout[c] = 0;
    for (int g = 1; g <= 9; ++g) {
      if ((g == 1 && up.build) || (g == 2 && down.build)) continue;
      if (reattachable(DischargeStruct[g]))
        attachAndReport(g);
      else
        dropStaleList(g);
    }
  }
  if (up.build) generateGroup(1, up);
  if (down.build) generateGroup(2, down);
  listsStale = false;
}

void groupFacesRead() {
  for (int g = 1; g <= 9; ++g) {
    attachedCell[g].clear();
    markGroup(g);
  }
  listsStale = false;
}

bool groupFacesStale() { return listsStale; }

// Called by the geometry of every new grid (face flags): the lists describe
// the grid before until they are attached or read again.
void groupFacesOfNewGrid() { listsStale = true; }

// The group faces as the flow flags leave them on a grid whose lists are
// current: flow faces again.
void remarkGroupFaces() {
  if (listsStale) return;
  for (int g = 1; g <= 9; ++g) markGroup(g);
}

void SetiPresjPres() {
  int ci = 0, cj = 0;
  // First reference column.
  if (FlagTFS >= 2) {
    if (iPres != 0) {
    } else if (iSurf > 0 && FlagMPI == 0) {
      int c = iSurf;
      const bool found = columnOfCell(c, ci, cj);
      iSurf = c;
      if (!found)
        fatal(-1,
              "Error in algorithm for G 6/62 data set. Have not found (i,j) indexes\n"
              "for cell number %d, first integer on the data set.\n"
              "Searched areas i=%d,%d; j=%d,%d\n\n",
              iSurf, 1, xnumber, 1, ynumber);
      iPres = ci;
      jPres = cj;
    } else if (iSurf == 0 && kSurf > 0 && FlagMPI == 0) {
      columnOfGroup(kSurf, iPres, jPres, iSurf);
    }
  } else if (iPres == 0 && iSurf == 0 && kSurf > 0 && FlagMPI == 0) {
    columnOfGroup(kSurf, iPres, jPres, iSurf);
  }
  // Second reference column.
  if (FlagTFS >= 2 && FlagTFS <= 10 && jSurf >= 1) {
    if (iPres2 == 0 && FlagMPI == 0) {
      int c = jSurf;
      const bool found = columnOfCell(c, ci, cj);
      jSurf = c;
      if (!found)
        fatal(-1,
              "Error in algorithm for G 6/62 data set. Have not found (i,j) indexes\n"
              "for cell number %d, second integer on data set.\n\n",
              jSurf);
      iPres2 = ci;
      jPres2 = cj;
    }
  } else if (iPres2 == 0 && jSurf == 0 && kSurf2 > 0 && FlagMPI == 0) {
    columnOfGroup(kSurf2, iPres2, jPres2, jSurf);
  }
  logf("G 6/62 2D reference indexes: %d %d %d %d\n", iPres, jPres, iPres2, jPres2);

  if (FlagMPI == 0 && kSurf > 0 && kSurf <= 9 && FlagReadUnstruc != 4) {
    const DischargeGroup& G = DischargeStruct[kSurf];
    bool member = false;
    for (int e = 0; e < G.surfno && !member; ++e) member = iSurf != 0 && cellOfFace(G.face[e]) == iSurf;
    if (!member)
      fatal(-4,
            "Error in G 6 or G 62 data set: Cell number %d is not in discharge group %d\n"
            "This error can be caused by a too low 'to' value the 'Vertical level' \n"
            "part in the input dialog box of the discharge editor, when the unstruc file was made.\n",
            iSurf, kSurf);
  }
}
