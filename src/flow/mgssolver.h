// Grid sequencing (F 152): the flow solved on the coarse two-dimensional
// levels first, then level by level down to the real grid.
#pragma once

// The solve of one level; WaterSolve, replaced by tests.
inline void (*MGSLevelSolve)() = nullptr;

// The six flow fields (u, v, w, p, k, epsilon) of level L (2 and up) from the
// level below: column means on level 2, the mean of the four cells below on
// the higher levels.
void MGSRestrict(int level);
// The six fields of level L handed to the level below: every cell there
// shifted by the difference between the coarse value and the mean of the
// cells under it; k kept at least F 138, epsilon at least 1e-15.
void MGSProlong(int level);
// Sets MGSGrid, BlockID and the cell and face work ranges for level L.
void MGSSetLevel(int level);
