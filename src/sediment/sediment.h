// Sediment transport.
#pragma once

void concRijn();
void morphology_tsc();
void bagger();   // dredging and feeding schedule `bagger`
