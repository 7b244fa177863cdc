#include "state/records.h"

#include <cstring>

void setRecordsInitial() {
  std::memset(block, 0, sizeof block);
  for (BlockRecord& b : block) b.field12 = 1;
  std::memset(conn, 0, sizeof conn);
  for (DischargeGroup& g : DischargeStruct) {
    // The large lists are cleared up to their counts only, so that the pages of
    // unused capacity are never touched.
    for (int i = 0; i < g.surfno && i < MaxGroupFaces; ++i) g.face[i] = g.faceLevel[i] = 0;
    for (int i = 0; i < g.xyno && i < MaxGroupPoints; ++i) g.x[i] = g.y[i] = 0.0;
    for (int i = 0; i < g.noBedCells && i < MaxGroupBedCells; ++i) g.bedCell[i] = 0;
    g.inflow = 1;
    g.update = 0;
    g.component = 0;
    g.lowLevel = 1;
    g.topLevel = 151;
    g.surfno = g.xyno = 0;
    g.discharge = g.value = g.kinen = g.epsilon = g.area = 0.0;
    g.noBedCells = 0;
  }
  std::memset(SurfDischargeStruct, 0, sizeof SurfDischargeStruct);
  NoBdatasets = -1;
}
