// The cyclic inflow profile `cyclic` (F 174 1), with more levels (G 1 third
// value) than the profile table holds.
#include "fuzz/fuzz_support.h"
#include "io/sidefiles.h"
#include "state/blockgrid.h"
#include "state/options.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input in;
  FlagCyclic = 1;
  znumber = MaxCyclicLevels + 10;
  fuzz::writeFile("cyclic", data, size);
  fuzz::run("cyclic", [] { readCyclic(); });
  return 0;
}
