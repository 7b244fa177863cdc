// The reader of the control file.
#pragma once

#include <cstddef>
#include <vector>

#include "state/scanner.h"

// Reads `control`: truncates the log, writes the banner, assigns every default,
// reads the data sets (first pass), checks them and prepares the block grid.
// Ends the process on refused input.
void kread();

// The first pass over a control text, on its own (tests use it on a string).
void readControlFirstPass(Scanner& s);

// Every default and initial value, as before the control file is read.
void setControlDefaults();

// What runs after the first pass: the combination checks, the thread count,
// the block-grid arrays, the second pass and the side files.
void kreadAfterFirstPass();

// Positions just after the B letters that the first pass met between data
// sets: the second pass reads the B data sets there, so that both passes share
// one grammar (a B inside values, the run letters or a title starts nothing).
inline std::vector<std::size_t> bLetterPositions;

// Turns the scanner takes in the first pass before it stops.
constexpr int kFirstPassTurns = 30000;
