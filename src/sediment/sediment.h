// Sediment transport.
#pragma once

// Run letter I and every sediment step with F 10 R: the equilibrium
// concentration Bconc of each size at the wet bed cells of the active blocks.
void concRijn();
// The total-load formulas of F 10 letters A, E, I, M, S, Y.
void concEngelund();
void morphology_tsc();
void bagger();   // dredging and feeding schedule `bagger`
