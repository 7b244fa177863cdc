// Options of the S, N, M, Q, H, L, T and I data sets.
#pragma once

inline int FlagReadNdata = 0;         // N: accepted N data sets
inline double SedimentSample[20][51]; // N: fraction per distribution and size
inline int CompInflowNo = 0;          // M: accepted M data sets
inline char Title[81];                // T: text from position 1; position 0 stays 0
inline double gsize[51];              // S: grain diameter per size (m)
inline double fallvelo[51];           // S: fall velocity per size (m/s)

// M: inflow concentration per discharge group (rows 1..9) and size or
// component k = 0..19; order: the CompInflowNo of the M data set that gave it, -1 none.
struct CompInflowRow {
  int order[20];
  double value[20];
};
inline CompInflowRow CompInflow[10];  // M

// Q: water-quality reaction terms (entries 0..NoTerms-1) and component names.
struct ReactionTerm {
  int component;
  int type;
  int arg[6];
  double parameter[10];
};
constexpr int MaxTerms = 200;
inline ReactionTerm QTerms[MaxTerms]; // Q
inline int NoTerms = 0;               // Q
inline char QualityName[40][40];      // Q 0, F 67: component names (at most 39 characters)

// H: biology term sets 0..14, terms 1..count (no computation reads them).
struct BioTermSet {
  double coefficient[21];
  int variable1[21];
  int variable2[21];
  int count;
};
inline BioTermSet Bio[15];            // H

inline double contourLevels[20];      // L: entries 0..contourNo-1
inline int contourNo = 0;             // L
inline double inflow[51];             // I: obsolete inflow value per size
