// Dredging and feeding by the schedule of the `bagger` file (F 386): events
// with a time window lower the bed to the dredging levels of K records in
// their N areas, or feed sediment of the F-record mix into the bed, the bed
// sources or the water. The file is read once (readBagger); every call of
// bagger performs the events whose window holds the time and appends the
// moved bed volume of each action to `bag_res`. Main thread.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "state/log.h"
#include "state/outfile.h"
#include "state/scanner.h"
#include "sediment/sediment.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/baggerstate.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "state/sedimentstate.h"

namespace {

inline int sizes() { return std::clamp(lnumber, 0, 50); }
inline bool gridPoint(int i, int j) { return i >= 0 && j >= 0 && i <= xnumber + 1 && j <= ynumber + 1; }

// Grid points of each event that carry a K record: a column dredges only
// when all four of its corners have a level.
std::vector<unsigned char> kGiven;
inline std::size_t pointIndex(int e, int i, int j) {
  return (static_cast<std::size_t>(e) * (xnumber + 2) + i) * (ynumber + 2) + j;
}

struct Counts {
  int T = 0, points = 0;
};

struct FirstWindow {
  int i1 = 0, i2 = -1, j1 = 0, j2 = -1;
};
FirstWindow firstWindow() {
  if (NoBlocks < 1) return {};
  const BlockRecord& B = block[1];
  return {std::max(B.i1 - 1, 0), std::min(B.i2, xnumber + 1), std::max(B.j1 - 1, 0), std::min(B.j2, ynumber + 1)};
}

void clearTables() {
  for (int e = 0; e < MaxBaggerEvents; ++e) {
    NoBaggerAreas[e] = 0;
    baggerFlags[e] = 0;
  }
  const FirstWindow w = firstWindow();
  for (int e = 0; e < MaxNoBagger; ++e) {
    if (zugabeZval) zugabeZval[e] = 0.0;
    if (baggerZval)
      for (int i = w.i1; i <= w.i2; ++i)
        for (int j = w.j1; j <= w.j2; ++j) baggerZval[e][i][j] = 0.0;
  }
  kGiven.assign(MaxNoBagger > 0 ? static_cast<std::size_t>(MaxNoBagger) * (xnumber + 2) * (ynumber + 2) : 0, 0);
}

[[noreturn]] void noEvent(char letter) {
  fatal(-5, "Error for %c data set in bagger file: it stands before the first T data set\n", letter);
}

// K, D and E records: i j x y value.
void pointRecord(Scanner& s, char letter, int e, int area, Counts& n, int& lastI, int& lastJ) {
  int ij[2] = {0, 0};
  double xyv[3] = {0.0, 0.0, 0.0};
  const bool read = s.readInts(ij, 2) == 2 && s.readDoubles(xyv, 3) == 3;
  const int i = ij[0], j = ij[1];
  lastI = i, lastJ = j;
  const char* kind = letter == 'K' ? "Dredging" : "Feeding";
  bool inside = false;
  if (letter == 'K') {
    if (area >= 1) {
      const int* a = baggerAreas[e][area - 1];
      inside = i >= a[0] && i <= a[1] && j >= a[2] && j <= a[3];
    }
  } else {
    const FirstWindow w = firstWindow();
    inside = i >= w.i1 && i <= w.i2 && j >= w.j1 && j <= w.j2;
  }
  if (!read || e >= MaxNoBagger || !baggerZval || !inside || !gridPoint(i, j)) {
    if (letter == 'K' && area < 1) logf("A K data set needs an N data set of its T data set before it\n");
    fatal(-6, "Error for %c data set in bagger file: %s no. %d, area no. %d, i=%d, j=%d, level=%lf\n", letter, kind,
          e + 1, area, i, j, xyv[2]);
  }
  baggerZval[e][i][j] = xyv[2];
  if (letter == 'K') kGiven[pointIndex(e, i, j)] = 1;
  if (letter == 'D') baggerFlags[e] = 4;
  if (letter == 'E') baggerFlags[e] = 5;
  ++n.points;
}

Counts readRecords(Scanner& s) {
  Counts n;
  int e = -1, area = 0, lastI = 0, lastJ = 0;
  for (long chars = 0; chars < 10000000 && !s.atEnd(); ++chars) {
    const int ch = s.get();
    switch (ch) {
      case 'T': {
        double v[2] = {0.0, 0.0};
        const bool read = s.readDoubles(v, 2) == 2;
        if (e + 1 >= MaxBaggerEvents) {
          logf("The bagger file can hold at most %d T data sets\n", MaxBaggerEvents);
          fatal(-5, "Error for T data set no. %d in bagger file\n", e + 2);
        }
        if (!read || v[0] > v[1]) fatal(-5, "Error for T data set no. %d in bagger file\n", e + 2);
        ++e;
        NoBaggerTimes = e;
        baggerTime[e][0] = v[0];
        baggerTime[e][1] = v[1];
        NoBaggerAreas[e] = 0;
        baggerFlags[e] = 0;
        area = 0;
        ++n.T;
        break;
      }
      case 'N': {
        if (e < 0) noEvent('N');
        int v[4] = {0, 0, 0, 0};
        const bool read = s.readInts(v, 4) == 4;
        ++area;
        if (area > MaxBaggerAreas) logf("An event of the bagger file can hold at most %d N data sets\n", MaxBaggerAreas);
        if (!read || area > MaxBaggerAreas || v[2] > v[3] || v[0] > v[1] || v[0] < 2 || v[2] < 2 || v[1] > xnumber ||
            v[3] > ynumber)
          fatal(-5, "Error for dredging no. %d, N data set no. %d, in bagger file\n", e + 1, area);
        for (int k = 0; k < 4; ++k) baggerAreas[e][area - 1][k] = v[k];
        NoBaggerAreas[e] = area;
        break;
      }
      case 'K':
      case 'D':
      case 'E':
        if (e < 0) noEvent(static_cast<char>(ch));
        pointRecord(s, static_cast<char>(ch), e, area, n, lastI, lastJ);
        break;
      case 'Z': {
        if (e < 0) noEvent('Z');
        double v = 0.0;
        const bool read = s.readDouble(v);
        if (!read || e >= MaxNoBagger || !zugabeZval)
          fatal(-6, "Error for Z data set in bagger file: Feeding no. %d, area no. %d, level=%lf\n", e + 1, area, v);
        zugabeZval[e] = v;
        baggerFlags[e] = 2;
        ++n.points;
        break;
      }
      case 'F': {
        if (e < 0) noEvent('F');
        for (int k = 1; k <= sizes(); ++k) {
          double f = 0.0;
          const bool read = s.readDouble(f);
          if (!read || f < 0.0 || f > 1.0 || e >= MaxNoBagger || !zugabeFractions)
            fatal(-6,
                  "Error for F data set in bagger file: Feeding no. %d, area no. %d, i=%d, j=%d, size = %d, "
                  "fraction=%lf\n",
                  e + 1, area, lastI, lastJ, k, f);
          zugabeFractions[e][k] = f;
        }
        break;
      }
      case 'L': {
        if (e < 0) noEvent('L');
        double v = 0.0;
        if (!s.readDouble(v)) fatal(-4, "Error for L data set no. %d in bagger file\n", e + 1);
        baggerLevels[e] = v;
        break;
      }
      default: break;
    }
  }
  return n;
}

void appendVolume(double volume) {
  std::FILE* f = openWrite("bag_res", "a");
  if (!f) fatal(-10, "Could not open 'bag_res' file\n");
  std::fprintf(f, "%lf, %lf\n", stimet, volume);
  closeOutput(f);
}

inline double cornerMean(double** G, int i, int j) { return 0.25 * (G[i][j] + G[i - 1][j] + G[i][j - 1] + G[i - 1][j - 1]); }
inline double bedLevel(int i, int j) {
  return 0.25 * (zval[i][j][1] + zval[i - 1][j][1] + zval[i][j - 1][1] + zval[i - 1][j - 1][1]);
}
inline double fixedRef(int i, int j) {
  return 0.25 * (Surfaces[0][i][j] + Surfaces[0][i - 1][j] + Surfaces[0][i][j - 1] + Surfaces[0][i - 1][j - 1]);
}
inline int bedOf(int i, int j) {
  if (i < 1 || j < 1 || i > xnumber + 1 || j > ynumber + 1) return 0;
  const int b = pointbed[i][j];
  return b >= 1 && b < bedCellCapacity() ? b : 0;
}

// Every size of the feed h (m) over bed cell b goes into kIn.
void bookFeed(int e, int b, double h) {
  for (int k = 1; k <= sizes(); ++k) kIn[k] += zugabeFractions[e][k] * h * Barea[b] * density * 1000.0 * SolidFrac;
}

// The top layer of b keeps its thickness, takes h of the feed and passes as
// much of its old mix (or all of it and the rest of the feed) down.
double mixTopLayers(int e, int b, double h) {
  const int t = BlayerTop[b];
  if (t < 1 || t > NoBedLayers) return 1.0;
  double*** S = BSedDistrib;
  const double Tt = S[t][0][b], Tb = S[t - 1][0][b];
  double sum = 0.0;
  for (int k = 1; k <= sizes(); ++k) {
    const double f = zugabeFractions[e][k], gt = S[t][k][b], gb = S[t - 1][k][b];
    if (Tt > h) {
      S[t - 1][k][b] = (gt * h + gb * Tb) / (Tb + h);
      S[t][k][b] = ((Tt - h) * gt + f * h) / Tt;
    } else {
      S[t - 1][k][b] = (gt * Tt + gb * Tb + f * (h - Tt)) / (Tb + h);
      S[t][k][b] = f;
    }
    sum += S[t][k][b];
  }
  S[t - 1][0][b] = Tb + h;
  return sum;
}

double dredge(int e, double w) {
  double volume = 0.0;
  for (int a = 0; a < std::min(NoBaggerAreas[e], MaxBaggerAreas); ++a) {
    const int* A = baggerAreas[e][a];
    for (int i = A[0] + 1; i <= A[1]; ++i)
      for (int j = A[2] + 1; j <= A[3]; ++j) {
        const int b = bedOf(i, j);
        if (!b) continue;
        bool all = e < MaxNoBagger;
        for (int di = -1; di <= 0 && all; ++di)
          for (int dj = -1; dj <= 0 && all; ++dj) all = kGiven[pointIndex(e, i + di, j + dj)] != 0;
        if (!all) continue;  // no level for every corner: the column is not dredged
        const double d = std::min(0.0, cornerMean(baggerZval[e], i, j) - bedLevel(i, j));
        Bedmove[b] += d * w;
        volume += d * w * Barea[b];
      }
  }
  return volume;
}

// Z feeding: B mixes the two top layers, C goes through Bbedchange.
double feedZ(int e, double wf, bool layers) {
  double volume = 0.0;
  for (int a = 0; a < std::min(NoBaggerAreas[e], MaxBaggerAreas); ++a) {
    const int* A = baggerAreas[e][a];
    for (int i = A[0]; i <= A[1]; ++i)
      for (int j = A[2]; j <= A[3]; ++j) {
        const int b = bedOf(i, j);
        if (!b) continue;
        const double h = zugabeZval[e] * wf;
        if (layers) {
          Bedmove[b] += h;
          volume += h * Barea[b];
          if (h > 1e-5) {
            const double S = mixTopLayers(e, b, h);
            if (S < 0.99 || S > 1.01) logf("Error in bagger algorithm: sum = %lf for i=%d, j=%d\n", S, i, j);
          }
        } else {
          for (int k = 1; k <= sizes(); ++k) Bbedchange[k][b] += zugabeFractions[e][k] * h;
          bookFeed(e, b, h);
          Bedmove[b] += h;
          volume += h * Barea[b];
        }
      }
  }
  return volume;
}

// D feeding over the first block, by action (D, E, F, G, H, I).
double feedD(int e, char action, double t, double wf) {
  const double ts = baggerTime[e][0], te = baggerTime[e][1], dt = TimeStep;
  double volume = 0.0;
  if (NoBlocks < 1) return 0.0;
  const BlockRecord& B = block[1];
  for (int i = std::max(B.i1, 1); i <= std::min(B.i2, xnumber + 1); ++i)
    for (int j = std::max(B.j1, 1); j <= std::min(B.j2, ynumber + 1); ++j) {
      const int b = bedOf(i, j);
      if (!b) continue;
      const double H = cornerMean(baggerZval[e], i, j);
      double h = 0.0;
      switch (action) {
        case 'D':
        case 'G':
        case 'I': h = (H >= 0.05 ? H : 0.0) * wf; break;
        case 'E': h = H * wf; break;
        case 'F': {
          const double r = (t - ts) / (te - ts);
          h = (bedLevel(i, j) - fixedRef(i, j) > r * H ? 0.0 : std::max(H, 0.0)) * wf;
          break;
        }
        default: {  // H
          const double r = t - ts <= dt ? 0.0 : (t - ts) / (te - ts);
          h = (bedLevel(i, j) - fixedRef(i, j) > r * H || H < 0.01 ? 0.0 : H) * wf;
          break;
        }
      }
      if (action == 'D') {
        Bedmove[b] += h;
        volume += h * Barea[b];
        if (h > 1e-5) {
          const double S = mixTopLayers(e, b, h);
          const int top = BlayerTop[b];
          const double T = top >= 0 && top <= NoBedLayers ? BSedDistrib[top][0][b] : 0.0;
          if ((S < 0.99 || S > 1.01) && T > 1e-7)
            logf("Error in bagger algorithm: sum = %lf for i=%d, j=%d, TopLayer = %lf m\n", S, i, j, T);
        }
        continue;
      }
      if (action == 'E' || action == 'F') {
        // The source is a mass flux: the fed volume over the time step.
        for (int k = 1; k <= sizes(); ++k)
          Bsource[k][b] -= zugabeFractions[e][k] * h * Barea[b] * SolidFrac * 1000.0 / dt;
      } else if (action == 'G' || action == 'H') {
        for (int k = 1; k <= sizes(); ++k) Bbedchange[k][b] += zugabeFractions[e][k] * h;
      } else {  // I: into the top cell of the column
        int c = Bcellt[b];
        if (c < 1 || c > NoCells) continue;
        for (int guard = 0; guard < NoCells && Ccellt[c] >= 1 && Ccellt[c] <= NoCells; ++guard) c = Ccellt[c];
        for (int k = 1; k <= sizes(); ++k) {
          double* row = Csourcem && k < CsourcemRows ? Csourcem[k] : (sizes() == 1 ? Csource : nullptr);
          if (row) row[c] += SolidFrac * zugabeFractions[e][k] * h * Barea[b] * 1000.0 / dt;
        }
      }
      bookFeed(e, b, h);
      Bedmove[b] += h;
      volume += h * Barea[b];
    }
  return volume;
}

// The action of event e by its kind, F 386 and F 37; 0 for none.
char actionOf(int e) {
  const int kind = baggerFlags[e], v = FlagBagger, tsc = FlagTSC;
  if (kind == 0) return 'A';
  if (kind == 2) {
    if (v == 1) return 'B';
    if (v == 2 && tsc == 3) return 'C';
    return 0;
  }
  if (kind != 4) return 0;
  if (v == 1) return 'D';
  if (v == 4 && tsc >= 1 && tsc <= 3) return 'I';
  if (tsc == 2) return v == 2 ? 'E' : v == 3 ? 'F' : 0;
  if (tsc == 3) return v == 2 ? 'G' : v == 3 ? 'H' : 0;
  return 0;
}

// Whether the arrays an action writes exist.
bool actionReady(int e, char a) {
  if (!Bedmove || !Barea || !pointbed || !zval) return false;
  if (a == 'A') return true;
  if (e >= MaxNoBagger || !zugabeFractions || !zugabeZval || !baggerZval) return false;
  switch (a) {
    case 'B':
    case 'D': return BSedDistrib && BlayerTop;
    case 'C':
    case 'G':
    case 'H': return Bbedchange != nullptr;
    case 'E':
    case 'F': return Bsource != nullptr && TimeStep > 0.0;
    default: return Bcellt && Ccellt && TimeStep > 0.0;  // I
  }
}

}  // namespace

void readBagger() {
  if (NoBaggerTimes != -1) return;
  Scanner s;
  if (!s.open("bagger")) fatal(-8, "Could not open 'baggger' file\n");
  std::FILE* f = openWrite("bag_res", "w");
  if (!f) fatal(-9, "Could not open 'bag_res' file\n");
  std::fprintf(f, "Time [sec], Volume [m3]\n\n");
  closeOutput(f);
  clearTables();
  const Counts n = readRecords(s);
  f = openWrite("bag_res", "a");
  if (!f) fatal(-9, "Could not open 'bag_res' file\n");
  std::fprintf(f, "Have read %d T data sets and %d D/E/F/N/K data sets from bagger file\n", n.T, n.points);
  closeOutput(f);
}

void bagger() {
  readBagger();
  const double t = stimet, dt = TimeStep;
  for (int e = 0; e <= std::min(NoBaggerTimes, MaxBaggerEvents - 1); ++e) {
    const double ts = baggerTime[e][0], te = baggerTime[e][1];
    if (!(t > ts && t < te)) continue;
    const char a = actionOf(e);
    if (!a || !actionReady(e, a)) continue;
    const double span = te - ts;
    const double wd = te - t < dt ? 1.0 : std::min(1.0, (t - ts) / (span + 1e-20));
    const double wf = t - ts <= dt ? (t - ts) / span : te - t < dt ? (dt + te - t) / span : dt / span;
    double volume = 0.0;
    if (a == 'A')
      volume = dredge(e, wd);
    else if (a == 'B' || a == 'C')
      volume = feedZ(e, wf, a == 'B');
    else
      volume = feedD(e, a, t, wf);
    appendVolume(volume);
  }
}
