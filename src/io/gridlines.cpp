// Block-grid line files: koosurf read for a generated grid, and the writers
// that save block 1 unchanged, coarsened, refined or cut into parts.
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <unordered_map>

#include "io/gridfiles.h"
#include "state/outfile.h"
#include "state/log.h"
#include "io/modelfiles.h"
#include "state/scanner.h"
#include "sediment/sediment.h"
#include "state/arrays.h"
#include "state/baggerstate.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"

namespace {

struct Line {
  int i, j;
  double x, y, bed, surface;
};

bool readSixValues(Scanner& s, Line& l) {
  int ij[2];
  double v[4];
  if (s.readInts(ij, 2) != 2 || s.readDoubles(v, 4) != 4) return false;
  l = {ij[0], ij[1], v[0], v[1], v[2], v[3]};
  return true;
}

void writeSix(FILE* f, int i, int j, double x, double y, double bed, double surface) {
  std::fprintf(f, "%d %d %lf %lf %lf %lf\n", i, j, x, y, bed, surface);
}

// Appends the block of grid lines 1..maxI by 1..maxJ placed at j + o; a
// nested block has nest level 1 and no reference search.
void appendBlock(int maxI, int maxJ, int o, bool nested) {
  NoBlocks = NoBlocks + 1;
  BlockID = NoBlocks;
  BlockRecord& B = block[NoBlocks];
  B.i1 = 2, B.i2 = maxI, B.j1 = o + 2, B.j2 = maxJ + o;
  B.nestLevel = nested ? 1 : 0, B.bedFlag = 1, B.levelCount = znumber, B.field12 = 1, B.field14 = nested ? 0 : 1;
  B.field15 = 0, B.refSearch = nested ? 0 : 1, B.d1 = B.d2 = 0.0;
}

// The offset of a block placed beside the last one: its j2 (0 without blocks).
int besideLastBlock() { return NoBlocks > 0 ? block[NoBlocks].j2 : 0; }

// The G 1 sizes must hold the grid lines up to maxI, maxJ (with the offset)
// and the block table one more block.
void requireRoom(const char* file, int maxI, int maxJ, int status) {
  if (!(xnumber - 1 > maxI && ynumber - 1 > maxJ))
    fatal(status,
          "Error, increase the G 1 values in control file and try again\n"
          "The two first integers on G 1 data set should be at least %d %d\n",
          maxI + 2, maxJ + 2);
  if (NoBlocks + 1 > 99) fatal(status, "Error: %s makes block %d, at most 99 blocks fit\n", file, NoBlocks + 1);
}

}  // namespace

namespace {

// Steps of koosurf reading: every line checked and the largest indexes found,
// room for them (placed at j + o), the block appended, the lines stored.
void readKoosurfBlock(Scanner& s, int o, int& maxI, int& maxJ) {
  constexpr long kMaxLines = 10000000;
  // The G 1 message adds 2 to the largest indexes; larger ones no G 1 data
  // set can give.
  const int kMaxIndex = INT_MAX - 2 - o;
  long lines = 0;
  maxI = maxJ = 0;
  Line l;
  const char* six = "six numbers are expected: i, j, x, y, bed level, water level";
  // Where in the file each grid line was given: a grid line given twice is
  // refused (the later one would silently win). Positions, not line numbers:
  // counting the lines up to every record would cost the square of the file.
  std::unordered_map<long long, std::size_t> given;
  for (s.skipSpace(); lines < kMaxLines && !s.atEnd(); s.skipSpace()) {
    const std::size_t at = s.position();
    if (!readSixValues(s, l)) {
      recordFailed(s, at, "koosurf", six);
      break;
    }
    endOfRecordLine(s, at, "koosurf", six);
    ++lines;
    if (l.i < 1 || l.j < 1)
      fatal(-4, "Error in koosurf file: the indexes (%d,%d) of line %d must be 1 or more\n", l.i, l.j, s.lineOf(at));
    if (l.i > kMaxIndex || l.j > kMaxIndex)
      fatal(-4, "Error in koosurf file: the indexes (%d,%d) of line %d are larger than any G 1 data set can give\n",
            l.i, l.j, s.lineOf(at));
    const auto [place, first] = given.emplace((static_cast<long long>(l.i) << 32) | l.j, at);
    if (!first) {
      logf("Error in koosurf file: grid line (%d,%d) is given twice, at line %d and at line %d\n", l.i, l.j,
           s.lineOf(place->second), s.lineOf(at));
      logRecordPlace(s, at, "koosurf");
      fatal(-4, nullptr);
    }
    if (l.i > maxI) maxI = l.i;
    if (l.j > maxJ) maxJ = l.j;
  }
  if (lines == 0) fatal(-4, "Error in koosurf file: it holds no grid line\n");
  requireRoom("koosurf", maxI, maxJ + o, -4);
  // The block takes every grid line 1..maxI x 1..maxJ: one that is missing
  // would stand at the origin and fold the grid.
  if (static_cast<long long>(maxI) * maxJ != lines)
    for (int i = 1; i <= maxI; ++i)
      for (int j = 1; j <= maxJ; ++j)
        if (!given.count((static_cast<long long>(i) << 32) | j))
          fatal(-4, "Error in koosurf file: grid line (%d,%d) is missing; the file gives %ld of the %d x %d grid lines\n",
                i, j, lines, maxI, maxJ);

  appendBlock(maxI, maxJ, o, false);

  s.seek(0);
  for (long n = 0; n < lines && readSixValues(s, l); ++n) {
    xval[l.i][l.j + o] = l.x;
    yval[l.i][l.j + o] = l.y;
    zval[l.i][l.j + o][1] = l.bed;
    zval[l.i][l.j + o][znumber] = l.surface;
    // The bed as read: the start of the bed changes that the sediment
    // computation reports and resets to, as with the other grid files.
    Surfaces[0][l.i][l.j + o] = l.bed;
  }
}

}  // namespace

void readKoosurf() {
  Scanner s;
  if (!s.open("koosurf")) fatal(-4, "Error, can not open koosurf file\n");
  int maxI, maxJ;
  readKoosurfBlock(s, 0, maxI, maxJ);
  logf("Have read koosurf file: max i: %d, max j: %d\n\n", maxI, maxJ);
}

int addBlockKoosurf() {
  Scanner s;
  if (!s.open("koosurf")) {
    logf("Error opening koosurf file\n\n");
    return -1;
  }
  int maxI, maxJ;
  readKoosurfBlock(s, besideLastBlock(), maxI, maxJ);
  return 0;
}

namespace {

// koosurf.nes: intersection lines "i j x y bed water" (one more real in mode
// 7), and placement records that start with 999997, 999998 or 999999 and
// set the mode 7, 8 or 9.
struct NestedFile {
  struct Placement {
    int i1 = 0, i2 = 0, j1 = 0, j2 = 0, iRef = 0, jRef = 0;
    double xRef = 0, yRef = 0, scale = 0, angle = 0, level = 0;
  };
  Scanner& s;
  int mode = 0;
  Placement p;

  // Reads the next record: true with an intersection in l, false at the end
  // (the first record that does not convert). A placement record is taken
  // in and the next record read.
  bool next(Line& l) {
    for (;;) {
      s.skipSpace();
      if (s.atEnd()) return false;
      const std::size_t at = s.position();
      int first;
      if (!s.readInt(first)) return false;
      if (first >= 999997 && first <= 999999) {
        int v[6];
        double r[5];
        if (s.readInts(v, 6) != 6 || s.readDoubles(r, 5) != 5) return false;
        p = {v[0], v[1], v[2], v[3], v[4], v[5], r[0], r[1], r[2], r[3], r[4]};
        if (p.i2 < p.i1 || p.j2 < p.j1 || p.scale < 0.0)
          fatal(-9999999, "Error in koosurf.nes file: the placement record of line %d needs i2 >= i1, j2 >= j1 "
                          "and a scale of 0 or more\n", s.lineOf(at));
        mode = first - 999990;
        continue;
      }
      double v[4];
      if (!s.readInt(l.j) || s.readDoubles(v, 4) != 4) return false;
      if (mode == 7) {
        double extra;
        if (!s.readDouble(extra)) return false;
      }
      l.i = first, l.x = v[0], l.y = v[1], l.bed = v[2], l.surface = v[3];
      if (l.i < 1 || l.j < 1 || l.i > INT_MAX - 2 || l.j > INT_MAX / 2)
        fatal(-5, "Error in koosurf.nes file: the indexes (%d,%d) of line %d must be 1 or more and fit a G 1 data set\n",
              l.i, l.j, s.lineOf(at));
      return true;
    }
  }
};

}  // namespace

int addBlockKoosurfNested() {
  Scanner s;
  if (!s.open("koosurf.nes")) {
    logf("Error opening koosurf.nes file\n\n");
    return -1;
  }
  // First pass: the largest indexes.
  NestedFile file{s};
  Line l;
  int maxI = 0, maxJ = 0;
  for (long n = 0; n < 10000000 && file.next(l); ++n) {
    maxI = std::max(maxI, l.i);
    maxJ = std::max(maxJ, l.j);
  }
  const int o = besideLastBlock();
  if (maxI > xnumber - 2 || maxJ + o >= ynumber - 1)
    fatal(-5,
          "Error, increase G 1 values in control file and try again\n"
          "The two first integers on G 1 data set should be at least %d %d\n",
          maxI + 2, maxJ + o + 2);
  requireRoom("koosurf.nes", maxI, maxJ + o, -5);
  appendBlock(maxI, maxJ, o, true);
  const int mode = file.mode;
  const NestedFile::Placement p = file.p;

  // Second pass: the intersections into the new block.
  if (mode != 7) {
    s.seek(0);
    NestedFile again{s};
    for (long n = 0; n < 10000000 && again.next(l); ++n) {
      xval[l.i][l.j + o] = l.x;
      yval[l.i][l.j + o] = l.y;
      zval[l.i][l.j + o][1] = l.bed;
      zval[l.i][l.j + o][znumber] = mode == 9 ? p.level : l.surface;
    }
  }
  if (mode == 8 || mode == 9) {
    // Shifted so that the reference intersection lands on the reference
    // point, then scaled and turned about it.
    if (p.iRef < 1 || p.iRef > maxI || p.jRef < 1 || p.jRef > maxJ)
      fatal(-9999999, "Error in koosurf.nes file: the reference intersection (%d,%d) lies outside the block\n",
            p.iRef, p.jRef);
    const double sx = p.xRef - xval[p.iRef][p.jRef + o], sy = p.yRef - yval[p.iRef][p.jRef + o];
    for (int i = 1; i <= maxI; ++i)
      for (int j = 1; j <= maxJ; ++j) {
        const double dx = p.scale * (xval[i][j + o] + sx - p.xRef), dy = p.scale * (yval[i][j + o] + sy - p.yRef);
        const double r = std::sqrt(dx * dx + dy * dy);
        double theta = std::acos(dy / (r + 1e-30));
        if (dx < 0.0) theta = 6.2831853071794 - theta;
        theta += p.angle * 0.01745329251994278;
        xval[i][j + o] = p.xRef + r * std::sin(theta);
        yval[i][j + o] = p.yRef + r * std::cos(theta);
      }
    // The outblocked box of the nested block, moved like it.
    const int j1 = p.j1 + o, j2 = p.j2 + o;
    if (FILE* f = std::fopen("control.nes", "a")) {
      std::fprintf(f, "Add new data set for outblocking to control file: G 13 1 %d %d %d %d 2 %d\n", p.i1, p.i2, j1, j2,
                   znumber);
      std::fclose(f);
    } else {
      logf("Error opening control.nes file\n\n");
    }
    if (p.i1 > 0) {
      if (OutBlockNo + 1 > 499) fatal(1, "Input error for outblocked areas (G 13 in control)\nData sets must not exceed 499\n");
      OutBlock[++OutBlockNo] = {1, p.i1, p.i2, j1, j2, 2, znumber};
    }
  }
  BlockID = 0;
  return 0;
}

void writekoosurf() {
  if (NoBlocks < 1) return;
  if (FlagBagger >= 1 && NoBaggerTimes == -1) readBagger();
  const BlockRecord& B = block[1];
  const int ia = B.i1 - 1, ib = B.i2, ja = B.j1 - 1, jb = B.j2;

  // All files are created first; when one cannot be, nothing is written.
  FILE* files[6] = {};
  const char* names[6] = {"koosurf.1", "koosurf.fin", "koomin.fin", "koosurf.cor", "fracres.cor", "bagger.cor"};
  const bool wanted[6] = {true, true, true, true, FlagReadFracres > 0, FlagBagger > 0};
  for (int k = 0; k < 6; ++k)
    if (wanted[k] && !(files[k] = openWrite(names[k], "w"))) {
      for (int m = 0; m < k; ++m)
        if (files[m]) std::fclose(files[m]);
      return;
    }
  FILE *one = files[0], *fin = files[1], *minFin = files[2], *cor = files[3], *frac = files[4], *bag = files[5];

  for (int i = ia; i <= ib; ++i)
    for (int j = ja; j <= jb; ++j) writeSix(one, i, j, xval[i][j], yval[i][j], zval[i][j][1], zval[i][j][znumber]);
  closeOutput(one);

  for (int i = ia, ci = 1; i <= ib; i += 2, ++ci)
    for (int j = ja, cj = 1; j <= jb; j += 2, ++cj)
      writeSix(cor, ci, cj, xval[i][j], yval[i][j], zval[i][j][1], zval[i][j][znumber]);
  closeOutput(cor);

  if (frac) {
    // A dry column has no fractions; the wet columns after it are written all the same.
    for (int i = B.i1, ci = 2; i <= B.i2; i += 2, ++ci)
      for (int j = B.j1, cj = 2; j <= B.j2; j += 2, ++cj) {
        const int b[4] = {pointbed[i][j], pointbed[i + 1][j], pointbed[i][j + 1], pointbed[i + 1][j + 1]};
        if (b[0] == 0 || b[1] == 0 || b[2] == 0 || b[3] == 0) continue;
        std::fprintf(frac, "%d %d", ci, cj);
        for (int k = 1; k <= lnumber; ++k)
          std::fprintf(frac, " %lf",
                       0.25 * (BSedDistrib[0][k][b[0]] + BSedDistrib[0][k][b[1]] + BSedDistrib[0][k][b[2]] +
                               BSedDistrib[0][k][b[3]]));
        std::fprintf(frac, "\n");
      }
    closeOutput(frac);
  }

  if (bag) {
    // The last event of the schedule on the coarse grid lines: its window,
    // its feeding fractions and the levels that differ from 0.
    const int e = NoBaggerTimes;
    if (e >= 0 && e < MaxBaggerEvents) {
      std::fprintf(bag, "T %lf %lf\n", baggerTime[e][0], baggerTime[e][1]);
      std::fprintf(bag, "F ");
      const bool fractions = zugabeFractions && e < MaxNoBagger;
      for (int k = 1; k <= lnumber; ++k) std::fprintf(bag, "%lf ", fractions ? zugabeFractions[e][k] : 0.0);
      std::fprintf(bag, "\n");
      if (baggerZval && e < MaxNoBagger)
        for (int i = ia, ci = 1; i <= ib; i += 2, ++ci)
          for (int j = ja, cj = 1; j <= jb; j += 2, ++cj)
            if (std::fabs(baggerZval[e][i][j]) > 0.01)
              std::fprintf(bag, "D %d %d %lf %lf %lf\n", ci, cj, xval[i][j], yval[i][j], baggerZval[e][i][j]);
    }
    closeOutput(bag);
  }

  // Refined: every intersection, the midpoints of its two outgoing edges and
  // the centre of its quadrilateral.
  auto refined = [&](FILE* f, bool levels) {
    for (int i = ia; i <= ib; ++i)
      for (int j = ja; j <= jb; ++j) {
        const bool di = i < ib, dj = j < jb;
        const int pi[4] = {i, di ? i + 1 : i, i, di ? i + 1 : i};
        const int pj[4] = {j, j, dj ? j + 1 : j, dj ? j + 1 : j};
        auto put = [&](int ni, int nj, const int* use, int count) {
          double x = 0, y = 0, bed = 0, sur = 0, fixed = 0;
          for (int k = 0; k < count; ++k) {
            const int a = pi[use[k]], b = pj[use[k]];
            x += xval[a][b], y += yval[a][b], bed += zval[a][b][1], sur += zval[a][b][znumber];
            fixed += Surfaces[3][a][b];
          }
          x /= count, y /= count, bed /= count, sur /= count, fixed /= count;
          if (levels)
            writeSix(f, ni, nj, x, y, bed, sur);
          else
            std::fprintf(f, "%d %d %lf %lf %lf\n", ni, nj, x, y, fixed);
        };
        const int self[1] = {0}, east[2] = {0, 1}, north[2] = {0, 2}, centre[4] = {0, 1, 2, 3};
        put(2 * i - 1, 2 * j - 1, self, 1);
        if (di) put(2 * i, 2 * j - 1, east, 2);
        if (dj) put(2 * i - 1, 2 * j, north, 2);
        if (di && dj) put(2 * i, 2 * j, centre, 4);
      }
  };
  refined(fin, true);
  closeOutput(fin);
  refined(minFin, false);
  closeOutput(minFin);

  FILE* two = openWrite("koosurf.2", "w");
  if (!two) return;
  for (int j = ja; j <= jb; ++j)
    for (int i = ia; i <= ib; ++i) writeSix(two, i, j, xval[i][j], yval[i][j], zval[i][j][1], zval[i][j][znumber]);
  closeOutput(two);
}

void writeMPIkoosurf() {
  const int parts = FlagMPI;
  if (parts == 0) fatal(-123, "Error writing MPI koosurf files, %d MPI blocks specified\n\n", parts);
  if (parts < 0 || parts >= 999) fatal(-123, "Error writing MPI koosurf files, %d MPI blocks specified\n\n", parts);
  if (NoBlocks < 1) return;
  const BlockRecord& B = block[1];
  if (!(divisionMPI[1] != -1 || parts == 1)) {
    const int s = (B.i2 - B.i1) / parts;
    for (int k = 1; k < parts; ++k) divisionMPI[k] = k * s + 1;
  }
  divisionMPI[0] = 2;
  divisionMPI[parts] = B.i2;
  for (int p = 1; p <= parts; ++p) {
    char name[64];
    std::snprintf(name, sizeof name, "koosurf.mpi%d", p);
    FILE* f = openWrite(name, "w");
    if (!f) return;
    const int from = divisionMPI[p - 1] - 1 < 0 ? 0 : divisionMPI[p - 1] - 1;
    const int to = divisionMPI[p] > xnumber + 1 ? xnumber + 1 : divisionMPI[p];
    for (int i = from, ni = 1; i <= to; ++i, ++ni)
      for (int j = B.j1 - 1; j <= B.j2; ++j)
        writeSix(f, ni, j, xval[i][j], yval[i][j], zval[i][j][1], zval[i][j][znumber]);
    closeOutput(f);
  }
}

int writekoor() {
  if (NoBlocks < 1) return 0;
  const BlockRecord& B = block[1];
  char name[64];
  if (FlagMPI > 0)
    std::snprintf(name, sizeof name, "koorina.mpi%d.new", FlagMPI);
  else
    std::snprintf(name, sizeof name, "koordina.new");
  FILE* f = openWrite(name, "w");
  if (!f) return 1;
  for (int i = B.i1 - 1; i <= B.i2; ++i)
    for (int j = B.j1 - 1; j <= B.j2; ++j)
      if (FlagRoof == 1)
        std::fprintf(f, "%d %d %lf %lf %lf\n", i, j, xval[i][j], yval[i][j], zval[i][j][1]);
      else
        writeSix(f, i, j, xval[i][j], yval[i][j], zval[i][j][1], zval[i][j][znumber]);
  closeOutput(f);
  f = openWrite("koordina.si1", "w");
  if (!f) return 1;
  for (int i = B.i1 - 1; i <= B.i2; ++i)
    for (int j = B.j1 - 1; j <= B.j2; ++j)
      std::fprintf(f, "%d %d %lf %lf %lf\n", i, j, xval[i][j], yval[i][j], zval[i][j][1]);
  closeOutput(f);
  return 0;
}
