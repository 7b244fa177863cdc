// Result output.
#pragma once

void sprintflow();   // every result file the output options select
int makeWeirSTL();   // weir.txt to weir.stl
