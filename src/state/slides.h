// The slide list of the sliding layer: the slides found by the slide routines
// and the mean level change of each that the transient surface takes off the
// columns of the slide. Index k = 0..MaxSlides-2 is used; the list ends at the
// first k whose marker BVal[k] is 0.
#pragma once

constexpr int MaxSlides = 3000;

inline int BVal[MaxSlides];       // marker of slide k (its bed cells carry it in Bcellth), 0 ends the list
inline int BNo[MaxSlides];        // number of bed cells of slide k
inline double kFlux[MaxSlides];   // mean level change of slide k (m), computeThixoFluxes
