// The output dispatcher: one pass over a fixed list of rows, each a condition
// on the output options and the file it writes. The order of the rows is the
// order of the files; several rows may write in one pass.
#include <algorithm>
#include <initializer_list>
#include <iterator>

#include "state/log.h"
#include "io/modelfiles.h"
#include "output/output.h"
#include "state/arrays.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"

namespace {

int flag(int n) { return PrintArrayFlags[n]; }
bool interpolIs(std::initializer_list<int> codes) {
  return std::find(codes.begin(), codes.end(), FlagInterpolVal) != codes.end();
}

// The plan VTK files show the dune ridges once the dune statistics run: one
// 'Z' 108 entry at the end of the variable list, added once per run.
void addDuneRidgeVariable() {
  for (int n = 0; n < TecStrucNo; ++n)
    if (TecStruc[n].letter == 'Z' && TecStruc[n].code == 108) return;
  if (TecStrucNo >= static_cast<int>(std::size(TecStruc))) return;
  TecStruc[TecStrucNo] = TecVariable{0, 0, 108, 'Z'};
  ++TecStrucNo;
}

// Sub-bed cells carry no flow: their velocities are set to zero.
void stopSubBedCells() {
  for (int n = 1; n <= NoBlocks && n < 100; ++n) {
    const BlockRecord& b = block[n];
    if (b.subBed <= 0) continue;
    const int first = std::max(b.firstBedCell, 1), last = std::min(b.lastBedCell, bedCellCapacity() - 1);
    for (int bc = first; bc <= last; ++bc) {
      int c = Bcellt[bc];
      if (c < 1 || c > NoCells) continue;
      Cxvel[c] = Cyvel[c] = Czvel[c] = 0.0;
    }
  }
}

// Bed-layer sections of the 3-D VTK row (more than two bed layers).
void bedLayerSections() {
  if (FlagBarcelona > 0 && CrossBarcelona > 0) writeParaBed5(1, CrossBarcelona);
  const int i1 = block[1].i1, i2 = block[1].i2, j1 = block[1].j1, j2 = block[1].j2;
  if (tracerJ2 == 0) {
    writeParaBed3(1, 0);
  } else if (tracerJ2 == -10) {
    writeParaBed4(1);
  } else if (tracerJ2 == -9 && j2 > 20) {
    for (int j : {3 * j2 / 4, j2 / 2 + 1, j1 + j2 / 4}) writeParaBed3(1, j);
    for (int i : {3 * i2 / 4, i2 / 2 + 1, i1 + i2 / 4}) writeParaBed5(1, i);
  } else if (tracerJ2 == -8) {
    for (int j : {3 * j2 / 4, j2 / 2 + 1, j1 + j2 / 4}) writeParaBed3(1, j);
    for (int i : {3 * i2 / 4, 5 * i2 / 8, i2 / 2 + 1, i1 + i2 / 4, i1 + 3 * i2 / 8}) writeParaBed5(1, i);
  } else {
    for (int j = tracerJ1; j <= tracerJ2; ++j) writeParaBed3(1, j);
  }
}

}  // namespace

void sprintflow() {
  gFlagWriteR = 1;
  setMessage("Writing output files");

  if (FlagWriteDune2D > 0) {  // 1
    writeDune2D();
    addDuneRidgeVariable();
    print_paraview2d(1, 0);
  }
  if (FlagThixo == 1 || FlagThixo == 2) stopSubBedCells();                         // 2
  if (flag(0) == 1) print_result();                                                 // 3
  if (flag(2) == 1 || interpolIs({7, 8, 87, 88})) print_tecplot2d(1, 0);            // 4
  if (flag(3) == 1 || FlagInterpolVal == 18)                                        // 5
    for (int b = 1; b <= NoBlocks; ++b) print_tecplot2d(1, b);
  if (flag(4) == 1 || interpolIs({8, 9, 88, 89})) print_tecplot3d(1);               // 6
  if (flag(5) == 1 || interpolIs({10, 90})) {                                       // 7
    print_paraview3d(1);
    if (NoBedLayers > 2) bedLayerSections();
  }
  if (flag(16) == 1) writeParaBed3(1, 0);                                           // 8
  if (flag(6) == 1 || interpolIs({11, 91})) print_paraview2d(1, 0);                 // 9
  if (flag(7) == 1 || FlagInterpolVal == 19)                                        // 10
    for (int b = 1; b <= NoBlocks; ++b) print_paraview2d(1, b);
  if (flag(15) == 1) print_fracres();                                               // 11
  if (flag(8) == 1 || FlagInterpolVal == 13) writeMeasurementPoints();              // 12
  if (flag(9) == 1 || FlagInterpolVal == 22) writeBedData();                        // 13
  if ((flag(10) >= 1 && flag(10) <= 99) || FlagInterpolNew > 0 ||                   // 14
      (FlagInterpolVal >= 1 && FlagInterpolVal <= 6))
    print_interres(1);
  if (flag(11) == 1 || FlagInterpolVal == 17) writeOutline();                       // 15
  if (bedresWanted()) writeBedres();                                                // 16
  // From here on a file that cannot be opened ends the pass.
  if (flag(12) != 0 || FlagInterpolVal == 25)                                       // 17
    if (!writeHabitat()) return;
  if (flag(13) != 0 || FlagWriteSpecial == 8)                                       // 18
    if (!writeSlopingFraction()) return;
  if (flag(14) == 1 || FlagWriteSpecial == 9)                                       // 19
    if (!writeDischargeLine()) return;
  switch (flag(14)) {
    case 6:  // 20
      if (!writeKoosurfLevels()) return;
      break;
    case 2:  // 21
      if (!writeSlideProfiles(false)) return;
      break;
    case 3:  // 22
      if (!writeSlideProfiles(true)) return;
      break;
    case 4:  // 23
      writeBedFluxes();
      break;
    case 5:  // 24
      compareBedFluxes();
      break;
    default:
      break;
  }

  setMessage("have written output files  ");
  gFlagWriteR = 0;
}
