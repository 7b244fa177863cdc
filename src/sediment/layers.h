// The layer stack of a bed cell (BSedDistrib: per layer the thickness and the
// fractions of the sizes; BlayerTop: the index of the top layer).
#pragma once

// Merges layer k into layer k-1 of bed cell b (k below 1 counts as 1): the
// fractions and solid fractions are averaged by thickness, the layers above
// move down one slot and the top index goes down by one.
void JoinLayers(int b, int k);

// Merges away the layers of bed cell b thinner than 1e-10 m; the number of
// layers merged. A stack with top index 0 is left as it is.
int removeZerolayers(int b);

// Applies the per-size bed change Bbedchange[1..lnumber][b] (m of bed level,
// positive deposited) to the stack of bed cell b; change is their sum, whose
// sign chooses deposition (a new top layer, after a merge when the stack is
// full) or erosion (the top layers down to the depth -change merged into one,
// lower layers eroded by F 412). Grain volume that the stack cannot give goes
// to Bvolleft[n][b] (m, negative). A broken stack afterwards ends the run
// with status -4. Touches only bed cell b and allocates nothing.
void ChangeLayers(int b, double change);

// Takes up to -deficit of grain volume per area (m) of size n from layer j of
// bed cell b; the deficit still missing (<= 0; 0 when satisfied).
double erodeLayerUnder(int b, int j, int n, double deficit);

// The layer k that a full stack merges into k-1 before it takes a deposit.
int FindJoinLayer(int b);

// Splits the uppermost layer thicker than three active thicknesses (F 434).
void SplitLayers(int b);

// Moves the bed thickness t (m) of layer `from` into layer `to` of bed cell
// b, mixing fractions and solid fraction by grain volume.
void MoveSediment(int from, int to, int b, double t);

// Single-size bed change of the stack of bed cell b by change (m), without
// changing the top index.
void ErosionLayers(int b, int n, double change);
