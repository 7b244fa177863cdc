// After the first pass over the control file: combination checks, thread
// count, block grid, second pass and side files.
#include <omp.h>

#include "io/kread.h"
#include "io/log.h"
#include "state/options.h"

void kreadAfterFirstPass() {
  // Thread count: F 206 has set it when given; 0 means one thread.
  if (NoProcessesSolver == 0) {
    omp_set_num_threads(1);
    omp_set_dynamic(0);
  }
  logf("Number of threads: %d (F 206)\n", NoProcessesSolver);
}
