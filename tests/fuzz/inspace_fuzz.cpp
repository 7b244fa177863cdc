// The sediment inflow coefficients `inspace`, with three sediment sizes. The
// first byte chooses F 294: '1', '2' or '3' that many time levels, any other
// no F 294 data set; the rest is the file.
#include "fuzz/fuzz_support.h"
#include "io/sidefiles.h"
#include "state/blockgrid.h"
#include "state/options.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  fuzz::Input in;
  lnumber = 3;
  if (data[0] >= '1' && data[0] <= '3') {
    InspaceAlloc = data[0] - '0';
    xnumber = 4, ynumber = 4, znumber = 2;
    if (sialloc() != 0) fuzz::abortWith("inspace", "cannot allocate the time-level tables");
  }
  fuzz::writeFile("inspace", data + 1, size - 1);
  fuzz::run("inspace", [] { readInspace(); });
  return 0;
}
