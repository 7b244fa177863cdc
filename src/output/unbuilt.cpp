// Output this build does not hold yet.
#include "io/log.h"
#include "output/output.h"

int makeWeirSTL() { notAvailable("the weir surface writer (run letter Z)"); }
void writeDune2D() { notAvailable("the dune statistics (F 552)"); }
void print_tecplot2d(int, int) { notAvailable("the Tecplot plan file"); }
