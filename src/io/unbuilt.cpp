// Model-file readers and writers this build does not hold yet.
#include "io/log.h"
#include "io/modelfiles.h"

int ReadTimes() { notAvailable("the time-series reader (timei)"); }
int ReadUnstructure() { notAvailable("the grid-file reader (run letter U)"); }
void WriteUnstructure() { notAvailable("the grid-file writer (run letter H)"); }
void ReadAllData() { notAvailable("the restart reader (run letter B)"); }
void WriteAllData() { notAvailable("the restart writer (run letter J)"); }
void readres() { notAvailable("the result reader (run letter R)"); }
void readConRes() { notAvailable("the concentration restart reader (run letter O)"); }
void writeConcRes() { notAvailable("the concentration writer (run letter F)"); }
void writeConqRes() { notAvailable("the component concentration writer (run letter E)"); }
void readKoosurf() { notAvailable("the koosurf reader (run letter Y)"); }
void writeMPIkoosurf() { notAvailable("the koosurf part writer (run letter A)"); }
void bedinter() { notAvailable("the bed interpolation (run letter V)"); }
void computeVegdataFromSTL() { notAvailable("the STL conversion (run letter P)"); }
