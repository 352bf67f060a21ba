#pragma once
// The names of the controller's parameters. Entry i belongs to parameter index i, the index
// sent to the controller with a parameter write, and shows in grid row i + 1.

#include "Globvar.h"

#include <array>

extern const std::array<const char*, PARAM_COUNT> param_names;
