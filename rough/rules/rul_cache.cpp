#include "rough/rules/rul_cache.h"

#include <string>

#include "core/alloc_guard.h"
#include "core/error.h"
#include "core/report.h"
#include "rough/rules/rul_memory.h"

namespace {

std::string FileOf(int slot) { return "RUL" + std::to_string(slot); }

}  // namespace

TRulCache::TRulCache(int maxLoaded) : maxLoaded(maxLoaded < 2 ? 2 : maxLoaded) {
    OrOutOfMemory([&] {
        sets.resize(static_cast<size_t>(capacity));
        uses.resize(static_cast<size_t>(capacity));
    });
}

TRulCache::~TRulCache() = default;

void TRulCache::Grow() {
    OrOutOfMemory([&] {
        sets.resize(static_cast<size_t>(capacity + step));
        uses.resize(static_cast<size_t>(capacity + step));
    });
    capacity += step;
}

int TRulCache::AddRulMemory(const TRulMemory& m) {
    if (count + 1 >= capacity) Grow();
    sets[static_cast<size_t>(count)].reset();
    uses[static_cast<size_t>(count)] = 0;
    m.SaveRulesWithObjInfo(FileOf(count).c_str());
    return count++;
}

bool TRulCache::IsLoaded(int i) const {
    return i >= 0 && i < count && sets[static_cast<size_t>(i)] != nullptr;
}

int TRulCache::GetUses(int i) const { return i >= 0 && i < count ? uses[static_cast<size_t>(i)] : 0; }

TRulMemory* TRulCache::GetRulMemory(int i) {
    if (i < 0 || i >= count) {
        LogMessage("Bad element number in TRulCache::GetRulMemory");
        throw CalcError(5);
    }
    std::unique_ptr<TRulMemory>& slot = sets[static_cast<size_t>(i)];
    if (slot == nullptr) {
        if (loaded >= maxLoaded) {
            int victim = -1;
            for (int s : loadedSlots) {
                if (victim < 0 || uses[static_cast<size_t>(s)] < uses[static_cast<size_t>(victim)]) victim = s;
            }
            if (victim < 0) {
                LogMessage("Critical ERROR in TRulCache::GetRulMemory");
                throw CalcError(4);
            }
            sets[static_cast<size_t>(victim)].reset();
            loadedSlots.erase(victim);
            --loaded;
        }
        auto fresh = OrOutOfMemory([] { return std::make_unique<TRulMemory>(); });
        OrOutOfMemory([&] { loadedSlots.insert(i); });
        slot = std::move(fresh);
        ++loaded;
        // A failed load leaves the empty set in the slot, loaded: the next fetch finds it
        // there, and the count of loaded sets still bounds the memory taken.
        slot->LoadRulesWithObjInfo(FileOf(i).c_str());
    }
    ++uses[static_cast<size_t>(i)];
    return slot.get();
}
