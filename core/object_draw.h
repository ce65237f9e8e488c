#pragma once

#include <vector>

// Marks `count` distinct objects among `noObj` (0 <= count <= noObj), drawn at random: object
// numbers are drawn until `count` different ones have come up, a repeat being drawn again.
// Up to 32,768 objects each number is RandomInt(noObj); beyond, where RandomInt would leave
// most objects unreachable and a large part could never fill, it is the wide draw.
std::vector<bool> DrawDistinctObjects(int noObj, int count);
