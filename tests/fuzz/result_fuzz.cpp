// The flow result file read by letter R, on a small 2 x 2 x 2 cell grid. The
// first byte chooses the form: 'b' the binary file `resultb` (F 48 15 in the
// control file), any other the text file `result`; the rest is the file.
#include "fuzz/fuzz_support.h"
#include "io/modelfiles.h"
#include "state/options.h"
#include "support/small_grid.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  fuzz::Input in;
  fuzz::smallArrays();
  SmallGrid{}.build();
  const bool binary = data[0] == 'b';
  if (binary) FlagInterpolVal = 15;
  fuzz::writeFile(binary ? "resultb" : "result", data + 1, size - 1);
  fuzz::run("result", [] { readres(); });
  return 0;
}
