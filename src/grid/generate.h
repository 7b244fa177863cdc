// Grid generation from the block grid: the driver, the cell builder, the level
// counts, the stability rules and the connections between columns and blocks.
#pragma once

// Builds the whole unstructured grid anew from xval, yval, zval and the block
// records. 1 after a complete build; 0 when the second generator (F 488) did
// it. A
// failed build (arrays that cannot be allocated, F 65 sizes too small, a full
// nested-face or face-pair list) does not return: the report is written and
// the process ends, so that no caller goes on with a half-built grid.
int Unstructure();

// The build itself, for callers that handle a failure themselves: the same
// steps as Unstructure, but a failure returns its negative result
// (-1 allocation, minus the largest count on an F 65 overflow after the
// rescue files and the report, -46 nested-face list full, -47 face-pair list
// full) and leaves the grid incomplete. Each failure writes its own report
// where it occurs; Unstructure ends the run with the status of that cause
// (-1, -4, -46, -47), whatever the result value.
int UnstructureBuild();

// The largest water depth of this build over the blocks of kind 0 and level
// 0; MaxDepth keeps the largest of the run (F 209 fixes it). With F 369 1 a
// level outside -1000..10000 m ends the run after its report.
double gridDepthScale();

// The second generator (F 488 above 0): the whole build. 0 after a complete
// build, -1 when the arrays could not be allocated, the result of
// computeNestedArrays when the nested-face list is full; an F 65 overflow
// ends the run (-4) after its message.
int Unstructure2();
// Prepares a build of the second generator: counts 0, previous lowest cells
// kept in pointcell_old, level and cell maps, topology and face pairs
// cleared, TurbTop set on every grid line.
void setArraysZeroUnstruc();
// With F 236 2 and above or F 262: the sub-bed block of the previous build
// (the last block, its sub-bed field set) is taken away before a build; an
// ordinary last block stays.
void dropPreviousSubBedBlock();
// Level counts (antlinT, antlin) of the grid lines of one block window of
// the second generator, two levels where the bed roughness exceeds F 531
// times the bed-layer thickness.
void computeAntlinRoughness(double ratio, int i1, int i2, int j1, int j2);
// The surfaces of one block of the second generator and the cell links
// derived from them (counts, pointint and pointcell must be in place).
void makeSurfaces2(int i1, int i2, int j1, int j2);
// F 503: level counts of corner grid lines of interior columns limited by
// their diagonal grid line, so that the cells built afterwards collapse into
// triangles at a dry corner.
void UnstrucTriangular10();

// Editing of the block grid of block BlockID (0 becomes 1); the W 6 points
// stay where they are except where a routine says otherwise.
// sides: the four border lines spaced evenly between fixed and connection
// points (x, y, bed, water; the west side not with F 308 1 or more).
void sides();
// transfinite: 501 sweeps of the mean of the four diagonal neighbours over
// the interior points (x, y).
void transfinite();
// Itransfinite: each interior line i spaced evenly between its border points
// and fixed points (x, y, bed, water).
void Itransfinite();
// Jtransfinite, Mtransfinite: interior lines j spaced evenly between the
// border lines i, or the mean of the interpolations in i and j (x, y, bed;
// fixed points are not spared).
void Jtransfinite();
void Mtransfinite();
// elliptic: 21 half-step sweeps of the elliptic grid equation with the
// attraction terms P, Q of the W 7 records; a degenerate point stays.
void elliptic();
// addLineNoMovePoints: the points between the last two fixed points of one
// grid line, spaced evenly, become fixed points too.
void addLineNoMovePoints();
// computeCircle: the points of grid line i between the last three fixed
// points (all on line i) are put on the circle through them.
void computeCircle();

// The local refinement block of F 130, appended north of the last block on
// the first build and reused by later ones (the fine points are laid out
// anew, no connection record is added). A window that does not fit block 1,
// the block grid or the 200 connection records ends the run (status 2)
// before anything is written.
void UnstrucTett();

// Description of the next cell for MakeCell: corners 1..8 (1..4 bottom at the
// grid lines (i-1,j-1), (i,j-1), (i,j), (i-1,j), 5..8 above them), the
// neighbour cell of sides 1..6 (s, e, n, w, b, t) and the surface shared with
// a cell built before on each side (0: make a new one). Element 0 is not read.
struct NewCellRecord {
  double x[9], y[9], z[9];
  int cell[7];
  int flate[7];
};
inline NewCellRecord NewCell;

// Side codes.
enum Side { SideS = 1, SideE = 2, SideN = 3, SideW = 4, SideB = 5, SideT = 6 };

// Builds cell `cell` from NewCell: makes the missing surfaces and points and
// fills the cell's corners, surfaces and neighbours. Returns 0.
int MakeCell(int cell);
// The same for a cell at structured position (i, j, k), reusing corner points
// of the neighbour columns (level-based distributions). Returns 0.
int MakeCellNew(int cell, int i, int j, int k);
// The cell corners (1..8) that the points Fpoint1..Fpoint4 of the cell's
// surface on `side` stand at.
const int* cellCornersOfSide(int side);
// True when MakeCell can build the cell described by NewCell without passing
// the F 65 sizes (counts stay below MaxFlater-1 and MaxPunkter-1).
bool MakeCellFits();
// 1 when the plan edges A (a->b) and B (c->d) coincide in the same direction,
// 2 in opposite directions, 0 otherwise (tolerance F 191).
int checkXY(double xa, double xb, double xc, double xd, double ya, double yb, double yc, double yd);

// Levels per grid line and cells per column of one block window.
void MakeAntlin(double ratio, int i1, int i2, int j1, int j2);
void MakeAnt(int i1, int i2, int j1, int j2);
void computeF94();

// Stability rules on the level counts (before MakeAnt) and on the cell counts.
void Grid1Stability(int i1, int i2, int j1, int j2);
void Grid2Stability(int i1, int i2, int j1, int j2);

// The adaptive vertical distribution (F 64 8, 11, 13, 38 and from 100 up) over
// all blocks. 0, or -1 when the F 65 sizes were reached (nothing more built).
int UnstrucAdaptive();

// The other vertical distributions over all blocks: z levels from the level
// table (F 64 0, 30, 1, 31), levels spread between bed and surface (2, 32, 5,
// 35), a bed layer (6, 36, 12), with steep walls (7, 37), with cracks (9) or
// with sliding shoreline corners (10), numbered from the bed (3, 33, 4),
// written straight into the topology (14, 15); D is the largest depth of this
// build. Other values make no cells. 0, or -1 when the F 65 sizes were
// reached.
bool otherDistribution(int method);
int UnstrucOther(double D);

// Joins the free side `side` (1..4) of top cell `cell`, whose bottom corners on
// that side are pointA, pointB, to a coinciding free side of another column.
// 0 no partner, 1 joined, -47 face-pair list full.
int Connect(int pointA, int pointB, int cell, int side);
void connectUneven();
// Lists the outer faces of nested blocks; 0, or -46 when the list is full.
int computeNestedArrays();

// The depth-averaged block (kind 1) as the last block, renewed in place when
// the last block already is one: with F 68 1 or above 2 one cell for each
// column with cells of the blocks before it (HydroStaticMake, the column's
// lowest and top cells giving its corners), with F 311 one cell for every
// column of block 1 (HydroStaticMake2, corners from the block-grid levels,
// slot 0 of zval becoming the new cell). Blocks taken in order, j outer, i
// inner; num[i][j][1] is the cell of column (i, j); the work range becomes
// the new cells. The F 65 sizes are tested before every cell: -1 after the
// F 65 message when they would be passed (the caller ends the run), -47 when
// the face-pair list of the block interfaces is full, else 0.
int HydroStaticMake();
int HydroStaticMake2();

// The shoreline step of a generation (F 102): UnstrucHorMove when F 533 is
// above 0, the triangulation routine of F 493 and setCorrTrekant, then
// FixInflowCells under F 390. The caller tests F 102 and the F 64 value.
void shorelineSteps();

// The sub-bed block below host block b, appended as the last block:
// UnstrucThixo3 splits each column at the sliding layer; UnstrucThixo2
// divides it like a water column. 0 when the block is made; a non-zero
// result (the caller ends the run with -1) after the overflow report of the
// F 65 sizes (minus the largest count), or -1 when the grid has no room for
// the block: other blocks or cells after the host block, or too few rows in
// the block grid (G 1) for its window rows j2+3..2 j2+3-j1.
int UnstrucThixo3(int b);
int UnstrucThixo2(int b);
// Variants without caller in a run. UnstrucThixo4: as UnstrucThixo3 with one
// cell per column from 0.1 m below the sliding-layer boundary (or the
// non-erodible level) to the bed. UnstrucThixo: two stacks per column, below
// and above the sliding-layer boundary, joined, after the current counts.
// Both return 0, or the negative result of the size limit.
int UnstrucThixo4(int b);
int UnstrucThixo(int b);

// The report of a grid that does not fit the F 65 sizes (koosurf, control.new
// and the log lines); minus the largest count, never 0.
int gridOverflowReport();
