// F data sets 1 to 99.
#include <cstring>

#include "io/dataset.h"
#include "io/log.h"
#include "state/options.h"

namespace {

// Run letters: up to 20 characters from the one right after the number (the
// separating blank included); reading stops after the first character that is
// not printable, normally the line end.
void readRun(DataSetRead& d) {
  std::memset(run, ' ', sizeof run);
  for (int i = 0; i < 20; ++i) {
    int c = d.s.get();
    if (c < 0) break;
    run[i] = static_cast<char>(c);
    if (c < 32 || c > 126) break;
  }
}

void checkSizes(DataSetRead& d) {
  if (MaxPunkter < 6 || MaxCeller < 1 || MaxFlater < 6) d.refuseWith(1, "Error for F 65 in control: too low numbers");
  if (d.count != 5) d.refuseWith(1, "Error for F 65 in control: Have only read %d numbers.", d.count);
  if (MaxNester < 2) MaxNester = 2;
  if (MaxConnFlate < 2) MaxConnFlate = 2;
}

void runDefault() { std::memset(run, 0, sizeof run); }

}  // namespace

std::vector<DataSet> datasetsF001() {
  return {
      {.letter = 'F', .number = 2, .reader = readRun, .defaults = runDefault},
      {.letter = 'F', .number = 20, .values = {I(IterF2, 1)}, .bounds = {atLeast(0, 1)},
       .message = "Error for F 20 in control"},
      {.letter = 'F', .number = 65,
       .values = {I(MaxCeller, 50000), I(MaxFlater, 80000), I(MaxPunkter, 50000), I(MaxNester, 10000),
                  I(MaxConnFlate, 1000)},
       .after = checkSizes},
  };
}
