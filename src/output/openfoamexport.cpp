// Export of the grid of block 1 as a case of the OpenFOAM CFD package, set up
// for a volume-of-fluid computation: system/blockMeshDict (one hex block per
// cell), the mesh files of constant/polyMesh, the initial and boundary fields
// of 0/ and a list of the cell levels. Six patches: freeSurface, inletWater,
// outletWater, bedWall and the two sides; each patch has one type in every
// file. The face list is worked out and checked before any file is written.
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

#include "grid/geometry.h"
#include "state/outfile.h"
#include "state/log.h"
#include "output/output.h"
#include "state/alloc.h"
#include "state/arrays.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"

namespace {

const char* const kStars = "// * * * * * * * * * * * * * * * * * * * * * * * * * * * * * * * * //\n\n";

struct FoamFace {
  int face = 0;
  int owner = 0;      // model cell number
  int neighbour = 0;  // 0 for a boundary face
  int n = 4;
  int p[4] = {0, 0, 0, 0};  // model point numbers
};

struct FoamFaces {
  std::vector<FoamFace> list;
  int internal = 0, surf = 0, inlet = 0, outlet = 0, bed = 0, right = 0, left = 0;
};

bool isCell(int c) { return c >= 1 && c <= NoCells; }

// The cells of column (i, j) from the bottom up.
std::vector<int> columnCells(int i, int j) {
  std::vector<int> cells;
  for (int c = static_cast<int>(zval[i][j][0]); isCell(c) && static_cast<int>(cells.size()) < NoCells; c = Ccellt[c])
    cells.push_back(c);
  return cells;
}

int facePoint(int f, int corner) {
  if (f < 1 || f > NoSurfaces) return 0;
  const int* a[4] = {Fpoint1, Fpoint2, Fpoint3, Fpoint4};
  return a[corner - 1][f];
}

// A boundary face of cell c with its corners in the order given (1..4 of the
// face); a side face with two equal corners becomes a triangle.
FoamFace boundaryFace(int c, int f, const int order[4], bool side) {
  FoamFace e;
  e.face = f;
  e.owner = c;
  for (int q = 0; q < 4; ++q) e.p[q] = facePoint(f, order[q]);
  if (!side) return e;
  const int p1 = facePoint(f, 1), p2 = facePoint(f, 2), p3 = facePoint(f, 3), p4 = facePoint(f, 4);
  const bool reversed = order[1] == 4;
  if (p1 == p4) {
    e.n = 3;
    if (reversed) {
      e.p[0] = p1, e.p[1] = p3, e.p[2] = p2;
    } else {
      e.p[0] = p1, e.p[1] = p2, e.p[2] = p3;
    }
  } else if (p2 == p3) {
    e.n = 3;
    if (reversed) {
      e.p[0] = p1, e.p[1] = p4, e.p[2] = p2;
    } else {
      e.p[0] = p1, e.p[1] = p2, e.p[2] = p4;
    }
  }
  return e;
}

FoamFaces makeFaceList() {
  FoamFaces r;
  // Internal faces, upper-triangular: ordered by owner, then neighbour; the
  // owner is the lower cell and the face points from it to the neighbour.
  for (int f = 1; f <= NoSurfaces; ++f) {
    const int a = Fcell1[f], b = Fcell2[f];
    if (a <= 0 || b <= 0) continue;
    FoamFace e;
    e.face = f;
    e.owner = std::min(a, b);
    e.neighbour = std::max(a, b);
    const int forward[4] = {1, 2, 3, 4}, turned[4] = {1, 4, 3, 2};
    for (int q = 0; q < 4; ++q) e.p[q] = facePoint(f, a < b ? forward[q] : turned[q]);
    r.list.push_back(e);
  }
  std::stable_sort(r.list.begin(), r.list.end(), [](const FoamFace& x, const FoamFace& y) {
    return x.owner != y.owner ? x.owner < y.owner : x.neighbour < y.neighbour;
  });
  r.internal = static_cast<int>(r.list.size());

  const BlockRecord& b = block[1];
  const int up[4] = {1, 2, 3, 4}, down[4] = {1, 4, 3, 2};
  auto add = [&](int& count, const FoamFace& e) {
    r.list.push_back(e);
    ++count;
  };
  for (int i = b.i1; i <= b.i2; ++i)
    for (int j = b.j1; j <= b.j2; ++j) {
      const std::vector<int> cells = columnCells(i, j);
      if (!cells.empty()) add(r.surf, boundaryFace(cells.back(), Cflatet[cells.back()], up, false));
    }
  for (int j = b.j1; j <= b.j2; ++j)
    for (int c : columnCells(b.i1, j)) add(r.inlet, boundaryFace(c, Cflatew[c], down, true));
  for (int j = b.j1; j <= b.j2; ++j)
    for (int c : columnCells(b.i2, j)) add(r.outlet, boundaryFace(c, Cflatee[c], up, true));
  for (int i = b.i1; i <= b.i2; ++i)
    for (int j = b.j1; j <= b.j2; ++j) {
      const std::vector<int> cells = columnCells(i, j);
      if (!cells.empty()) add(r.bed, boundaryFace(cells.front(), Cflateb[cells.front()], down, false));
    }
  for (int i = b.i1; i <= b.i2; ++i)
    for (int c : columnCells(i, b.j1)) add(r.right, boundaryFace(c, Cflates[c], down, true));
  for (int i = b.i1; i <= b.i2; ++i)
    for (int c : columnCells(i, b.j2)) add(r.left, boundaryFace(c, Cflaten[c], up, true));
  return r;
}

// The list must hold every face of the grid once, each with its cell: else
// nothing is written.
void checkFaceList(const FoamFaces& r) {
  const int n = static_cast<int>(r.list.size());
  if (n != NoSurfaces) {
    logf("Error in making OpenFOAM 'faces' file\n");
    logf("NoSurfaces = %d, OpenFOAM surfaces = %d\n\n", NoSurfaces, n);
    logf("nFacesInternal = %d, nFacesSurf = %d, nFacesInlet = %d, nFacesOutlet = %d\n", r.internal, r.surf, r.inlet,
         r.outlet);
    fatal(-5, "nFacesBed = %d, nFacesLeft = %d, nFacesRight = %d\n", r.bed, r.left, r.right);
  }
  std::vector<char> seen(static_cast<std::size_t>(NoSurfaces) + 1, 0);
  for (int k = 0; k < n; ++k) {
    const FoamFace& e = r.list[k];
    if (e.face < 1 || e.face > NoSurfaces || !isCell(e.owner) || seen[e.face])
      fatal(-5, "Error in making owner file: i = %d, j = %d, k = 0\n", k, e.face);
    seen[e.face] = 1;
  }
}

std::FILE* openCaseFile(const std::string& name) { return openOutputOrEnd(name); }

void makeDirectory(const char* name) {
  if (::mkdir(name, 0777) != 0 && errno != EEXIST) logf("Warning: cannot make the directory '%s'\n", name);
}

const char* title() { return Title + 1; }

void header(std::FILE* f, const char* kind, const char* cls, const char* location, const char* object) {
  std::fprintf(f, "/* OpenFOAM %s file from TOVAK 2 %s */\n\n", kind, title());
  std::fprintf(f, "FoamFile \n{\n");
  std::fprintf(f, "    version      2.0;\n");
  std::fprintf(f, "    format       ascii;\n");
  std::fprintf(f, "    class        %s;\n", cls);
  if (location) std::fprintf(f, "    location     %s;\n", location);
  std::fprintf(f, "    object       %s;\n}\n\n", object);
}

bool symmetricSides() { return OpenFOAMsides == 1; }
const char* sideType() { return symmetricSides() ? "symmetryPlane" : "wall"; }

void entry(std::FILE* f, const char* patch, const char* type, const char* more = "") {
  std::fprintf(f, "    %s\n    {\n        type            %s;\n%s    }\n", patch, type, more);
}

void fieldEnd(std::FILE* f) {
  std::fprintf(f, "    defaultFaces\n    {\n        type            empty;\n    }\n}\n");
  std::fprintf(f, "\n%s", kStars);
}

struct Areas {
  double inX = 0, inY = 0, out1X = 0, out1Y = 0, out2X = 0, out2Y = 0;
  double vin = 0, vout = 0;
};

Areas inletOutletAreas() {
  Areas a;
  const BlockRecord& b = block[1];
  for (int j = b.j1; j <= b.j2; ++j)
    for (int c : columnCells(b.i1, j))
      if (Pz[Cpoint1[c]] < OpenFOAMinLevel) {
        a.inX += Fax[Cflatew[c]];
        a.inY += Fay[Cflatew[c]];
      }
  for (int j = b.j1; j <= b.j2; ++j)
    for (int c : columnCells(b.i2, j)) {
      const int f = Cflatee[c];
      if (Pz[Cpoint1[c]] < OpenFOAMoutLevel) {
        a.out1X += Fax[f];
        a.out1Y += Fay[f];
      } else {
        a.out2X += Fax[f];
        a.out2Y += Fay[f];
      }
    }
  const double q = DischargeStruct[1].discharge;
  if (a.inX != 0) {
    a.vin = q / a.inX * 0.001;
  } else {
    logf("Warning: the inlet area of the OpenFOAM export is zero: the inlet velocity is written as 0\n");
  }
  if (a.out1X != 0) {
    a.vout = q / a.out1X * 0.001;
  } else {
    logf("Warning: the outlet area of the OpenFOAM export is zero: the outlet velocity is written as 0\n");
  }
  return a;
}

void writeBlockMeshDict() {
  std::FILE* f = openCaseFile("system/blockMeshDict");
  std::fprintf(f, "/* OpenFOAM grid file from TOVAK 2.486 or later %s */\n\n", title());
  std::fprintf(f, "FoamFile \n{\n    version      2.0;\n    format       ascii;\n\n");
  std::fprintf(f, "    class        dictionary;\n    object       blockMeshDict;\n}\n\n%s", kStars);
  std::fprintf(f, "convertToMeters 1;\n\n");
  std::fprintf(f, "vertices        \n(\n");
  for (int p = 1; p <= NoPoints; ++p) std::fprintf(f, "     (%lf %lf %lf)\n", Px[p], Py[p], Pz[p]);
  std::fprintf(f, ");\n\n");
  std::fprintf(f, "blocks      \n(\n");
  for (int c = 1; c <= NoCells; ++c)
    std::fprintf(f, "     hex (%d %d %d %d %d %d %d %d)  (%d %d %d) simpleGrading (1 1 1)\n", Cpoint1[c] - 1,
                 Cpoint2[c] - 1, Cpoint3[c] - 1, Cpoint4[c] - 1, Cpoint5[c] - 1, Cpoint6[c] - 1, Cpoint7[c] - 1,
                 Cpoint8[c] - 1, ofGridI, ofGridJ, ofGridK);
  std::fprintf(f, ");\n\n");
  std::fprintf(f, "edges \n(\n);\n\n");
  std::fprintf(f, "boundary    \n(\n");
  const BlockRecord& b = block[1];
  auto patch = [&](const char* name, const char* type, auto faces) {
    std::fprintf(f, "   %s\n   {\n      type %s;\n      faces\n      (\n", name, type);
    faces();
    std::fprintf(f, "      );\n   }\n\n");
  };
  auto quad = [&](int c, int a1, int a2, int a3, int a4) {
    const int k[9] = {0, Cpoint1[c], Cpoint2[c], Cpoint3[c], Cpoint4[c], Cpoint5[c], Cpoint6[c], Cpoint7[c],
                      Cpoint8[c]};
    std::fprintf(f, "         (%d %d %d %d)\n", k[a1] - 1, k[a2] - 1, k[a3] - 1, k[a4] - 1);
  };
  auto bedColumnOf = [](int c) { return Cbed && Bkooi && isCell(c) ? Bkooi[Cbed[c]] : 0; };
  patch("freeSurface", "patch", [&] {
    for (int c = 1; c <= NoCells; ++c)
      if (Ccellt[c] == 0) quad(c, 5, 6, 7, 8);
  });
  patch("inletWater", "patch", [&] {
    for (int c = 1; c <= NoCells; ++c)
      if (Ccellw[c] == 0 && bedColumnOf(c) == b.i1 && (Cpoint1[c] != Cpoint5[c] || Cpoint4[c] != Cpoint8[c]))
        quad(c, 1, 5, 8, 4);
  });
  patch("outletWater", "patch", [&] {
    for (int c = 1; c <= NoCells; ++c)
      if (Ccelle[c] == 0 && bedColumnOf(c) == b.i2 && (Cpoint2[c] != Cpoint6[c] || Cpoint3[c] != Cpoint7[c]))
        quad(c, 2, 3, 7, 6);
  });
  patch("bedWall", "wall", [&] {
    for (int c = 1; c <= NoCells; ++c)
      if (Ccellb[c] == 0) quad(c, 4, 3, 2, 1);
  });
  patch("rightSide", sideType(), [&] {
    for (int c = 1; c <= NoCells; ++c)
      if (Ccells[c] == 0 && (Cpoint1[c] != Cpoint5[c] || Cpoint6[c] != Cpoint2[c])) quad(c, 1, 2, 6, 5);
  });
  patch("leftSide", sideType(), [&] {
    for (int c = 1; c <= NoCells; ++c)
      if (Ccelln[c] == 0 && (Cpoint3[c] != Cpoint7[c] || Cpoint8[c] != Cpoint4[c])) quad(c, 3, 4, 8, 7);
    for (int c = 1; c <= NoCells; ++c)
      if (Ccelle[c] == 0 && bedColumnOf(c) < b.i2) quad(c, 2, 3, 7, 6);
    for (int c = 1; c <= NoCells; ++c)
      if (Ccellw[c] == 0 && bedColumnOf(c) > b.i1) quad(c, 1, 5, 8, 4);
  });
  std::fprintf(f, ")\n\n");
  std::fprintf(f, "mergePatchPairs\n(\n);\n\n");
  std::fprintf(f, "\n\n//**************************************************************//\n\n");
  closeOutput(f);
}

// The case settings every OpenFOAM tool reads first.
void writeControlDict() {
  std::FILE* f = openCaseFile("system/controlDict");
  header(f, "controlDict", "dictionary", "\"system\"", "controlDict");
  std::fprintf(f, "%s", kStars);
  std::fprintf(f, "application     interFoam;\nstartFrom       startTime;\nstartTime       0;\n");
  std::fprintf(f, "stopAt          endTime;\nendTime         1;\ndeltaT          0.001;\n");
  std::fprintf(f, "writeControl    timeStep;\nwriteInterval   100;\n\n%s", kStars);
  closeOutput(f);
}

void fieldHead(std::FILE* f, const char* name, const char* cls, const char* object, bool located, const char* dims,
               const char* internal) {
  std::fprintf(f, "FoamFile \n{\n    version      2.0;\n    format       ascii;\n    class        %s;\n", cls);
  if (located) std::fprintf(f, "    location     \"0\";\n");
  std::fprintf(f, "    object       %s;\n}\n\n%s", object, kStars);
  std::fprintf(f, "dimensions      %s;\n\n", dims);
  std::fprintf(f, "internalField   %s;\n\n", internal);
  std::fprintf(f, "boundaryField\n{\n");
  (void)name;
}

void writeFields(const Areas& a) {
  const bool sym = symmetricSides();
  const bool outlet2 = OpenFOAMoutLevel < 1e10;
  const char* zeroVec = "        value           uniform (0 0 0);\n";
  const char* value0 = "        value           uniform 0;\n";
  const char* value375 = "        value           uniform 0.375;\n";

  std::FILE* f = openCaseFile("0/alpha.water");
  std::fprintf(f, "/* OpenFOAM alpha.water file from TOVAK 2 %s */\n\n", title());
  fieldHead(f, "alpha.water", "volScalarField", "alpha.water", false, "[0 0 0 0 0 0 0]", "uniform 0");
  entry(f, "bedWall", "zeroGradient");
  entry(f, "freeSurface", "inletOutlet", "        inletValue      uniform 0;\n        value           uniform 0;\n");
  entry(f, "inletWater", "fixedValue", "        value      uniform 1;\n");
  entry(f, "outletWater", "zeroGradient");
  entry(f, "rightSide", sym ? "symmetryPlane" : "zeroGradient");
  entry(f, "leftSide", sym ? "symmetryPlane" : "zeroGradient");
  fieldEnd(f);
  closeOutput(f);

  f = openCaseFile("0/U");
  std::fprintf(f, "/* OpenFOAM U file from TOVAK 2 %s */\n\n", title());
  std::fprintf(f, "/* Inlet area_x: %20.12lf m2, area_y: %20.12lf m2 */\n", a.inX, a.inY);
  std::fprintf(f, "/* Outlet area1_x: %20.12lf m2, outlet area1_y: %20.12lf m2 (lower) */\n", a.out1X, a.out1Y);
  std::fprintf(f, "/* Outlet area2_x: %20.12lf m2, outlet area2_y: %20.12lf m2 (upper) */\n", a.out2X, a.out2Y);
  std::fprintf(f, "/* Use the area information when giving the velocities in the inlet and outlet */\n");
  std::fprintf(f, "/* sections below, by computing the velocity as discharge divided by area.     */\n\n");
  fieldHead(f, "U", "volVectorField", "U", false, "[0 1 -1 0 0 0 0]", "uniform (0.01 0 0)");
  // The rigid lid slips; side walls hold the velocity at 0 unless K 2 lets
  // them slip too.
  entry(f, "freeSurface", "slip");
  entry(f, "bedWall", "fixedValue", zeroVec);
  if (sym) {
    entry(f, "leftSide", "symmetryPlane");
    entry(f, "rightSide", "symmetryPlane");
  } else if (FlagWall != 0) {
    entry(f, "leftSide", "slip");
    entry(f, "rightSide", "slip");
  } else {
    entry(f, "leftSide", "fixedValue", zeroVec);
    entry(f, "rightSide", "fixedValue", zeroVec);
  }
  char in[96], out[96];
  std::snprintf(in, sizeof in, "        value           uniform (%lf 0 0);\n", a.vin);
  std::snprintf(out, sizeof out, "        value           uniform (%lf 0 0);\n", a.vout);
  entry(f, "inletWater", "fixedValue", in);
  entry(f, "outletWater", "fixedValue", out);
  if (outlet2) entry(f, "outlet2", "fixedValue", zeroVec);
  fieldEnd(f);
  closeOutput(f);

  struct Turbulence {
    const char* name;
    const char* dims;
    const char* internal;
    const char* wall;
    const char* inletValue;
    bool rightFirst;
  };
  for (const Turbulence& t : {Turbulence{"k", "[0 2 -2 0 0 0 0]", "uniform 0.375", "kqRWallFunction",
                                         "        value           uniform 0.375;\n", false},
                              Turbulence{"epsilon", "[0 2 -3 0 0 0 0]", "uniform 14.0", "epsilonWallFunction",
                                         "        value           uniform 1.0;\n", true}}) {
    f = openCaseFile(std::string("0/") + t.name);
    std::fprintf(f, "/* OpenFOAM %s file from TOVAK 2 %s */\n\n", t.name, title());
    fieldHead(f, t.name, "volScalarField", t.name, true, t.dims, t.internal);
    entry(f, "bedWall", t.wall, value375);
    const char* side = sym ? "symmetryPlane" : WallFlag != 0 ? "zeroGradient" : t.wall;
    const char* more = sym || WallFlag != 0 ? "" : value375;
    entry(f, t.rightFirst ? "rightSide" : "leftSide", side, more);
    entry(f, t.rightFirst ? "leftSide" : "rightSide", side, more);
    entry(f, "freeSurface", "zeroGradient");
    entry(f, "inletWater", "fixedValue", t.inletValue);
    entry(f, "outletWater", "zeroGradient");
    if (outlet2) entry(f, "outlet2", "zeroGradient");
    fieldEnd(f);
    closeOutput(f);
  }

  f = openCaseFile("0/nut");
  std::fprintf(f, "/* OpenFOAM nut file from TOVAK 2 %s */\n\n", title());
  fieldHead(f, "nut", "volScalarField", "nut", true, "[0 2 -1 0 0 0 0]", "uniform 0");
  char rough[256];
  std::snprintf(rough, sizeof rough,
                "        roughnessHeight           %lf;\n        roughnessConstant           0.5;\n"
                "        roughnessFactor           1;\n        value           uniform 0;\n",
                XksWall);
  entry(f, "bedWall", "nutURoughWallFunction", rough);
  entry(f, "leftSide", sym ? "symmetryPlane" : "nutkWallFunction", sym ? "" : value0);
  entry(f, "rightSide", sym ? "symmetryPlane" : "nutkWallFunction", sym ? "" : value0);
  entry(f, "freeSurface", "zeroGradient");
  entry(f, "inletWater", "calculated", value0);
  entry(f, "outletWater", "zeroGradient");
  if (outlet2) entry(f, "outlet2", "zeroGradient");
  fieldEnd(f);
  closeOutput(f);

  f = openCaseFile("0/p_rgh");
  std::fprintf(f, "/* OpenFOAM p_rgh file from TOVAK 2 %s */\n\n", title());
  fieldHead(f, "p_rgh", "volScalarField", "p_rgh", true, "[1 -1 -2 0 0 0 0]", "uniform 0");
  entry(f, "bedWall", "buoyantPressure", value0);
  entry(f, "leftSide", sym ? "symmetryPlane" : "buoyantPressure", sym ? "" : value0);
  entry(f, "rightSide", sym ? "symmetryPlane" : "buoyantPressure", sym ? "" : value0);
  entry(f, "freeSurface", "buoyantPressure", value0);
  entry(f, "inletWater", "buoyantPressure", value0);
  entry(f, "outletWater", "buoyantPressure", value0);
  if (outlet2) entry(f, "outlet2", "buoyantPressure", value0);
  fieldEnd(f);
  closeOutput(f);

  f = openCaseFile("0/p");
  std::fprintf(f, "/* OpenFOAM p file from TOVAK 2 %s */\n\n", title());
  // The same dimensions as p_rgh: both are pressures.
  fieldHead(f, "p", "volScalarField", "p", true, "[1 -1 -2 0 0 0 0]", "uniform 0");
  entry(f, "bedWall", "zeroGradient");
  entry(f, "leftSide", sym ? "symmetryPlane" : "zeroGradient");
  entry(f, "rightSide", sym ? "symmetryPlane" : "zeroGradient");
  entry(f, "freeSurface", "zeroGradient");
  entry(f, "inletWater", "zeroGradient");
  entry(f, "outletWater", "fixedValue", value0);
  fieldEnd(f);
  closeOutput(f);
}

void writeMesh(const FoamFaces& r) {
  const int nFaces = static_cast<int>(r.list.size());
  std::FILE* f = openCaseFile("constant/polyMesh/points");
  header(f, "points", "vectorField", "constant/polyMesh", "points");
  std::fprintf(f, "%s%d\n(\n", kStars, NoPoints);
  for (int p = 1; p <= NoPoints; ++p) std::fprintf(f, "(%lf %lf %lf)\n", Px[p], Py[p], Pz[p]);
  std::fprintf(f, ")\n%s", kStars);
  closeOutput(f);

  f = openCaseFile("constant/polyMesh/faces");
  header(f, "faces", "faceList", "constant/polyMesh", "faces");
  std::fprintf(f, "%s%d\n(\n", kStars, nFaces);
  // The face list is kept for the run; without room it is only written.
  if (!allocate1(Fopenfoam, static_cast<std::size_t>(std::max(MaxFlater, 1))))
    logf("The OpenFOAM face list is written but not kept: no memory for it\n");
  for (int k = 0; k < nFaces; ++k) {
    const FoamFace& e = r.list[k];
    if (Fopenfoam && k < MaxFlater) Fopenfoam[k] = e.face;
    if (e.n == 3)
      std::fprintf(f, "3(%d %d %d)\n", e.p[0] - 1, e.p[1] - 1, e.p[2] - 1);
    else
      std::fprintf(f, "4(%d %d %d %d)\n", e.p[0] - 1, e.p[1] - 1, e.p[2] - 1, e.p[3] - 1);
  }
  std::fprintf(f, ")\n%s", kStars);
  closeOutput(f);

  char note[160];
  std::snprintf(note, sizeof note, "\"nPoints: %d nCells %d nFaces: %d nInternalFaces %d\"", NoPoints, NoCells,
                NoSurfaces, r.internal);
  for (const bool owners : {true, false}) {
    f = openCaseFile(owners ? "constant/polyMesh/owner" : "constant/polyMesh/neighbour");
    std::fprintf(f, "/* OpenFOAM %s file from TOVAK 2 %s */\n\n", owners ? "owner" : "neighbour", title());
    std::fprintf(f, "FoamFile \n{\n    version      2.0;\n    format       ascii;\n    class        labelList;\n");
    std::fprintf(f, "    note         %s;\n", note);
    std::fprintf(f, "    location     \"constant/polyMesh\";\n");
    std::fprintf(f, "    object       %s;\n}\n\n%s", owners ? "owner" : "neighbour", kStars);
    const int n = owners ? nFaces : r.internal;
    std::fprintf(f, "%d\n(\n", n);
    for (int k = 0; k < n; ++k) std::fprintf(f, "%d\n", (owners ? r.list[k].owner : r.list[k].neighbour) - 1);
    std::fprintf(f, ")\n%s", kStars);
    closeOutput(f);
  }

  f = openCaseFile("constant/polyMesh/boundary");
  std::fprintf(f, "/* OpenFOAM boundary file from TOVAK 2 %s */\n\n", title());
  std::fprintf(f, "FoamFile \n{\n    version      2.0;\n    format       ascii;\n    class        polyBoundaryMesh;\n");
  std::fprintf(f, "    location     \"constant/polyMesh\";\n    object       boundary;\n}\n\n%s", kStars);
  std::fprintf(f, "6\n(\n");
  struct Patch {
    const char* name;
    const char* type;
    int count;
  };
  int start = r.internal;
  for (const Patch& p : {Patch{"freeSurface", "patch", r.surf}, Patch{"inletWater", "patch", r.inlet},
                         Patch{"outletWater", "patch", r.outlet}, Patch{"bedWall", "wall", r.bed},
                         Patch{"rightSide", sideType(), r.right}, Patch{"leftSide", sideType(), r.left}}) {
    std::fprintf(f, "    %s\n    {\n        type              %s;\n", p.name, p.type);
    if (std::string(p.type) != "patch")
      std::fprintf(f, "        inGroups          List<word> 1(%s);\n", p.type);
    std::fprintf(f, "        nFaces            %d;\n        startFace         %d;\n    }\n", p.count, start);
    start += p.count;
  }
  std::fprintf(f, ")\n\n%s", kStars);
  closeOutput(f);
}

void writeLevels() {
  std::FILE* f = openCaseFile("levels");
  std::fprintf(f, "Cell no.     levels[m]\n");
  for (int c = 1; c <= NoCells; ++c) std::fprintf(f, "%d    %lf\n", c, Czcenter[c]);
  closeOutput(f);
}

}  // namespace

void writeOpenFOAM3() {
  metric();
  BedMake();
  const FoamFaces faces = makeFaceList();
  checkFaceList(faces);
  const Areas areas = inletOutletAreas();
  for (const char* d : {"system", "0", "constant", "constant/polyMesh"}) makeDirectory(d);
  writeBlockMeshDict();
  writeControlDict();
  writeFields(areas);
  writeMesh(faces);
  writeLevels();
}

void writeOpenFOAM2() { writeOpenFOAM3(); }
