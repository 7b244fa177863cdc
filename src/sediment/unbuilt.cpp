// Sediment computations this build does not hold yet: none at present; a
// stage not built stands here as a stub ending through notAvailable.
