#include "io/sidefiles.h"

#include <cstring>

#include "state/log.h"
#include "state/scanner.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"

void readCyclic() {
  if (FlagCyclic <= 0) return;
  Scanner s;
  if (!s.open("cyclic")) {
    logf("Have not used cyclic file\n");
    return;
  }
  // Lines "level u k epsilon" for the levels 1, 2, ... in order; reading stops
  // at a short line or a level out of order. The values of a line go into the
  // slot it is expected at.
  // The end of the file ends the reading; a line that is there but cannot
  // be read ends the run.
  int last = 0;
  for (int n = 1; n <= znumber && n < MaxCyclicLevels; ++n) {
    s.skipSpace();
    if (s.atEnd()) break;
    const std::size_t at = s.position();
    int lev = 0;
    double v[3];
    if (!s.readInt(lev) || s.readDoubles(v, 3) != 3) {
      recordFailed(s, at, "cyclic", "four numbers are expected: level, u, k, epsilon");
      break;
    }
    cyclicU[n] = v[0];
    cyclicK[n] = v[1];
    cyclicE[n] = v[2];
    last = lev;
    if (lev != n) break;
  }
  logf("Have read %d points from cyclic file\n", last);
  if (last > 1) FlagHaveReadCyclic = 1;
}

void readInflow() {
  Scanner s;
  if (!s.open("inflow")) {
    logf("Have not used inflow file\n");
    return;
  }
  constexpr long kMaxRecords = 600000;
  long records = 0;
  for (;;) {
    // Head "%c %d %d": the letter is the very next byte. The end of the file
    // ends the reading; a head that is there but cannot be read ends the run.
    const std::size_t at = s.position();
    int c = s.get();
    int j = 0, k = 0;
    if (c < 0) break;
    if (!s.readInt(j) || !s.readInt(k)) {
      recordFailed(s, at, "inflow", "a record is the letter D, the indexes j and k and five numbers", true);
      break;
    }
    if (c != 'D') {
      logf("Error in reading inflow file, the D data set has to be used\n");
      logRecordPlace(s, at, "inflow");
      fatal(-8, nullptr);
    }
    if (j < 0 || k < 0 || j > MaxInflowJ || k > MaxInflowK) {
      logf("Error in reading inflow file, too large indexes in inflow file: %d %d\n", j, k);
      logRecordPlace(s, at, "inflow");
      fatal(-2, nullptr);
    }
    double v[5];
    if (s.readDoubles(v, 5) != 5) {
      logf("Error in reading inflow file for line: %d %d\nNote that five floating point numbers must be given\n", j, k);
      logRecordPlace(s, at, "inflow");
      fatal(-3, nullptr);
    }
    s.skipSpace();
    inflowu[j][k] = v[0];
    inflowv[j][k] = v[1];
    infloww[j][k] = v[2];
    inflowki[j][k] = v[3];
    inflowe[j][k] = v[4];
    if (j > inflowj) inflowj = j;
    if (k > inflowk) inflowk = k;
    if (++records == kMaxRecords) break;
  }
  logf("Have read %ld points in a %d x %d array from inflow file\n", records, inflowj, inflowk);
}

void clearTimePrint() {
  for (TimePrintEntry& t : TimePrint) {
    std::memset(&t, 0, sizeof t);
    std::memset(t.letter, ' ', sizeof t.letter);
  }
  TimePrintNo = 0;
}

namespace {

// Size number of a B or C record: 1..lnumber, and within the 19 sizes the
// coefficient tables hold.
bool readSize(Scanner& s, int& size) { return s.readInt(size) && size >= 1 && size <= lnumber && size <= 19; }

}  // namespace

void readInspace() {
  Scanner s;
  if (!s.open("inspace")) return;
  std::memset(inspace, 0, sizeof inspace);
  const int levels = InspaceAlloc + 2;
  int c = s.get();
  if (c == 'A') {
    if (!s.readInt(FlagInspace) || FlagInspace <= 0)
      fatal(-8, "Error in reading the inspace file, the A data set has to be used with an integer\n");
    if (FlagInspace > 1) fatal(-8, "Error in reading the inspace file, the A data set takes the value 1\n");
    if ((lnumber > 1 || FlagTSC == 3) && (LevelInflowSed > 0 || FlagInflowConcVar > 0))
      fatal(-8, "Error: the inspace file can not be used with F 455 or F 497 for several grain sizes\n");
    c = s.get();
  }
  double lastTime = 0.0;
  // Every other character is skipped; the file is read to its end.
  for (; c >= 0; c = s.get()) {
    const std::size_t at = s.position() - 1;  // the record letter
    if (c == 'T') {
      if (InspaceAlloc <= 0)
        fatal(-9, "Error in reading inspace file, the T data set has to be used together with the F 294 data set\n");
      if (InspaceTimeNo >= levels) fatal(-10, "Error in reading inspace file, increase F 294 integer\n");
      double t = 0.0;
      if (!s.readDouble(t)) unreadableRecord(s, at, "inspace", "a T record holds a time");
      if (InspaceTimeNo > 0 && t < TinspaceTime[InspaceTimeNo - 1])
        fatal(-11, "Error in reading inspace file, time steps has to increase for time step %d\n", InspaceTimeNo);
      TinspaceTime[InspaceTimeNo++] = t;
      lastTime = t;
    } else if (c == 'B') {
      if (InspaceAlloc > 0)
        fatal(-12,
              "Error in inspace file or F 294 data set: The B data set in the inspace\n"
              "file can not be used with the F 294 data set in the control file\n");
      int size = 0;
      if (!readSize(s, size))
        fatal(-8, "Error in reading the inspace file, not correct first integer on the B data set\n");
      for (int p = 1; p <= 10; ++p) {
        if (!s.readDouble(inspace[size][p])) {
          logf("Error in reading the inspace file, not enough data on the B data set\n");
          logRecordPlace(s, at, "inspace");
          fatal(-8, nullptr);
        }
        s.skipSpace();
      }
    } else if (c == 'C') {
      if (InspaceAlloc <= 0)
        fatal(-9, "Error in reading inspace file, the C data set has to be used together with the F 294 data set\n");
      int size = 0;
      // A C record belongs to the time level of the T record before it.
      if (InspaceTimeNo == 0 || !readSize(s, size))
        fatal(-8,
              "Error in reading the inspace file, not correct first integer on the C data set\n"
              "for time step %lf\n\n",
              lastTime);
      for (int p = 1; p <= 10; ++p) {
        if (!s.readDouble(Tinspace[InspaceTimeNo - 1][size][p])) {
          logf(
              "Error in reading the inspace file, not enough data on the C data set\n"
              "for time step %lf, size no: %d, point no: %d\n\n",
              lastTime, size, p);
          logRecordPlace(s, at, "inspace");
          fatal(-8, nullptr);
        }
        s.skipSpace();
      }
    }
  }
  logf("Inspace file read: \n");
}

void readSideFiles() {
  readCyclic();
  readInflow();
  clearTimePrint();
  readInspace();
}
