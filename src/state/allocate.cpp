#include <algorithm>
#include <cmath>
#include <cstdio>

#include "state/log.h"
#include "state/alloc.h"
#include "state/arrays.h"
#include "state/options.h"
#include "state/runstate.h"

// The optional families, each under the option that calls for it.
bool allocateOptionalArrays();
// Initial values of optional families (after the always-present ones).
void initialiseOptionalArrays();

int bedCellCapacity() { return (xnumber + 3) * (ynumber + 3); }

void SetArraysZero() {
  alloc::releaseAll();
  numSlots = 0;
}

namespace {

// A failed block: multi-index blocks report the bytes allocated before it.
double failed(bool withMessage) {
  if (withMessage) logf("Allocated %lf Mbyte when out of memory\n", alloc::bytes() * 1e-6);
  return -1.0;
}

}  // namespace

#define ONE(p, n) \
  if (!allocate1(p, n)) return failed(false)
#define TWO(p, r, c) \
  if (!allocate2(p, r, c)) return failed(true)
#define THREE(p, a, b, e) \
  if (!allocate3(p, a, b, e)) return failed(true)

double AllocateArrays(int, int, int) {
  logf("%s", "");  // opens the log once: a log that cannot be written ends here with -3
  setMessage("Initializing arrays");
  if (Cflatee) endProcess(-1);
  alloc::resetCount();

  const std::size_t nc = alloc::extent(MaxCeller);
  const std::size_t nf = alloc::extent(MaxFlater);
  const std::size_t np = alloc::extent(MaxPunkter);
  const std::size_t nb = alloc::extent(bedCellCapacity());
  const std::size_t nl = alloc::extent(lnumber, 1);
  const std::size_t nx = alloc::extent(xnumber, 2), ny = alloc::extent(ynumber, 2);
  // num holds the cells per level of a column and the coarse levels of the
  // multigrid (F 168: up to int(ln(extent + 2)) + 3 of them) and of the grid
  // sequencing (F 152).
  int levelSlots = std::max({znumber, Flag2DAccSolver, MGSNo});
  if (Flag2DAccSolver > 0)
    levelSlots = std::max(levelSlots, static_cast<int>(std::log(std::max(xnumber, ynumber) + 4.0)) + 3);
  const std::size_t nk = alloc::extent(levelSlots, 2);
  numSlots = static_cast<int>(nk);
  const std::size_t nline = alloc::extent(std::max({xnumber, ynumber, znumber}), 2);

  // Cell topology; Cflatee first: it marks the arrays as allocated.
  for (int** p : {&Cflatee, &Cflatew, &Cflates, &Cflaten, &Cflatet, &Cflateb, &Ccelle, &Ccellw, &Ccells, &Ccelln,
                  &Ccellt, &Ccellb, &Cpoint1, &Cpoint2, &Cpoint3, &Cpoint4, &Cpoint5, &Cpoint6, &Cpoint7, &Cpoint8,
                  &CflagDim, &Cjsolve, &Cinout, &Conecell, &Ctrekant, &Cbed})
    ONE(*p, nc);
  // The solving order holds cells 1..MaxCeller-1 and the closing 0 after them.
  ONE(Cisolve, nc + 1);
  for (double** p : {&Cdxdi, &Cdxdj, &Cdxdk, &Cdydi, &Cdydj, &Cdydk, &Cdzdi, &Cdzdj, &Cdzdk, &Cidist, &Cjdist,
                     &Ckdist, &Cxcenter, &Cycenter, &Czcenter, &Cvol, &Careax, &Careay, &Careaz, &Cxvel, &Cyvel,
                     &Czvel, &Cpres, &Ckinen, &Cepsilon, &Cdensgradi, &Cdensgradj, &Cgamma, &CgammaV, &Croughness,
                     &Cf, &Cf_old, &Cap, &Cae, &Caw, &Cas, &Can, &Cat, &Cab, &Csource, &CinvAp, &Cfn, &CnInvAp})
    ONE(*p, nc);
  TWO(Cconc, nl, nc);

  for (int** p : {&Fcell1, &Fcell2, &Fcell11, &Fcell22, &Ftype1, &Ftype2, &Fflagflow, &Fpoint1, &Fpoint2, &Fpoint3,
                  &Fpoint4, &Fin})
    ONE(*p, nf);
  for (double** p : {&Fflux, &Fdgrad, &Fdz, &Farea, &Fdist1, &Fdist2, &Fax, &Fay, &Faz, &Fvx, &Fvy, &Fvz})
    ONE(*p, nf);

  for (double** p : {&Px, &Py, &Pz}) ONE(*p, np);
  for (int** p : {&Pc, &Pi, &Pj}) ONE(*p, np);

  ONE(Sqt, nline);
  ONE(Spt, nline);

  for (int*** p : {&ant, &antlin, &antmin, &antmax, &vv}) TWO(*p, nx, ny);
  THREE(num, nx, ny, nk);
  TWO(connFlate, alloc::extent(MaxConnFlate), 2);

  for (int** p : {&Bcellt, &Bcellt_old, &Bcellth, &Bnocells, &Bnocells_old, &Bkooi, &Bkooj, &BlayerTop})
    ONE(*p, nb);
  for (double** p : {&Bdepth, &Bdepth_old, &Bfly, &Bedformheight, &Broughness, &Bd90, &Bd50, &BFroude, &Bedmove,
                     &Binout, &Barea})
    ONE(*p, nb);
  for (double*** p : {&Bconc, &Bap, &Bsource, &Bvolleft}) TWO(*p, nl, nb);
  THREE(BSedDistrib, alloc::extent(NoBedLayers, 1), nl, nb);

  if (!allocateOptionalArrays()) return -1.0;

  // The two lowest bed layers start with the grain-size distribution of the N
  // data sets, or with size 1 only.
  for (int layer = 0; layer <= 1 && layer <= NoBedLayers; ++layer)
    for (std::size_t b = 1; b < nb; ++b)
      for (int k = 1; k <= lnumber; ++k)
        BSedDistrib[layer][k][b] = FlagReadNdata > 0 ? SedimentSample[0][k] : (k == 1 ? 1.0 : 0.0);
  initialiseOptionalArrays();

  logf("Have allocated %12.2lf Mbytes unstructured arrays\n\n", alloc::bytes() * 1e-6);
  setMessage("Unstructured arrays o.k     ");
  return alloc::bytes();
}
