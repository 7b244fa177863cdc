// The bed-fraction restart `fracres`, read by letter O on a 2 x 2 grid
// (columns 2..3 x 2..3, G 1 5 5): the input is a fracres file; F 37 1
// (two layers) or, when its first byte is odd, F 37 3 with three layers, and
// the fraction-only form when its second byte is odd.
#include "fuzz/fuzz_support.h"
#include "io/modelfiles.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "support/small_grid.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input in;
  lnumber = 2;
  FlagTSC = size > 0 && (data[0] & 1) ? 3 : 1;
  NoBedLayers = FlagTSC == 3 ? 3 : 2;
  FlagFracresVersion = size > 1 && (data[1] & 1) ? 1 : 0;
  fuzz::smallArrays();
  SmallGrid{}.build();
  fuzz::writeFile("fracres", data, size);
  fuzz::run("fracres", [] { return readConRes(); }, [](int r) { return r == 88; });
  return 0;
}
