// The grid-line file `koosurf`, read into block 1 of a G 1 23 8 11 1 block
// grid (the example channel's).
#include "fuzz/fuzz_support.h"
#include "io/modelfiles.h"
#include "state/blockgrid.h"
#include "state/options.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input in;
  xnumber = 23, ynumber = 8, znumber = 11, lnumber = 1;
  if (sialloc() != 0) fuzz::abortWith("koosurf", "cannot allocate the block grid");
  fuzz::writeFile("koosurf", data, size);
  fuzz::run("koosurf", [] { readKoosurf(); });
  return 0;
}
