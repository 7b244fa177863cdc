// The sand slides at the angle of repose (computeSandSlide, bed/bed.h) and
// the corner move of the classic sweeps with several sizes.
#pragma once

// One corner move: the higher corner (iH, jH) drops by dz, the top-layer
// sediment of the four columns around it (bed cells b1..b4) goes to the four
// around the lower corner (iL, jL; b1, b2, b5, b6), which rises by the same
// volume. Bed cells 0 stand for missing columns.
void m_updatebed(int b1, int b2, int b3, int b4, int b5, int b6, int iH, int jH, int iL, int jL, double dz);
// Removes the depth d from the bed of bed cell b (layer 0 thins, the top
// layer keeps its thickness); the volume of each size goes to AvalMove.
void m_shave(int b, double d);
// Adds the depth d of the sediment in AvalMove to bed cell b: the top layer
// is filled to TopThick, the rest goes to the layer below.
void m_rise(int b, double d);
// The slide method 200..207 of F 56 / F 270 over the treated blocks:
// tilting steep columns (200, 201, 207), moving layer sediment to the lower
// neighbour (202..204), moving the pending bed change (205, 206).
void slideMethod(int method);
