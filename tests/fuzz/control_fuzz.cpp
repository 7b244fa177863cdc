// The control file: the whole of kread (first pass, checks, block-grid
// arrays, second pass) on the input as `control`.
#include "fuzz/fuzz_support.h"
#include "io/kread.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input in;
  fuzz::writeFile("control", data, size);
  fuzz::run("control", [] { kread(); });
  return 0;
}
