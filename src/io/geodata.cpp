// Terrain points from the first terrain file that exists: `geodata` (E
// records), `geodatk` (numbered comma lines), `geodatm` (comma lines),
// `geodatn` (blank-separated lines) or the raster `vastrin`. The lines of the
// reading go to the log `boogie.bed`, which every reading empties.
#include <cmath>
#include <cstdarg>
#include <cstdio>

#include "state/log.h"
#include "state/outfile.h"
#include "state/scanner.h"
#include "io/terrain.h"
#include "state/alloc.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "state/terrain.h"

namespace {

enum class Form { Geodata, Numbered, Comma, Blank, Raster };

struct TerrainFile {
  char name[64];
  Form form;
};

// The bed log of one reading, open from its creation to the end of the reading.
std::FILE* bedLog = nullptr;

void bedLine(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
void bedLine(const char* fmt, ...) {
  if (!bedLog) return;
  va_list ap;
  va_start(ap, fmt);
  std::vfprintf(bedLog, fmt, ap);
  va_end(ap);
}

// The pointer is cleared before the close, which may end the run: a later
// reading must not close the same file again.
void closeBedLog() {
  std::FILE* f = bedLog;
  bedLog = nullptr;
  if (f) closeOutput(f);
}

// A format error of `vastrin`: the line goes to both logs and the run ends.
[[noreturn]] void rasterError(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
[[noreturn]] void rasterError(const char* fmt, ...) {
  char text[300];
  va_list ap;
  va_start(ap, fmt);
  std::vsnprintf(text, sizeof text, fmt, ap);
  va_end(ap);
  bedLine("%s", text);
  closeBedLog();
  fatal(-1, "%s", text);
}

// Reads a literal character right after the value before it ("%d," in a format).
bool literal(Scanner& s, char c) {
  if (s.peek() != c) return false;
  s.get();
  return true;
}

// The next point of a line form into xyz: false at the end of the file or at
// a line that is no record (a footer, with a warning); a record that is there
// but incomplete, or holds more than its values, ends the run with its line.
bool nextLinePoint(Scanner& s, Form form, const char* name, double xyz[3]) {
  s.skipSpace();
  if (s.atEnd()) return false;
  const std::size_t at = s.position();
  bool ok = true;
  if (form == Form::Numbered) {
    int number;
    ok = s.readInt(number) && literal(s, ',') && s.readDouble(xyz[0]) && literal(s, ',') && s.readDouble(xyz[1]) &&
         literal(s, ',') && s.readDouble(xyz[2]);
    if (ok) literal(s, ',');
  } else if (form == Form::Comma) {
    ok = s.readDouble(xyz[0]) && literal(s, ',') && s.readDouble(xyz[1]) && literal(s, ',') && s.readDouble(xyz[2]);
  } else {
    ok = s.readDoubles(xyz, 3) == 3;
  }
  const char* what = form == Form::Numbered ? "a line holds the record number, x, y and z, each followed by a comma"
                     : form == Form::Comma  ? "a line holds x, y and z separated by commas"
                                            : "a line holds the three numbers x, y and z";
  if (!ok) {
    recordFailed(s, at, name, what);
    return false;
  }
  endOfRecordLine(s, at, name, what);
  return true;
}

bool nextPoint(Scanner& s, const TerrainFile& f, double xyz[3]) {
  return f.form == Form::Geodata ? nextTerrainPoint(s, f.name, xyz) : nextLinePoint(s, f.form, f.name, xyz);
}

// The most points a terrain file may hold: the arrays are indexed by int.
constexpr long kMaxPoints = 500000000L;

[[noreturn]] void tooManyPoints(const char* name) {
  bedLine("Error: the file %s holds more than %ld points\n", name, kMaxPoints);
  closeBedLog();
  fatal(-1, "Error: the terrain-point file %s holds more than %ld points\n", name, kMaxPoints);
}

// The raster size from the first line of `vastrin`; checked before anything
// is stored. A raster that defines the grid must fit the block grid.
void rasterSize(Scanner& s, int& ni, int& nj) {
  s.seek(0);
  if (!s.readInt(ni) || !s.readInt(nj)) rasterError("Error reading file, two integers are required initially\n\n");
  if (ni < 1 || nj < 1 || static_cast<long long>(ni) * nj > kMaxPoints)
    rasterError("Error in vastrin file: a raster of %d rows and %d values per row cannot be read\n\n", ni, nj);
  if (NoBlocks == 0 && (ni > xnumber - 2 || nj > ynumber - 2))
    rasterError(
        "Error in vastrin file: the raster of %d rows and %d values per row is larger than the block grid.\n"
        "The two first integers on the G 1 data set should be at least %d %d\n\n",
        ni, nj, ni + 2, nj + 2);
}

// The raster points, and on a grid without blocks the grid lines of block 1.
long readRaster(Scanner& s) {
  int ni = 0, nj = 0;
  rasterSize(s, ni, nj);
  const bool definesGrid = NoBlocks == 0;
  for (int c = 1; c <= nj; ++c) {
    double y;
    if (!s.readDouble(y)) rasterError("Error reading file, first line, j=%d\n\n", c);
    yg[c - 1] = y;
    if (definesGrid) yval[1][c] = y;
  }
  for (int r = 1; r <= ni; ++r) {
    double x;
    if (!s.readDouble(x)) rasterError("Error reading file, first number line, j=%d\n\n", r);
    for (int c = 1; c <= nj; ++c) {
      double z;
      if (!s.readDouble(z)) rasterError("Error reading file, line %d, number, %d\n\n", c, r);
      const long p = static_cast<long>(nj) * (r - 1) + (c - 1);
      xg[p] = x;
      yg[p] = yg[c - 1];  // row 1 holds the y of every raster column
      zg[p] = z;
      ig[p] = 0;
      if (definesGrid) {
        xval[r][c] = x;
        yval[r][c] = yval[1][c];
        zval[r][c][1] = z;
      }
    }
  }
  if (definesGrid) {
    BlockRecord& B = block[1];
    B.i1 = 2, B.i2 = ni, B.j1 = 2, B.j2 = nj;
    B.nestLevel = 0, B.bedFlag = 1, B.levelCount = znumber, B.field12 = 1, B.field14 = 1, B.field15 = 0;
    B.refSearch = 1;
    NoBlocks = 1;
    BlockID = 1;
  }
  return static_cast<long>(ni) * nj;
}

// The first terrain file that exists, loaded; false when none does.
bool findTerrainFile(Scanner& s, TerrainFile& f) {
  if (FlagMPI != 0) {
    std::snprintf(f.name, sizeof f.name, "geodata.mpi%d", FlagMPI);
    f.form = Form::Geodata;
    if (s.open(f.name)) return true;
    bedLine("Could not open file geodata\n");
    return false;
  }
  const struct {
    const char* name;
    Form form;
  } order[] = {{"geodata", Form::Geodata},
               {"geodatk", Form::Numbered},
               {"geodatm", Form::Comma},
               {"geodatn", Form::Blank},
               {"vastrin", Form::Raster}};
  for (const auto& o : order)
    if (s.open(o.name)) {
      std::snprintf(f.name, sizeof f.name, "%s", o.name);
      f.form = o.form;
      return true;
    }
  bedLine("Could not open file geodata/geodatk/geodatm\n");
  return false;
}

// Counting pass: the number of points, and for a file without points the
// last byte read.
long countPoints(Scanner& s, const TerrainFile& f, int& lastChar) {
  lastChar = ' ';
  if (f.form == Form::Raster) {
    int ni = 0, nj = 0;
    rasterSize(s, ni, nj);
    return static_cast<long>(ni) * nj;
  }
  long n = 0;
  double xyz[3];
  while (nextPoint(s, f, xyz))
    if (++n > kMaxPoints) tooManyPoints(f.name);
  if (s.position() > 0) {
    s.seek(s.position() - 1);
    const int c = s.peek();
    if (c > ' ' && c < 127) lastChar = c;
  }
  return n;
}

}  // namespace

double readGeodata() {
  closeBedLog();  // left open by a reading that ended the run (fuzz builds go on)
  bedLog = openWrite("boogie.bed", "w");
  if (!bedLog) return -1.0;

  Scanner s;
  TerrainFile f{};
  if (!findTerrainFile(s, f)) {
    closeBedLog();
    return -2.0;
  }

  int lastChar = ' ';
  const long counted = countPoints(s, f, lastChar);
  NoGeo = static_cast<int>(counted);
  bedLine("Number of points in geodata file: %d\n", NoGeo);
  if (NoGeo == 0) {
    bedLine("\nProbable error in geodata file. Last read charachter: %c\n", lastChar);
    // A record whose numbers cannot all be read ends the run, so a file
    // without points has made no numeric scan.
    bedLine("Last read %d number of floating points.\n", -1);
  }

  // The arrays of an earlier reading are given back first.
  for (void** slot : {reinterpret_cast<void**>(&xg), reinterpret_cast<void**>(&yg), reinterpret_cast<void**>(&zg),
                      reinterpret_cast<void**>(&ig)})
    if (*slot) alloc::release(slot);
  const std::size_t n = alloc::extent(NoGeo, 5002);
  double failedBytes = 0.0;
  if (!allocate1(xg, n)) failedBytes += static_cast<double>(n) * sizeof(double);
  if (!allocate1(yg, n)) failedBytes += static_cast<double>(n) * sizeof(double);
  if (!allocate1(zg, n)) failedBytes += static_cast<double>(n) * sizeof(double);
  if (!allocate1(ig, n)) failedBytes += static_cast<double>(n) * sizeof(int);
  if (failedBytes > 0.0) {
    // No point is read into arrays that are not there: the caller sees the
    // missing bytes and no points.
    for (void** slot : {reinterpret_cast<void**>(&xg), reinterpret_cast<void**>(&yg), reinterpret_cast<void**>(&zg),
                        reinterpret_cast<void**>(&ig)})
      if (*slot) alloc::release(slot);
    bedLine("Could not allocate %.0lf bytes for the %d terrain points\n", failedBytes, NoGeo);
    NoGeo = 0;
    closeBedLog();
    return failedBytes;
  }

  s.seek(0);
  long stored = 0;
  if (f.form == Form::Raster) {
    stored = readRaster(s);
  } else {
    double xyz[3];
    while (stored < NoGeo && nextPoint(s, f, xyz)) {
      if (f.form == Form::Geodata)
        for (double& v : xyz) v = v * ScaleGeodataMult + ScaleGeodataAdd;
      xg[stored] = xyz[0];
      yg[stored] = xyz[1];
      zg[stored] = xyz[2];
      ig[stored] = 0;
      if (f.form == Form::Geodata && std::fabs(xyz[0]) > 1e12) bedLine("xg = %le\n", xyz[0]);
      ++stored;
    }
  }
  bedLine("Number of points read from geodata file: %ld\n", stored);
  closeBedLog();
  return 0.0;
}
