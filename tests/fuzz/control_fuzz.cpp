// The control file: the whole of kread (first pass, checks, block-grid
// arrays, second pass) on the input as `control`.
//
// The model arrays may hold 512 KB in this target (a G 1 grid of some
// 45 x 45 x 11 lines): a control file without G 1 (the default 300 x 300 x 11
// grid) or with a large one then ends with the engine's out-of-memory message
// at its first block instead of clearing tens of megabytes for every input;
// the second pass is reached by inputs with a small G 1, as in the seeds.
#include "fuzz/fuzz_support.h"
#include "io/kread.h"
#include "state/alloc.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input in;
  alloc::setMemoryLimit(std::size_t{512} << 10);
  fuzz::writeFile("control", data, size);
  fuzz::run("control", [] { kread(); });
  return 0;
}
