// The dredging and feeding schedule `bagger` (F 386), read on a 2 x 2 grid
// (columns 2..3 x 2..3, G 1 5 5) with two grain sizes and room for three
// events: the input is a bagger file. Only the reading is fuzzed; the
// actions are covered by the unit tests.
#include "fuzz/fuzz_support.h"
#include "sediment/sediment.h"
#include "state/options.h"
#include "state/runstate.h"
#include "support/small_grid.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input in;
  lnumber = 2;
  FlagTSC = 3;
  NoBedLayers = 3;
  FlagBagger = 2;
  MaxNoBagger = 3;
  fuzz::smallArrays();
  SmallGrid{}.build();
  NoBaggerTimes = -1;
  fuzz::writeFile("bagger", data, size);
  fuzz::run("bagger", [] { readBagger(); });
  return 0;
}
