// The plot variables of the G 24 list: the quantity behind each letter (and
// each code of the letter Z), the layer and size an entry addresses, and the
// name each plot file prints for it.
//
// A variable is evaluated at a cell (its bed cell is Cbed of the cell), at a
// bed cell (the plan VTK file's bed route) or at a grid-line point (levels and
// level surfaces). Where its source array does not exist, or its layer, size
// or component row is outside the arrays, the value is 0.
#pragma once

#include <string>

#include "state/options_g.h"

// The plot files that evaluate the list; the cross sections print the 3-D VTK
// names, except "Error" for 'Z' and 'j'.
enum class PlotFile { TecplotPlan, Tecplot3D, VtkPlan, Vtk3D, CrossSection };

// Radians to degrees as the plot files write them (180/3.1415).
constexpr double kPlotDegrees = 57.29746936176985;

// The bed-layer row that the layer letters ('L', 'N', 'a', 'f', 'j') of entry
// v read in that file.
int entryLayer(const TecVariable& v, PlotFile file);

// 's', 't', 'v', 'y', 'z': quantities of the grid-line points.
bool isGridLineLetter(char letter);

// Value of a grid-line letter at grid-line point (i, j); also 'M' (level
// surface 6) and 'X' (level surface 5). 0 for other letters and outside the
// block grid.
double gridLineValue(char letter, int i, int j);

// Value of entry v at cell c (0 stands for no cell) with the given layer row,
// as the given file evaluates it on its cell route.
double cellValue(const TecVariable& v, int c, int layer, PlotFile file);

// True when the plan VTK file reads entry v at the bed cell of the plot
// column (when the grid has bed cells).
bool onBedRoute(const TecVariable& v);

// Value of entry v at bed cell b on the plan VTK file's bed route.
double bedRouteValue(const TecVariable& v, int b, int layer);

// Grain diameter at the cumulative fraction di_graph of the fractions
// f[1..lnumber] (sizes numbered coarsest first).
double percentileDiameter(const double* f);

// The name of entry v in that file, exactly as the name table gives it
// (layer: the row entryLayer gives; it fills the layer numbers of the name).
std::string variableName(const TecVariable& v, PlotFile file, int layer);

// A name for a VTK file that the legacy reader accepts: never empty (an
// unnamed Z code becomes "Z_code_<code>") and without blanks inside (they
// become '_'); a trailing blank is kept.
std::string vtkSafeName(const std::string& name, const TecVariable& v);
