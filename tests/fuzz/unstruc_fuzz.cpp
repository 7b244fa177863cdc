// The grid file `unstruc`, read by letter U with the sizes of the unit tests'
// grid files (G 1 6 4 2 1, small F 65 sizes). A negative result is the
// reader's refusal.
#include "fuzz/fuzz_support.h"
#include "io/modelfiles.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/runstate.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input in;
  xnumber = 6, ynumber = 4, znumber = 2, lnumber = 1;
  fuzz::smallArrays();
  if (sialloc() != 0) fuzz::abortWith("unstruc", "cannot allocate the block grid");
  fuzz::writeFile("unstruc", data, size);
  fuzz::run("unstruc", [] { return ReadUnstructure(); }, [](int r) { return r < 0; });
  return 0;
}
