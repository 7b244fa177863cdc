// The inflow profile table `inflow`, read at the end of kread.
#include "fuzz/fuzz_support.h"
#include "io/sidefiles.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input in;
  fuzz::writeFile("inflow", data, size);
  fuzz::run("inflow", [] { readInflow(); });
  return 0;
}
