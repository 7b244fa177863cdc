// The water flux through each face of an inflow discharge group. The
// pressure step brings the water in this way and the sediment inflow books
// the same fluxes, so that the sediment equations see the water that enters.
#pragma once

#include <vector>

#include "state/records.h"

// The weight of a face cell centred at z above the bed zb in the
// logarithmic profile of F 202: ln(30 (z - zb) / ks), at least 1e-7. A
// roughness of 0 (or a weight that is not finite) gives every face the
// weight 1e-7, that is a uniform profile.
double logInflowWeight(double z, double zb, double ks);

// The logarithmic profile (F 202) over the faces of group G that together
// carry Q: flux[e] is the water through face e of the list. The lowest bed of
// the section starts the walk; with F 202 2 each bottom cell met sets the
// bed of its column. The list is walked from its last face to its first,
// twice, the second walk going on with the bed the first left.
void logInflowFluxes(const DischargeGroup& G, double Q, std::vector<double>& flux);

// The water through each face of an inflow group as the pressure step brings
// it in: the logarithmic profile with F 202, else spread by face area.
void inflowFaceFluxes(const DischargeGroup& G, double Q, std::vector<double>& flux);
