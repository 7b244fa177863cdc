// The array families that exist only under an option; null while it is off.
#pragma once

// Concentrations of the previous time step [lnumber+1][MaxCeller] (transient runs)
inline double** Cconc_old;
