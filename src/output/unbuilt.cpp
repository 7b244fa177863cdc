// Output this build does not hold yet.
#include "io/log.h"
#include "output/output.h"

void writeDune2D() { notAvailable("the dune statistics (F 552)"); }
void print_tecplot2d(int, int) { notAvailable("the Tecplot plan file"); }
void print_profiles() { notAvailable("the profiles file (F 453)"); }
void writeBraided() { notAvailable("the braiding statistics (F 368)"); }
void writeDune() { notAvailable("the dune statistics (F 370)"); }
void print_fractions() { notAvailable("the bed fractions at the interpolation points"); }
