// The terrain-point files and the bed interpolation (run letter V): the first
// byte of an input chooses the form (geodata, geodatk, geodatm, geodatn or
// the raster vastrin, which on a grid without blocks defines block 1), the
// rest is the file; the points are then interpolated onto block 1 of a small
// block grid (or the raster's), with the fill-in of F 129 2 on odd inputs.
#include "fuzz/fuzz_support.h"
#include "io/modelfiles.h"
#include "io/terrain.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  fuzz::Input in;
  setRecordsInitial();
  xnumber = 12, ynumber = 10, znumber = 3, lnumber = 1;
  if (sialloc() != 0) fuzz::abortWith("terrain", "cannot allocate the block grid");
  const char* names[5] = {"geodata", "geodatk", "geodatm", "geodatn", "vastrin"};
  const int form = data[0] % 5;
  if (form != 4) {
    NoBlocks = 1;
    block[1].i1 = 2, block[1].i2 = 6, block[1].j1 = 2, block[1].j2 = 5, block[1].bedFlag = 1;
    for (int i = 1; i <= 6; ++i)
      for (int j = 1; j <= 5; ++j) xval[i][j] = i, yval[i][j] = j, armap[i][j] = 1.0;
  }
  FlagBedInterpol = data[0] / 5 % 3;
  fuzz::writeFile(names[form], data + 1, size - 1);
  fuzz::run("terrain", [] { bedinter(); });
  return 0;
}
