// Result output.
#pragma once

#include <cstdio>
#include <string>

// Every result file the output options select (run letter M, the print-out
// intervals of the solvers, the error paths). Ends the process when a file
// that must be written cannot be opened.
void sprintflow();
// weir.txt to weir.stl. A missing weir.txt, a malformed station or a file
// without stations end the run (status -4, -4, 2); a line that is no station
// (a footer) ends the stations with a warning and returns 2, else 0.
int makeWeirSTL();
// Block 1 as an OpenFOAM case (system/, 0/, constant/polyMesh/, levels);
// a grid whose faces are not all internal or on the six patches of block 1
// ends the run (-5) before any file is written.
void writeOpenFOAM3();
void writeOpenFOAM2();

// Writers the dispatcher calls. The first argument 1 marks a call from the
// dispatcher; for the bed-layer writers it is the block.
void writeDune2D();
void print_tecplot2d(int fromDispatcher, int blockNo);
void print_tecplot3d(int fromDispatcher);
void print_paraview2d(int fromDispatcher, int blockNo);
void print_paraview3d(int fromDispatcher);
void writeParaBed3(int blockNo, int j);
void writeParaBed4(int blockNo);
void writeParaBed5(int blockNo, int i);
void print_interres(int fromDispatcher);
// Writers of the sediment time loop.
void print_profiles();
void writeBraided();
void writeDune();
// Two older forms of the profile statistics (no caller in a run): without
// K_A and the fractions file, and with the exchange coefficients K_k and
// K_eps (500 levels, 5000 profile points).
void writeDuneOld();
void writeDuneOld2();
void print_fractions();
// One vertical cross section of block b along grid line i (ParaCross_b_i.vtk).
void print_cross3d(int blockNo, int line);
// The tracer share of the top depthTracer of every bed cell (F 433).
void make_Bfractionsprint();
// The bed layers of a block as structured grids (ParaBed3.vtk): at the
// column centres with the layers hanging from the bed, or at the grid points
// with the layers standing on the non-erodible level.
void writeParaBed(int blockNo);
void writeParaBed2(int blockNo);

// Name choice shared by the writers: numbered (first free name) when P 10 or
// P 15 asks for it.
bool numberedOutput();

// Opens a file that must be written; when it cannot be opened the status
// text becomes "cannot open file '<name>' ", the log says so and the process
// ends with status -3. `mode` "a" appends to a file that grows through a run.
std::FILE* openOutputOrEnd(const std::string& name, const char* mode = "w");

// ---- Files the dispatcher writes itself ----
// Each returns false when its file could not be opened and the dispatcher's
// pass must end; files that must be written end the process instead.
void writeMeasurementPoints();     // TreskPkt.dat / tresk_NNNNN.dat; -3 when it cannot be opened
void writeBedData();               // beddata.sim; skipped when it cannot be opened
void writeOutline();               // brolek; skipped when it cannot be opened
bool writeHabitat();               // habitat
bool writeSlopingFraction();       // boogie.spe
bool writeDischargeLine();         // boogie.spe
bool writeKoosurfLevels();         // koosurf.NNNN
bool writeSlideProfiles(bool append);  // boogie.spe(NNNN), new or appended
void writeBedFluxes();             // bedfluxes; -7 when it cannot be opened
void compareBedFluxes();           // fluxres against bedfluxes; -7, -14

// The bed restart file (bedres.t, bedres.NNNN and the .mpi forms); ends the
// process with -3 when it cannot be opened. Returns the name written.
std::string writeBedres();
// True when the dispatcher writes the bed restart file: F 329 [1] > 0, bed
// cells and the bed arrays exist.
bool bedresWanted();

// Builds the grid of restored levels: Unstructure, metric, BedMake.
void regenerateGrid();
// Reads the bed restart file `bedres` ("bedres.mpi%d" with F 308): sizes,
// depth and grid-line levels, then regenerates the grid and reads the
// bed-cell records, which belong to the new grid. False when there is no
// such file ("Have not used 'bedres' file" in the log); a file that does not
// fit ends the process with status -3 and its message.
bool readBedres(void (*regenerate)() = regenerateGrid);

// The title line of the bed restart file, written and read alike.
inline constexpr const char* kBedresTitle = "Results from TOVAK 2.0, iter = %d\n";

// Run-long: 1 after the first appended slide-profile block (F 329 [14] = 3).
inline int FlagFirstP = 0;
