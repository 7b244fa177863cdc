// The SIMPLE corrections of the pressure step: from the solved pressure
// correction p' (in Cf) the face mass fluxes, the cell velocities and the
// cell pressure are corrected, by the variant F 157 and its companions
// choose.
#pragma once

// Corrects the fluxes of the faces ff..fl and the velocities and pressures of
// the cells cf..cl: the whole sequence, for a call over the whole range.
void SimpleCorrections(int ff, int fl, int cf, int cl);

// The same split for thread chunks: what must see the whole field before
// (the p' filter of F 372 1), the work of one chunk (false when F 258 asked
// for no corrections), and what must see every chunk's pressure after (the
// corner columns of F 437, the slide-layer bounds, the top cells of F 36 11).
void SimpleCorrectionsBefore();
bool SimpleCorrectionsChunk(int ff, int fl, int cf, int cl);
void SimpleCorrectionsAfter(int cf, int cl);

// The correction stage of the flow drivers: one call over WFStart..WFEnd,
// WCStart..WCEnd, or with F 206 the work chunks in one parallel region
// (serial again with the fifth value of G 50).
void SimpleCorrectionsStage();

// Limits p' in the columns of block 1 to the range of its lateral
// neighbours widened by 981 sqrt(column area), where a cell has one to three
// of them.
void FilterPressure();

// Sets the pressure of the corner columns of block 1 from their two
// neighbour columns (F 437).
void TrekantPresCorr(int first, int last);
