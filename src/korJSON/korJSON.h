// korJSON: the game's document library — value tree, JSON text reader with
// encoding detection, JSON text writer, BSON reader. Include this header only;
// it depends on the standard library alone.
#pragma once

#include "korJSONStream.h"
#include "korJSONValue.h"
