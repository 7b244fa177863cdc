// Grid generation from the block grid.
#pragma once

int Unstructure();
