// The vegetation file `vegdata`, read by the first call of the vegetation
// terms on a small grid of 2 x 2 columns of three cells, F 201 1 4 2 (a U
// record is needed, two time levels), then the terms of the u equation.
#include "fuzz/fuzz_support.h"
#include "physics/physics.h"
#include "state/options.h"
#include "state/runstate.h"
#include "support/small_grid.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input in;
  fuzz::smallArrays();
  FlagDragDLL = 1;
  VegTimes = 2;
  SmallGrid g;
  g.nz = 3;
  g.build();
  fuzz::writeFile("vegdata", data, size);
  fuzz::run("vegdata", [] {
    Equation = 1;
    stimet = 30.0;
    extra_source();
  });
  return 0;
}
