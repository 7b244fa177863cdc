// Cell velocity-gradient integrals shared by the eddy viscosity and the k
// and epsilon sources.
#pragma once

// T[r][c]: the volume integral over cell P of d(u_c)/d(x_r) (m3/s), from the
// differences of the face-interpolated velocities along i, j and k and the
// mean area vectors of opposite faces (the side faces without z component).
void velocityGradientVolume(int P, double T[3][3]);
