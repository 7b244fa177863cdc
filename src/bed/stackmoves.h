// Sediment moved between the layer stacks of two bed cells of the
// multi-layer bed (F 37 3): the giver loses the top depth m of its stack
// through ChangeLayers, the receiver gets the same grain volume of every
// size as a deposit, its depth scaled by the ratio of the two bed areas, so
// that no size gains or loses volume whatever the column areas. The lateral
// slope transport, the slide methods and the layer smoothing all move
// sediment through these routines.
#pragma once

// What one take left the giving stack with: the grain volume of each size
// (m3) and the bed depth taken (m).
struct StackTake {
  double grains[51] = {};
  double depth = 0.0;
};

// Takes the top depth m (m of bed; capped at the stack) from bed cell p:
// Bbedchange[n][p] = minus the thickness of size n within that depth,
// ChangeLayers(p, -m). Returns false (and takes nothing) when p has no
// stack or m is not positive.
bool takeFromStack(int p, double m, StackTake& t);
// Deposits the share (0..1) of a take on bed cell q: Bbedchange[n][q] holds
// the deposit of each size, ChangeLayers(q, its sum).
void giveToStack(int q, const StackTake& t, double share);
// takeFromStack(p, m) and giveToStack(q, whole); the depth taken.
double moveStackDepth(int p, int q, double m);

// Grain volume (m3) of size n in the stack of bed cell b.
double stackGrains(int b, int n);
// Thickness of the stack of bed cell b (layers 0..top; 0 without layers).
double stackThickness(int b);

// ---- Columns of the block grid ----

// Bed cell of column (i, j); 0 where there is none.
int columnBedCell(int i, int j);
// Non-erodible level of column (i, j): the mean of Surfaces[3] at its corners.
double columnFixedLevel(int i, int j);
// Grid level of column (i, j): the mean of its corner bed levels.
double columnGridLevel(int i, int j);
// Layer-stack level of column (i, j): the mean non-erodible level of its
// corners plus the thickness of its stack.
double columnStackLevel(int i, int j);
// Horizontal distance between the centres of columns (i1, j1) and (i2, j2).
double columnCentreDistance(int i1, int j1, int i2, int j2);
