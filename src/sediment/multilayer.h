// The multi-layer bed (F 37 3): the step that applies the per-size bed change
// of a time step to the layer stacks, and the armour depth of the supply.
#pragma once

// The whole fraction step for bed cell b with active thickness T: the stack
// takes Bbedchange[.][b] through ChangeLayers, the solid fractions follow
// F 264, and Bedmove[b] becomes the change of the stack's thickness. Touches
// only bed cell b; allocates and logs nothing.
void morphology3_fractions_parallel(int b, double T);

// Minus the depth (m, <= 0) below the bed surface that the erosion of this
// step may reach in bed cell b, by F 447; sets Barmourthick[b], the lowest
// layer that erosion into lower layers may reach with F 412 2.
double computeArmourDepth(int b, double T);
