// Writers of the grid file `unstruc` and the topology report.
#include <cmath>
#include <cstdio>

#include "io/gridfiles.h"
#include "state/outfile.h"
#include "state/log.h"
#include "io/modelfiles.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"

namespace {

void writePoints(FILE* f) {
  for (int p = 1; p <= NoPoints; ++p) std::fprintf(f, "%lf %lf %lf\n", Px[p], Py[p], Pz[p]);
}

void writeCells(FILE* f, int n) {
  const int* const cols[20] = {Cpoint1, Cpoint2, Cpoint3, Cpoint4, Cpoint5, Cpoint6, Cpoint7,
                               Cpoint8, Cflates, Cflatee, Cflaten, Cflatew, Cflateb, Cflatet,
                               Ccells,  Ccelle,  Ccelln,  Ccellw,  Ccellb,  Ccellt};
  for (int c = 1; c <= n; ++c) {
    for (const int* col : cols) std::fprintf(f, "%d ", col[c]);
    std::fprintf(f, "\n");
  }
}

void writeFaces(FILE* f, int n) {
  const int* const cols[6] = {Fpoint1, Fpoint2, Fpoint3, Fpoint4, Fcell1, Fcell2};
  for (int s = 1; s <= n; ++s) {
    for (const int* col : cols) std::fprintf(f, "%d ", col[s]);
    std::fprintf(f, "\n");
  }
}

// Blocks, connections, face pairs, discharge groups, surface-release groups.
void writeRecords(FILE* f, int blocks, int connections, int pairs) {
  for (int b = 1; b <= blocks && b < 100; ++b) {
    const BlockRecord& B = block[b];
    std::fprintf(f, "%d %d %d %d %d %d %d %d %d %d %d %d %d %d %d %d %d %lf %lf\n", B.i1, B.i2, B.j1, B.j2,
                 B.nestLevel, B.bedFlag, B.levelCount, B.field14, B.field15, B.refSearch, B.firstCell, B.lastCell,
                 B.firstSurface, B.lastSurface, B.firstPoint, B.lastPoint, B.kind, B.d1, B.d2);
  }
  for (int k = 0; k < connections && k < 200; ++k)
    std::fprintf(f, "%d %d %d %d\n", conn[k].iA, conn[k].iB, conn[k].jA, conn[k].jB);
  for (int p = 1; p <= pairs && p < MaxConnFlate; ++p) std::fprintf(f, "%d %d\n", connFlate[p][0], connFlate[p][1]);
  for (int g = 1; g <= 9; ++g) {
    const DischargeGroup& G = DischargeStruct[g];
    std::fprintf(f, "%d %d %d %d %d %d %d %lf %lf\n", G.inflow, G.update, G.component, G.lowLevel, G.topLevel,
                 G.surfno, G.xyno, G.discharge, G.value);
    for (int e = 0; e < G.surfno && e < MaxGroupFaces; ++e) std::fprintf(f, "%d ", G.face[e]);
    std::fprintf(f, "\n");
    for (int e = 0; e < G.xyno && e < MaxGroupPoints; ++e) std::fprintf(f, "%lf %lf\n", G.x[e], G.y[e]);
  }
  for (int g = 0; g <= 9; ++g) {
    const SurfDischargeGroup& G = SurfDischargeStruct[g];
    std::fprintf(f, "%d %d %lf ", G.component, G.cells, G.amount);
    for (int e = 0; e < G.cells && e < 100; ++e) std::fprintf(f, "%d ", G.cell[e]);
    std::fprintf(f, "\n");
  }
}

void writeColumnMap(FILE* f, const char* fmt) {
  for (int i = 1; i <= xnumber + 1; ++i) {
    for (int j = 1; j <= ynumber + 1; ++j) std::fprintf(f, fmt, static_cast<int>(zval[i][j][0]));
    std::fprintf(f, "\n");
  }
}

void writeGridLineValues(FILE* f, int blocks) {
  for (int b = 1; b <= blocks && b < 100; ++b) {
    const BlockRecord& B = block[b];
    for (int i = B.i1 - 1; i <= B.i2; ++i)
      for (int j = B.j1 - 1; j <= B.j2; ++j)
        std::fprintf(f, "%d %lf %lf %lf %lf \n", static_cast<int>(zval[i][j][0]), zval[i][j][1], zval[i][j][znumber],
                     xval[i][j], yval[i][j]);
  }
}

void writeNestedFaces(FILE* f) {
  if (!Ninoutwall) return;
  for (int n = 1; n <= NoNestflater && n < MaxNester; ++n) {
    std::fprintf(f, "%d %d %d %d %lf\n", Ninoutwall[n], Npflate[n], Npcelle[n], Npblock[n], Nflux[n]);
    for (int m = 0; m < 4; ++m)
      std::fprintf(f, "%d %lf %lf %lf %lf\n", Ncell[n][m], Nweight[n][m], Nvect[n][m][0], Nvect[n][m][1],
                   Nvect[n][m][2]);
  }
}

FILE* openSide(const char* name, bool withStatus) {
  FILE* f = openWrite(name, "w");
  if (!f && withStatus) {
    char text[200];
    std::snprintf(text, sizeof text, "have not written '%s' file", name);
    setMessage(text);
  }
  return f;
}

// The block-grid line files written beside the grid file; 0, or 1 when one
// cannot be created.
int writeSideFiles() {
  const BlockRecord& B = block[1];
  const bool haveBlock = NoBlocks >= 1;
  char name[64];

  if (FlagMPI > 0)
    std::snprintf(name, sizeof name, "koomin.mpi%d.bed", FlagMPI);
  else
    std::snprintf(name, sizeof name, "koomin.bed");
  FILE* f = openSide(name, true);
  if (!f) return 1;
  if (FlagMakeKoomin >= 1) {
    if (haveBlock)
      for (int i = B.i1 - 1; i <= B.i2; ++i)
        for (int j = B.j1 - 1; j <= B.j2; ++j)
          std::fprintf(f, "%d %d %lf %lf %lf\n", i, j, xval[i][j], yval[i][j], Surfaces[3][i][j]);
  } else if (xnumber >= 2) {
    for (int i = 1; i <= xnumber - 1; ++i)
      for (int j = 1; j <= ynumber - 1; ++j)
        std::fprintf(f, "%d %d %lf %lf %lf\n", i, j, xval[i][j], yval[i][j], zval[i][j][1]);
  }
  closeOutput(f);

  if (FlagMPI > 0)
    std::snprintf(name, sizeof name, "koosurf.mpi%d.t", FlagMPI);
  else
    std::snprintf(name, sizeof name, "koosurf.t");
  f = openSide(name, true);
  if (!f) return 1;
  if (haveBlock)
    for (int i = B.i1 - 1; i <= B.i2; ++i)
      for (int j = B.j1 - 1; j <= B.j2; ++j)
        std::fprintf(f, "%d %d %lf %lf %lf %lf\n", i, j, xval[i][j], yval[i][j], zval[i][j][1], zval[i][j][znumber]);
  closeOutput(f);

  if (FlagMPI > 0) {
    std::snprintf(name, sizeof name, "koordina.mpi%d.m", FlagMPI + 1);
    f = openSide(name, true);
    if (!f) return 1;
    if (haveBlock)
      for (int i = B.i2 - 1; i <= B.i2; ++i)
        for (int j = 1; j <= ynumber - 1; ++j)
          std::fprintf(f, "%d %d %lf %lf %lf %lf\n", i, j, xval[i][j], yval[i][j], zval[i][j][1],
                       zval[i][j][znumber]);
    closeOutput(f);
  }

  f = openSide("koordina.si1", false);
  if (!f) return 1;
  if (haveBlock)
    for (int i = B.i1 - 1; i <= B.i2; ++i)
      for (int j = B.j1 - 1; j <= B.j2; ++j)
        std::fprintf(f, "%d %d %lf %lf %lf\n", i, j, xval[i][j], yval[i][j], zval[i][j][1]);
  closeOutput(f);

  if (NoBlocks >= 2) {
    f = openSide("koordina.si2", false);
    if (!f) return 1;
    const BlockRecord& B2 = block[2];
    for (int i = B2.i1 - 1; i <= B2.i2; ++i)
      for (int j = B2.j1 - 1; j <= B2.j2; ++j)
        std::fprintf(f, "%d %d %lf %lf %lf\n", i, j - B.j2, xval[i][j], yval[i][j], zval[i][j][1]);
    closeOutput(f);
  }
  return 0;
}

}  // namespace

int WriteUnstructure() {
  const int version = FlagWriteUnstruc;
  int dryColumns = 0;
  if (version == 2) {
    for (int b = 1; b <= NoBlocks && b < 100; ++b)
      for (int i = block[b].i1; i <= block[b].i2; ++i)
        for (int j = block[b].j1; j <= block[b].j2; ++j)
          if (static_cast<int>(zval[i][j][0]) <= 0) ++dryColumns;
    if (dryColumns > 0) {
      logf("WARNING: You are writing an unstruc file which does not cover the whole domain\n");
      logf("This unstruc file should not be used as a start for a wetting/drying computation\n");
      logf("It should only be used for debugging purposes and display of graphics\n\n");
    }
  }
  char name[64];
  if (FlagCrashGrid > 1)
    std::snprintf(name, sizeof name, "unstruc.dbg");
  else if (dryColumns > 0)
    std::snprintf(name, sizeof name, "unstruc.dry");
  else if (FlagMPI > 0)
    std::snprintf(name, sizeof name, "unstruc.mpi%d", FlagMPI);
  else
    std::snprintf(name, sizeof name, "unstruc");
  FILE* f = openWrite(name, "w");
  if (!f) {
    if (FlagCrashGrid > 1 || dryColumns > 0) {
      char text[200];
      std::snprintf(text, sizeof text, "cannot open file '%s' ", name);
      setMessage(text);
    }
    // Every name is reported in the log: the caller ends the run on -4.
    logf("Error: can not open '%s' file\n", name);
    return -4;
  }
  if (version == 2)
    std::fprintf(f, "%d %d %d %d %d %d %d %d %d %d\n", 2, NoCells0, NoSurfaces0, NoBlocks0, NoConnect0, NoConnFlate0,
                 NoNestflater, NoPoints, xnumber, ynumber);
  else
    std::fprintf(f, "%d %d %d %d %d %d %d %d\n", version, NoCells0, NoSurfaces0, NoBlocks0, NoConnect0,
                 NoConnFlate0, NoNestflater, NoPoints);
  if (version != 4) {
    writePoints(f);
    writeCells(f, NoCells0);
    writeFaces(f, NoSurfaces0);
  }
  writeRecords(f, NoBlocks0, NoConnect0, NoConnFlate0);
  if (version == 2)
    writeColumnMap(f, " %d");
  else
    writeGridLineValues(f, NoBlocks0);
  if (version != 4) writeNestedFaces(f);
  closeOutput(f);
  setMessage(" Have written unstruc file");

  if (writeSideFiles() != 0) return 1;
  return dryColumns;
}

void WriteTransFiles() {
  if (std::fabs(std::fmod(static_cast<double>(Iter), static_cast<double>(TransWriteFiles[1]))) > 0.001) return;
  char name[64];
  int n = 0;
  for (; n <= 999998; ++n) {
    std::snprintf(name, sizeof name, "unstruc.%d", n);
    FILE* probe = std::fopen(name, "r");
    if (!probe) break;
    std::fclose(probe);
  }
  if (n > 999998) fatal(-4, "Error: every name unstruc.0 .. unstruc.999998 is taken\n");
  FILE* f = openWrite(name, "w");
  if (!f) fatal(-4, "Error: can not open '%s' file\n", name);
  std::fprintf(f, "%d %d %d %d %d %d %d %d\n", 1, NoCells, NoSurfaces, NoBlocks, NoConnect, NoConnFlate,
               NoNestflater, NoPoints);
  writePoints(f);
  writeCells(f, NoCells);
  writeFaces(f, NoSurfaces);
  writeRecords(f, NoBlocks, NoConnect, NoConnFlate);
  writeColumnMap(f, "%d ");
  writeNestedFaces(f);
  closeOutput(f);
}

int CheckFparam() {
  if (UMethod2 > 0) return UMethod2;
  auto inFaces = [](int s) { return s >= 1 && s <= NoSurfaces; };
  if (FlagGridStab5 != 5 && FlagGridStab5 != 6) {
    for (int c = WCStart; c <= WCEnd && c <= NoCells; ++c) {
      if (c < 1) continue;
      struct Test {
        int face;
        const int* arr;
        char side;
        const char* name;
      };
      const Test tests[6] = {{Cflatee[c], Fcell1, 'e', "Fcell1"}, {Cflatew[c], Fcell2, 'w', "Fcell2"},
                             {Cflates[c], Fcell2, 's', "Fcell2"}, {Cflaten[c], Fcell1, 'n', "Fcell1"},
                             {Cflateb[c], Fcell2, 'b', "Fcell2"}, {Cflatet[c], Fcell1, 't', "Fcell1"}};
      for (const Test& t : tests) {
        const int found = inFaces(t.face) || t.face == 0 ? t.arr[t.face] : -1;
        if (found != c) logf("Grid error for cell %d %c, %s[%d] = %d\n", c, t.side, t.name, t.face, found);
      }
    }
  }
  for (int c = WCStart; c <= WCEnd && c <= NoCells; ++c) {
    if (c < 1) continue;
    struct Test {
      int face;
      const int* arr;
      int want;
      char side;
      const char* name;
    };
    const Test tests[6] = {{Cflates[c], Ftype2, 1, 's', "Ftype2"}, {Cflatee[c], Ftype1, 2, 'e', "Ftype1"},
                           {Cflaten[c], Ftype1, 3, 'n', "Ftype1"}, {Cflatew[c], Ftype2, 4, 'w', "Ftype2"},
                           {Cflateb[c], Ftype2, 5, 'b', "Ftype2"}, {Cflatet[c], Ftype1, 6, 't', "Ftype1"}};
    for (const Test& t : tests) {
      const int found = inFaces(t.face) || t.face == 0 ? t.arr[t.face] : -1;
      if (found != t.want) logf("Grid error for cell %d %c, %s[%d] = %d\n", c, t.side, t.name, t.face, found);
    }
  }
  int* const* sides[7] = {nullptr, &Cflates, &Cflatee, &Cflaten, &Cflatew, &Cflateb, &Cflatet};
  for (int s = WFStart; s <= WFEnd && s <= NoSurfaces; ++s) {
    if (s < 1) continue;
    const int c1 = Fcell1[s], t1 = Ftype1[s], c2 = Fcell2[s], t2 = Ftype2[s];
    if (c1 >= 1 && c1 <= NoCells && t1 >= 1 && t1 <= 6 && (*sides[t1])[c1] != s)
      logf("Grid error for surface %d, type = %d, cell %d\n", s, t1, c1);
    if (c2 >= 1 && c2 <= NoCells && t2 >= 1 && t2 <= 6 && (*sides[t2])[c2] != s)
      logf("Grid error for surface %d, type = %d, cell %d\n", s, t2, c2);
  }
  logf("Have checked grid from cell %d to %d\n", WCStart, WCEnd);
  logf("Have checked grid from surface %d to %d\n\n", WFStart, WFEnd);
  return 0;
}
