// Joins between columns that the cell builder cannot make: free sides of top
// cells whose plan edges coincide with a free side of another block (Connect),
// the uneven edge between blocks 1 and 2 (connectUneven), and the outer faces
// of nested blocks (computeNestedArrays).
#include <cmath>
#include <vector>

#include "grid/generate.h"
#include "state/log.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"

namespace {

int& neighbour(int c, int side) {
  switch (side) {
    case SideS: return Ccells[c];
    case SideE: return Ccelle[c];
    case SideN: return Ccelln[c];
    default: return Ccellw[c];
  }
}

int surface(int c, int side) {
  switch (side) {
    case SideS: return Cflates[c];
    case SideE: return Cflatee[c];
    case SideN: return Cflaten[c];
    default: return Cflatew[c];
  }
}

// The two bottom corners of a side, in the order Connect expects.
void sideEdge(int c, int side, int& q1, int& q2) {
  switch (side) {
    case SideS: q1 = Cpoint1[c]; q2 = Cpoint2[c]; break;
    case SideE: q1 = Cpoint2[c]; q2 = Cpoint3[c]; break;
    case SideN: q1 = Cpoint3[c]; q2 = Cpoint4[c]; break;
    default: q1 = Cpoint4[c]; q2 = Cpoint1[c]; break;
  }
}

bool eastOrNorth(int side) { return side == SideE || side == SideN; }

// Joins the level (c, c0): neighbour entries and the cells of both surfaces.
void join(int c, int s, int c0, int s0) {
  neighbour(c, s) = c0;
  const int fc = surface(c, s);
  neighbour(c0, s0) = c;
  const int fc0 = surface(c0, s0);
  if (eastOrNorth(s)) {
    Fcell1[fc] = c;
    Fcell2[fc] = c0;
  } else {
    Fcell1[fc] = c0;
    Fcell2[fc] = c;
  }
  if (eastOrNorth(s0)) {
    Fcell1[fc0] = c0;
    Fcell2[fc0] = c;
  } else {
    Fcell1[fc0] = c;
    Fcell2[fc0] = c0;
  }
}

void storePair(int row, int c, int s, int c0, int s0) {
  const int fc = surface(c, s), fc0 = surface(c0, s0);
  connFlate[row][0] = eastOrNorth(s) ? fc : fc0;
  connFlate[row][1] = eastOrNorth(s) ? fc0 : fc;
}

// Takes the join of the level away again on c's side.
void unjoin(int c, int s) {
  neighbour(c, s) = 0;
  const int fc = surface(c, s);
  if (eastOrNorth(s))
    Fcell2[fc] = 0;
  else
    Fcell1[fc] = 0;
}

int lowestOf(int c) {
  while (Ccellb[c] > 0) c = Ccellb[c];
  return c;
}

bool joinsDownToBothBottoms() {
  return (UMethod >= 8 && UMethod <= 13) || (UMethod >= 30 && UMethod <= 40) || UMethod >= 100;
}

}  // namespace

int Connect(int a, int b, int c0, int s0) {
  int c = 0, s = 0;
  for (int cand = WCStart; cand <= WCEnd && c == 0; ++cand) {
    if (cand == c0 || Ccellt[cand] != 0) continue;
    for (int side = SideS; side <= SideW; ++side) {
      if (neighbour(cand, side) != 0) continue;
      int q1, q2;
      sideEdge(cand, side, q1, q2);
      if (checkXY(Px[a], Px[b], Px[q1], Px[q2], Py[a], Py[b], Py[q1], Py[q2]) > 0) {
        c = cand;
        s = side;
        break;
      }
    }
  }
  if (c == 0) return 0;

  for (;;) {
    // The row is checked before the level is joined, so that a full list
    // leaves neither a joined level without its pair nor a count beyond it.
    if (NoConnFlate + 1 >= MaxConnFlate) {
      logf("Error, increase 5th integer on F 65 data set, now at: %d\n", NoConnFlate + 1);
      return -47;
    }
    join(c, s, c0, s0);
    ++NoConnFlate;
    storePair(NoConnFlate, c, s, c0, s0);
    const int cb = Ccellb[c], c0b = Ccellb[c0];
    if (cb > 0 && c0b > 0) {
      c = cb;
      c0 = c0b;
      continue;
    }
    if (!joinsDownToBothBottoms() || (cb == 0 && c0b == 0)) return 1;
    if (c0b == 0) {
      unjoin(c, s);
      c = lowestOf(c);
    } else {
      unjoin(c0, s0);
      c0 = lowestOf(c0);
    }
    join(c, s, c0, s0);
    storePair(NoConnFlate, c, s, c0, s0);
    return 1;
  }
}

void connectUneven() {
  if (NoBlocks < 2) return;
  // W lies west of the edge, E east of it.
  const BlockRecord &b1 = block[1], &b2 = block[2];
  const BlockRecord& bw = UnevenConnect == 1 ? b1 : b2;
  const BlockRecord& be = UnevenConnect == 1 ? b2 : b1;
  const int iW = UnevenConnect == 1 ? b1.i2 : b2.i1;
  const int iE = UnevenConnect == 1 ? b2.i1 : b1.i2;

  auto segment = [](int i, int j) { return std::hypot(xval[i][j] - xval[i][j - 1], yval[i][j] - yval[i][j - 1]); };
  auto arcPositions = [&](int line, int j1, int j2) {
    std::vector<double> pos(static_cast<std::size_t>(j2 + 1), 0.0);
    double run = 0;
    for (int j = j1; j <= j2; ++j) {
      pos[static_cast<std::size_t>(j)] = run + 0.5 * segment(line, j);
      run += segment(line, j);
    }
    return pos;
  };
  const std::vector<double> posW = arcPositions(iW, bw.j1, bw.j2);
  const std::vector<double> posE = arcPositions(iE - 1, be.j1, be.j2);

  // The cells of a column that have a cell above, from the bottom, with the
  // mid-levels of the k-th cell from the bottom.
  auto columnCells = [](int i, int j, std::vector<int>& cells, std::vector<double>& mid) {
    cells.clear();
    mid.clear();
    int c = static_cast<int>(zval[i][j][0]);
    for (int k = 1; c > 0 && Ccellt[c] > 0 && k + 1 <= znumber + 1; ++k, c = Ccellt[c]) {
      cells.push_back(c);
      mid.push_back(0.25 * (zval[i][j - 1][k] + zval[i][j][k] + zval[i][j - 1][k + 1] + zval[i][j][k + 1]));
    }
  };
  auto nearest = [](double z, const std::vector<double>& mid) {
    std::size_t best = 0;
    for (std::size_t q = 1; q < mid.size(); ++q)
      if (std::fabs(mid[q] - z) < std::fabs(mid[best] - z)) best = q;
    return best;
  };

  std::vector<int> cw, ce;
  std::vector<double> mw, me;
  for (int jW = bw.j1; jW <= bw.j2; ++jW) {
    int jE = be.j1;
    for (int j = be.j1; j <= be.j2; ++j)
      if (std::fabs(posE[static_cast<std::size_t>(j)] - posW[static_cast<std::size_t>(jW)]) <
          std::fabs(posE[static_cast<std::size_t>(jE)] - posW[static_cast<std::size_t>(jW)]))
        jE = j;
    columnCells(iW, jW, cw, mw);
    columnCells(iE, jE, ce, me);
    if (cw.empty() || ce.empty()) continue;
    for (std::size_t q = 0; q < cw.size(); ++q) {
      const int partner = ce[nearest(mw[q], me)];
      Ccelle[cw[q]] = partner;
      Fcell2[Cflatee[cw[q]]] = partner;
    }
    for (std::size_t q = 0; q < ce.size(); ++q) {
      const int partner = cw[nearest(me[q], mw)];
      Ccellw[ce[q]] = partner;
      Fcell1[Cflatew[ce[q]]] = partner;
    }
  }
}

int computeNestedArrays() {
  NoNestflater = 0;
  auto add = [](int c, int f, int b) {
    if (!Npflate || NoNestflater + 1 >= MaxNester) {
      logf("Error: the list of nested faces is full. Increase the 4th integer on the F 65 data set.\n");
      return false;
    }
    ++NoNestflater;
    Npcelle[NoNestflater] = c;
    Npflate[NoNestflater] = f;
    Npblock[NoNestflater] = b;
    return true;
  };
  for (int b = 1; b <= NoBlocks && b < 100; ++b) {
    const BlockRecord& blk = block[b];
    if (blk.nestLevel <= 0) continue;
    for (int i = blk.i1; i <= blk.i2; ++i)
      for (int j = blk.j1; j <= blk.j2; ++j)
        for (int c = static_cast<int>(zval[i][j][0]); c > 0; c = Ccellt[c]) {
          CflagDim[c] = 2;
          const bool westOnly = FlagNestFluxInterpol == 3;
          if (!westOnly && Ccelle[c] == 0 && i == blk.i2 && !add(c, Cflatee[c], b)) return -46;
          if (!westOnly && Ccells[c] == 0 && j == blk.j1 && !add(c, Cflates[c], b)) return -46;
          if (Ccellw[c] == 0 && i == blk.i1 && !add(c, Cflatew[c], b)) return -46;
          if (!westOnly && Ccelln[c] == 0 && j == blk.j2 && !add(c, Cflaten[c], b)) return -46;
          if (Ccellt[c] == 0 && NestSurf == 1 && !add(c, Cflatet[c], b)) return -46;
        }
  }
  return 0;
}
