// The terrain points `geodata`: read by kread for the level default when the
// control file gives no W 1 data set. The control file holds only a title.
#include "fuzz/fuzz_support.h"
#include "io/kread.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input in;
  fuzz::writeFile("control", "T terrain points only\n");
  fuzz::writeFile("geodata", data, size);
  fuzz::run("geodata", [] { kread(); });
  return 0;
}
