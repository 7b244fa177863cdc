// Options of the F data sets 400 to 555.
#pragma once
