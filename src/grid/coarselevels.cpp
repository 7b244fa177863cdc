// Coarse two-dimensional levels above the three-dimensional grid: level 2 one
// cell per water column, each further level joining 2 x 2 cells of the level
// below. AlgMGMake makes the algebraic levels of the column multigrid (cells
// with numbers, neighbours and links only, appended beyond NoCells and
// NoBlocks without raising them); MGSCoarserGridMake2D makes the real coarse
// grids of the grid sequencing (cells with corners and surfaces, appended as
// blocks and counted).
#include "grid/coarselevels.h"

#include <algorithm>
#include <cmath>

#include "grid/generate.h"
#include "state/log.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"

namespace {

// num[i][j][slot], 0 for a position outside the block grid or the slots.
int numAt(int i, int j, int slot) {
  if (i < 0 || j < 0 || i > xnumber + 1 || j > ynumber + 1 || slot < 0 || slot >= numSlots) return 0;
  return num[i][j][slot];
}

void clearNum(int topSlot) {
  topSlot = std::min(topSlot, numSlots - 1);
  for (int i = 0; i <= xnumber + 1; ++i)
    for (int j = 0; j <= ynumber + 1; ++j)
      for (int k = 0; k <= topSlot; ++k) num[i][j][k] = 0;
}

int lowestCell(int i, int j) {
  if (i < 0 || j < 0 || i > xnumber + 1 || j > ynumber + 1) return 0;
  const int c = static_cast<int>(zval[i][j][0]);
  return c >= 1 && c <= NoCells ? c : 0;
}

// The top cell of the column from c: the cells above c numbered one after
// another (the multigrid sums a column as one range of cell numbers).
int topCell(int c) {
  while (c < NoCells && Ccellt[c] == c + 1) ++c;
  return c;
}

bool eligible(const BlockRecord& B) { return B.kind == 0 && B.active == 1 && B.subBed == 0; }

[[noreturn]] void multigridCellLimit() {
  fatal(-1,
        "Error: Number of cells in the unstructured arrays are too small\n"
        "when using the multi-grid solver, as it needs extra arrays. \n"
        "Increase the array sizes on the F 65 data set.\n"
        "Current value that needs increase: %d\n",
        MaxCeller);
}

int* sideLink(int side) {
  switch (side) {
    case 1: return Ccells;
    case 2: return Ccelle;
    case 3: return Ccelln;
    case 4: return Ccellw;
    default: return nullptr;
  }
}

void clearCoarseCell(int c) {
  Ccelle[c] = Ccellw[c] = Ccelln[c] = Ccells[c] = Ccellt[c] = Ccellb[c] = 0;
  for (int k = 0; k < MGSCpointCols; ++k) MGSCpoint[c][k] = 0;
}

}  // namespace

void AlgMGMake() {
  if (!MGSCpoint || MGSCpointCols < 5 || !num || !zval || NoBlocks < 1 || NoBlocks >= 99) return;
  int E = 0;
  for (int r = 1; r <= NoBlocks; ++r)
    if (eligible(block[r])) E = std::max({E, block[r].i2 - block[r].i1 + 2, block[r].j2 - block[r].j1 + 2});
  // Without a block of water columns there is nothing to coarsen.
  if (E < 1) {
    NoMGlevels = 0;
    return;
  }
  NoMGlevels = static_cast<int>(std::log(static_cast<double>(E))) + 3;
  // The levels must fit the slots of num and the block records.
  NoMGlevels = std::min({NoMGlevels, numSlots - 2, 100 - NoBlocks});

  BlockRecord& two = block[NoBlocks + 1];
  two = BlockRecord{};
  two.firstCell = NoCells + 1;
  two.firstSurface = NoSurfaces + 1;
  two.firstPoint = two.lastPoint = NoPoints;
  two.kind = 2;
  two.gridLevel = 2;
  clearNum(std::max(znumber, NoMGlevels) + 1);

  int C = NoCells;
  for (int r = 1; r <= NoBlocks; ++r) {
    const BlockRecord& B = block[r];
    if (!eligible(B)) continue;
    for (int j = B.j1; j <= B.j2; ++j)
      for (int i = B.i1; i <= B.i2; ++i) {
        int base = lowestCell(i, j);
        if (base == 0) continue;
        if (C + 1 >= MaxCeller) multigridCellLimit();
        if (FlagThixo > 5 && FlagThixo != 100 && Cthixolev) {
          while (base != 0 && Cthixolev[base] <= 1) base = Ccellt[base] == base + 1 ? base + 1 : 0;
          if (base == 0) continue;
        }
        ++C;
        clearCoarseCell(C);
        num[i][j][1] = C;
        CflagDim[C] = 1;
        const int top = topCell(base);
        for (int x = base; x <= top; ++x) MGSCpoint[x][0] = C;
        MGSCpoint[C][1] = base;
        MGSCpoint[C][2] = top;
      }
  }
  for (int r = 1; r <= NoBlocks; ++r) {
    const BlockRecord& B = block[r];
    if (!eligible(B)) continue;
    for (int j = B.j1; j <= B.j2; ++j)
      for (int i = B.i1; i <= B.i2; ++i) {
        const int n = numAt(i, j, 1);
        if (n == 0) continue;
        Ccellt[n] = Ccellb[n] = 0;
        Ccelle[n] = numAt(i + 1, j, 1);
        Ccellw[n] = numAt(i - 1, j, 1);
        Ccells[n] = numAt(i, j - 1, 1);
        Ccelln[n] = numAt(i, j + 1, 1);
      }
  }
  // Joins that the connections made between the lowest cells of different
  // blocks, carried up to level 2.
  if (NoBlocks > 1 && Bkooi && Bkooj) {
    for (int r = 1; r <= NoBlocks; ++r) {
      const BlockRecord& B = block[r];
      if (B.kind != 0 || B.active != 1) continue;
      for (int j = B.j1; j <= B.j2; ++j)
        for (int i = B.i1; i <= B.i2; ++i) {
          const int n = numAt(i, j, 1), c = lowestCell(i, j);
          if (n == 0 || c == 0) continue;
          for (int side = 1; side <= 4; ++side) {
            int* link = sideLink(side);
            const int c2 = link[c];
            if (link[n] != 0 || c2 < 1 || c2 > NoCells) continue;
            const int b = Cbed[c2];
            if (b < 1 || b > NoBCells) continue;
            link[n] = numAt(Bkooi[b], Bkooj[b], 1);
          }
        }
    }
  }
  two.lastSurface = NoSurfaces;
  two.lastCell = C;

  for (int L = 3; L <= NoMGlevels; ++L) {
    BlockRecord& R = block[NoBlocks + L - 1];
    R = BlockRecord{};
    R.firstCell = C + 1;
    const int s = 1 << (L - 2), h = s / 2;
    for (int r = 1; r <= NoBlocks; ++r) {
      const BlockRecord& B = block[r];
      if (!eligible(B)) continue;
      for (int j = B.j1; j <= B.j2; j += s)
        for (int i = B.i1; i <= B.i2; i += s) {
          const int a = numAt(i, j, L - 2);
          const int b = j + h <= B.j2 ? numAt(i, j + h, L - 2) : 0;
          const int c = i + h <= B.i2 && j + h <= B.j2 ? numAt(i + h, j + h, L - 2) : 0;
          const int d = i + h <= B.i2 ? numAt(i + h, j, L - 2) : 0;
          if (a + b + c + d <= 0) continue;
          if (C + 1 >= MaxCeller) multigridCellLimit();
          ++C;
          clearCoarseCell(C);
          num[i][j][L - 1] = C;
          CflagDim[C] = 1;
          for (int p : {a, b, c, d})
            if (p) MGSCpoint[p][0] = C;
          MGSCpoint[C][1] = a, MGSCpoint[C][2] = b, MGSCpoint[C][3] = c, MGSCpoint[C][4] = d;
          const int w = i - s > 0 ? numAt(i - s, j, L - 1) : 0;
          if (w > 0 && ((a > 0 && MGSCpoint[w][4] > 0) || (b > 0 && MGSCpoint[w][3] > 0))) {
            Ccellw[C] = w;
            Ccelle[w] = C;
          }
          const int q = j - s > 0 ? numAt(i, j - s, L - 1) : 0;
          if (q > 0 && ((a > 0 && MGSCpoint[q][2] > 0) || (d > 0 && MGSCpoint[q][3] > 0))) {
            Ccells[C] = q;
            Ccelln[q] = C;
          }
        }
    }
    R.gridLevel = L;
    R.lastCell = C;
    R.kind = 2;
  }
  if (NoMGlevels >= 3) {
    BlockRecord& top = block[NoBlocks + NoMGlevels - 1];
    if (top.lastCell == top.firstCell) {
      --NoMGlevels;
      top.kind = 0;
      top.gridLevel = 0;
    }
  }
  // The joins of block interfaces (pairs of duplicate surfaces), climbed up
  // through the levels from the lowest cells.
  for (int p = 1; p <= NoConnFlate && connFlate; ++p) {
    const int f = connFlate[p][0];
    if (f < 1 || f > NoSurfaces) continue;
    int c1 = Fcell1[f], c2 = Fcell2[f];
    const bool low1 = c1 >= 1 && c1 <= NoCells && Ccellb[c1] == 0;
    const bool low2 = c2 >= 1 && c2 <= NoCells && Ccellb[c2] == 0;
    if (!low1 && !low2) continue;
    int* l1 = sideLink(Ftype1[f]);
    int* l2 = sideLink(Ftype2[f]);
    for (int step = 0; step < NoMGlevels; ++step) {
      const int m1 = c1 >= 1 && c1 < MaxCeller ? MGSCpoint[c1][0] : 0;
      const int m2 = c2 >= 1 && c2 < MaxCeller ? MGSCpoint[c2][0] : 0;
      if (m1 == 0 && m2 == 0) break;
      if (m1 > 0 && l1) l1[m1] = m2;
      if (m2 > 0 && l2) l2[m2] = m1;
      c1 = m1;
      c2 = m2;
    }
  }
  for (int r = 1; r <= NoBlocks; ++r)
    if (block[r].j2 >= ynumber) fatal(-44, "Error in allocation of blocks: increase 2nd integer on G 1 data set\n\n");
}

namespace {

[[noreturn]] void surfaceLimit(bool levelTwo) {
  if (levelTwo)
    fatal(-1,
          "Error: Unstructured arrays are too small. Increase NoSurfaces with the F 65 data set.\n \t\t\t\t\tNoPoints, "
          "NoSurfaces, NoCells = %d %d %d\n",
          NoPoints, NoSurfaces, NoCells);
  fatal(-1,
        "Error: Unstructured arrays are too small. Increase NoSurfaces with the F 65 data set.\n \t\t\t\t\t\tNoPoints, "
        "NoSurfaces, NoCells = %d %d %d\n",
        NoPoints, NoSurfaces, NoCells);
}

// Raises NoCells for a new coarse cell; a level that does not fit ends the
// run with the F 65 message instead of going on half built.
int nextCoarseCell() {
  if (NoCells + 1 >= MaxCeller - 2)
    fatal(-1,
          "Error: Unstructured arrays are too small. Increase cell numbers in the F 65 data set.\n \t\t\t\tNoPoints, "
          "NoSurfaces, NoCells = %d %d %d\n",
          NoPoints, NoSurfaces, NoCells + 1);
  const int n = ++NoCells;
  Ccelle[n] = Ccellw[n] = Ccelln[n] = Ccells[n] = Ccellt[n] = Ccellb[n] = 0;
  Cflatee[n] = Cflatew[n] = Cflaten[n] = Cflates[n] = Cflatet[n] = Cflateb[n] = 0;
  for (int k = 0; k < MGSCpointCols; ++k) MGSCpoint[n][k] = 0;
  return n;
}

int newSurface(int c1, int c2, int p1, int p2, int p3, int p4) {
  const int f = ++NoSurfaces;
  Fcell1[f] = c1;
  Fcell2[f] = c2;
  Fpoint1[f] = p1;
  Fpoint2[f] = p2;
  Fpoint3[f] = p3;
  Fpoint4[f] = p4;
  return f;
}

// The surfaces of coarse cell n: the four sides not shared yet, then a new
// bottom and top.
void buildSurfaces(int n, bool levelTwo) {
  const int P1 = Cpoint1[n], P2 = Cpoint2[n], P3 = Cpoint3[n], P4 = Cpoint4[n];
  const int P5 = Cpoint5[n], P6 = Cpoint6[n], P7 = Cpoint7[n], P8 = Cpoint8[n];
  if (Cflatee[n] == 0) {
    const int e = Ccelle[n];
    Cflatee[n] = newSurface(n, e, P2, P3, P7, P6);
    if (e) Cflatew[e] = Cflatee[n];
  }
  if (Cflatew[n] == 0) {
    const int w = Ccellw[n];
    Cflatew[n] = newSurface(w, n, P1, P4, P8, P5);
    if (w) Cflatee[w] = Cflatew[n];
  }
  if (Cflates[n] == 0) {
    const int s = Ccells[n];
    Cflates[n] = newSurface(s, n, P2, P1, P5, P6);
    if (s) Cflaten[s] = Cflates[n];
  }
  if (Cflaten[n] == 0) {
    const int m = Ccelln[n];
    Cflaten[n] = newSurface(n, m, P3, P4, P8, P7);
    if (m) Cflates[m] = Cflaten[n];
  }
  Cflateb[n] = newSurface(0, n, P1, P2, P3, P4);
  Cflatet[n] = newSurface(n, 0, P5, P6, P7, P8);
  if (NoSurfaces >= MaxFlater - 1) surfaceLimit(levelTwo);
}

void connectFreeSides(int first, int last) {
  if (NoConnect <= 0) return;
  for (int c = first; c <= last; ++c) {
    if (Ccells[c] == 0) Connect(Cpoint1[c], Cpoint2[c], c, 1);
    if (Ccelle[c] == 0) Connect(Cpoint2[c], Cpoint3[c], c, 2);
    if (Ccelln[c] == 0) Connect(Cpoint3[c], Cpoint4[c], c, 3);
    if (Ccellw[c] == 0) Connect(Cpoint4[c], Cpoint1[c], c, 4);
  }
}

void openLevelRecord(int r, int level) {
  BlockRecord& R = block[r];
  R = BlockRecord{};
  R.firstCell = NoCells + 1;
  R.firstSurface = NoSurfaces + 1;
  R.firstPoint = NoPoints;
  R.gridLevel = level;
}

void closeLevelRecord(int r) {
  BlockRecord& R = block[r];
  R.lastCell = NoCells;
  R.lastSurface = NoSurfaces;
  R.lastPoint = NoPoints;
  WCStart = R.firstCell;
  WCEnd = NoCells;
  WFStart = R.firstSurface;
  WFEnd = NoSurfaces;
}

}  // namespace

void MGSCoarserGridMake2D() {
  if (!MGSCpoint || MGSCpointCols < 2 || !num || !zval) return;
  const int levels = MGSNo;
  NoConnect = NoConnect0;
  NoSurfaces = NoSurfaces0;
  NoConnFlate = NoConnFlate0;
  NoBlocks = NoBlocks0;
  // One level is the real grid alone.
  if (levels < 2) return;
  if (NoBlocks0 + std::max(levels, 2) - 1 >= 100 || levels > numSlots)
    fatal(-1, "Error: the grid levels of F 152 (%d) do not fit the block records and level slots of the grid\n", levels);
  const int two = NoBlocks0 + 1;
  openLevelRecord(two, 2);
  clearNum(std::max(znumber, levels) + 1);

  for (int r = 1; r <= NoBlocks0; ++r) {
    const BlockRecord& B = block[r];
    if (B.gridLevel != 0) continue;
    for (int j = B.j1; j <= B.j2; ++j)
      for (int i = B.i1; i <= B.i2; ++i) {
        const int c = lowestCell(i, j);
        if (c == 0) continue;
        const int t = topCell(c);
        const int n = nextCoarseCell();
        num[i][j][1] = n;
        MGSCpoint[n][1] = c;
        for (int x = c; x <= t; ++x) MGSCpoint[x][0] = n;
        CflagDim[n] = 0;
        Cisolve[n] = i;
        Cjsolve[n] = j;
        if (levels >= 3 && MGSCpointCols >= 5) MGSCpoint[n][4] = t;
      }
  }
  for (int r = 1; r <= NoBlocks0; ++r) {
    const BlockRecord& B = block[r];
    if (B.gridLevel != 0) continue;
    for (int j = B.j1; j <= B.j2; ++j)
      for (int i = B.i1; i <= B.i2; ++i) {
        const int n = numAt(i, j, 1);
        if (n == 0) continue;
        const int c = lowestCell(i, j), t = topCell(c);
        Cpoint1[n] = Cpoint1[c], Cpoint2[n] = Cpoint2[c], Cpoint3[n] = Cpoint3[c], Cpoint4[n] = Cpoint4[c];
        Cpoint5[n] = Cpoint5[t], Cpoint6[n] = Cpoint6[t], Cpoint7[n] = Cpoint7[t], Cpoint8[n] = Cpoint8[t];
        Ccells[n] = numAt(i, j - 1, 1);
        Ccelln[n] = numAt(i, j + 1, 1);
        Ccelle[n] = numAt(i + 1, j, 1);
        Ccellw[n] = numAt(i - 1, j, 1);
        Ccellt[n] = Ccellb[n] = 0;
        buildSurfaces(n, true);
      }
  }
  NoBlocks = two;
  closeLevelRecord(two);
  connectFreeSides(block[two].firstCell, block[two].lastCell);

  if (MGSCpointCols < 5) return;
  for (int L = 3; L <= levels; ++L) {
    const int s = 1 << (L - 2), h = s / 2;
    const int rec = ++NoBlocks;
    openLevelRecord(rec, L);
    for (int r = 1; r < rec; ++r) {
      const BlockRecord& B = block[r];
      if (B.gridLevel != 0) continue;
      for (int i = B.i1; i <= B.i2; i += s)
        for (int j = B.j1; j <= B.j2; j += s) {
          const int a = numAt(i, j, L - 2), b = numAt(i, j + h, L - 2), c = numAt(i + h, j + h, L - 2),
                    d = numAt(i + h, j, L - 2);
          if (a == 0 || b == 0 || c == 0 || d == 0) continue;
          const int n = nextCoarseCell();
          num[i][j][L - 1] = n;
          for (int p : {a, b, c, d}) MGSCpoint[p][0] = n;
          MGSCpoint[n][1] = a, MGSCpoint[n][2] = b, MGSCpoint[n][3] = c, MGSCpoint[n][4] = d;
        }
    }
    for (int r = 1; r < rec; ++r) {
      const BlockRecord& B = block[r];
      if (B.gridLevel != 0) continue;
      for (int i = B.i1; i <= B.i2; i += s)
        for (int j = B.j1; j <= B.j2; j += s) {
          const int n = numAt(i, j, L - 1);
          if (n == 0) continue;
          const int a = MGSCpoint[n][1], b = MGSCpoint[n][2], c = MGSCpoint[n][3], d = MGSCpoint[n][4];
          Cpoint1[n] = Cpoint1[a], Cpoint2[n] = Cpoint2[d], Cpoint3[n] = Cpoint3[c], Cpoint4[n] = Cpoint4[b];
          Cpoint5[n] = Cpoint5[a], Cpoint6[n] = Cpoint6[d], Cpoint7[n] = Cpoint7[c], Cpoint8[n] = Cpoint8[b];
          Ccells[n] = numAt(i, j - s, L - 1);
          Ccelln[n] = numAt(i, j + s, L - 1);
          Ccellw[n] = numAt(i - s, j, L - 1);
          Ccelle[n] = numAt(i + s, j, L - 1);
          Ccellt[n] = Ccellb[n] = 0;
          buildSurfaces(n, false);
        }
    }
    closeLevelRecord(rec);
    connectFreeSides(block[rec].firstCell, block[rec].lastCell);
  }
}
