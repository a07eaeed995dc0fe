#pragma once

#include "solids.h"

// What stands on the open ground beyond the stairs, at height `groundY`: ruined walls,
// gate posts, broken columns, loose and strewn stones, and the mounds the ground rises in.
void addOutsideFurniture(Solids& solids, float groundY);
