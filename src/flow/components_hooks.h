// The calls the component transport drivers make for every component
// equation, gathered in one table so that tests can look at the equation each
// call receives (and put the entries back afterwards).
#pragma once

struct ComponentDriverCalls {
  void (*compSource)();  // sources, inflows and reactions of the component
  void (*solver)();      // one solver call on the field at Cf
};

extern ComponentDriverCalls componentDriverCalls;
// The entries as the engine has them.
ComponentDriverCalls defaultComponentDriverCalls();
