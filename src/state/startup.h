// The initial flow state.
#pragma once

void startup();
