// Bed change, slides and soil stress.
#pragma once

int computeSoilStress();
void computeSlideLocation();
int computeSlidemovement();
