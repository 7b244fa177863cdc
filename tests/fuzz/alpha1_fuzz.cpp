// The water fraction `alpha1` of an OpenFOAM case, read for the surface of a
// 2 x 2 grid of three cells per column (F 349 1).
#include "fuzz/fuzz_support.h"
#include "io/modelfiles.h"
#include "state/options.h"
#include "support/small_grid.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input in;
  fuzz::smallArrays();
  SmallGrid g;
  g.nz = 3;
  g.build();
  fuzz::writeFile("alpha1", data, size);
  fuzz::run("alpha1", [] { OpenFOAM_MakeSurface(); });
  return 0;
}
