// Surfaces and cell links of the second generator. Every grid line of a block
// has one vertical line of points from the bed up (pointint) and every water
// column consecutive cells from the bed up (pointcell); the surfaces are built
// in three groups (normal to i, normal to j, horizontal) straight from the
// level counts, and the cells take their neighbours, faces and corners from
// them. Levels are counted from two anchors: inside the bed layer from its
// top, above it from the water surface, so that a grid line with fewer levels
// repeats its lowest usable point and deeper columns meet it in zero-height
// edges.
#include <algorithm>

#include "grid/generate.h"
#include "state/log.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"

namespace {

struct Span {
  int i1, i2, j1, j2;
  bool holds(int i, int j) const { return i >= i1 && i <= i2 && j >= j1 && j <= j2; }
};

// A column outside the block or dry has no cells.
int cellsOf(const Span& s, int i, int j) { return s.holds(i, j) ? std::max(ant[i][j], 0) : 0; }

struct Column {
  int low = 0, n = 0, nT = 0;
  // The cell counted `down` cells below the top of the bed layer, 0 when the
  // column has no such cell.
  int bedLayerCell(int down) const {
    const int c = low + nT - 1 - down;
    return n > 0 && c >= low && c <= low + n - 1 ? c : 0;
  }
  // The cell counted `down` cells below the top of the column, 0 below the
  // first cell above the bed layer.
  int upperCell(int down) const {
    const int c = low + n - 1 - down;
    return n > 0 && c >= low + nT && c <= low + n - 1 ? c : 0;
  }
};

Column column(const Span& s, int i, int j) {
  Column c;
  c.n = cellsOf(s, i, j);
  if (c.n > 0) {
    c.low = pointcell[i][j];
    c.nT = std::clamp(antT[i][j], 0, c.n);
  }
  return c;
}

struct GridLine {
  int p, T, L;
};

GridLine line(int i, int j) { return {pointint[i][j], antlinT[i][j], antlin[i][j]}; }

// Points of a vertical surface at one end line for bed-layer surface t
// (s counted from the highest), or for a surface above the bed layer.
void bedLayerPoints(const GridLine& g, int t, int s, int& lower, int& upper) {
  if (g.T <= 1) {
    lower = upper = g.p;
  } else if (t == 0) {
    lower = g.p;
    upper = g.p + 1;
  } else {
    upper = std::max(g.p + 1, g.p + g.T - 1 - s);
    lower = std::max(g.p + 1, g.p + g.T - 2 - s);
  }
}

void upperPoints(const GridLine& g, int s, int& lower, int& upper) {
  const int floor = g.p + std::max(g.T, 1) - 1;
  upper = std::max(floor, g.p + g.L - 1 - s);
  lower = std::max(floor, g.p + g.L - 2 - s);
}

int groupSize(const GridLine& a, const GridLine& b) {
  const int nT = std::max({a.T, b.T, 1});
  const int NU = std::max(a.L - a.T, b.L - b.T);
  return nT - 1 + std::max(NU, 0);
}

void setSurface(int f, int c1, int c2, int p1, int p2, int p3, int p4) {
  Fcell1[f] = c1;
  Fcell2[f] = c2;
  Fpoint1[f] = p1;
  Fpoint2[f] = p2;
  Fpoint3[f] = p3;
  Fpoint4[f] = p4;
}

// One vertical group between grid lines a and b, with columns L (low side)
// and R (high side); normalI selects the corner order of a surface on an i
// line.
void verticalGroup(int first, const GridLine& a, const GridLine& b, const Column& L, const Column& R, bool normalI) {
  const int nT = std::max({a.T, b.T, 1});
  const int NU = std::max({a.L - a.T, b.L - b.T, 0});
  auto put = [&](int f, int c1, int c2, int al, int au, int bl, int bu) {
    if (normalI)
      setSurface(f, c1, c2, al, bl, bu, au);
    else
      setSurface(f, c1, c2, al, au, bu, bl);
  };
  for (int t = nT - 2; t >= 0; --t) {
    const int s = nT - 2 - t;
    int c1 = L.bedLayerCell(s), c2 = R.bedLayerCell(s);
    // The lowest surface joins the lowest cells, whatever the bed layers.
    if (t == 0) {
      c1 = L.n > 0 ? L.low : 0;
      c2 = R.n > 0 ? R.low : 0;
    }
    int al, au, bl, bu;
    bedLayerPoints(a, t, s, al, au);
    bedLayerPoints(b, t, s, bl, bu);
    put(first + t, c1, c2, al, au, bl, bu);
  }
  bool empty = false;
  for (int t = nT - 2 + NU; t >= nT - 1; --t) {
    const int s = nT - 2 + NU - t;
    const int c1 = L.upperCell(s), c2 = R.upperCell(s);
    if (c1 == 0 && c2 == 0) empty = true;
    if (empty) {
      setSurface(first + t, 0, 0, 0, 0, 0, 0);
      continue;
    }
    int al, au, bl, bu;
    upperPoints(a, s, al, au);
    upperPoints(b, s, bl, bu);
    put(first + t, c1, c2, al, au, bl, bu);
  }
}

void horizontalGroup(int f0, int i, int j) {
  const int c = pointcell[i][j], n = ant[i][j], nT = std::clamp(antT[i][j], 0, n);
  const int gi[4] = {i - 1, i, i, i - 1}, gj[4] = {j - 1, j - 1, j, j};
  int bedPoint[4], topOfLayer[4];
  for (int q = 0; q < 4; ++q) {
    bedPoint[q] = pointint[gi[q]][gj[q]];
    const int T = antlinT[gi[q]][gj[q]];
    topOfLayer[q] = T <= 1 ? bedPoint[q] : bedPoint[q] + T - 1;
  }
  setSurface(f0, 0, c, bedPoint[0], bedPoint[1], bedPoint[2], bedPoint[3]);
  auto above = [&](int cell) { return cell <= c + n - 1 ? cell : 0; };
  for (int m = 0; m <= nT - 1; ++m) {
    int p[4];
    for (int q = 0; q < 4; ++q) {
      const int T = antlinT[gi[q]][gj[q]];
      p[q] = T <= 1 ? bedPoint[q] : bedPoint[q] - 1 + std::max(2, T - m);
    }
    setSurface(f0 + nT - m, c + nT - m - 1, above(c + nT - m), p[0], p[1], p[2], p[3]);
  }
  for (int m = 0; m <= n - nT - 1; ++m) {
    int p[4];
    for (int q = 0; q < 4; ++q)
      p[q] = std::max(bedPoint[q] + antlin[gi[q]][gj[q]] - 1 - m, topOfLayer[q]);
    setSurface(f0 + n - m, c + n - 1 - m, above(c + n - m), p[0], p[1], p[2], p[3]);
  }
}

void linkI(int f) {
  const int lo = Fcell1[f], hi = Fcell2[f];
  if (lo > 0) {
    Cflatee[lo] = f;
    Cpoint2[lo] = Fpoint1[f];
    Cpoint3[lo] = Fpoint2[f];
    Cpoint7[lo] = Fpoint3[f];
    Cpoint6[lo] = Fpoint4[f];
    Ccelle[lo] = hi;
  }
  if (hi > 0) {
    Cflatew[hi] = f;
    Cpoint1[hi] = Fpoint1[f];
    Cpoint4[hi] = Fpoint2[f];
    Cpoint8[hi] = Fpoint3[f];
    Cpoint5[hi] = Fpoint4[f];
    Ccellw[hi] = lo;
  }
}

void linkJ(int f) {
  const int lo = Fcell1[f], hi = Fcell2[f];
  if (lo > 0) {
    Cflaten[lo] = f;
    Cpoint4[lo] = Fpoint1[f];
    Cpoint8[lo] = Fpoint2[f];
    Cpoint7[lo] = Fpoint3[f];
    Cpoint3[lo] = Fpoint4[f];
    Ccelln[lo] = hi;
  }
  if (hi > 0) {
    Cflates[hi] = f;
    Cpoint1[hi] = Fpoint1[f];
    Cpoint5[hi] = Fpoint2[f];
    Cpoint6[hi] = Fpoint3[f];
    Cpoint2[hi] = Fpoint4[f];
    Ccells[hi] = lo;
  }
}

void linkK(int f) {
  const int lo = Fcell1[f], hi = Fcell2[f];
  if (lo > 0) {
    Cflatet[lo] = f;
    Cpoint5[lo] = Fpoint1[f];
    Cpoint6[lo] = Fpoint2[f];
    Cpoint7[lo] = Fpoint3[f];
    Cpoint8[lo] = Fpoint4[f];
    Ccellt[lo] = hi;
  }
  if (hi > 0) {
    Cflateb[hi] = f;
    Cpoint1[hi] = Fpoint1[f];
    Cpoint2[hi] = Fpoint2[f];
    Cpoint3[hi] = Fpoint3[f];
    Cpoint4[hi] = Fpoint4[f];
    Ccellb[hi] = lo;
  }
}

}  // namespace

void makeSurfaces2(int i1, int i2, int j1, int j2) {
  const Span span{i1, i2, j1, j2};
  // Numbering first: nothing is written before the F 65 size is known to hold
  // the block's surfaces.
  long next = NoSurfaces + 1;
  for (int j = j1; j <= j2; ++j)
    for (int i = i1 - 1; i <= i2; ++i) {
      intSurfI[i][j] = 0;
      if (cellsOf(span, i, j) == 0 && cellsOf(span, i + 1, j) == 0) continue;
      const int size = groupSize(line(i, j - 1), line(i, j));
      if (size <= 0) continue;
      intSurfI[i][j] = static_cast<int>(std::min<long>(next, MaxFlater));
      next += size;
    }
  const long firstJ = next;
  for (int i = i1; i <= i2; ++i)
    for (int j = j1 - 1; j <= j2; ++j) {
      intSurfJ[i][j] = 0;
      if (cellsOf(span, i, j) == 0 && cellsOf(span, i, j + 1) == 0) continue;
      const int size = groupSize(line(i - 1, j), line(i, j));
      if (size <= 0) continue;
      intSurfJ[i][j] = static_cast<int>(std::min<long>(next, MaxFlater));
      next += size;
    }
  const long firstK = next;
  for (int j = j1; j <= j2; ++j)
    for (int i = i1; i <= i2; ++i) {
      intSurfK[i][j] = 0;
      if (cellsOf(span, i, j) == 0) continue;
      intSurfK[i][j] = static_cast<int>(std::min<long>(next, MaxFlater));
      next += ant[i][j] + 1;
    }
  if (next >= MaxFlater) {
    logf("Error in grid generation, NoSurfaces = %ld, MaxFlater = %d\n", next - 1, MaxFlater);
    fatal(-4, "Increase numbers on the F 65 data set in the control file\n\n");
  }
  const int firstI = NoSurfaces + 1;
  NoSurfaces = static_cast<int>(next - 1);

  for (int j = j1; j <= j2; ++j)
    for (int i = i1 - 1; i <= i2; ++i)
      if (intSurfI[i][j] > 0)
        verticalGroup(intSurfI[i][j], line(i, j - 1), line(i, j), column(span, i, j), column(span, i + 1, j), true);
  for (int i = i1; i <= i2; ++i)
    for (int j = j1 - 1; j <= j2; ++j)
      if (intSurfJ[i][j] > 0)
        verticalGroup(intSurfJ[i][j], line(i - 1, j), line(i, j), column(span, i, j), column(span, i, j + 1), false);
  for (int j = j1; j <= j2; ++j)
    for (int i = i1; i <= i2; ++i)
      if (intSurfK[i][j] > 0) horizontalGroup(intSurfK[i][j], i, j);

  for (long f = firstI; f < firstJ; ++f) linkI(static_cast<int>(f));
  for (long f = firstJ; f < firstK; ++f) linkJ(static_cast<int>(f));
  for (long f = firstK; f < next; ++f) linkK(static_cast<int>(f));
}

void UnstrucTriangular10() {
  for (int b = 1; b <= NoBlocks && b < 100; ++b) {
    const BlockRecord& blk = block[b];
    if (blk.kind == 1) continue;
    for (int j = blk.j1 + 1; j <= blk.j2 - 1; ++j)
      for (int i = blk.i1 + 1; i <= blk.i2 - 1; ++i) {
        if (ant[i][j] <= 0) continue;
        auto dry = [](int a, int c) { return ant[a][c] == 0; };
        // Corner grid line (ci, cj) limited by its diagonal (di, dj) when the
        // diagonal has fewer than three levels.
        auto limit = [](int ci, int cj, int di, int dj) {
          if (antlin[di][dj] >= 3) return;
          antlin[ci][cj] = std::min(antlin[ci][cj], antlin[di][dj]);
          antlinT[ci][cj] = std::min(antlinT[ci][cj], antlinT[di][dj]);
        };
        if (dry(i - 1, j - 1) && dry(i - 1, j) && dry(i, j - 1)) limit(i - 1, j - 1, i, j);
        if (dry(i + 1, j - 1) && dry(i + 1, j) && dry(i, j - 1)) limit(i, j - 1, i - 1, j);
        if (dry(i + 1, j) && dry(i + 1, j + 1) && dry(i, j + 1)) limit(i, j, i - 1, j - 1);
        if (dry(i - 1, j + 1) && dry(i, j + 1) && dry(i - 1, j)) limit(i - 1, j, i, j - 1);
      }
  }
}
