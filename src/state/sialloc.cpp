#include "state/log.h"
#include "state/alloc.h"
#include "state/blockgrid.h"
#include "state/options.h"

// The sub-bed block of groundwater runs keeps its sliding-layer boundary in
// layer 5 as well.
int surfaceCount() { return (FlagThixo != 0 || FlagGroundwater > 0 || FlagMorphStatistics != 0) ? 8 : 5; }

namespace {
int outOfMemory(double before) {
  logf("Allocated %lf Mbyte when out of memory\n", (alloc::bytes() - before) * 1e-6);
  return -1;
}
}  // namespace

int sialloc() {
  logf("%s", "");
  setMessage("Initializing arrays");
  const double before = alloc::bytes();
  const std::size_t nx = alloc::extent(xnumber, 2), ny = alloc::extent(ynumber, 2), nz = alloc::extent(znumber, 2);
  bool ok = allocate2(xval, nx, ny) && allocate2(yval, nx, ny) && allocate3(zval, nx, ny, nz) &&
            allocate3(Surfaces, static_cast<std::size_t>(surfaceCount()), nx, ny) && allocate2(armap, nx, ny) &&
            allocate2(roughness, nx, ny) && allocate2(pointbed, nx, ny) && allocate2(bedOutBlock, nx, ny) &&
            allocate2(pointcell_old, nx, ny);
  if (ok && UMethod2 > 0) ok = allocate2(pointcell, nx, ny);
  if (ok && (FlagCoupledNesting > 0 || FlagNestTop > 2)) ok = allocate3(pointnest, nx, ny, 2);
  if (ok && FlagSmoothNewCorners > 0) ok = allocate2(wetdryCornerFlag, nx, ny);
  if (ok && BedStatI1 > 0) {
    const std::size_t bi = alloc::extent(BedStatI2, 2), bj = alloc::extent(BedStatJ2, 2);
    ok = allocate2(bedStatDepth, bi, bj) && allocate2(bedStatBed, bi, bj) && allocate2(bedStatDev, bi, bj) &&
         allocate2(bedStatK, bi, bj);
  }
  if (ok && MaxNoBagger > 0) {
    const std::size_t nbag = alloc::extent(MaxNoBagger);
    ok = allocate3(baggerZval, nbag, nx, ny) && allocate1(zugabeZval, nbag) &&
         allocate2(zugabeFractions, nbag, alloc::extent(lnumber, 1));
  }
  if (ok && PresRegres > 0)
    ok = allocate2(PresRegresSumPres, nx, ny) && allocate2(PresRegresSumXPres, nx, ny) &&
         allocate2(PresRegresSumX, nx, ny) && allocate2(PresRegresSumXX, nx, ny) && allocate2(PresRegresN, nx, ny);
  if (!ok) return outOfMemory(before);

  if (znumber > MaxZnumber) fatal(-2, "Error - increase zdistrib array, nz = %d\n", znumber + 2);
  logf("Have allocated %12.2lf Mbytes structured arrays\n", (alloc::bytes() - before) * 1e-6);

  if (InspaceAlloc > 0) {
    if (!allocate3(Tinspace, alloc::extent(InspaceAlloc, 2), 20, 20)) return outOfMemory(before);
    if (!allocate1(TinspaceTime, alloc::extent(InspaceAlloc, 2))) return -1;
  }
  setMessage("Initiation of arrays o.k");
  return 0;
}
