// Readers and writers of the model files that the run letters call.
#pragma once

int ReadTimes();             // timei; > 0 is an error (logged)
int ReadUnstructure();       // unstruc; negative values are errors
void WriteUnstructure();     // unstruc
void ReadAllData();          // alldata
void WriteAllData();         // alldata.N
void readres();              // result, bedres
void readConRes();           // con2res, compres, fracres
void writeConcRes();         // con2res
void writeConqRes();         // compres
void readKoosurf();          // koosurf
void writeMPIkoosurf();      // koosurf parts
void bedinter();             // bed levels from terrain points
void computeVegdataFromSTL();  // stlfile.stl to vegdata.sl, geodata.sl
