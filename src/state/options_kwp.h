// Options of the K, W and P data sets.
#pragma once
