// The rooms' own floors and the corridor's brick.
#include "materials.h"

Surface makeBrick(int size) {
    return makeCeiling(size);
}

Surface makeCobbles(int size) {
    return makeFloor(size);
}

Surface makeTiles(int size) {
    return makeFloor(size);
}

Surface makeHerringbone(int size) {
    return makeFloor(size);
}

Surface makeSlate(int size) {
    return makeFloor(size);
}

Surface makeWornStep(int size) {
    return makeFloor(size);
}
