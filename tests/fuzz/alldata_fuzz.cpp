// The restart file `alldata`, read by letter B with the sizes of the unit
// tests' grid files (G 1 6 4 2 1 with two sizes, small F 65 sizes). The
// reader ends with the geometry, bed cells and face fluxes of what it read.
#include "fuzz/fuzz_support.h"
#include "io/modelfiles.h"
#include "state/arrays.h"
#include "state/blockgrid.h"
#include "state/options.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input in;
  xnumber = 6, ynumber = 4, znumber = 2, lnumber = 2;
  fuzz::smallArrays();
  if (sialloc() != 0 || AllocateArrays(1, 1, 1) < 0) fuzz::abortWith("alldata", "cannot allocate the arrays");
  fuzz::writeFile("alldata", data, size);
  fuzz::run("alldata", [] { ReadAllData(); });
  return 0;
}
