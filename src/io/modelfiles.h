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
void readConRes();           // con2res, compres, fracres
void writeConcRes();         // con2res
// Bcohesion from F 385 and, with F 385 2, the file `cohesion`; -20 when that
// file cannot be read, else the value of F 385.
int setInitialCohesive();
void writeConqRes();         // compres
void readKoosurf();          // koosurf
void writeMPIkoosurf();      // koosurf parts
int bedinter();              // bed levels from terrain points (boogie.bed); 0
int computeVegdataFromSTL();   // stlfile.stl to vegdata.sl, geodata.sl; -1 nothing converted
void OpenFOAM_MakeSurface();   // water surface from alpha1 (F 349)
