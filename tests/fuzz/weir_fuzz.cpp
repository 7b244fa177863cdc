// The weir outline of run letter Z: the stations of weir.txt are read and the
// closed surface weir.stl is written.
#include "fuzz/fuzz_support.h"
#include "output/output.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input in;
  fuzz::writeFile("weir.txt", data, size);
  fuzz::run(
      "weir", [] { return makeWeirSTL(); }, [](int r) { return r != 0; });
  return 0;
}
