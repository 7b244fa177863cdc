// S, N, M, Q, H, L, T and I data sets.
//
// Their letters read the first integers themselves (kread.cpp): the size of
// S and I, the distribution and size of N, the group of M, the type and
// component of Q, the set of H and the count of L, each tested there as far
// as the letter goes; the rows below read the rest.
#include <algorithm>
#include <cstring>

#include "io/dataset.h"
#include "state/log.h"
#include "state/options.h"

namespace {

// S: diameter and fall velocity of size n, the coarsest size first.
void readS(DataSetRead& d) {
  const int n = d.number;
  int count = 0;
  if (d.s.readDouble(gsize[n])) {
    ++count;
    if (d.s.readDouble(fallvelo[n])) ++count;
  }
  if (count != 2 || gsize[n] < 0.0 || gsize[n] > 1e6 || fallvelo[n] < -1e6 || fallvelo[n] > 1e6)
    d.refuseWith(1, "Input error for S in control in second or third float for i=%d\n", n);
  if (n > 1 && gsize[n] > gsize[n - 1] && FlagFlocDLL == 0)
    d.refuseWith(1, "Input error for S %d in control file: The coarsest sediment sizes have to be given first\n", n);
}
void sizesDefault() {
  std::fill(std::begin(gsize), std::end(gsize), 0.0);
  std::fill(std::begin(fallvelo), std::end(fallvelo), 0.0);
}

// N: initial fraction of size s in distribution d. Both indexes are tested
// before the fraction is stored; only distribution 0 exists.
void readN(DataSetRead& d) {
  const int dist = d.number, size = d.number2;
  const bool fits = dist >= 0 && dist < 20 && size >= 1 && size <= 49;
  double fraction = fits ? SedimentSample[dist][size] : 0.0;
  d.s.readDouble(fraction);
  if (dist > 0)
    logf(
        "Input error for N data set in control file: in TOVAK 2 there is only\n"
        "one grain size distribution for the N data sets, and it has number 0.\n"
        "If you want a spatially varying grain size distribution, use the fracres file\n\n");
  if (!fits || fraction < 0.0 || fraction > 1.0)
    d.refuseWith(1, "Input error for N data set in control file, size %d, fraction %lf\n", size, fraction);
  if (dist > 0) fatal(1, nullptr);  // its message stands above
  SedimentSample[dist][size] = fraction;
  ++FlagReadNdata;
}
void sampleDefault() {
  std::memset(SedimentSample, 0, sizeof SedimentSample);
  SedimentSample[0][1] = 1.0;
}

// M: inflow concentration of size or component k in group g.
void readM(DataSetRead& d) {
  const int g = d.number;
  int k = 0;
  if (!d.s.readInt(k))
    d.refuseWith(1,
                 "Error for M %d data set\n"
                 "Second integer less than zero, or larger than what is given on F 50 data set\n",
                 g);
  // A row holds the entries 0..19.
  if (k < 0 || k > 19 || !(k < NoComponents || k <= lnumber))
    d.refuseWith(1,
                 "Error for M %d %d data set\n"
                 "Second integer less than zero, or larger than what is given on F 50 data set\n",
                 g, k);
  if (!d.s.readDouble(CompInflow[g].value[k])) d.refuseWith(1, "Error for M %d %d data set\n", g, k);
  CompInflow[g].order[k] = CompInflowNo;
  ++CompInflowNo;
}
void inflowDefault() {
  for (CompInflowRow& r : CompInflow) {
    std::fill(std::begin(r.order), std::end(r.order), -1);
    std::fill(std::begin(r.value), std::end(r.value), 0.0);
  }
}

// Q: the values each term type reads after type and component.
struct TermShape {
  int ints, doubles;
  bool upToNoComponents;  // its integer may equal NoComponents
};

struct TermRow {
  int type;
  TermShape shape;
};

// clang-format off
constexpr TermRow kTermShapes[] = {
    {1, {0, 1, false}},     {5, {0, 1, false}},     {11, {0, 1, false}},    {1001, {0, 1, false}},
    {2001, {0, 1, false}},  {1102, {0, 2, false}},  {2030, {0, 3, false}},  {42, {0, 4, false}},
    {51, {0, 5, false}},    {1060, {0, 6, false}},  {81, {0, 8, false}},
    {2, {1, 1, true}},      {113, {1, 1, true}},    {1002, {1, 1, true}},   {1012, {1, 1, true}},
    {2002, {1, 1, true}},
    {120, {1, 2, false}},   {121, {1, 2, false}},   {122, {1, 2, false}},   {123, {1, 2, false}},
    {131, {1, 3, false}},   {132, {1, 3, false}},   {133, {1, 3, false}},
    {151, {1, 5, false}},   {152, {1, 5, false}},   {161, {1, 6, false}},   {162, {1, 6, false}},
    {17, {1, 7, false}},
    {3, {2, 1, false}},     {1003, {2, 1, false}},  {2003, {2, 1, false}},
    {4, {2, 2, false}},     {221, {2, 2, false}},   {1004, {2, 2, false}},  {2004, {2, 2, false}},
    {230, {2, 3, false}},   {251, {2, 5, false}},   {252, {2, 5, false}},   {261, {2, 6, false}},
    {272, {2, 7, false}},   {281, {2, 8, false}},   {282, {2, 8, false}},   {291, {2, 9, false}},
    {340, {3, 4, false}},   {361, {3, 6, false}},   {371, {3, 7, false}},
    {2149, {4, 9, false}},  {6100, {6, 10, false}},
};
// clang-format on

bool termShape(int type, TermShape& t) {
  for (const TermRow& r : kTermShapes)
    if (r.type == type) {
      t = r.shape;
      return true;
    }
  return false;
}

void readQ(DataSetRead& d) {
  const int type = d.number, component = d.number2;
  if (type == 0) {
    // A component name: at most 39 characters fit.
    char word[sizeof QualityName[0] + 1];
    if (!d.s.readWord(word, sizeof word)) return;
    if (std::strlen(word) >= sizeof QualityName[0] || component >= 40)
      d.refuseWith(1, "Input error for Q %d %d in control\n", type, component);
    std::memcpy(QualityName[component], word, std::strlen(word) + 1);
    return;
  }
  TermShape shape;
  if (!termShape(type, shape)) return;  // the rest of the line is free text
  ReactionTerm term{};
  int converted = 0;
  for (int i = 0; i < shape.ints && d.s.readInt(term.arg[i]); ++i) ++converted;
  if (converted == shape.ints)
    for (int i = 0; i < shape.doubles && d.s.readDouble(term.parameter[i]); ++i) ++converted;
  const int hi = shape.upToNoComponents ? NoComponents : NoComponents - 1;
  bool ok = converted == shape.ints + shape.doubles && NoTerms < MaxTerms;
  for (int i = 0; i < shape.ints; ++i)
    if (term.arg[i] < 0 || term.arg[i] > hi) ok = false;
  if (!ok) d.refuseWith(1, "Input error for Q %d %d in control\n", type, component);
  term.component = component;
  term.type = type;
  QTerms[NoTerms++] = term;
}
void qualityDefault() {
  NoTerms = 0;
  std::memset(QTerms, 0, sizeof QTerms);
  std::memset(QualityName, 0, sizeof QualityName);
}

// H: a biology term set (no computation reads it).
void readH(DataSetRead& d) {
  const int n = d.number;
  BioTermSet& b = Bio[n];
  d.s.readInt(b.count);
  if (b.count > 20) d.refuseWith(1, "Input error for H %d in control\nData points must not exceed 20\n", n);
  for (int t = 1; t <= b.count; ++t) {
    d.s.readDouble(b.coefficient[t]);
    d.s.readInt(b.variable1[t]);
    d.s.readInt(b.variable2[t]);
    if (b.variable1[t] < 0 || b.variable1[t] > 16 || b.variable2[t] < 0 || b.variable2[t] > 16)
      d.refuseWith(1, "Input error for H %d in control\n", n);
  }
}
void bioDefault() {
  std::memset(Bio, 0, sizeof Bio);
  static const struct {
    double coefficient;
    int v1, v2;
  } set14[] = {{-1.0, 3, 2}, {-0.1, 1, 2}, {-0.01, 2, 2}, {0.01, 4, 2}, {0.1, 8, 2}, {1.0, 5, 2}, {100.0, 7, 2}};
  BioTermSet& b = Bio[14];
  b.count = 7;
  for (int t = 1; t <= 7; ++t) {
    b.coefficient[t] = set14[t - 1].coefficient;
    b.variable1[t] = set14[t - 1].v1;
    b.variable2[t] = set14[t - 1].v2;
  }
}

// L: contour levels (no computation reads them); the table holds 20.
void readL(DataSetRead& d) {
  if (d.number > 20) d.refuseWith(1, "Input error for L in control: at most 20 contour levels\n");
  contourNo = d.number;
  for (int i = 0; i < contourNo; ++i) d.s.readDouble(contourLevels[i]);
}
void contourDefault() { std::fill(std::begin(contourLevels), std::end(contourLevels), 0.0); }

// T: the title, from the blank after the letter on, stored from position 1.
// It ends at the first character that is not printable or at position 69;
// the character there becomes a blank. The rest of a longer line is scanned
// as ordinary text.
void readT(DataSetRead& d) {
  for (int p = 1;; ++p) {
    int c = d.s.get();
    if (c < 32 || c > 126 || p == 69) {
      Title[p] = ' ';
      return;
    }
    Title[p] = static_cast<char>(c);
  }
}
void titleDefault() { std::memset(Title, 0, sizeof Title); }

// I: obsolete inflow value of size n (written back only).
void readI(DataSetRead& d) {
  logf(
      "Warning, the values on the I data set in the control file are not used in TOVAK 2\n"
      "Use the timei file or the M data set instead\n\n");
  d.s.readDouble(inflow[d.number]);
  d.s.skipSpace();
}
void inflowValuesDefault() { std::fill(std::begin(inflow), std::end(inflow), 0.0); }

}  // namespace

std::vector<DataSet> datasetsMisc() {
  return {
      {.letter = 'S', .number = kAnyNumber, .reader = readS, .defaults = sizesDefault},
      {.letter = 'N',
       .number = kAnyNumber,
       .values = {I(FlagReadNdata, 0)},
       .reader = readN,
       .defaults = sampleDefault},
      {.letter = 'M', .number = kAnyNumber, .values = {I(CompInflowNo, 0)}, .reader = readM, .defaults = inflowDefault},
      {.letter = 'Q', .number = kAnyNumber, .reader = readQ, .defaults = qualityDefault},
      {.letter = 'H', .number = kAnyNumber, .reader = readH, .defaults = bioDefault},
      {.letter = 'L', .number = kAnyNumber, .values = {I(contourNo, 0)}, .reader = readL, .defaults = contourDefault},
      {.letter = 'T', .number = kAnyNumber, .reader = readT, .defaults = titleDefault},
      {.letter = 'I', .number = kAnyNumber, .reader = readI, .defaults = inflowValuesDefault},
  };
}
