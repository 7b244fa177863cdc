// Sediment transport.
#pragma once

// Run letter I and every sediment step with F 10 R: the equilibrium
// concentration Bconc of each size at the wet bed cells of the active blocks.
void concRijn();
// The total-load formulas of F 10 letters A, E, I, M, S, Y.
void concEngelund();
void morphology_tsc();
// Dredging and feeding by the `bagger` schedule (F 386): the events whose
// window holds the time act on the bed, each appending its volume to bag_res.
void bagger();
// Reads the `bagger` file once (the event table), without acting.
void readBagger();
