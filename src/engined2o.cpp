// The engine's entry: started without arguments in a project directory.
#include "runcontrol.h"

int main() { return tovakMain(); }
