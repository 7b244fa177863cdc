// After the first pass over the control file: combination checks, thread
// count, block grid, second pass and side files.
#include <omp.h>

#include "io/kread.h"
#include "io/log.h"
#include "state/blockgrid.h"
#include "state/options.h"

namespace {

// Fills the block grid with its default geometry: grid lines 1 m apart, the
// bed at 0 and the water surface at `level`, levels evenly between.
void setDefaultBlockGrid() {
  for (int i = 1; i <= xnumber + 1; ++i)
    for (int j = 1; j <= ynumber + 1; ++j) {
      xval[i][j] = i;
      yval[i][j] = j;
      for (int k = 0; k < znumber; ++k) zval[i][j][k + 1] = znumber > 1 ? k * level / (znumber - 1) : 0.0;
      zval[i][j][znumber + 1] = zval[i][j][znumber];
      Surfaces[3][i][j] = zval[i][j][1] - 10.0;
    }
}

}  // namespace

void kreadAfterFirstPass() {
  logf("TurbulenceModel = %d (F 24)\n", TurbulenceModel);
  // Thread count: F 206 has set it when given; 0 means one thread.
  if (NoProcessesSolver == 0) {
    omp_set_num_threads(1);
    omp_set_dynamic(0);
  }
  logf("Number of threads: %d (F 206)\n", NoProcessesSolver);

  if (sialloc() != 0) fatal(-3, "Could not allocate enough memory");
  logf("%s\n\n", Title + 1);

  setDefaultBlockGrid();
  setMessage(" Have read data file     ");
}
