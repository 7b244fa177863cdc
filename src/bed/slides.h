// Slope stability of the sub-bed block: where the soil fails, the failure
// surface of each slide and its safety factor.
#pragma once

// The sub-bed block the slides live in: the last block whose sub-bed flag is
// 1, 0 when there is none.
int slideBlock();
// Safety factor of slide k (resisting cohesion and friction over the driving
// weight and seepage), stored with its terms in the per-slide arrays.
double computeSlideSF(int k);
// The older safety factor (no caller in a run): the same cohesion and
// friction against the weight along the inclination of each column's top
// face less the seepage down the groundwater gradient; stores kFriction,
// kCohesion and kSF.
double computeSlideSF_old(int k);
// 1 when slide k has come to rest: the kinetic energy of its cells above the
// lowest ones and its driving weight and seepage no longer exceed friction
// and cohesion (no caller in a run); 0 otherwise and without slide cells.
int slideStop(int k);
// The older slope stability (no caller in a run): strain moduli of 2e8, the
// weight along the inclination of each column's top against friction and
// the cohesion over the column height, a failure-level equation of weight
// 1000 whose sources follow the slide's height, and a slide dissolved when
// it has come to rest (slideStop).
void computeSlideLocation_original();
// The bed of the slide block moved by strain instead of flow (no caller in a
// run): the strain of the force balance forms the slides, a second strain
// solve over them gives each column a bed move (Bedmove) of (strain - mean)
// / largest |strain| times a tenth of the slide's height, a quarter of which
// goes to each corner of the top (level 6 of Surfaces and the top grid
// level).
void computeSlidemovement2();
// Labels the failing columns of the slide block as connected slides and gives
// each its length, height, target level, centre column and plane.
void slideModify();
// The bed cell of slide k whose column top lies nearest to z; 0 when the
// slide has no bed cell.
int computeBCen(int k, double z);
// The plane of slide k through the bottom column bBot at zBot and the top
// column bTop at zTop, level across the line between them.
void computeThixoFlatSurface(int k, int bTop, int bBot, double zTop, double zBot);
// The failure level the last slope-stability call solved for cell c (0 when
// none has run).
double slideFailureLevelOfCell(int c);
// The cells of the slide block at rest, and in the cell above the lowest one
// of each slide column the velocity of the part of the slide's driving force
// that exceeds its resistance, down the slope of its base, over the F 236
// viscosity, at most the smaller of the cell's half sizes and the slide's
// thickness per time step.
void setSlideVelocities();
