// Diagnostic dumps of the flow solver.
#include "flow/control.h"
#include "io/log.h"

void printDebug(int) { notAvailable("the cell dump (F 218)"); }
void printDebug2() { notAvailable("the pressure-correction dump (F 183)"); }
void printDebugTrekant(int, int) { notAvailable("the triangle-cell dump (F 235, debugging D)"); }
void printErrorAp(int) { notAvailable("the coefficient dump"); }
