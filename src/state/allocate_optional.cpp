// The array families that exist only under an option. Each family is
// allocated, zero-filled, exactly when an option calls for the computation
// that reads it; otherwise its pointers stay null.
#include <cstddef>
#include <initializer_list>

#include "state/log.h"
#include "state/alloc.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/options.h"

namespace {

using std::size_t;

size_t sz(int n, int extra = 0) { return alloc::extent(n, extra); }

bool transient() { return TimeStep > 1e-8; }

// A steady computation whose free surface moves regenerates the grid: the
// fields of the old grid are kept in the previous-field arrays while the new
// grid is built, so that they can be carried over column by column.
bool steadySurfaceMoves() { return FlagRoof == 1 && (iSurf > 0 || (FlagTFS >= 2 && FlagTFS != 50)); }

// A failed block of a multi-index array (or of one of the few logged
// one-index arrays) reports the bytes allocated before it.
bool failLogged() {
  logf("Allocated %lf Mbyte when out of memory\n", alloc::bytes() * 1e-6);
  return false;
}

template <class T>
bool ones(std::initializer_list<T**> ps, size_t n) {
  for (T** p : ps)
    if (!allocate1(*p, n)) return false;
  return true;
}
template <class T>
bool onesLogged(std::initializer_list<T**> ps, size_t n) {
  for (T** p : ps)
    if (!allocate1(*p, n)) return failLogged();
  return true;
}
template <class T>
bool twos(std::initializer_list<T***> ps, size_t r, size_t c) {
  for (T*** p : ps)
    if (!allocate2(*p, r, c)) return failLogged();
  return true;
}

bool perCell() {
  const size_t nc = sz(MaxCeller), nz = sz(znumber), nl = sz(lnumber, 1);
  if (MaxNester > 1 && !ones<int>({&Ccoarsenest, &Cinterpolnest}, nc)) return false;
  if (FlagPresGrad == 20 && !ones<int>({&CcellAe, &CcellAw, &CcellAs, &CcellAn}, nc)) return false;
  if (QNFlag > 0) {
    if (!ones<int>({&Cncelle, &Cncellw, &Cncells, &Cncelln}, nc)) return false;
    if (!twos<int>({&Cqncelle, &Cqncellw, &Cqncells, &Cqncelln}, nc, nz)) return false;
    if (!twos<double>({&Cqnae, &Cqnaw, &Cqnas, &Cqnan}, nc, nz)) return false;
    if (secondNeighboursNeeded() && !twos<double>({&Cqnaee, &Cqnaww, &Cqnass, &Cqnann}, nc, nz)) return false;
  }
  if (secondNeighboursNeeded() && !ones<double>({&Caee, &Caww, &Cass, &Cann, &Catt, &Cabb}, nc)) return false;
  if (FlagDragDLL > 0 && !allocate1(Cporosity, nc)) return false;
  const bool perSize = lnumber > 1 || FlagTSC == 3;
  if (perSize && !twos<double>({&Catm, &Cabm, &Capm}, nl, nc)) return false;
  if (perSize && FlagTSC >= 1 && SouComp == 1 && !twos<double>({&Cattm, &Cabbm}, nl, nc)) return false;
  // The fast driver uses rows 0..4 of Csourcem; the per-size solvers rows
  // 0..lnumber. One allocation serves both (also with a negative F 170).
  if (FlagFastWatersolve > 0 && lnumber <= 4) {
    if (!twos<double>({&Csourcem}, 5, nc)) return false;
    CsourcemRows = 5;
  } else if (perSize || FlagFastWatersolve > 0) {
    if (!twos<double>({&Csourcem}, nl, nc)) return false;
    CsourcemRows = lnumber + 1;
  }
  if (FlagFastWatersolve > 0 && !twos<double>({&CinvApf, &Cff}, 5, nc)) return false;
  if (BedLoadVectorFlag >= 5 && BedLoadVectorFlag <= 99 && !twos<double>({&Caem, &Canm, &Casm, &Cawm}, nl, nc))
    return false;
  if (transient() || steadySurfaceMoves()) {
    if (!ones<double>({&Cxvel_old, &Cyvel_old, &Czvel_old, &Cpres_old, &Ckinen_old, &Cepsilon_old, &CinvAp_old},
                       nc))
      return false;
    if (!twos<double>({&Cconc_old}, nl, nc)) return false;
  }
  if (transient()) {
    if (FlagTimeOrder > 0 && !ones<double>({&Cxvel_old2, &Cyvel_old2, &Czvel_old2}, nc)) return false;
  }
  if (FlagSIMPLE > 0) {
    if (!allocate1(CinvApP, nc)) return false;
    if (FlagSIMPLE != 1 && !ones<double>({&CxvelP, &CyvelP, &CzvelP}, nc)) return false;
  }
  if (NoComponents > 0) {
    if (!twos<double>({&Ccomp}, sz(NoComponents), nc)) return false;
    if (transient() && !twos<double>({&Ccomp_old}, sz(NoComponents), nc)) return false;
  }
  if (FlagResidual == 1 &&
      !ones<double>({&Cxvel_res, &Cyvel_res, &Czvel_res, &Cpres_res, &Ckinen_res, &Cepsilon_res}, nc))
    return false;
  if (FlagThixo > 0 || FlagSoilStress > 0)
    if (!allocate1(Cthixolev, nc) || !allocate1(Cthixorat, nc)) return false;
  if (FlagSoilStress > 0) {
    if (!twos<double>({&Cstress}, 13, nc)) return false;
    if (!ones<double>({&Cxmove, &Cymove, &Czmove}, nc)) return false;
  }
  if (FlagShallowWater > 0 && !twos<double>({&CU, &CF, &CG}, 3, nc)) return false;
  if (TurbDensFlag == 5 && !allocate1(CdampDensity, nc)) return false;
  if (MGSNo == 2) {
    if (!twos<int>({&MGSCpoint}, nc, 2)) return false;
    MGSCpointCols = 2;
  } else if ((MGSNo > 0) || (MGSNo <= 0 && Flag2DAccSolver > 0)) {
    if (!twos<int>({&MGSCpoint}, nc, 5)) return false;
    MGSCpointCols = 5;
  }
  // F 261 18 and 19, and the line solvers after the multigrid (F 344 1, 2).
  if ((FlagTDMA > 0 || FlagCoupledNesting == 18 || FlagCoupledNesting == 19 || BlockCasulli == 2 ||
       FlagSolverVertTDMA == 1 || FlagSolverVertTDMA == 2) &&
      !ones<double>({&Cpt, &Cqt}, nc))
    return false;
  if (ExtrapAlgo1 == 0 && !allocate1(Czcenter_old, nc)) return false;
  if (ExtrapAlgo1 == 2 && !allocate1(Ckdist_old, nc)) return false;
  return true;
}

bool perFaceAndNested() {
  // The marks of the list cells' own faces exist with the lists (F 137).
  if (QNFlag > 0 && !allocate1(Fqndum, sz(MaxFlater))) return false;
  if (FlagShallowWater > 0 && !twos<double>({&FF, &FG}, 4, sz(MaxFlater))) return false;
  if (MaxNester > 0) {
    const size_t nn = sz(MaxNester);
    if (!ones<int>({&Ninoutwall, &Npflate, &Npcelle, &Npblock}, nn)) return false;
    if (!allocate1(Nflux, nn)) return false;
    if (!twos<int>({&Ncell}, nn, 4) || !twos<double>({&Nweight}, nn, 4)) return false;
    if (!allocate3(Nvect, nn, 4, 3)) return failLogged();
  }
  return true;
}

bool timeSeries() {
  if (!transient()) return true;
  const size_t nt = sz(ArrayTimeSteps, 1);
  if (!ones<double>({&TimeInTime, &TimeInTimStep, &TimeInHinn, &TimeInHout, &Irradi, &AirTemp}, nt)) return false;
  return twos<double>({&QDinn}, nt, 10) && twos<double>({&Cinn}, nt, 20) && twos<double>({&Winn}, nt, 3);
}

bool structuredMaps() {
  const size_t nx = sz(xnumber, 2), ny = sz(ynumber, 2);
  if (UMethod == 9 && !twos<int>({&crackI, &crackJ, &vn}, nx, ny)) return false;
  if (FlagRemovePonds > 1000 && !twos<int>({&ridgeI, &ridgeJ}, nx, ny)) return false;
  if ((UMethod == 14 || UMethod == 15) && !allocate3(numc, nx, ny, sz(znumber, 2))) return failLogged();
  if (UMethod2 > 0) {
    if (!twos<int>({&antlinT, &antT, &pointint, &intSurfI, &intSurfJ, &intSurfK}, nx, ny)) return false;
    if (!twos<double>({&thickturb, &thickturbIJ, &TurbTop}, nx, ny)) return false;
  }
  if ((FlagDuneShearPartCross > 0 || FlagDrevan > 0) && !twos<double>({&bedshear}, nx, ny)) return false;
  if (FlagWriteDune2D > 0 && !twos<int>({&DuneIndex}, sz(xnumber, 3), sz(ynumber, 3))) return false;
  return true;
}

bool perBedCell() {
  const size_t nb = sz(bedCellCapacity()), nl = sz(lnumber, 1), layers = sz(NoBedLayers, 1);
  if (FlagBedchangeOption > 1 || FlagTSC == 3 || FlagThixo > 0) {
    if (!allocate1(Bedlev, nb)) return false;
    if (!twos<double>({&Bsolidfraction}, layers, nb)) return false;
  }
  if ((FlagCohesion > 0 || NoCohesiveDepth > 0) && !twos<double>({&Bcohesion}, layers, nb)) return false;
  if (FlagCohesion > 4 && !allocate1(BcohesionLevel, nb)) return false;
  if ((FlagThixo > 0 || FlagSoilStress > 0) && !ones<double>({&Bthixolev, &BthixolevMin, &Bstrain}, nb))
    return false;
  if (FlagTSC == 3) {
    if (!onesLogged<int>({&Barmourthick}, nb)) return false;
    if (!twos<double>({&Bbedchange, &Bupflux}, nl, nb)) return false;
  }
  if (FlagHCB > 0 && !allocate3(BCompDistrib, layers, nl, nb)) return failLogged();
  if (FlagUnstrucThixo > 0 && !allocate1(Bcelltt_old, nb)) return false;
  if ((FlagCoupledNesting > 0 || FlagNestTop > 2) && !allocate1(Bnestcoarse, nb)) return false;
  if ((FlagNonHydrostaticSurf == 6 || FlagNonHydrostaticSurf == 7) && !allocate1(Bpresavg, nb)) return false;
  if (FlagBedCalc > 0 && !twos<double>({&BQvar}, sz(FlagBedCalc), nb)) return false;
  if ((FlagTFS == 50 || FlagTFS2 > 0) && !allocate1(Bdeltah, nb)) return false;
  if (FlagTFS == 50 && !allocate1(BsourceLS, nb)) return false;
  if (FlagGroundwater > 0 && !allocate1(Bgroundwater, nb)) return false;
  if (FlagBedAngles > 0 && !ones<double>({&BrooksUp, &BrooksDown, &BrooksLimit, &Bavalanche}, nb)) return false;
  if (FlagBedDefect > 0 && !allocate1(Bdefect, nb)) return false;
  if (solverFroude > 0 && !allocate1(BLevFroude, nb)) return false;
  if (FlagNoGridSplit > 0 && !ones<double>({&Bminwaterlevel, &Bminlevdh}, nb)) return false;
  if (FlagRemovePonds > 0 && !allocate1(Bponds, nb)) return false;
  if (FlagBedConcentration == 3 && !ones<double>({&BfGzeroTime, &BfGzeroHeight}, nb)) return false;
  if (FlagFractionsPrint > 0 && !onesLogged<double>({&Bfractionsprint}, nb)) return false;
  if (FlagPlastics > 0 && !twos<double>({&BplasticDeposits}, nl, nb)) return false;
  if (FlagTriEdges > 0 && !allocate1(Btriedges, nb)) return false;
  if (TurbDensFlag > 0 && !onesLogged<double>({&BTugrad, &BTdischarge, &BTheight}, nb)) return false;
  if (FlagDragDLL > 0) {
    if (!allocate4(Bveg, nb, sz(VegTimes), sz(VegVars, 1), sz(VegLevels))) return failLogged();
    if (!allocate1(VegTime, sz(VegTimes, 1))) return false;
  }
  return true;
}

bool fixedSize() {
  if (FlagTracer > 0) {
    if (!ones<double>({&tracerX, &tracerY, &DiamTracer}, 1000)) return false;
    if (!allocate1(BedTracer, 1000)) return false;
  }
  // The quor tables of F 329 19 are sized by makeQuorvel once the points are read.
  return true;
}

}  // namespace

// Every scheme value 1 (K 6 for the flow equations, F 63 for sediment and
// components) builds the twelve-point stencil, and the fast driver reads the
// second neighbours whenever quasi-neighbours are on; the surface methods
// F 36 7..10 use them as well.
bool secondNeighboursNeeded() {
  for (int e = 1; e < 50; ++e)
    if (sou[e] == 1) return true;
  if (SouComp == 1) return true;
  if (FlagTFS >= 7 && FlagTFS <= 10) return true;
  if (QNFlag > 0 && FlagFastWatersolve > 0) return true;
  return false;
}

bool allocateOptionalArrays() {
  return perCell() && perFaceAndNested() && timeSeries() && structuredMaps() && perBedCell() && fixedSize();
}

void initialiseOptionalArrays() {
  // No lowest water level yet: -1000 m in every bed cell but element 0.
  if (Bminwaterlevel)
    for (int b = 1; b < bedCellCapacity(); ++b) Bminwaterlevel[b] = -1000.0;
}
