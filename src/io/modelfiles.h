// Readers and writers of the model files that the run letters call.
#pragma once

int ReadTimes();             // timei; > 0 is an error (logged)
int ReadUnstructure();       // unstruc; negative values are errors
int WriteUnstructure();      // unstruc; dry columns of a version-2 file, -4 or 1 on failure
void ReadAllData();          // alldata
void WriteAllData();         // alldata.N
void readres();              // result, bedres
void print_result();         // result.end, result.NNNN, result.csh, resultb
void print_fracres();        // fracres.new, numbered
int writeFracres();          // print_fracres; 0
int readConRes();            // compres, con2res, fracres; 0, 2 without fracres, 88 a record outside the grid
int writeConcRes();          // con2res; 0, 1 when it cannot be created (logged)
int writeConqRes();          // compres; 0, 1 when it cannot be created (logged), -1 without components
void readKoosurf();          // koosurf
void writeMPIkoosurf();      // koosurf parts
int bedinter();              // bed levels from terrain points (boogie.bed); 0
int computeVegdataFromSTL();   // stlfile.stl to vegdata.sl, geodata.sl; -1 nothing converted
void OpenFOAM_MakeSurface();   // water surface from alpha1 (F 349)
