// Sediment transport.
#pragma once

void concRijn();
void morphology_tsc();
