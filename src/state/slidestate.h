// The slides of the sub-bed block: one entry per slide, packed from index 0,
// the list ending at the first 0 in BVal. Rebuilt by the slide search of
// every slope-stability call; read by the damping of the layer, the transient
// surface of the slide layer and the slide movement.
#pragma once

constexpr int MaxSlides = 3000;

inline int BVal[MaxSlides];   // label of slide k (the Bcellth of its bed cells), 0 = none
inline int BNo[MaxSlides];    // bed cells of slide k
inline int BCen[MaxSlides];   // bed cell at mid height of slide k
inline double kLength[MaxSlides], kHeight[MaxSlides], kLevel[MaxSlides], kFac[MaxSlides], kStrain[MaxSlides];
inline double kSum[MaxSlides];  // mean strain of slide k (the strain-driven bed move)
inline double kA[MaxSlides], kB[MaxSlides], kC[MaxSlides], kD[MaxSlides], ikC[MaxSlides];
inline double kSF[MaxSlides], kLastMult[MaxSlides], kDiff[MaxSlides];
inline double kFlux[MaxSlides];  // mean level change of slide k (m), computeThixoFluxes
inline double kCohesion[MaxSlides], kFriction[MaxSlides], kGravityI[MaxSlides], kGravityJ[MaxSlides];
inline double kGroundwaterI[MaxSlides], kGroundwaterJ[MaxSlides];
inline double kHeightN[MaxSlides], kHeightW[MaxSlides], kHeightD[MaxSlides];
// Set after the first slope-stability call of the run.
inline int FlagFirstSlideLocation = 0;

// Empties the list and every per-slide value.
void resetSlideState();
// Takes slide k out of the list: every per-slide value of the slides after it
// moves down one place, so that each slide keeps its own values.
void removeSlide(int k);
