// The counts of the three-dimensional grid that the restart files carry.
#pragma once

// The grid without the auxiliary blocks the generator appends when it
// recorded them, else the whole grid. Writers and readers use the same counts.
struct GridCounts {
  int points, cells, surfaces, blocks, connect, connFlate;
};
GridCounts gridCounts3D();
