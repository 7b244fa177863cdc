// S, N, M, Q, H, L, T and I data sets.
#include "io/dataset.h"
#include "io/log.h"
#include "state/options.h"

std::vector<DataSet> datasetsMisc() {
  return {};
}
