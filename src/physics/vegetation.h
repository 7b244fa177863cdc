// Vegetation, porous zones and solid objects of the file `vegdata`: per grid
// column a vertical profile of a resistance value at a list of levels, for
// one or more time levels, held in Bveg [bed cell][time][variable][level]
// (variable 0 the levels, 1 the values) with the times in VegTime.
#pragma once

// Kind of the records read: 0 none, 1 V only, 2 A or C only, 3 V with A or
// C, 4 at least one N (linear resistance and wall terms of k and epsilon).
inline int FlagTypeVegdata = 0;
// Time level of the records while reading (-1 before the first T record).
inline int VegReadTime = -1;

// Reads `vegdata` into Bveg and VegTime (Cporosity of the columns of V and A
// records gets their profile at once) and sets FlagInitPoros. Errors end the
// run: no file -4, more T records than F 201 allows -4, a U record unlike
// F 201 -5, a V, A, C or N record for a column outside the block grid -4, a
// number of a C or N record that cannot be read -7, a missing U record with
// F 201 not 1 4 1 -6, a V or A record with too few levels or values or with
// levels that do not rise -8, a count of time levels unlike F 201 -8.
void readVegdata();

// Profile value at level z of time level n of bed cell b: the lowest value
// below the lowest level, 0 at and above the highest, linear between.
double vegProfileValue(int b, int n, double z);

// Time level and weight of the time (or scour depth) t among VegTime: level
// n with weight w, and level n-1 with 1-w.
void vegTimeLevel(double t, int& n, double& w);
