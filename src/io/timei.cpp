// The boundary time series timei and its echo timei.out.
//
// A transient run takes its changing boundary values from `timei`: records
// of one letter each (A, C, D, H, I, J, M, N, O, Q) followed by free-format
// numbers. The main series (times, discharges, levels, time steps, wind,
// inflow concentrations, irradiance, air temperature) goes into rows
// 0..ArrayTimeSteps of the time-series arrays; the O records fill the print
// points of `timeo`, the A records the restart times. Every position is
// checked against the rows before anything is stored, so a file of any
// length or content stays inside the arrays.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "state/log.h"
#include "state/outfile.h"
#include "io/modelfiles.h"
#include "state/scanner.h"
#include "state/alloc.h"
#include "state/arrays_optional.h"
#include "state/flowstate.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"

namespace {

constexpr int kCinnWidth = 20;                 // values of a Cinn row
constexpr int kSedimentSlots = kCinnWidth - 1;  // sediment block: indices 1..19
constexpr int kMaxComponents = 20;             // component block: indices 0..19
constexpr int kPrintRecords = static_cast<int>(sizeof TimePrint / sizeof TimePrint[0]);
constexpr int kPrintEntries = 25;
constexpr int kRestartTimes = 100;
constexpr double kSameTime = 1e-4;  // s: times of two records that belong together
constexpr long kTurnsPerRow = 3000;

// Codes of a failed record, as the log reports them.
enum Code {
  kOk = 0,
  kPrintHeader = 1,
  kPrintNegativeTime = 2,
  kPrintTimeOrder = 3,
  kPrintEntry = 4,
  kPrintLetter = 5,
  kPrintSize = 6,
  kPrintRecordCount = 7,
  kNotRead = 8,
  kTimeOrder = 9,
  kShortList = 10,
  kTooManyRecords = 11,
  kWindOrStep = 12,
  kIrradiance = 13,
  kLevelOrAirTemp = 14,
  kTimeMismatch = 15,
  kPrintComponent = 17,
  kShortConcentrations = 20,
  kSedimentBlock = 21,
  kShortDischargesQ = 30,
  kRestartTime = 44,
  kQTimeNotRead = 63,
  kCTimeNotRead = 64,
  kHNotRead = 65,
  kShortSedimentI = 101,
  kShortDischargesD = 102,
  kShortSedimentJ = 103,
};

bool isTransient() { return TimeStep > 1e-8; }

// Irradiance and air temperature come with the records I, J, M and N only
// when a reaction term needs them.
bool termNeedsIrradiance() {
  static const int types[] = {42, 51, 132, 151, 152, 161, 162, 272, 281, 282, 6100};
  for (int t = 0; t < NoTerms && t < MaxTerms; ++t)
    for (int type : types)
      if (QTerms[t].type == type) return true;
  return false;
}
bool termNeedsAirTemperature() {
  for (int t = 0; t < NoTerms && t < MaxTerms; ++t)
    if (QTerms[t].type == 1060) return true;
  return false;
}

// The state of one reading of the file.
struct Reading {
  Scanner s;
  std::size_t at = 0;  // where the current record starts
  int groups = 0;      // inflow groups: sediment blocks per record
  bool irradiance = false, airTemp = false, wind = false, level = false;
  int d = 0, c = 0, m = 0;   // positions of the D/Q, C and M records
  bool dOwnsAxis = false;    // the D records give the times of the series
  bool negativeStep = false; // code 12 stands for a negative time step
};

// The last row the series arrays hold.
int lastRow() { return ArrayTimeSteps; }

// A record stored at position p: the row p = ArrayTimeSteps is the one past
// the capacity the user asked for, so the series ends there with code 11,
// which replaces a code held for the record.
int finish(int held, int p) { return p >= lastRow() ? kTooManyRecords : held; }

// Time of the record before position t (the series must not go back).
bool goesBack(double time, int t) { return t > 0 && time < TimeInTime[t - 1]; }

// The sediment block of a record: lnumber concentrations per inflow group
// into Cinn[row][lnumber*g + l]; each multiplied by its G 51 factor when
// asked. False when the list is short.
bool readSediment(Reading& r, int row, bool factors) {
  for (int g = 0; g < r.groups; ++g)
    for (int l = 1; l <= lnumber; ++l) {
      double x;
      if (!r.s.readDouble(x)) return false;
      Cinn[row][lnumber * g + l] = factors ? x * multCinn[l] : x;
    }
  return true;
}

// The block must fit a Cinn row before any of it is stored.
bool sedimentFits(const Reading& r) {
  return static_cast<long long>(lnumber) * r.groups <= kSedimentSlots;
}

int componentCount() { return std::clamp(CompInflowNo, 0, kMaxComponents); }

int recordA(Reading& r) {
  double time;
  if (!r.s.readDouble(time) || NoAlldataPrintout >= kRestartTimes || NoAlldataPrintout < 0) return kRestartTime;
  AlldataPrintout[NoAlldataPrintout++] = time;
  return kOk;
}

int recordC(Reading& r) {
  const int c = r.c;
  if (c > lastRow()) return kTooManyRecords;
  double time;
  if (!r.s.readDouble(time)) return kCTimeNotRead;
  const bool differs = std::fabs(time - TimeInTime[c]) > kSameTime;
  if (time < 0.0) return differs ? kTimeMismatch : kCTimeNotRead;
  if (differs) return kTimeMismatch;
  if (!sedimentFits(r)) return kSedimentBlock;
  const int held = readSediment(r, c, false) ? kOk : kShortConcentrations;
  ++r.c;
  return finish(held, c);
}

int recordD(Reading& r) {
  const int d = r.d;
  if (d > lastRow()) return kTooManyRecords;
  double time;
  if (!r.s.readDouble(time)) return kNotRead;
  const bool owns = r.dOwnsAxis || TimeInNo == 0;
  // The D records that give the time axis must go forward in time, as the
  // H, I, J and N records must: a time below the one before would make the
  // interpolation take the wrong pair of records.
  if (owns && goesBack(time, d)) return kTimeOrder;
  if (!owns && std::fabs(time - TimeInTime[d]) > kSameTime) return kTimeMismatch;
  double q[9];
  const int got = r.s.readDoubles(q, 9);
  int held = kOk;
  if (got < 9) {
    if (!r.level) return kLevelOrAirTemp;
    held = kShortDischargesD;
  }
  double h = 0.0;
  if (held == kOk && r.level && !r.s.readDouble(h)) return kLevelOrAirTemp;
  for (int k = 0; k < got; ++k) QDinn[d][k + 1] = q[k];
  if (r.level && held == kOk) TimeInHout[d] = h;
  if (owns) {
    r.dOwnsAxis = true;
    TimeInTime[d] = time;
    if (TimeInNo <= lastRow()) ++TimeInNo;
  }
  if (isTransient()) FlagDischargeTime = 1;
  ++r.d;
  return finish(held, d);
}

int recordH(Reading& r) {
  const int t = TimeInNo;
  if (t > lastRow()) return kTooManyRecords;
  double v[3];
  const int got = r.s.readDoubles(v, 3);
  if (got >= 1 && goesBack(v[0], t)) return kTimeOrder;
  if (got < 3 || v[0] < 0.0) return kHNotRead;
  TimeInTime[t] = v[0];
  TimeInHinn[t] = v[1];
  TimeInHout[t] = v[2];
  FlagJTime = 0;
  TimeInNo = t + 1;
  return finish(kOk, t);
}

// The first values of an I or J record: time, q1, q2, upstream and
// downstream level (and the time step of J).
int readIJHead(Reading& r, int t, double* v, int n) {
  const int got = r.s.readDoubles(v, n);
  if (got >= 1 && goesBack(v[0], t)) return kTimeOrder;
  if (got < n || v[0] < 0.0) return kNotRead;
  return kOk;
}

void storeIJHead(int t, const double* v) {
  TimeInTime[t] = v[0];
  QDinn[t][1] = v[1];
  QDinn[t][2] = v[2];
  TimeInHinn[t] = v[3];
  TimeInHout[t] = v[4];
}

int recordI(Reading& r) {
  const int t = TimeInNo;
  if (t > lastRow()) return kTooManyRecords;
  double v[5];
  if (const int code = readIJHead(r, t, v, 5)) return code;
  int held = kOk;
  if (FlagTSC > 0) {
    if (!sedimentFits(r)) return kSedimentBlock;
    if (!readSediment(r, t, true)) held = kShortSedimentI;
  }
  double w[3], irr = 0.0;
  if (held == kOk && r.wind && r.s.readDoubles(w, 3) < 3) return kWindOrStep;
  if (held == kOk && r.irradiance && !r.s.readDouble(irr)) return kIrradiance;
  storeIJHead(t, v);
  if (held == kOk && r.wind) std::copy(w, w + 3, Winn[t]);
  if (held == kOk && r.irradiance) Irradi[t] = irr;
  FlagJTime = 0;
  if (FlagDischargeTime == 0 && v[1] > 0.0) FlagDischargeTime = 1;
  TimeInNo = t + 1;
  return finish(held, t);
}

int recordJ(Reading& r) {
  const int t = TimeInNo;
  if (t > lastRow()) return kTooManyRecords;
  double v[6];
  if (const int code = readIJHead(r, t, v, 6)) return code;
  int held = kOk;
  if (FlagTSC > 0) {
    if (!sedimentFits(r)) return kSedimentBlock;
    if (!readSediment(r, t, false)) held = kShortSedimentJ;
  }
  double irr = 0.0;
  if (held == kOk && r.irradiance && !r.s.readDouble(irr)) return kIrradiance;
  storeIJHead(t, v);
  TimeInTimStep[t] = v[5];
  if (held == kOk && r.irradiance) Irradi[t] = irr;
  if (v[5] < 0.0) {
    held = kWindOrStep;
    r.negativeStep = true;
  }
  FlagJTime = 1;
  TimeInNo = t + 1;
  return finish(held, t);
}

// The tail shared by M and N: wind (N reads it after its discharges), the
// component concentrations, irradiance and air temperature, stored in row
// `row`. Returns an immediate code, or kOk with `held` set for a short list.
int readMNTail(Reading& r, int row, int& held) {
  double w[3];
  if (r.wind) {
    if (r.s.readDoubles(w, 3) < 3) return kWindOrStep;
    std::copy(w, w + 3, Winn[row]);
  }
  const int n = componentCount();
  for (int k = 0; k < n; ++k) {
    double x;
    if (!r.s.readDouble(x)) {
      held = kShortList;
      return kOk;
    }
    Cinn[row][k] = x;
  }
  double x;
  if (r.irradiance) {
    if (!r.s.readDouble(x)) return kIrradiance;
    Irradi[row] = x;
  }
  if (r.airTemp) {
    if (!r.s.readDouble(x)) return kLevelOrAirTemp;
    AirTemp[row] = x;
  }
  return kOk;
}

int negativeStep(Reading& r, double step, int held) {
  if (step >= 0.0) return held;
  r.negativeStep = true;
  return kWindOrStep;
}

int recordM(Reading& r) {
  const int m = r.m;
  if (m > lastRow()) return kTooManyRecords;
  double v[2];
  const int gotM = r.s.readDoubles(v, 2);
  // The M records carry their own times: forward in time, as the others.
  if (gotM >= 1 && goesBack(v[0], m)) return kTimeOrder;
  if (gotM < 2 || v[0] < 0.0) return kNotRead;
  int held = kOk;
  if (const int code = readMNTail(r, m, held)) return code;
  TimeInTime[m] = v[0];
  TimeInTimStep[m] = v[1];
  held = negativeStep(r, v[1], held);
  FlagJTime = 1;
  ++r.m;
  if (TimeInNo == 0) TimeInNo = r.m;
  return finish(held, m);
}

int recordN(Reading& r) {
  const int t = TimeInNo;
  if (t > lastRow()) return kTooManyRecords;
  double v[2];
  const int got = r.s.readDoubles(v, 2);
  if (got >= 1 && goesBack(v[0], t)) return kTimeOrder;
  if (got < 2 || v[0] < 0.0) return kNotRead;
  double q[9];
  const int gotq = r.s.readDoubles(q, 9);
  int held = gotq < 9 ? kShortList : kOk;
  for (int k = 0; k < gotq; ++k) QDinn[t][k + 1] = q[k];
  if (held == kOk && r.level) {
    double h;
    if (!r.s.readDouble(h)) return kLevelOrAirTemp;
    TimeInHout[t] = h;
  }
  if (held == kOk)
    if (const int code = readMNTail(r, t, held)) return code;
  TimeInTime[t] = v[0];
  TimeInTimStep[t] = v[1];
  held = negativeStep(r, v[1], held);
  FlagJTime = 1;
  if (isTransient()) FlagDischargeTime = 1;
  TimeInNo = t + 1;
  return finish(held, t);
}

int recordQ(Reading& r) {
  const int d = r.d;
  if (d > lastRow()) return kTooManyRecords;
  double time;
  if (!r.s.readDouble(time)) return kQTimeNotRead;
  if (std::fabs(time - TimeInTime[d]) > kSameTime) return kTimeMismatch;
  double q[9];
  const int got = r.s.readDoubles(q, 9);
  for (int k = 0; k < got; ++k) QDinn[d][k + 1] = q[k];
  if (isTransient()) FlagDischargeTime = 1;
  ++r.d;
  return finish(got < 9 ? kShortDischargesQ : kOk, d);
}

bool printLetter(char L) { return L == 'Q' || (L >= 'a' && L <= 'z' && L != 'j' && L != 'l'); }

// A print-point record: its time, the entry count and the entries. The
// record count is tested before anything is stored.
int recordO(Reading& r) {
  if (TimePrintNo >= kPrintRecords || TimePrintNo < 0) return kPrintRecordCount;
  TimePrintEntry& E = TimePrint[TimePrintNo];
  double time = 0.0;
  int n = 0;
  const bool gotTime = r.s.readDouble(time);
  const bool gotN = gotTime && r.s.readInt(n);
  const bool back = gotTime && TimePrintNo > 0 && time < TimePrint[TimePrintNo - 1].time;
  const bool countOk = gotN && n >= 0 && n <= kPrintEntries;
  int code = kOk;
  if (gotTime && time < 0.0)
    code = back ? kPrintTimeOrder : kPrintNegativeTime;
  else if (back)
    code = kPrintTimeOrder;
  else if (!countOk)
    return kPrintHeader;
  E.time = time;
  int e = 0;
  for (; code == kOk && e < n; ++e) {
    char L;
    int number;
    if (!r.s.readChar(L) || !r.s.readInt(number) || number < 0) {
      code = kPrintEntry;
      break;
    }
    if (!printLetter(L)) {
      code = kPrintLetter;
      break;
    }
    int extra = 0, size = 0;
    if ((L == 'h' || L == 'z') && !r.s.readInt(extra)) {
      code = kPrintSize;
      break;
    }
    if (L == 'c' && (!r.s.readInt(size) || !inRange(size, 0, lnumber))) {
      code = kPrintSize;
      break;
    }
    if (L == 'q' && (!r.s.readInt(size) || !inRange(size, 0, NoComponents - 1))) {
      code = kPrintComponent;
      break;
    }
    r.s.skipSpace();
    E.letter[e] = L;
    E.number[e] = number;
    if (L == 'h' || L == 'z') {
      E.i[e] = number;
      E.j[e] = extra;
    }
    E.size[e] = size;
  }
  // A refused record keeps only the entries it stored.
  E.n = code == kOk ? n : e;
  ++TimePrintNo;
  return code;
}

int readRecord(Reading& r, int letter) {
  switch (letter) {
    case 'A': return recordA(r);
    case 'C': return recordC(r);
    case 'D': return recordD(r);
    case 'H': return recordH(r);
    case 'I': return recordI(r);
    case 'J': return recordJ(r);
    case 'M': return recordM(r);
    case 'N': return recordN(r);
    case 'O': return recordO(r);
    case 'Q': return recordQ(r);
    default: return kOk;  // any other byte is skipped by itself
  }
}

// The record loop: up to the end of the file, the first refused record, or
// 3000 turns (records and skipped bytes) per row of the series.
int readRecords(Reading& r) {
  const long limit = kTurnsPerRow * ArrayTimeSteps;
  for (long turns = 0;;) {
    const int letter = r.s.get();
    if (letter < 0) return kOk;
    r.at = r.s.position() - 1;
    if (const int code = readRecord(r, letter)) return code;
    if (++turns >= limit) return kOk;
  }
}

const char* codeMessage(int code, const Reading& r) {
  switch (code) {
    case kNotRead: return "Have not read five floats on the I data set, or the time is negative\n";
    case kTimeOrder: return "The times on the data set are not in increasing order\n";
    case kShortList: return "Not read enough numbers on the data set\n";
    case kTooManyRecords:
      return "Too many time steps given in the timei file. Use F 81 in the control file or increase its existing "
             "value";
    case kWindOrStep:
      return r.negativeStep ? "The time step on the data set is negative\n"
                            : "Have not read three wind parameters on the I data set\n";
    case kIrradiance: return "Have not read irradiance parameter on the I data set\n";
    case kTimeMismatch: return "The times on the I/J and D data sets are not the same\n";
    case kShortConcentrations: return "Not read enough concentration numbers on the C data set\n";
    case kShortDischargesQ: return "Not read enough discharge numbers on the Q data set\n";
    case kQTimeNotRead: return "Have not read time step on the Q data set\n";
    case kCTimeNotRead: return "Have not read time step on the C data set\n";
    case kHNotRead: return "Have not read three numbers on the H data set\n";
    case kShortSedimentI: return "Not read enough sediment concentrations on the I data set\n";
    case kShortDischargesD: return "Have not read 9 discharges on the D data set\n";
    case kShortSedimentJ: return "Not read enough sediment concentrations on the J data set\n";
    default: return nullptr;
  }
}

// The log of a refused file: the code, its message, where the record stands
// (when a record was refused), the status text and the records kept.
void reportError(int code, const Reading& r, bool atRecord) {
  logf("Error in timei file: code %d\n", code);
  if (const char* text = codeMessage(code, r)) logf("%s", text);
  if (code == kShortSedimentI || code == kShortSedimentJ)
    logf("The number of floats should be %d * %d (sediment sizes * number of inflow groups)\n", lnumber, r.groups);
  if (code == kSedimentBlock)
    logf("The sediment concentrations of %d sizes for %d inflow groups exceed the %d values of a record\n", lnumber,
         r.groups, kSedimentSlots);
  if (atRecord && code != kTooManyRecords) logRecordPlace(r.s, r.at, "timei");
  if (code == kTooManyRecords) {
    setMessage("Error in 'timei': use F 81 or increase its value");
  } else {
    char text[64];
    std::snprintf(text, sizeof text, "Error in 'timei' file: code %d ", code);
    setMessage(text);
  }
  logf("Have read %d data sets from timei file: \n", TimeInNo);
  for (int row = 0; row < TimeInNo; ++row) {
    logf("%lf ", TimeInTime[row]);
    for (int g = 1; g <= 9; ++g) logf(" %lf", QDinn[row][g]);
    logf("\n");
  }
}

// The series repeated NoRepeatTimei times after itself: each repetition is
// shifted by the span of the series plus its first interval, so that the
// steps keep their spacing whatever time the series starts at. A single
// record holds at all times and needs no repetition.
int repeatSeries(const Reading& r) {
  const int N = TimeInNo;
  if (NoRepeatTimei <= 0 || N < 2) return kOk;
  if ((static_cast<long long>(NoRepeatTimei) + 1) * N > lastRow()) return kTooManyRecords;
  const double period = TimeInTime[N - 1] - TimeInTime[0] + (TimeInTime[1] - TimeInTime[0]);
  const int block = FlagTSC > 0 ? std::min(lnumber * r.groups, kSedimentSlots) : 0;
  for (int rep = 1; rep <= NoRepeatTimei; ++rep)
    for (int i = 0; i < N; ++i) {
      const int row = rep * N + i;
      TimeInTime[row] = TimeInTime[i] + rep * period;
      QDinn[row][1] = QDinn[i][1];
      QDinn[row][2] = QDinn[i][2];
      TimeInHinn[row] = TimeInHinn[i];
      TimeInHout[row] = TimeInHout[i];
      for (int k = 1; k <= block; ++k) Cinn[row][k] = Cinn[i][k];
    }
  TimeInNo = (NoRepeatTimei + 1) * N;
  return kOk;
}

void writeEcho() {
  std::FILE* f = openWrite("timei.out", "w");
  if (!f) {
    logf("Error opening timei.out file\n\n");
    RunErrorReported = 1;
    return;
  }
  std::fprintf(f, "Time q1 q2 q3 h1 h2 c0\n");
  const int sizes = std::min(lnumber, kSedimentSlots);
  for (int row = 0; row < TimeInNo; ++row) {
    std::fprintf(f, "%lf %lf %lf %lf %lf ", TimeInTime[row], QDinn[row][1], QDinn[row][2], TimeInHinn[row],
                 TimeInHout[row]);
    if (FlagTSC > 0)
      for (int l = 1; l <= sizes; ++l) std::fprintf(f, "%lg ", Cinn[row][l]);
    std::fprintf(f, "\n");
  }
  closeOutput(f);
}

// The series arrays, ArrayTimeSteps + 1 rows; the allocation of the arrays
// has made them for a transient run, this makes them for any other caller.
void ensureSeriesArrays() {
  const std::size_t rows = alloc::extent(ArrayTimeSteps, 1);
  bool ok = true;
  for (double** p : {&TimeInTime, &TimeInTimStep, &TimeInHinn, &TimeInHout, &Irradi, &AirTemp})
    ok = ok && allocate1(*p, rows);
  ok = ok && allocate2(QDinn, rows, 10) && allocate2(Cinn, rows, kCinnWidth) && allocate2(Winn, rows, 3);
  if (!ok) {
    setMessage(" Error in array allocation");
    fatal(-3, "Error in allocation of the time-series arrays for %d records of timei\n", ArrayTimeSteps);
  }
}

}  // namespace

int ReadTimes() {
  TimeInNo = 0;
  TimePrintNo = 0;
  Reading r;
  for (int g = 1; g <= 9; ++g)
    if (DischargeStruct[g].inflow == 1 && DischargeStruct[g].surfno > 0) ++r.groups;
  r.irradiance = termNeedsIrradiance();
  r.airTemp = termNeedsAirTemperature();
  r.wind = isTransient() && Wind[0] > 1e-10;
  r.level = iSurf > 0 || kSurf > 0;

  int result = kOk;
  bool atRecord = false;
  if (!r.s.open("timei")) {
    setMessage("have not used 'timei' file ");
  } else if (ArrayTimeSteps >= 1) {
    ensureSeriesArrays();
    for (int k = 0; k <= std::min(lnumber, kCinnWidth - 1); ++k) Cinn[0][k] = 0.0;
    result = readRecords(r);
    atRecord = result != kOk;
  }
  if (result != kOk) reportError(result, r, atRecord);
  if (TimeInTime) {
    const int repeated = repeatSeries(r);
    if (result == kOk && repeated != kOk) {
      result = repeated;
      reportError(result, r, false);
    }
  }
  if (debugging == 'D' && (TimeInNo == 0 || TimeInTime)) writeEcho();
  return result;
}
