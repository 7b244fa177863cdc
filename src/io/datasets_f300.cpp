// F data sets 300 to 399.
#include "io/dataset.h"
#include "io/log.h"
#include "state/options.h"

std::vector<DataSet> datasetsF300() {
  return {};
}
