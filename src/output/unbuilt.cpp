// Output this build does not hold yet.
#include "io/log.h"
#include "output/output.h"

int makeWeirSTL() { notAvailable("the weir surface writer (run letter Z)"); }
void writeDune2D() { notAvailable("the dune statistics (F 552)"); }
void print_tecplot2d(int, int) { notAvailable("the Tecplot plan file"); }
void writeParaBed3(int, int) { notAvailable("the bed-layer section file"); }
void writeParaBed4(int) { notAvailable("the bed-layer 3-D file"); }
void writeParaBed5(int, int) { notAvailable("the bed-layer cross-section file"); }
void print_interres(int) { notAvailable("the results at interpolation points"); }
void print_profiles() { notAvailable("the profiles file (F 453)"); }
void writeBraided() { notAvailable("the braiding statistics (F 368)"); }
void writeDune() { notAvailable("the dune statistics (F 370)"); }
void print_fractions() { notAvailable("the bed fractions at the interpolation points"); }
void make_Bfractionsprint() { notAvailable("the bed-fraction fields (F 433)"); }
