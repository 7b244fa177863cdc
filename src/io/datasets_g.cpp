// G data sets.
#include <algorithm>
#include <climits>
#include <cstring>

#include "io/dataset.h"
#include "state/log.h"
#include "state/options.h"

namespace {

// Record lists: the counter is raised first and tested against the last
// record the table holds; a full list ends the run before the record is read.
int nextRecord(DataSetRead& d, int& no, int last, const char* limitMessage, int status = 1) {
  ++no;
  if (no > last) d.refuseWith(status, "%s", limitMessage);
  return no;
}

// Reads n integers one at a time; the count that converted.
int readInts(Scanner& s, int* const* targets, int n) {
  for (int i = 0; i < n; ++i)
    if (!s.readInt(*targets[i])) return i;
  return n;
}

// G 1: the bed-cell capacity (xnumber+3)(ynumber+3) is the element count of
// every per-bed-cell array and is counted in int; sizes whose capacity does
// not fit are refused before anything is computed from them.
void checkGridSizes(DataSetRead& d) {
  const long long capacity = (static_cast<long long>(xnumber) + 3) * (static_cast<long long>(ynumber) + 3);
  if (capacity > INT_MAX) d.refuse();
}

// G 2: a column window that nothing uses.
void checkBlok(DataSetRead& d) {
  if (iblok1 < 2 || iblok1 > iblok2 || iblok2 > xnumber || jblok1 < 2 || jblok1 > jblok2 || jblok2 > ynumber)
    d.refuse();
}

// G 3 and G 30: the level table, znumber values, none below the one before.
void readLevels(DataSetRead& d, bool g3) {
  // zdistrib holds the levels of every znumber the block grid accepts.
  if (znumber > MaxZnumber) {
    if (g3) d.refuseWith(1, "Input error for G 3 in control, j= %d\n", MaxZnumber + 1);
    d.refuse();
  }
  for (int j = 1; j <= znumber; ++j) {
    bool ok = d.s.readDouble(zdistrib[j]);
    if (ok && g3 && j == 1) zdistrib[0] = zdistrib[1];
    bool refused = !ok || ((!g3 || j > 1) && zdistrib[j] < zdistrib[j - 1]);
    if (refused) {
      if (g3) d.refuseWith(1, "Input error for G 3 in control, j= %d\n", j);
      d.refuse();
    }
  }
  if (g3) FlagReadG3 = 1;
}
void readG3(DataSetRead& d) { readLevels(d, true); }
void readG30(DataSetRead& d) { readLevels(d, false); }

void zdistribDefault() {
  std::fill(std::begin(zdistrib), std::end(zdistrib), 0.0);
  for (int k = 0; k <= 10; ++k) zdistrib[k + 1] = 0.1 * k;
  FlagReadG3 = 0;
}

// G 4 and G 5: point sources, then one value per size.
bool inBox(int i, int j, int k) {
  return i >= 0 && i - 4 <= xnumber && j >= 0 && j - 4 <= ynumber && k >= 0 && k - 4 <= znumber;
}
void readPointValues(DataSetRead& d) {
  for (int l = 1; l <= lnumber; ++l) d.s.readDouble(pointsource[l]);
}
void readG4(DataSetRead& d) {
  int* t[] = {&i_pointsource, &j_pointsource, &k_pointsource};
  readInts(d.s, t, 3);
  if (!inBox(i_pointsource, j_pointsource, k_pointsource)) d.refuse();
  readPointValues(d);
}
void readG5(DataSetRead& d) {
  int* t[] = {&i_pointsource, &i2_pointsource, &j_pointsource, &j2_pointsource, &k_pointsource, &k2_pointsource};
  readInts(d.s, t, 6);
  if (!inBox(i_pointsource, j_pointsource, k_pointsource))
    d.refuseWith(1, "Input error for G 5 in control\nWrong first indexes");
  if (!inBox(i2_pointsource, j2_pointsource, k2_pointsource))
    d.refuseWith(1, "Input error for G 5 in control\nWrong second indexes");
  if (i_pointsource > i2_pointsource || j_pointsource > j2_pointsource || k_pointsource > k2_pointsource)
    d.refuseWith(1, "Input error for G 5 in control\nWrong match beween indexes");
  readPointValues(d);
}
void pointsourceDefault() { std::fill(std::begin(pointsource), std::end(pointsource), 0.0); }

// G 6 and G 62: the reference of the free surface. kSurf and kSurf2 name
// discharge groups, whose records are numbered 0..9.
// G 6 does not read kSurf2 (G 62 and F 250 do), so it does not test it.
bool surfaceValuesAccepted(double convMax, bool withKSurf2) {
  return iSurf >= 0 && iSurf <= MaxCeller && jSurf >= 0 && kSurf >= 0 && kSurf <= 9 &&
         (!withKSurf2 || (kSurf2 >= 0 && kSurf2 <= 9)) && RelaxSurface >= 1e-5 && RelaxSurface <= 10.0 &&
         ConvSurface >= 1e-10 && ConvSurface <= convMax;
}
void checkG6(DataSetRead& d) {
  d.s.skipSpace();  // "\n" ends the format
  if (!surfaceValuesAccepted(1e7, false)) d.refuse();
}
void checkG62(DataSetRead& d) {
  d.s.skipSpace();
  if (d.count != 6) d.refuseWith(1, "Input error for G 62 in control. Have you provided 6 parameters?\n");
  if (!surfaceValuesAccepted(10.0, true))
    d.refuseWith(1, "Input error for one of the values on the G 62 data set in the in control file\n");
}

// G 7: discharge-group signs.
void readG7(DataSetRead& d) {
  int n = nextRecord(d, IONo, 19, "Input error for G 7 in control\nData sets must not exceed 19\n");
  IORecord& r = IO[n];
  for (int& v : r.n)
    if (!d.s.readInt(v)) return;
  d.s.skipSpace();
  for (double& v : r.v)
    if (!d.s.readDouble(v)) return;
}

void checkG9(DataSetRead& d) {
  if (SpecEnergy < 1 || SpecEnergy > xnumber) d.refuse();
}

// G 10 and G 11: volume sources, sharing one list.
void readVolumeSource(DataSetRead& d, bool second) {
  int n = nextRecord(d, VolSourceNo, 19,
                     second ? "Input error for G 11 in control\nData sets must not exceed 19\n"
                            : "Input error for G 10 in control\nData sets must not exceed 19\n");
  VolumeSource& r = VolSource[n];
  int* t[] = {&r.i1, &r.i2, &r.j1, &r.j2, &r.k1, &r.k2};
  readInts(d.s, t, 6);
  d.s.readDouble(r.value);
  if (second)
    d.s.readDouble(r.value2);
  else
    r.value2 = 2.0;
  if (r.i1 < 2 || r.j1 < 2 || r.k1 < 2 || r.i2 > xnumber + 1 || r.j2 > ynumber + 1 || r.k2 > znumber + 1) d.refuse();
}
void readG10(DataSetRead& d) { readVolumeSource(d, false); }
void readG11(DataSetRead& d) { readVolumeSource(d, true); }

// G 12: sediment sources.
void readG12(DataSetRead& d) {
  int n = nextRecord(d, SedSourceNo, 19, "Input error for G 12 in control\nData sets must not exceed 19\n");
  SedimentSource& r = SedSource[n];
  d.s.readInt(r.group);
  int sizes = std::min(lnumber, 50);
  for (int l = 1; l <= sizes; ++l) d.s.readDouble(r.conc[l]);
  if (r.group < 1 || r.group > 9) d.refuseWith(1, "Input error for G 12, first parameter, in control");
  for (int l = 1; l <= sizes; ++l)
    if (r.conc[l] < 0.0 || r.conc[l] > 1.0) d.refuseWith(1, "Input error for G 12, concentration, in control");
}

// G 13: outblocked boxes.
void readG13(DataSetRead& d) {
  int n = nextRecord(d, OutBlockNo, 499, "Input error for G 13 in control\nData sets must not exceed 499\n");
  OutBlockRecord& r = OutBlock[n];
  int* t[] = {&r.type, &r.i1, &r.i2, &r.j1, &r.j2, &r.k1, &r.k2};
  readInts(d.s, t, 7);
  if (r.type < 0 || r.type > 4 || r.i1 < 2 || r.j1 < 2 || r.k1 < 2 || r.i2 > xnumber + 1 || r.j2 > ynumber + 1 ||
      r.k2 > znumber + 1)
    d.refuse();
}

// G 14: debugging points.
void readG14(DataSetRead& d) {
  int n = nextRecord(d, DebugDumpNo, 29, "Input error for G 14 in control\nData sets must not exceed 29\n");
  DebugDumpRecord& r = DebugDump[n];
  int* t[] = {&r.type, &r.i, &r.j, &r.k};
  readInts(d.s, t, 4);
  if (r.type < 1 || r.type > 6 || r.i < 2 || r.i > xnumber + 1 || r.j < 2 || r.j > ynumber + 1 || r.k < 2 ||
      r.k > znumber + 1)
    d.refuse();
}

// G 18: initial flow values.
void readG18(DataSetRead& d) {
  int n = nextRecord(d, UInitNo, 19, "Increase array for G 18 and recompile\n", -2);
  for (int e = 1; e <= 6; ++e)
    if (!d.s.readDouble(UInit[n][e])) return;
  d.s.skipSpace();
}

// G 22: bridges.
void readG22(DataSetRead& d) {
  int n = nextRecord(d, BridgeNo, 19, "Input error for G 22 in control\nNumber of data sets must not exceed 19\n");
  BridgeBox& r = Bridge[n];
  int* t[] = {&r.i1, &r.i2, &r.j1, &r.j2};
  if (readInts(d.s, t, 4) == 4 && d.s.readDouble(r.zlow) && d.s.readDouble(r.zhigh)) d.s.readDouble(r.coefficient);
  if (r.i1 < 2 || r.i1 > r.i2 || r.i2 > xnumber || r.j1 < 2 || r.j1 > r.j2 || r.j2 > ynumber || r.zlow > r.zhigh ||
      r.coefficient < 1e-5)
    d.refuseWith(1, "Input error for G 22 in control\n");
}

// G 24: plot variables, all on the data-set line.
void readG24(DataSetRead& d) {
  if (!d.s.readInt(TecStrucNo) || TecStrucNo < 0)
    d.refuseWith(1, "The G 24 data set has to include a positive integer first\n");
  if (TecStrucNo > 299) d.refuseWith(1, "Too many points in G 24 data set\n");
  const bool slides = FlagThixo != 0 || FlagMorphStatistics != 0;
  for (int r = 0; r < TecStrucNo; ++r) {
    TecVariable& v = TecStruc[r];
    // The letter: blanks are passed over, at most nine; a tenth is the letter.
    int c = 0;
    for (int t = 0; t < 10; ++t) {
      c = d.s.get();
      if (c != ' ') break;
    }
    v.letter = c < 0 ? '\0' : static_cast<char>(c);
    v.code = 0;
    if (v.letter == 'Z') {
      if (!d.s.readInt(v.code) || v.code < 100 || v.code > 1000)
        d.refuseWith(1, "Error for G 24 data set. The Z variable needs an extra integer\n\n");
      if ((v.code == 100 || v.code == 101) && !slides)
        d.refuseWith(1, "Error for G 24 data set. The Z variable is only used with slides\n\n");
    }
    if (v.letter == 'M' && !slides)
      d.refuseWith(1, "Error for G 24 data set. The M variable is only used with slides\n\n");
    bool read = d.s.readInt(v.level) && d.s.readInt(v.size);
    if (!read || v.level < 0 || (v.level > znumber && v.level > NoBedLayers) || v.size < 0 || v.size > lnumber)
      d.refuseWith(1, "Error in G 24 data set, variable no. %d\n", r + 1);
    if (v.letter == 'N' && FlagTSC != 3)
      d.refuseWith(1, "Error in G 24 data set. The N variable can not be used when the F 37 data set is not 3\n");
    if (v.letter == 'j' && FlagCohesion == 0)
      d.refuseWith(1,
                   "Error in G 24 data set. The j variable can only be used when the F 385 data set is above zero\n");
  }
}

// G 25: the blocks the computation works on.
void readG25(DataSetRead& d) {
  d.s.readInt(WorkBlockNo);
  if (WorkBlockNo < 1 || WorkBlockNo > 99) d.refuseWith(1, "Error first integer on G 25 data set\n");
  for (int k = 1; k <= WorkBlockNo; ++k) {
    d.s.readInt(WorkBlock[k]);
    if (WorkBlock[k] < 0 || WorkBlock[k] > 20) d.refuseWith(1, "Error for integer no. %d on G 25 data set\n", k + 1);
  }
}
void workBlockDefault() { std::fill(std::begin(WorkBlock), std::end(WorkBlock), 0); }

// G 26: per block whether the water surface is updated.
void readG26(DataSetRead& d) {
  d.s.readInt(FlagSurfaceUpdate);
  if (FlagSurfaceUpdate < 1 || FlagSurfaceUpdate > 90) d.refuseWith(1, "Error first integer on G 26 data set\n");
  for (int i = 1; i <= FlagSurfaceUpdate; ++i) {
    int v = 0;
    if (!d.s.readInt(v) || v < 0 || v > 10)
      d.refuseWith(1, "Error after reading %d integer in the G 26 data set\n", i + 1);
    SurfUpdate[i] = v;
  }
}
void surfUpdateDefault() {
  std::fill(std::begin(SurfUpdate), std::end(SurfUpdate), 0);
  for (int i = 1; i <= 98; ++i) SurfUpdate[i] = 1;
}

// G 27: division of the grid into MPI parts.
void readG27(DataSetRead& d) {
  if (FlagMPI < 2)
    d.refuseWith(-1,
                 "Error for G 27 data set in control file. The F 308 data set\n"
                 "must be present in the control file and have an integer above 1\n\n");
  if (FlagMPI > 999) d.refuseWith(-1, "Error for MPI parameters: recompile with increased divisionMPI array\n\n");
  for (int i = 1; i <= FlagMPI; ++i) {
    if (!d.s.readInt(divisionMPI[i]))
      d.refuseWith(-1, "Error for G 27 data set: only %d integers are present.Required number of integers are %d\n\n",
                   i, FlagMPI);
    if (i > 1 && divisionMPI[i] < divisionMPI[i - 1])
      d.refuseWith(-1, "Error in G 27 data set: integers have to be givein in rising order\n\n");
  }
}
void divisionMPIDefault() {
  std::fill(std::begin(divisionMPI), std::end(divisionMPI), 0);
  divisionMPI[1] = -1;
}

// G 28: weirs; a record counts only when accepted.
void readG28(DataSetRead& d) {
  const int occurrence = NoWeirs + 1;
  // The list holds MaxWeirs records.
  if (NoWeirs >= MaxWeirs) d.refuseWith(-1, "Error for G 28 in the control file, %d occurrence\n", occurrence);
  Weir& w = Weirs[NoWeirs];
  int* t[] = {&w.i1, &w.i2, &w.j1, &w.j2};
  int n = readInts(d.s, t, 4);
  if (n == 4 && d.s.readDouble(w.crest)) {
    ++n;
    if (d.s.readDouble(w.coefficient)) {
      ++n;
      if (d.s.readDouble(w.exponent)) ++n;
    }
  }
  d.s.skipSpace();
  // The columns are indexes into the block grid: none may be negative.
  bool ok = n == 7 && w.i1 >= 0 && w.j1 >= 0 && w.i1 <= w.i2 && w.j1 <= w.j2 && w.i2 < xnumber - 1 &&
            w.j2 < ynumber - 1 && w.coefficient >= 1.0 && w.coefficient <= 3.0 && w.exponent >= 1.0 &&
            w.exponent <= 3.0;
  if (!ok) d.refuseWith(-1, "Error for G 28 in the control file, %d occurrence\n", occurrence);
  ++NoWeirs;
}

// G 29: window of the volume lines of the sediment log.
void checkG29(DataSetRead& d) {
  d.s.skipSpace();
  if (d.count != 4 || i1Iff < 2 || i1Iff > i2Iff || i2Iff > xnumber || j1Iff < 2 || j1Iff > j2Iff || j2Iff > ynumber)
    d.refuse();
}

// G 31: multiplier of one size's inflow concentration.
void readG31(DataSetRead& d) {
  int k = 0;
  if (!d.s.readInt(k) || k < 1 || k > 20) d.refuseWith(1, "Input error for G 31 in control - first parameter");
  if (!d.s.readDouble(inflowMult[k]) || inflowMult[k] < 0.0)
    d.refuseWith(1, "Input error for G 31 in control - second parameter");
}
void inflowMultDefault() {
  std::fill(std::begin(inflowMult), std::end(inflowMult), 0.0);
  for (int k = 0; k <= 19; ++k) inflowMult[k] = 1.0;
}

// G 40: initial temperature profile.
void readG40(DataSetRead& d) {
  d.s.readInt(NoVerttemp);
  if (NoVerttemp < 1 || NoVerttemp > 49) d.refuseWith(1, "Input error for G 40 in control\n");
  for (int n = 1; n <= NoVerttemp; ++n) {
    d.s.readDouble(Verttemp[n][0]);
    d.s.readDouble(Verttemp[n][1]);
  }
}
void verttempDefault() { std::memset(Verttemp, 0, sizeof Verttemp); }

// G 41: initial profiles of water-quality components.
void readG41(DataSetRead& d) {
  if (NoQI >= 10) d.refuseWith(1, "Input error for G 41 in control - too many data sets");
  const int n = NoQI;
  d.s.readInt(NoVariable[n]);
  d.s.readInt(NoVertInit[n]);
  // The count is tested before the pairs are stored.
  if (NoVertInit[n] < 1 || NoVertInit[n] > 49 || NoVariable[n] < 0) d.refuseWith(1, "Input error for G 41 in control");
  for (int p = 1; p <= NoVertInit[n]; ++p) {
    d.s.readDouble(VertQInit[n][p][0]);
    d.s.readDouble(VertQInit[n][p][1]);
  }
  ++NoQI;
}
void profilesDefault() {
  NoQI = 0;
  std::memset(NoVariable, 0, sizeof NoVariable);
  std::memset(NoVertInit, 0, sizeof NoVertInit);
  std::memset(VertQInit, 0, sizeof VertQInit);
}

// G 42: one pair per data set.
void readG42(DataSetRead& d) {
  if (NoOGLprofs >= MaxOGLprofs) d.refuseWith(1, "Too many G 42 data sets\n");
  d.s.readInt(OglProf[NoOGLprofs][0]);
  d.s.readInt(OglProf[NoOGLprofs][1]);
  ++NoOGLprofs;
}
void oglDefault() {
  NoOGLprofs = 0;
  std::memset(OglProf, 0, sizeof OglProf);
}

// G 50: stages switched back to serial execution; a refused value is
// reported and kept.
void readG50(DataSetRead& d) {
  for (int i = 0; i <= 9; ++i) {
    bool ok = d.s.readInt(FlagOpenMP[i]);
    if (!ok || FlagOpenMP[i] < 0 || FlagOpenMP[i] > 2)
      logf("Error for G 50 data set in control file\nInteger no. %d = %d\n", i, FlagOpenMP[i]);
  }
}
void openMPDefault() {
  std::fill(std::begin(FlagOpenMP), std::end(FlagOpenMP), 0);
  FlagOpenMP[10] = FlagOpenMP[11] = 1;
}

// G 51: multiplier per size of the inflow concentrations of timei. A
// missing or negative multiplier would feed negative or stale sediment
// inflow, so it ends the reading with its report.
void readG51(DataSetRead& d) {
  for (int l = 1; l <= lnumber; ++l) {
    bool ok = d.s.readDouble(multCinn[l]);
    if (!ok || multCinn[l] < 0.0)
      d.refuseWith(1, "Error for G 51 data set in control file\nInteger no. %d = %lf\n", l, multCinn[l]);
  }
}
void multCinnDefault() { std::fill(std::begin(multCinn), std::end(multCinn), 1.0); }

void recordListsDefault() {
  IONo = VolSourceNo = SedSourceNo = OutBlockNo = DebugDumpNo = UInitNo = BridgeNo = TecStrucNo = NoWeirs = 0;
  std::memset(IO, 0, sizeof IO);
  std::memset(VolSource, 0, sizeof VolSource);
  std::memset(SedSource, 0, sizeof SedSource);
  std::memset(OutBlock, 0, sizeof OutBlock);
  std::memset(DebugDump, 0, sizeof DebugDump);
  std::memset(UInit, 0, sizeof UInit);
  std::memset(Bridge, 0, sizeof Bridge);
  std::memset(TecStruc, 0, sizeof TecStruc);
  std::memset(Weirs, 0, sizeof Weirs);
}

}  // namespace

std::vector<DataSet> datasetsG() {
  return {
      {.letter = 'G',
       .number = 1,
       .values = {I(xnumber, 300), I(ynumber, 300), I(znumber, 11), I(lnumber, 1)},
       .bounds = {atLeast(0, 4), atLeast(1, 4), atLeast(2, 2), countFits(2, 2), range(3, 0, 50)},
       .message = "Input error for G 1 in control",
       .after = checkGridSizes},
      {.letter = 'G',
       .number = 2,
       .values = {I(iblok1, 0), I(iblok2, 0), I(jblok1, 0), I(jblok2, 0)},
       .message = "Input error for G 2 in control",
       .after = checkBlok},
      {.letter = 'G', .number = 3, .reader = readG3, .defaults = zdistribDefault},
      {.letter = 'G',
       .number = 4,
       .values = {I(i_pointsource, 0), I(j_pointsource, 0), I(k_pointsource, 0)},
       .message = "Input error for G 4 in control",
       .reader = readG4,
       .defaults = pointsourceDefault},
      {.letter = 'G',
       .number = 5,
       .values = {I(i2_pointsource, 0), I(j2_pointsource, 0), I(k2_pointsource, 0)},
       .reader = readG5},
      {.letter = 'G',
       .number = 6,
       .values = {I(iSurf, 0), I(jSurf, 0), I(kSurf, 0), D(RelaxSurface, 0.1), D(ConvSurface, 0.01)},
       .message = "Input error for G 6 in control\n",
       .after = checkG6},
      {.letter = 'G', .number = 7, .reader = readG7, .defaults = recordListsDefault},
      {.letter = 'G',
       .number = 9,
       .values = {I(SpecEnergy, 0)},
       .message = "Error for G 9 in control",
       .after = checkG9},
      {.letter = 'G', .number = 10, .message = "Input error for G 10 in control", .reader = readG10},
      {.letter = 'G', .number = 11, .message = "Input error for G 11 in control", .reader = readG11},
      {.letter = 'G', .number = 12, .reader = readG12},
      {.letter = 'G', .number = 13, .message = "Input error for G 13 in control", .reader = readG13},
      {.letter = 'G', .number = 14, .message = "Input error for G 14 in control", .reader = readG14},
      {.letter = 'G', .number = 18, .reader = readG18},
      {.letter = 'G', .number = 22, .reader = readG22},
      {.letter = 'G', .number = 24, .reader = readG24},
      {.letter = 'G', .number = 25, .values = {I(WorkBlockNo, 0)}, .reader = readG25, .defaults = workBlockDefault},
      {.letter = 'G',
       .number = 26,
       .values = {I(FlagSurfaceUpdate, 0)},
       .reader = readG26,
       .defaults = surfUpdateDefault},
      {.letter = 'G', .number = 27, .reader = readG27, .defaults = divisionMPIDefault},
      {.letter = 'G', .number = 28, .reader = readG28},
      {.letter = 'G',
       .number = 29,
       .values = {I(i1Iff, 0), I(i2Iff, 0), I(j1Iff, 0), I(j2Iff, 0)},
       .message = "Error for G 29 in control file\n\n",
       .status = -1,
       .after = checkG29},
      {.letter = 'G', .number = 30, .message = "Input error for G 30 in control", .reader = readG30},
      {.letter = 'G', .number = 31, .reader = readG31, .defaults = inflowMultDefault},
      {.letter = 'G', .number = 40, .values = {I(NoVerttemp, 0)}, .reader = readG40, .defaults = verttempDefault},
      {.letter = 'G', .number = 41, .reader = readG41, .defaults = profilesDefault},
      {.letter = 'G', .number = 42, .reader = readG42, .defaults = oglDefault},
      {.letter = 'G', .number = 50, .reader = readG50, .defaults = openMPDefault},
      {.letter = 'G', .number = 51, .reader = readG51, .defaults = multCinnDefault},
      {.letter = 'G',
       .number = 62,
       .values = {I(iSurf, 0), I(jSurf, 0), I(kSurf, 0), I(kSurf2, 0), D(RelaxSurface, 0.1), D(ConvSurface, 0.01)},
       .after = checkG62},
  };
}
