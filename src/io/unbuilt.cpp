// Model-file readers and writers this build does not hold yet.
#include "io/log.h"
#include "io/modelfiles.h"

void ReadAllData() { notAvailable("the restart reader (run letter B)"); }
void WriteAllData() { notAvailable("the restart writer (run letter J)"); }
void print_fracres() { notAvailable("the bed-fraction restart writer (F 329 entry 15)"); }
void readConRes() { notAvailable("the concentration restart reader (run letter O)"); }
void writeConcRes() { notAvailable("the concentration writer (run letter F)"); }
void writeConqRes() { notAvailable("the component concentration writer (run letter E)"); }
void OpenFOAM_MakeSurface() { notAvailable("the water surface from OpenFOAM (F 349)"); }
