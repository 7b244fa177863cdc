// What a run that stops on a degenerate cell leaves for diagnosis.
#include <string>

#include "grid/fieldmap.h"
#include "io/alldata.h"
#include "state/log.h"
#include "output/output.h"

void writeCrashFiles(bool withResults) {
  const std::string name = writeAllDataFile();
  if (name.empty())
    logf("Error: the restart file could not be written before the stop\n");
  else
    logf("Have written the restart file %s before the stop\n", name.c_str());
  if (withResults) {
    sprintflow();
    logf("Have written the result files of the output options before the stop\n");
  }
}
