#include "core/object_draw.h"

#include <cassert>
#include <cstddef>

#include "core/alloc_guard.h"
#include "core/random.h"

std::vector<bool> DrawDistinctObjects(int noObj, int count) {
    assert(count >= 0 && count <= noObj);
    std::vector<bool> drawn = OrOutOfMemory([&] { return std::vector<bool>(static_cast<std::size_t>(noObj), false); });
    for (int got = 0; got < count;) {
        const auto o = static_cast<std::size_t>(RandomIntWide(noObj));
        if (!drawn[o]) {
            drawn[o] = true;
            ++got;
        }
    }
    return drawn;
}
