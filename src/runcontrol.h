// Run control: the process entry and the run letters.
#pragma once

// The exit status of a run started in a project directory where another run
// is working (the directory is locked for the whole of a run).
constexpr int kDirectoryBusy = -32;

// The process entry without the process: returns the status of a normal end (1).
int tovakMain();

// Reads the control file, allocates the arrays and performs the run letters.
void InitialFunction();

// Sets the work ranges WCStart..WCEnd and WFStart..WFEnd from the blocks.
void computeWCStart();

// The action of each run letter 'A'..'Z'. An action returns true when the run
// control is to stop (InitialFunction returns at once). Tests may replace
// entries.
using RunLetterAction = bool (*)();
extern RunLetterAction runLetterTable[26];

// The status of InitialFunction's end: 1 after a normal end; a failure that
// makes InitialFunction return early (allocation, timei, grid file) sets 2.
extern int runEndStatus;
