// The equation drivers of the modular flow driver (F 328 1), also used by the
// hydrostatic and two-dimensional drivers: each builds and solves its cell
// equations for one inner iteration, serially or in the F 206 chunks.
#pragma once

// The u, v and w equations of inner iteration InnerIter (1 for the first):
// eddy viscosity, face fluxes and coefficients, the equations assembled,
// relaxed and solved; 1/Ap of u into CinvAp. Equation is 3 on return.
void SimpleVelocities(int InnerIter);
// The pressure correction p' (in the array Cf points at on entry): fluxes,
// equation, solve, corrections of fluxes, velocities and pressure, and the
// continuity record GlobContinuity, GlobDefMax, Glob_dmI.
void SimplePressure(int InnerIter);
// The transport equation of k (eq 5) or epsilon (eq 6); k is held at least
// at F 138, epsilon at 1e-16.
void SimpleTurbulence(int eq);

// The sum of the quasi-neighbour coefficients of cell c (F 137), the
// sides e, w, n, s; 0 without the lists.
double quasiNeighbourSum(int c);

// The calls of WaterSolveNew to its equation drivers. Tests may replace
// entries (and put them back); the services it shares with the main driver
// go through flowDriverCalls.
struct ModularDriverCalls {
  void (*simpleVelocities)(int);
  void (*simplePressure)(int);
  void (*simpleTurbulence)(int);
  void (*computeEpsilon)();
};
extern ModularDriverCalls modularDriverCalls;
ModularDriverCalls defaultModularDriverCalls();
