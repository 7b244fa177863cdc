// Diagnostic dumps of the flow solver: the state of single cells written to
// `boogie` so that a user can see why a flow computation misbehaves.
//
// Every index a dump follows (a neighbour, a face, a bed cell) is read through
// a guard: a missing or out-of-range index reads the empty slot 0, and an
// array that this run does not hold reads as 0.
#include <cmath>
#include <cstdio>

#include "flow/control.h"
#include "state/log.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/options.h"
#include "state/runstate.h"

namespace {

// The slot a cell index reads: itself when it names a cell, else 0.
inline int cellSlot(int c) { return c >= 1 && c <= NoCells && c < MaxCeller ? c : 0; }
inline int faceSlot(int f) { return f >= 1 && f <= NoSurfaces && f < MaxFlater ? f : 0; }
inline int bedSlot(int b) { return b >= 1 && b < bedCellCapacity() ? b : 0; }

// Value of an array at a guarded cell or face slot; 0 for an array the run
// does not hold.
inline double at(const double* a, int slot) { return a ? a[slot] : 0.0; }
inline int at(const int* a, int slot) { return a ? a[slot] : 0; }

// Neighbour of c through the given neighbour array, as stored (for the
// lines), and the slot it reads.
inline int neighbour(const int* nb, int c) { return at(nb, cellSlot(c)); }

// The six neighbours and faces of a cell in the order w, s, e, n, t, b.
struct Sides {
  int cell[6];
  int face[6];
};

Sides sidesWsentb(int c) {
  const int s = cellSlot(c);
  return {{at(Ccellw, s), at(Ccells, s), at(Ccelle, s), at(Ccelln, s), at(Ccellt, s), at(Ccellb, s)},
          {at(Cflatew, s), at(Cflates, s), at(Cflatee, s), at(Cflaten, s), at(Cflatet, s), at(Cflateb, s)}};
}

// Lines of a cell dump shared by the cell dump and the pressure-correction
// dump: the cell's equation, its fields, its neighbours and their coefficients.
void cellLines(int c, const Sides& n) {
  const int s = cellSlot(c);
  logf("Cf = %lf, Cap = %lf, Csource = %lf\n", at(Cf, s), at(Cap, s), at(Csource, s));
  logf("Velocities: %lf %lf %lf, Diffusion, k, epsilon: %lf %le %le, Volume: %lf\n", at(Cxvel, s), at(Cyvel, s),
       at(Czvel, s), at(Cgamma, s), at(Ckinen, s), at(Cepsilon, s), at(Cvol, s));
  logf("Neigbours id: wsentb: %d %d %d %d %d %d\n", n.cell[0], n.cell[1], n.cell[2], n.cell[3], n.cell[4], n.cell[5]);
  logf("Neigbours anb: wsentb: %le %le %le %le %le %le\n", at(Caw, s), at(Cas, s), at(Cae, s), at(Can, s), at(Cat, s),
       at(Cab, s));
}

void areaFluxLines(const Sides& n) {
  int f[6];
  for (int k = 0; k < 6; ++k) f[k] = faceSlot(n.face[k]);
  logf("Neigbours areas: wsen: %le %le %le %le\n", at(Farea, f[0]), at(Farea, f[1]), at(Farea, f[2]),
       at(Farea, f[3]));
  logf("Neigbours fluxes: wsentb: %le %le %le %le %le %le\n", at(Fflux, f[0]), at(Fflux, f[1]), at(Fflux, f[2]),
       at(Fflux, f[3]), at(Fflux, f[4]), at(Fflux, f[5]));
}

// CinvAp of the cell and its six neighbours w, s, e, n, t, b.
struct InvAp {
  double v[7];
};
InvAp invAps(int c, const Sides& n) {
  InvAp r;
  r.v[0] = at(CinvAp, cellSlot(c));
  for (int k = 0; k < 6; ++k) r.v[k + 1] = at(CinvAp, cellSlot(n.cell[k]));
  return r;
}

// The last cell of the column of c in the direction of `next` (Ccellb or
// Ccellt). A broken chain that loops stops after NoCells steps.
int columnEnd(int c, const int* next) {
  if (!next) return cellSlot(c);
  int e = cellSlot(c);
  for (int steps = 0; steps < NoCells; ++steps) {
    const int m = cellSlot(next[e]);
    if (m == 0) break;
    e = m;
  }
  return e;
}

}  // namespace

void printDebug(int InnerIter) {
  const int c = PrintDebugBoogie;
  if (cellSlot(c) == 0) return;  // no such cell in this grid
  const Sides n = sidesWsentb(c);
  int f[6];
  for (int k = 0; k < 6; ++k) f[k] = faceSlot(n.face[k]);
  logf("Bugtrap, values for Iter = %d, cellno = %d, Equation = %d, InnerIter = %d\n", Iter, c, Equation, InnerIter);
  cellLines(c, n);
  logf("Neigbour surfaces id: %d %d %d %d %d %d\n", n.face[0], n.face[1], n.face[2], n.face[3], n.face[4], n.face[5]);
  logf("Neigbour surfaces neighbours id 1: %d %d %d %d %d %d\n", at(Fcell1, f[0]), at(Fcell1, f[1]), at(Fcell1, f[2]),
       at(Fcell1, f[3]), at(Fcell1, f[4]), at(Fcell1, f[5]));
  logf("Neigbour surfaces neighbours id 2: %d %d %d %d %d %d\n", at(Fcell2, f[0]), at(Fcell2, f[1]), at(Fcell2, f[2]),
       at(Fcell2, f[3]), at(Fcell2, f[4]), at(Fcell2, f[5]));
  areaFluxLines(n);
  const InvAp a = invAps(c, n);
  logf("invAp: lwsentb: %lf %lf %lf %lf %lf %lf %lf\n", a.v[0], a.v[1], a.v[2], a.v[3], a.v[4], a.v[5], a.v[6]);
}

void printDebug2() {
  if (!Cf || !Cap) return;
  const int first = WCStart < 1 ? 1 : WCStart, last = WCEnd > NoCells ? NoCells : WCEnd;
  for (int l = first; l <= last; ++l) {
    // A p' or a diagonal that is not a number is as suspicious as a huge p'.
    if (std::fabs(Cf[l]) <= 1e5 && Cap[l] >= 0.001) continue;
    const Sides n = sidesWsentb(l);
    logf("Debug, Pressure-correction, l=%d\n", l);
    cellLines(l, n);
    areaFluxLines(n);
    const InvAp a = invAps(l, n);
    logf("Neigbours+l invAp: lwsentb: %lf %lf %lf %lf %lf %lf %lf\n", a.v[0], a.v[1], a.v[2], a.v[3], a.v[4], a.v[5],
         a.v[6]);
    // The end-of-iteration control stops the computation at 99.
    if (FlagPresDebug == 1) FlagPresDebug = 99;
  }
}

void printDebugTrekant(int cell, int InnerIter) {
  const int c = cellSlot(cell);
  logf("\nBugtrap - trekant, Iter = %d, InnerIter = %d, Cellno = %d\n", Iter, InnerIter, cell);
  logf("Cpres_res: %lf, MaxResidual[4]: %lf, Ctrekant: %d\n", at(Cpres_res, c), MaxResidual[4], at(Ctrekant, c));
  logf("Croughness: %lf\n", at(Croughness, c));
  logf("Geometry: Cdistances: %lf %lf %lf\n", at(Cidist, c), at(Cjdist, c), at(Ckdist, c));
  logf("Geometry: Careas: %lf %lf %lf\n", at(Careax, c), at(Careay, c), at(Careaz, c));

  // Faces s, e, n, w, b, t.
  const int f[6] = {faceSlot(at(Cflates, c)), faceSlot(at(Cflatee, c)), faceSlot(at(Cflaten, c)),
                    faceSlot(at(Cflatew, c)), faceSlot(at(Cflateb, c)), faceSlot(at(Cflatet, c))};
  logf("Geometry: Fflagflow (senwbt): %d %d %d %d %d %d\n", at(Fflagflow, f[0]), at(Fflagflow, f[1]),
       at(Fflagflow, f[2]), at(Fflagflow, f[3]), at(Fflagflow, f[4]), at(Fflagflow, f[5]));
  logf("Geometry: Fareas: %lf %lf %lf %lf %lf %lf\n", at(Farea, f[0]), at(Farea, f[1]), at(Farea, f[2]),
       at(Farea, f[3]), at(Farea, f[4]), at(Farea, f[5]));
  logf("Surface fluxes: %lf %lf %lf %lf %lf %lf\n", at(Fflux, f[0]), at(Fflux, f[1]), at(Fflux, f[2]), at(Fflux, f[3]),
       at(Fflux, f[4]), at(Fflux, f[5]));
  logf("Surface vec_x: %lf %lf %lf %lf %lf %lf\n", at(Fvx, f[0]), at(Fvx, f[1]), at(Fvx, f[2]), at(Fvx, f[3]),
       at(Fvx, f[4]), at(Fvx, f[5]));
  logf("Surface vec_y: %lf %lf %lf %lf %lf %lf\n", at(Fvy, f[0]), at(Fvy, f[1]), at(Fvy, f[2]), at(Fvy, f[3]),
       at(Fvy, f[4]), at(Fvy, f[5]));
  logf("Surface vec_z: %lf %lf %lf %lf %lf %lf\n", at(Fvz, f[0]), at(Fvz, f[1]), at(Fvz, f[2]), at(Fvz, f[3]),
       at(Fvz, f[4]), at(Fvz, f[5]));

  // The cell and its neighbours e, n, w, s.
  const int p[5] = {c, cellSlot(neighbour(Ccelle, c)), cellSlot(neighbour(Ccelln, c)), cellSlot(neighbour(Ccellw, c)),
                    cellSlot(neighbour(Ccells, c))};
  logf("Pressures(penws): %lf %lf %lf %lf %lf\n", at(Cpres, p[0]), at(Cpres, p[1]), at(Cpres, p[2]), at(Cpres, p[3]),
       at(Cpres, p[4]));
  logf("Velocities,x: %lf %lf %lf %lf %lf\n", at(Cxvel, p[0]), at(Cxvel, p[1]), at(Cxvel, p[2]), at(Cxvel, p[3]),
       at(Cxvel, p[4]));
  logf("Velocities,y: %lf %lf %lf %lf %lf\n", at(Cyvel, p[0]), at(Cyvel, p[1]), at(Cyvel, p[2]), at(Cyvel, p[3]),
       at(Cyvel, p[4]));
  logf("Velocities,z: %lf %lf %lf %lf %lf\n", at(Czvel, p[0]), at(Czvel, p[1]), at(Czvel, p[2]), at(Czvel, p[3]),
       at(Czvel, p[4]));
  logf("Cpres_res: %lf %lf %lf %lf %lf\n", at(Cpres_res, p[0]), at(Cpres_res, p[1]), at(Cpres_res, p[2]),
       at(Cpres_res, p[3]), at(Cpres_res, p[4]));
  logf("CinvAp: %lf %lf %lf %lf %lf\n", at(CinvAp, p[0]), at(CinvAp, p[1]), at(CinvAp, p[2]), at(CinvAp, p[3]),
       at(CinvAp, p[4]));
}

// Main thread only: the momentum stage records the first bad cell inside its
// parallel region and calls this after the region, so that the dump is not
// interleaved with other threads and no worker ends the process.
void printErrorAp(int cell) {
  const int c = cellSlot(cell);
  logf("Error 2, Cap(%d) = %e\n", cell, at(Cap, c));
  logf("Velocities: %e %e %e\n", at(Cxvel, c), at(Cyvel, c), at(Czvel, c));
  logf("Volume = %e, Ckdist = %e\n", at(Cvol, c), at(Ckdist, c));

  // Neighbours and faces in the order t, b, e, n, w, s.
  const int nb[6] = {neighbour(Ccellt, c), neighbour(Ccellb, c), neighbour(Ccelle, c),
                     neighbour(Ccelln, c), neighbour(Ccellw, c), neighbour(Ccells, c)};
  int ns[6], fs[6];
  for (int k = 0; k < 6; ++k) ns[k] = cellSlot(nb[k]);
  {
    const int faces[6] = {at(Cflatet, c), at(Cflateb, c), at(Cflatee, c), at(Cflaten, c), at(Cflatew, c),
                          at(Cflates, c)};
    for (int k = 0; k < 6; ++k) fs[k] = faceSlot(faces[k]);
  }
  logf("Neighbour indexes: %d %d %d %d %d %d\n", nb[0], nb[1], nb[2], nb[3], nb[4], nb[5]);
  logf("Ftype1: %d %d %d %d %d %d\n", at(Ftype1, fs[0]), at(Ftype1, fs[1]), at(Ftype1, fs[2]), at(Ftype1, fs[3]),
       at(Ftype1, fs[4]), at(Ftype1, fs[5]));
  logf("Ftype2: %d %d %d %d %d %d\n", at(Ftype2, fs[0]), at(Ftype2, fs[1]), at(Ftype2, fs[2]), at(Ftype2, fs[3]),
       at(Ftype2, fs[4]), at(Ftype2, fs[5]));
  logf("Neighbour anb: %e %e %e %e %e %e\n", at(Cat, c), at(Cab, c), at(Cae, c), at(Can, c), at(Caw, c), at(Cas, c));
  if (Catt && Cabb && Caee && Cann && Caww && Cass)
    logf("Neighbour anbb: %e %e %e %e %e %e\n", Catt[c], Cabb[c], Caee[c], Cann[c], Caww[c], Cass[c]);

  logf("Cidist, l+nb: %e %e %e %e %e %e %e\n", at(Cidist, c), at(Cidist, ns[0]), at(Cidist, ns[1]), at(Cidist, ns[2]),
       at(Cidist, ns[3]), at(Cidist, ns[4]), at(Cidist, ns[5]));
  logf("Cjdist, l+nb: %e %e %e %e %e %e %e\n", at(Cjdist, c), at(Cjdist, ns[0]), at(Cjdist, ns[1]), at(Cjdist, ns[2]),
       at(Cjdist, ns[3]), at(Cjdist, ns[4]), at(Cjdist, ns[5]));

  logf("Side fluxes (tbenws): %e %e %e %e %e %e\n", at(Fflux, fs[0]), at(Fflux, fs[1]), at(Fflux, fs[2]),
       at(Fflux, fs[3]), at(Fflux, fs[4]), at(Fflux, fs[5]));
  // The far face of each neighbour: the top face of the cell above, the
  // bottom face of the cell below, the east face of the east neighbour, ...
  const int far[6] = {faceSlot(at(Cflatet, ns[0])), faceSlot(at(Cflateb, ns[1])), faceSlot(at(Cflatee, ns[2])),
                      faceSlot(at(Cflaten, ns[3])), faceSlot(at(Cflatew, ns[4])), faceSlot(at(Cflates, ns[5]))};
  logf("Side-side fluxes (tbenws): %e %e %e %e %e %e\n", at(Fflux, far[0]), at(Fflux, far[1]), at(Fflux, far[2]),
       at(Fflux, far[3]), at(Fflux, far[4]), at(Fflux, far[5]));
  logf("Side areas (tbenws): %e %e %e %e %e %e\n", at(Farea, fs[0]), at(Farea, fs[1]), at(Farea, fs[2]),
       at(Farea, fs[3]), at(Farea, fs[4]), at(Farea, fs[5]));

  logf("Gammas: l+anbb: %e %e %e %e %e %e %e\n", at(Cgamma, c), at(CgammaV, ns[0]), at(CgammaV, ns[1]),
       at(Cgamma, ns[2]), at(Cgamma, ns[3]), at(Cgamma, ns[4]), at(Cgamma, ns[5]));

  const int bottom = columnEnd(c, Ccellb);
  logf("Bed level: %e\n", at(Czcenter, bottom) - at(Ckdist, bottom));
  if (const int b = at(Cbed, bottom); b > 0) {
    logf("b = %d, i = %d, j = %d\n", b, at(Bkooi, bedSlot(b)), at(Bkooj, bedSlot(b)));
  }
  const int top = columnEnd(c, Ccellt);
  logf("Water level: %e\n", at(Czcenter, top) + at(Ckdist, top));

  char text[200];
  std::snprintf(text, sizeof text, "Error, Cap(%d) = %e\n", cell, at(Cap, c));
  setMessage(text);
  FlagErrorBreak = 1;
  // A failure: never the status of letter X.
  fatal(2, nullptr);
}
