#pragma once

// The pseudo-terminal helper lives in support/ now; this name stays only until the operator
// tests include it from there.
#include "support/pty.h"
