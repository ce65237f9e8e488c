#pragma once

#include <memory>
#include <set>
#include <vector>

class TRulMemory;

// Many rule sets, few of them in memory: each set handed over is written at once to the file
// "RUL<slot>" in the working folder (with object lists) and read back when asked for. At most
// the maximum number of sets is loaded; to load another, the loaded set fetched least often
// (the lowest slot among equals) is dropped. Use counts only grow, so a set fetched often
// stays. The files stay on disk; a later cache adding a slot of the same number overwrites
// its file.
class TRulCache {
public:
    // A maximum below 2 means 2.
    explicit TRulCache(int maxLoaded);
    ~TRulCache();
    TRulCache(const TRulCache&) = delete;
    TRulCache& operator=(const TRulCache&) = delete;

    // The set is written to the new slot's file (the caller keeps it); the slot's number.
    int AddRulMemory(const TRulMemory& m);
    // The set of slot i, loaded when it is not; the cache keeps it, and it lives until a
    // later fetch drops it. A set whose file cannot be read stays, empty, in its slot and
    // counts as loaded. A slot outside 0..count-1: CalcError 5 after a LOG line.
    TRulMemory* GetRulMemory(int i);
    // The arrays grow by the step.
    void Grow();

    int GetCount() const { return count; }
    int GetCapacity() const { return capacity; }
    int GetNoLoaded() const { return loaded; }
    int GetMaxLoaded() const { return maxLoaded; }
    bool IsLoaded(int i) const;
    int GetUses(int i) const;

private:
    int step = 50;
    int capacity = 50;
    int count = 0;
    std::vector<std::unique_ptr<TRulMemory>> sets;
    std::vector<int> uses;
    int loaded = 0;
    int maxLoaded;
    // The slots whose set is loaded, ascending: the choice of the set to drop looks at these
    // alone, so a fetch costs nothing for the slots that are only on file.
    std::set<int> loadedSlots;
};
