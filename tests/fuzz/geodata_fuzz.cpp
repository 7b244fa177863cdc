// The terrain points `geodata`: read by kread for the level default when the
// control file gives no W 1 data set. The control file holds only a title and
// a small block grid (G 1), so that each input costs little beyond the reading.
#include "fuzz/fuzz_support.h"
#include "io/kread.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input in;
  fuzz::writeFile("control", "T terrain points only\nG 1 6 4 3 1\n");
  fuzz::writeFile("geodata", data, size);
  fuzz::run("geodata", [] { kread(); });
  return 0;
}
