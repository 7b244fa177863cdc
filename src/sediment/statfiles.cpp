// Statistics lines of a sediment time step. A file that cannot be opened
// ends the run: `scour` and `inconc.res` with their messages and status -1,
// `bootime` with status -3.
#include "sediment/statfiles.h"
#include "state/outfile.h"

#include <algorithm>
#include <cstdio>

#include "state/log.h"
#include "state/arrays.h"
#include "state/flowstate.h"
#include "state/options.h"
#include "state/runstate.h"
#include "state/sedimentstate.h"

namespace {

std::FILE* appendTo(const char* name, const char* message) {
  std::FILE* f = openWrite(name, "a");
  if (!f) fatal(-1, "%s", message);
  return f;
}

}  // namespace

void reportStatisticsLines() {
  if (FlagSinkScour > 0) {
    std::FILE* f = appendTo("scour", "Error writing 'scour' file\n\n");
    std::fprintf(f, "%d, %lf, %lf\n", Iter, stimet, deltazscourG);
    closeOutput(f);
  }
  if (debugging == 'D' && FlagInspace > 0) {
    std::FILE* f = appendTo("inconc.res", "Error in opening inconc file\n\n");
    std::fprintf(f, "%lf", stimet);
    for (int l = 1; l <= std::min(lnumber, 50); ++l) std::fprintf(f, " %lf", kIn[l]);
    std::fprintf(f, "\n");
    closeOutput(f);
  }
}

void bootimeLine() {
  if (debugging != 'H') return;
  // The suspended volume of each size, held for the line alone.
  double volume[51] = {};
  const int sizes = std::clamp(lnumber, 0, 50);
  for (int l = 1; l <= sizes; ++l)
    for (int c = 1; c <= NoCells; ++c) volume[l] += Cvol[c] * Cconc[l][c];
  std::FILE* f = openWrite("bootime", "a");
  if (!f) {
    setMessage("cannot open file 'bootime' ");
    fatal(-3, nullptr);
  }
  std::fprintf(f, "%d ", Iter);
  std::fprintf(f, "%d %d %d %d ", GlobInnerIter, NoCells, NoSurfaces, NoPoints);
  for (int k = 1; k <= 6; ++k) std::fprintf(f, "%22.16le ", MaxResidual[k]);
  for (int l = 1; l <= sizes; ++l) std::fprintf(f, "%22.16le ", volume[l]);
  std::fprintf(f, "\n");
  closeOutput(f);
}
