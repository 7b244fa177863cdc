// G data sets.
#include "io/dataset.h"
#include "io/log.h"
#include "state/options.h"

std::vector<DataSet> datasetsG() {
  return {};
}
