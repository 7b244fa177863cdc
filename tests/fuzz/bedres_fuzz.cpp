// The bed restart file `bedres`, read by letter R on a small 2 x 2 x 2 cell
// grid with two bed layers and two sediment sizes. The grid is not
// regenerated from the levels read: the reader's part ends where the grid
// generator's begins.
#include "fuzz/fuzz_support.h"
#include "output/output.h"
#include "state/options.h"
#include "support/small_grid.h"

namespace {
void sameGrid() {}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input in;
  NoBedLayers = 2;
  lnumber = 2;
  fuzz::smallArrays();
  SmallGrid{}.build();
  fuzz::writeFile("bedres", data, size);
  fuzz::run("bedres", [] { readBedres(sameGrid); });
  return 0;
}
