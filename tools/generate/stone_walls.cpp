// The rooms' own walls: plaster, dressed stone, rubble and the ruins' weathered blocks.
#include "materials.h"

Surface makePlaster(int size) {
    return makeWall(size);
}

Surface makeDressedStone(int size) {
    return makeWall(size);
}

Surface makeRubble(int size) {
    return makeWall(size);
}

Surface makeRuinStone(int size) {
    return makeWall(size);
}
