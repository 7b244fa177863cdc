// The flow result file: written by print_result (text or binary), read back
// by run letter R (readres) together with the bed restart file.
//
// Text form: title and time, iteration, residuals, roughness, the "U" line of
// grid counts, a column line, then "C n u v w k epsilon p" per cell and
// "F n flux" per surface, reals as "%14.8e" (9 significant digits). Every cell
// and surface must be given exactly once for the field to be taken.
//
// Binary form: no header; Cxvel, Cyvel, Czvel, Ckinen, Cepsilon, Cpres with
// entries 0..NoCells and Fflux with entries 0..NoSurfaces, 8-byte doubles in
// the machine's order, so that other tools read it as raw doubles. A headerless
// file is accepted only when its length fits the grid. Files of an earlier
// form that start with an 8-byte mark and the cell and surface counts are
// still read, and refused when their counts are not the grid's.
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "io/gridcounts.h"
#include "state/outfile.h"
#include "state/log.h"
#include "io/modelfiles.h"
#include "state/numbered.h"
#include "state/scanner.h"
#include "output/output.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"

namespace {

constexpr char kBinaryMark[8] = {'T', 'V', 'K', 'R', 'E', 'S', 'B', '1'};

// The grid counts of the "U" line.
GridCounts resultCounts() { return gridCounts3D(); }

[[noreturn]] void cannotCreate(const char* status, const std::string& name) {
  setMessage(status);
  fatal(-3, "Error: can not open file '%s' for writing\n", name.c_str());
}

void writeText(std::FILE* f) {
  const GridCounts g = resultCounts();
  std::fprintf(f, "%s %lf seconds\n", Title + 1, stimet);
  std::fprintf(f, "Results, iter = %d\n", Iter);
  std::fprintf(f, "Residuals: %lf %lf %lf %lf %lf %lf\n", MaxResidual[1], MaxResidual[2], MaxResidual[3],
               MaxResidual[4], MaxResidual[5], MaxResidual[6]);
  std::fprintf(f, "Roughness : %lf\n", XksWall);
  std::fprintf(f, "U %d %d %d %d %d %d\n", g.points, g.cells, g.surfaces, g.blocks, g.connect, g.connFlate);
  std::fprintf(f, " i     u     v     w     k    e     p\n");
  for (int c = 1; c <= g.cells; ++c)
    std::fprintf(f, "C %d %14.8e %14.8e %14.8e %14.8e %14.8e %14.8e\n", c, Cxvel[c], Cyvel[c], Czvel[c], Ckinen[c],
                 Cepsilon[c], Cpres[c]);
  for (int n = 1; n <= g.surfaces; ++n) std::fprintf(f, "F %d %14.8e\n", n, Fflux[n]);
}

double* const* binaryFields(double* fields[7]) {
  fields[0] = Cxvel;
  fields[1] = Cyvel;
  fields[2] = Czvel;
  fields[3] = Ckinen;
  fields[4] = Cepsilon;
  fields[5] = Cpres;
  fields[6] = Fflux;
  return fields;
}

void writeBinary(std::FILE* f) {
  double* fields[7];
  binaryFields(fields);
  for (int a = 0; a < 7; ++a)
    std::fwrite(fields[a], sizeof(double), static_cast<std::size_t>(a < 6 ? NoCells + 1 : NoSurfaces + 1), f);
}

// Copies the field just read into the previous time step (transient runs).
void copyToOld() {
  if (!Cxvel_old) return;
  for (int c = 1; c <= NoCells; ++c) {
    Cxvel_old[c] = Cxvel[c];
    if (Cyvel_old) Cyvel_old[c] = Cyvel[c];
    if (Czvel_old) Czvel_old[c] = Czvel[c];
    if (Cpres_old) Cpres_old[c] = Cpres[c];
    if (Ckinen_old) Ckinen_old[c] = Ckinen[c];
    if (Cepsilon_old) Cepsilon_old[c] = Cepsilon[c];
  }
}

void finishRead(int cellsRead, const char* name) {
  copyToOld();
  logf("Have read %d cell values from %s file\n", cellsRead, name);
  FlagInitialized = 1;
  // The field read belongs to the grid in memory: the next BedMake has
  // nothing to carry over to it (a carry-over from the columns of no earlier
  // grid would empty it).
  FlagNeedsToBeInterpolated = 0;
  setMessage(" Have finished reading 'result'");
}

void readBinary() {
  const char* name = "resultb";
  std::FILE* f = std::fopen(name, "rb");
  if (!f) {
    setMessage("cannot open file 'resultb' ");
    fatal(-3, " cannot open file 'resultb' for reading ");
  }
  const long expected = 8L * (6L * (NoCells + 1) + (NoSurfaces + 1));
  char mark[8] = {};
  std::int32_t counts[2] = {0, 0};
  bool marked = std::fread(mark, 1, 8, f) == 8 && std::memcmp(mark, kBinaryMark, 8) == 0;
  if (marked) {
    if (std::fread(counts, sizeof counts[0], 2, f) != 2) {
      std::fclose(f);
      fatal(-4, "Error reading 'resultb' file\n");
    }
    if (counts[0] != NoCells || counts[1] != NoSurfaces) {
      std::fclose(f);
      fatal(-4,
            "Error reading 'resultb' file: it holds %d cells and %d surfaces, the grid has %d cells and %d "
            "surfaces\n",
            static_cast<int>(counts[0]), static_cast<int>(counts[1]), NoCells, NoSurfaces);
    }
  } else {
    // The headerless form: its length must fit this grid exactly.
    struct stat st;
    long size = stat(name, &st) == 0 ? static_cast<long>(st.st_size) : -1;
    if (size != expected) {
      std::fclose(f);
      fatal(-4, "Error reading 'resultb' file: %ld bytes do not fit a grid of %d cells and %d surfaces\n", size,
            NoCells, NoSurfaces);
    }
    std::rewind(f);
  }
  double* fields[7];
  binaryFields(fields);
  for (int a = 0; a < 7; ++a) {
    std::size_t n = static_cast<std::size_t>(a < 6 ? NoCells + 1 : NoSurfaces + 1);
    if (std::fread(fields[a], sizeof(double), n, f) != n) {
      std::fclose(f);
      fatal(-4, "Error reading 'resultb' file\n");
    }
  }
  std::fclose(f);
  finishRead(NoCells, name);
}

void reportCountMismatch(const GridCounts& file, const GridCounts& grid) {
  logf("Error reading result file, array size is not the same as in the grid\n");
  logf("Number of cells in grid is %d, and number of cells in result file is %d\n", grid.cells, file.cells);
  if (grid.points != file.points) logf("No. points in grid: %d, no. points in result file: %d\n", grid.points, file.points);
  if (grid.cells != file.cells) logf("No. cells in grid: %d, no. cells in result file: %d\n", grid.cells, file.cells);
  if (grid.surfaces != file.surfaces)
    logf("No. surfaces in grid: %d, no. surfaces in result file: %d\n", grid.surfaces, file.surfaces);
  if (grid.blocks != file.blocks) logf("No. blocks in grid: %d, no. blocks in result file: %d\n", grid.blocks, file.blocks);
  if (grid.connect != file.connect)
    logf("No. connections in grid: %d, no. connections in result file: %d\n", grid.connect, file.connect);
  if (grid.connFlate != file.connFlate)
    logf("No. connecting surfaces in grid: %d, in result file: %d\n", grid.connFlate, file.connFlate);
  logf("MaxDepth = %lf\n", MaxDepth);
  static const char* const advice[] = {
      "\nAdvice for fixing the problem: \n",
      "If you are not using an F 112 data set in the control file, then the error \n",
      "comes from you are reading a result file prodeuced from a different grid.\n",
      "If you are using an F 112 data set in the control file, you can try to \n",
      "Add an F 209 data set in the control file, with the same value as.\n",
      "the floating point number on the second line on the bedres file\n",
      "If you are reading a bedres file, check that the result and bedres files \n",
      "are written at the same time\n",
      "If you are reading the 'result' file together with the \n",
      "'bedres' file, remember the 'bedres' file will only be \n",
      "read if the F 37 data set is larger than zero\n",
      "If you are reading an unstruc file that is written at the same time as the result file,\n",
      "then the F 112 data set should be removed from the control file\n",
      "Otherwise, the F 112 1 data set should be in the control file\n",
      "Another cause of this error can be if you are using an F 99 data set\n",
      "with an integer above 1\n",
      "If none of these methods work, you can write the whole grid in the unstruc file by using\n",
      "an H at the end of the F 2 data set. Then read this file before reading the result file\n"};
  for (const char* line : advice) logf("%s", line);
  setMessage(" Error reading result file        ");
}

void readText(const char* name) {
  Scanner s;
  if (!s.open(name)) {
    char text[240];
    std::snprintf(text, sizeof text, "cannot open file %s ", name);
    setMessage(text);
    fatal(-3, "Error: have not been able to open the file '%s' for reading\n", name);
  }
  logf(" In readres \n\n");
  setProgram(" Readres-reading results ");
  // The first line is the case title, whatever letters it holds; records start
  // at the beginning of a line.
  s.skipLine();
  const long budget = 20L * (static_cast<long>(xnumber) * ynumber * znumber + static_cast<long>(xnumber) * ynumber);
  long examined = 0;
  int cellsRead = 0;
  int surfacesRead = 0;
  // Which cells and surfaces the file has given: each exactly once.
  std::vector<char> cellGiven(static_cast<std::size_t>(NoCells) + 1, 0);
  std::vector<char> surfaceGiven(static_cast<std::size_t>(NoSurfaces) + 1, 0);
  auto recordFault = [&](std::size_t at, const char* what, int n) {
    setMessage(" Error reading result file        ");
    logf("Error reading result file: %s %d\n", what, n);
    logRecordPlace(s, at, name);
    fatal(-4, nullptr);
  };
  // The records the file must hold: those of the grid, or of the three-dimensional
  // part of a grid with a sub-bed block when the U line says so.
  GridCounts expected = resultCounts();
  bool lineStart = true;
  while (!s.atEnd() && examined < budget) {
    const std::size_t at = s.position();
    int ch = s.get();
    ++examined;
    if (ch == '\n') {
      lineStart = true;
      continue;
    }
    if (!lineStart) continue;
    lineStart = false;
    if (ch != 'C' && ch != 'F' && ch != 'U') continue;
    if (ch == 'C') {
      int n = 0;
      double v[6];
      if (s.readInts(&n, 1) != 1 || s.readDoubles(v, 6) != 6)
        unreadableRecord(s, at, name, "a C record holds a cell number and six numbers: u, v, w, k, epsilon, p");
      if (n < 1 || n > NoCells) recordFault(at, "the grid has no cell", n);
      if (cellGiven[n]) recordFault(at, "a second record of cell", n);
      cellGiven[n] = 1;
      Cxvel[n] = v[0];
      Cyvel[n] = v[1];
      Czvel[n] = v[2];
      Ckinen[n] = v[3];
      Cepsilon[n] = v[4];
      Cpres[n] = v[5];
      double g = 90.0 * v[3] * v[3] / (v[4] + 1e-20) + MinGamma + ArtEddyVisc;
      Cgamma[n] = CgammaV[n] = std::min(MaxGamma, g);
      ++cellsRead;
    } else if (ch == 'F') {
      int n = 0;
      double flux;
      if (s.readInts(&n, 1) != 1 || !s.readDouble(flux))
        unreadableRecord(s, at, name, "an F record holds a surface number and its flux");
      if (n < 1 || n > NoSurfaces) recordFault(at, "the grid has no surface", n);
      if (surfaceGiven[n]) recordFault(at, "a second record of surface", n);
      surfaceGiven[n] = 1;
      Fflux[n] = flux;
      ++surfacesRead;
      if (n == NoSurfaces) break;
    } else {
      int v[6];
      if (s.readInts(v, 6) != 6) unreadableRecord(s, at, name, "the U record holds six grid counts");
      const GridCounts file{v[0], v[1], v[2], v[3], v[4], v[5]};
      const GridCounts grid = resultCounts();
      const bool subBedGrid = file.cells == block[1].lastCell && block[2].subBed == 1;
      if (subBedGrid) {
        expected.cells = file.cells;
        expected.surfaces = file.surfaces;
      } else if (file.points != grid.points || file.cells != grid.cells || file.surfaces != grid.surfaces ||
                 file.blocks != grid.blocks || file.connect != grid.connect || file.connFlate != grid.connFlate) {
        reportCountMismatch(file, grid);
        fatal(-4, nullptr);
      }
    }
  }
  // A file cut short leaves part of the field at the values of before: the
  // run would start from a field that is neither the old nor the new one.
  auto firstMissing = [](const std::vector<char>& given, int count) {
    const int last = std::min<int>(count, static_cast<int>(given.size()) - 1);
    for (int n = 1; n <= last; ++n)
      if (!given[n]) return n;
    return 0;
  };
  const int missingCell = firstMissing(cellGiven, expected.cells);
  const int missingSurface = firstMissing(surfaceGiven, expected.surfaces);
  if (missingCell || missingSurface) {
    setMessage(" Error reading result file        ");
    logf("Error reading result file: it ends with %d of the %d cell records and %d of the %d surface records\n",
         cellsRead, expected.cells, surfacesRead, expected.surfaces);
    if (missingCell)
      logf("Cell %d has no record\n", missingCell);
    else
      logf("Surface %d has no record\n", missingSurface);
    logRecordPlace(s, s.position(), name);
    fatal(2, nullptr);
  }
  FlagReadRes = 1;
  finishRead(cellsRead, name);
}

}  // namespace

GridCounts gridCounts3D() {
  if (NoCells0 > 0 && NoCells0 <= NoCells && NoSurfaces0 <= NoSurfaces)
    return {NoPoints, NoCells0, NoSurfaces0, NoBlocks0, NoConnect0, NoConnFlate0};
  return {NoPoints, NoCells, NoSurfaces, NoBlocks, NoConnect, NoConnFlate};
}

void print_result() {
  std::string name;
  bool binary = false;
  const char* status = nullptr;  // status text of a failed open, when it is not the name's own
  if (FlagCrashGrid == 2) {
    name = "result.csh";
    status = "cannot open file 'result' ";
  } else if (numberedOutput()) {
    char stem[64];
    if (FlagMPI > 0)
      std::snprintf(stem, sizeof stem, "result.mpi%d.", FlagMPI);
    else
      std::snprintf(stem, sizeof stem, "result.");
    name = findFreeFileName(stem, 4, "");
    binary = FlagInterpolVal == 15;
  } else if (FlagInterpolVal == 15) {
    name = "resultb";
    binary = true;
    status = "cannot open file 'result' ";
  } else if (FlagMPI > 0) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "result.mpi%d", FlagMPI);
    name = buf;
  } else {
    name = "result.end";
  }
  std::FILE* f = openWrite(name, binary ? "wb" : "w");
  if (!f) {
    char text[240];
    std::snprintf(text, sizeof text, "cannot open file '%s' ", name.c_str());
    cannotCreate(status ? status : text, name);
  }
  if (binary)
    writeBinary(f);
  else
    writeText(f);
  closeOutput(f);
}

void readres() {
  readBedres();
  if (FlagInterpolVal == 15) {
    readBinary();
    return;
  }
  char name[64];
  if (FlagMPI > 0)
    std::snprintf(name, sizeof name, "result.mpi%d", FlagMPI);
  else
    std::snprintf(name, sizeof name, "result");
  readText(name);
}
