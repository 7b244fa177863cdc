// The STL surface of run letter P, converted without a grid: the triangles
// are read, their first vertices written to geodata.sl and the (empty)
// vegetation file to vegdata.sl.
#include "fuzz/fuzz_support.h"
#include "io/modelfiles.h"
#include "state/blockgrid.h"
#include "state/options.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input in;
  xnumber = 6, ynumber = 5, znumber = 3, lnumber = 1;
  if (sialloc() != 0) fuzz::abortWith("stlfile", "cannot allocate the block grid");
  fuzz::writeFile("stlfile.stl", data, size);
  fuzz::run(
      "stlfile", [] { return computeVegdataFromSTL(); }, [](int r) { return r < 0; });
  return 0;
}
