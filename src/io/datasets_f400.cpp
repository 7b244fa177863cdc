// F data sets 400 to 555.
#include "io/dataset.h"
#include "io/log.h"
#include "state/options.h"

std::vector<DataSet> datasetsF400() {
  return {};
}
