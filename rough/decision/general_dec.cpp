#include "rough/decision/general_dec.h"

#include <algorithm>
#include <new>
#include <unordered_map>
#include <utility>

#include "core/error.h"
#include "core/report.h"
#include "core/table.h"
#include "core/int_hash.h"

namespace {

[[noreturn]] void NotInitialized(const char* text) {
    LogMessage(text);
    throw CalcError(5);
}

// Frees the storage too, not only the elements: a replaced result must not keep its memory.
template <class T>
void Release(std::vector<T>& v) {
    std::vector<T>().swap(v);
}

// Numbers the objects 0 .. count - 1 into groups of equal keys, in the order of each group's
// first object: hash(o) hashes object o's key, equal(a, b) compares two objects' keys. Returns
// the group of every object; `groups` receives the number of groups.
template <class Hash, class Equal>
std::vector<int> GroupInFirstOrder(int count, Hash hash, Equal equal, int& groups) {
    std::vector<int> groupOf(static_cast<size_t>(count));
    std::unordered_map<int, int, Hash, Equal> first(static_cast<size_t>(count), hash, equal);
    groups = 0;
    for (int o = 0; o < count; ++o) {
        CheckBreak();
        auto [at, inserted] = first.emplace(o, groups);
        if (inserted) ++groups;
        groupOf[static_cast<size_t>(o)] = at->second;
    }
    return groupOf;
}

}  // namespace

// Objects that agree on every condition attribute share one generalized decision, so the
// objects are grouped by their condition values and every group's ascending, repeat-free list
// of decisions is given to each of its objects. That is the same result as comparing every
// pair of objects, in time near-linear in the table.
void TGeneralDec::CalcGenDec(TTable* table) {
    LogMessage("Calculating generalized decision");
    Release(genDec);
    Release(origDec);
    NoObj = 0;

    const int noObj = table->GetNoObj();
    const int noAttr = table->GetNoAttr();
    try {
        std::vector<int> saved(static_cast<size_t>(noObj));
        for (int o = 0; o < noObj; ++o) saved[static_cast<size_t>(o)] = table->GetTable(o, noAttr - 1);

        const int conditions = noAttr > 0 ? noAttr - 1 : 0;
        auto hashRow = [table, conditions](int o) {
            const int* row = table->Row(o);
            return HashInts(row, row + conditions);
        };
        auto sameRow = [table, conditions](int a, int b) {
            const int* rowA = table->Row(a);
            return std::equal(rowA, rowA + conditions, table->Row(b));
        };
        int groups = 0;
        std::vector<int> groupOf = GroupInFirstOrder(noObj, hashRow, sameRow, groups);

        std::vector<std::vector<int>> decisions(static_cast<size_t>(groups));
        for (int o = 0; o < noObj; ++o) {
            decisions[static_cast<size_t>(groupOf[static_cast<size_t>(o)])].push_back(saved[static_cast<size_t>(o)]);
        }
        for (auto& list : decisions) {
            std::sort(list.begin(), list.end());
            list.erase(std::unique(list.begin(), list.end()), list.end());
        }

        std::vector<TIntSack> sacks;
        sacks.reserve(static_cast<size_t>(noObj));
        int logged = 0;
        for (int i = 0; i < noObj; ++i) {
            CheckBreak();
            TIntSack& sack = sacks.emplace_back(3);
            for (int v : decisions[static_cast<size_t>(groupOf[static_cast<size_t>(i)])]) sack.AddElem(v);
            int percent = static_cast<int>((static_cast<long long>(i) + 1) * 100 / noObj);
            if (percent > logged) {
                LogFormat("%i%%", percent);
                logged = percent;
            }
        }
        genDec.swap(sacks);
        origDec.swap(saved);
        NoObj = noObj;
    } catch (const std::bad_alloc&) {
        throw CalcError(2);
    }
    LogMessage("100%");
}

// A class is the set of objects with equal generalized decisions (not equal condition values:
// objects that differ on the conditions may still share one); classes are numbered in the
// order of their first object.
void TGeneralDec::CreateGenDec(TTable* table) {
    if (NoObj == 0 || NoObj != table->GetNoObj()) {
        NotInitialized("Bad argument or generalized decision not initialized - TGeneralDec::CreateGenDec()");
    }
    Release(classes);
    try {
        auto hashDec = [this](int o) {
            const TIntSack& sack = genDec[static_cast<size_t>(o)];
            return HashInts(sack.begin(), sack.end());
        };
        auto sameDec = [this](int a, int b) { return SameGenDec(a, b) == 1; };
        int found = 0;
        std::vector<int> numbered = GroupInFirstOrder(NoObj, hashDec, sameDec, found);
        classes.swap(numbered);
        NoClasses = found;
    } catch (const std::bad_alloc&) {
        throw CalcError(2);
    }
}

// Classes numbered for an earlier table of another size do not count as numbered: writing
// them would read past their end.
void TGeneralDec::ModifyGenDec(TTable* table) {
    if (NoObj == 0 || NoObj != table->GetNoObj() || classes.size() != static_cast<size_t>(NoObj)) {
        NotInitialized("Bad argument or generalized decision not initialized - TGeneralDec::ModifyGenDec()");
    }
    const int dec = table->GetNoAttr() - 1;
    for (int o = 0; o < NoObj; ++o) table->SetTable(o, dec, classes[static_cast<size_t>(o)]);
}

void TGeneralDec::ReconstructOrigDec(TTable* table) {
    if (NoObj == 0 || NoObj != table->GetNoObj() || origDec.empty()) {
        NotInitialized("Bad argument or generalized decision not initialized - TGeneralDec::ReconstructOrigDec");
    }
    const int dec = table->GetNoAttr() - 1;
    for (int o = 0; o < NoObj; ++o) table->SetTable(o, dec, origDec[static_cast<size_t>(o)]);
}

double TGeneralDec::CalcPositiveRegion() {
    if (NoObj == 0) NotInitialized("Generalized decision not initialized - TGeneralDec::CalcPositiveRegion");
    int certain = 0;
    for (int o = 0; o < NoObj; ++o) {
        CheckBreak();
        if (genDec[static_cast<size_t>(o)].GetNoElem() == 1) ++certain;
    }
    return static_cast<double>(certain) / NoObj;
}

int TGeneralDec::SameGenDec(int i, int j) {
    const TIntSack& a = genDec[static_cast<size_t>(i)];
    const TIntSack& b = genDec[static_cast<size_t>(j)];
    if (a.GetNoElem() != b.GetNoElem()) return 0;
    return std::equal(a.begin(), a.end(), b.begin()) ? 1 : 0;
}

ModifiedDecisionScope::ModifiedDecisionScope(TGeneralDec& d, TTable* t) : dec(d), table(t) {
    dec.ModifyGenDec(table);
}

// A failure here could only come from a generalized decision recomputed inside the scope for
// another table; a destructor cannot report it, and the restore that Restore() would have
// reported is what is being skipped.
ModifiedDecisionScope::~ModifiedDecisionScope() {
    if (!modified) return;
    try {
        dec.ReconstructOrigDec(table);
    } catch (const Error&) {
    }
}

void ModifiedDecisionScope::Restore() {
    if (!modified) return;
    modified = false;
    dec.ReconstructOrigDec(table);
}
