// F data sets 200 to 299.
#include <omp.h>

#include "io/dataset.h"
#include "io/log.h"
#include "state/options.h"

namespace {

// The machine's thread count, read before any data set changes it.
int machineThreads() {
  static const int n = omp_get_max_threads();
  return n;
}

// Thread count: limited to what the machine offers and handed to OpenMP.
void setThreads(DataSetRead& d) {
  int maxThreads = machineThreads();
  logf("Max. number of threads: %d, value F 206: %d\n", maxThreads, NoProcessesSolver);
  if (NoProcessesSolver < 0) d.refuse();
  if (NoProcessesSolver > maxThreads) NoProcessesSolver = maxThreads;
  if (NoProcessesSolver > 0) omp_set_num_threads(NoProcessesSolver);
  omp_set_dynamic(0);
}

[[maybe_unused]] const int kMachineThreadsAtStart = machineThreads();

}  // namespace

std::vector<DataSet> datasetsF200() {
  return {
      {.letter = 'F', .number = 206, .values = {I(NoProcessesSolver, 0)}, .required = 1,
       .message = "Error for F 206 in control", .after = setThreads},
  };
}
