// Grid generation this build does not hold yet.
#include "grid/fieldmap.h"
#include "grid/generate.h"
#include "io/log.h"


// Field mapping this build does not hold yet. Where nothing is to be carried
// or attached (a first grid, no discharge), the stubs do nothing.
#include "state/arrays.h"
#include "state/records.h"
#include "state/runstate.h"

void setFaceFlowFlags() {}
void SetiPresjPres() {}
void writeCrashFiles(bool) {}
void InterpolateGrid() {
  for (int b = 1; b <= NoBCells; ++b)
    if (Bnocells_old[b] > 0) notAvailable("the carry-over of the fields to a changed grid");
}
void InterpolateBoundary() {
  for (int g = 1; g <= 9; ++g)
    if (DischargeStruct[g].discharge > 1e-20 && DischargeStruct[g].xyno > 0)
      notAvailable("the attachment of the discharge groups to a changed grid");
}
void setFluxes() { notAvailable("the generated discharge groups (F 314)"); }
void computeBnestcoarse() { notAvailable("the nested grids (F 261, F 238)"); }
void interpolateSurfaceNested() { notAvailable("the water surface of nested grids (F 238)"); }
