// All options of the control file, by data-set family. Each option is one
// global named by its role, with its data set in a comment; its default is
// given by the data-set table that reads it (src/io/datasets_*.cpp), so that
// the defaults, the reader and the writer of control.new share one place.
#pragma once

#include "state/options_f001.h"
#include "state/options_f100.h"
#include "state/options_f200.h"
#include "state/options_f300.h"
#include "state/options_f400.h"
#include "state/options_g.h"
#include "state/options_kwp.h"
#include "state/options_misc.h"
