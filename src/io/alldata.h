// The restart file of the whole model (run letters J and B).
#pragma once

#include <string>

// Writes the first free "alldata.N"; its name, or an empty name when the
// file could not be written. WriteAllData ends the run in that case; the
// crash output, which is ending the run anyway, reports it and goes on.
std::string writeAllDataFile();
