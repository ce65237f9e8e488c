#include "rough/rules/quick_rules.h"

#include <algorithm>
#include <numeric>
#include <utility>

#include "core/random.h"
#include "core/report.h"
#include "core/table.h"
#include "core/alloc_guard.h"
#include "rough/decision/dec_mem.h"
#include "rough/rules/rul_memory.h"

namespace {

int ListLength(const int* list, int limit) {
    int n = 0;
    while (n < limit && list[n] >= 0) ++n;
    return n;
}

// Identity, then each position from the last down to 1 swapped with a drawn one at or
// before it.
void Shuffle(std::vector<int>& order) {
    std::iota(order.begin(), order.end(), 0);
    for (int i = static_cast<int>(order.size()) - 1; i >= 1; --i) {
        std::swap(order[static_cast<size_t>(i)], order[static_cast<size_t>(Rand() % (i + 1))]);
    }
}

}  // namespace

ReductGenerator::ReductGenerator(TTable* table) {
    view = OrOutOfMemory([&] { return std::make_unique<TTableView>(table); });
    view->MakeGenDecisions();
    noObj = view->GetObjCount();
    noAttr = view->GetAttrCount();
    OrOutOfMemory([&] {
        coverCount.assign(static_cast<size_t>(noObj), 0);
        checkFlags.assign(static_cast<size_t>(noObj), 0);
        candidate.assign(static_cast<size_t>(noObj), 0);
    });
    noAtMin = noObj;
}

ReductGenerator::~ReductGenerator() = default;

ReductGenerator::Subset ReductGenerator::SubsetOf(const int* list) const {
    return OrOutOfMemory([&] {
        Subset s(noAttr);
        s.SetList(list);
        return s;
    });
}

// The members of s in the given order of attribute numbers, ended by -1.
std::vector<int> ReductGenerator::ListOf(const Subset& s, const std::vector<int>& order) const {
    return OrOutOfMemory([&] {
        std::vector<int> list;
        for (int a : order) {
            if (a < s.GetSize() && s.IsSet(a)) list.push_back(a);
        }
        list.push_back(-1);
        return list;
    });
}

template <class Visit>
void ReductGenerator::ForEachClass(const int* list, Visit visit) const {
    int start = 0;
    bool consistent = true;
    for (int p = 1; p <= noObj; ++p) {
        if (p < noObj && view->Compare(view->GetObjAt(p - 1), view->GetObjAt(p), list) == 0) {
            if (view->GetCode(view->GetObjAt(p)) != view->GetCode(view->GetObjAt(start))) consistent = false;
            continue;
        }
        if (!visit(start, p, consistent)) return;
        start = p;
        consistent = true;
    }
}

void ReductGenerator::TransmitReduct(int object, const int* list) {
    if (object < 0) {
        WriteStdoutLine("CRITICAL ERROR: NOT IMPLEMENTED YET!");
        WriteStdoutLine(" In: ReductGenerator::TransmitReduct");
        EndProcess(0);
    }
    ++rulesSent;
    if (receiver != nullptr) receiver->AddRule(list, object);
}

void ReductGenerator::TransmitCachedReducts() {
    std::vector<int> all(static_cast<size_t>(noAttr));
    std::iota(all.begin(), all.end(), 0);
    for (int i = 0; i < cache.GetCount(); ++i) {
        const std::vector<int> list = ListOf(*cache.Item(i), all);
        TransmitReduct(-1, list.data());
    }
}

// A cached consistent subset of the list makes the list consistent for every object, and
// the view is then left in whatever order it had.
int ReductGenerator::CheckConsistency(const int* list, int& count) {
    count = 0;
    const Subset s = SubsetOf(list);
    if (cache.GetCost(s) > 0.0) {
        std::fill(checkFlags.begin(), checkFlags.end(), 1);
        count = noAtMin;
        return 1;
    }
    view->SortBy(list);
    std::fill(checkFlags.begin(), checkFlags.end(), 0);
    int consistent = 1;
    int classes = 0;
    ForEachClass(list, [&](int from, int to, bool ok) {
        ++classes;
        if (!ok) {
            consistent = 0;
            return true;
        }
        for (int p = from; p < to; ++p) {
            const int o = view->GetObjAt(p);
            checkFlags[static_cast<size_t>(o)] = 1;
            if (coverCount[static_cast<size_t>(o)] == minCover) ++count;
        }
        return true;
    });
    if (consistent) cache.Insert(s, classes);
    return consistent;
}

int ReductGenerator::CheckConsistency(const Subset& s, int& count) {
    std::vector<int> all(static_cast<size_t>(noAttr));
    std::iota(all.begin(), all.end(), 0);
    const std::vector<int> list = ListOf(s, all);
    return CheckConsistency(list.data(), count);
}

int ReductGenerator::ClassCount(const int* list) {
    const Subset s = SubsetOf(list);
    const double cost = cache.GetCost(s);
    if (cost > 0.0) return static_cast<int>(cost);
    if (failures.Find(s)) return 0;
    view->SortBy(list);
    int classes = 0;
    bool consistent = true;
    ForEachClass(list, [&](int, int, bool ok) {
        consistent = ok;
        if (ok) ++classes;
        return ok;
    });
    if (!consistent) {
        failures.Insert(s);
        return 0;
    }
    cache.Insert(s, classes);
    return classes;
}

void ReductGenerator::CalcMinCover() {
    if (noObj == 0) return;
    minCover = coverCount[0];
    noAtMin = 1;
    for (int o = 1; o < noObj; ++o) {
        const int c = coverCount[static_cast<size_t>(o)];
        if (c == minCover) {
            ++noAtMin;
        } else if (c < minCover) {
            minCover = c;
            noAtMin = 1;
        }
    }
}

// Every consistent one-attribute class gives one rule, from its last object in the view's
// order.
void ReductGenerator::SingleAttributePass() {
    if (singleFlags != nullptr) return;
    singleFlags = OrOutOfMemory([&] { return std::make_unique<char[]>(static_cast<size_t>(noObj)); });
    const Subset& conditions = view->GetSubset();
    for (int a = 0; a < conditions.GetSize(); ++a) {
        if (!conditions.IsSet(a)) continue;
        const int list[2] = {a, -1};
        int count = 0;
        CheckConsistency(list, count);
        for (int p = 0; p < noObj; ++p) {
            const int o = view->GetObjAt(p);
            if (!checkFlags[static_cast<size_t>(o)]) continue;
            singleFlags[static_cast<size_t>(o)] = 1;
            ++coverCount[static_cast<size_t>(o)];
            if (p == noObj - 1 || view->Compare(o, view->GetObjAt(p + 1), list) != 0) TransmitReduct(o, list);
        }
        CalcMinCover();
    }
}

// Only a generator that has learnt nothing yet (count / 3 is 1 for the count 5 used) fills
// its cache and failure set from random permutations.
void ReductGenerator::RandomTrials(int count) {
    if (cache.GetCount() >= count / 3) return;
    std::vector<int> permutation = OrOutOfMemory([&] { return std::vector<int>(static_cast<size_t>(noAttr)); });
    for (int t = 0; t < count; ++t) {
        Shuffle(permutation);
        ShortenPermutation(permutation.data());
    }
}

// Attributes are dropped from the end of the list; one whose absence makes the list
// inconsistent moves to the front part, which is never tested again.
void ReductGenerator::ShortenPermutation(const int* permutation) {
    const Subset& conditions = view->GetSubset();
    std::vector<int> list = OrOutOfMemory([&] {
        std::vector<int> l;
        for (int i = noAttr - 1; i >= 0; --i) {
            const int a = permutation[i];
            if (a >= 0 && a < conditions.GetSize() && conditions.IsSet(a)) l.push_back(a);
        }
        l.push_back(-1);
        return l;
    });
    ClassCount(list.data());
    int lo = -1;
    int hi = static_cast<int>(list.size()) - 2;
    while (lo < hi) {
        const int x = list[static_cast<size_t>(hi)];
        list[static_cast<size_t>(hi)] = -1;
        if (ClassCount(list.data()) == 0) {
            ++lo;
            for (int k = hi; k > lo; --k) list[static_cast<size_t>(k)] = list[static_cast<size_t>(k) - 1];
            list[static_cast<size_t>(lo)] = x;
        } else {
            --hi;
        }
    }
}

// The candidates are the objects the list describes consistently and none of its
// one-shorter sublists does: for them the list is a minimal consistent description. The
// flags start clear, so a candidate of an earlier list that returned early cannot be sent
// under this list, on which its class may be inconsistent.
int ReductGenerator::Shorten(const int* list, int& best) {
    std::fill(candidate.begin(), candidate.end(), 0);
    best = 0;
    int answer = 0;
    int count = 0;
    CheckConsistency(list, count);
    for (int o = 0; o < noObj; ++o) {
        if (checkFlags[static_cast<size_t>(o)]) candidate[static_cast<size_t>(o)] = 1;
    }
    // The rules are sent along the order of this check, which the sublists' sorts replace.
    std::vector<int> order = OrOutOfMemory([&] {
        std::vector<int> v(static_cast<size_t>(noObj));
        for (int p = 0; p < noObj; ++p) v[static_cast<size_t>(p)] = view->GetObjAt(p);
        return v;
    });

    const int length = ListLength(list, noAttr);
    std::vector<int> shorter = OrOutOfMemory([&] { return std::vector<int>(static_cast<size_t>(length)); });
    for (int k = length - 1; k >= 0; --k) {
        std::copy(list, list + k, shorter.begin());
        std::copy(list + k + 1, list + length, shorter.begin() + k);
        shorter[static_cast<size_t>(length) - 1] = -1;
        int c = 0;
        const int consistent = CheckConsistency(shorter.data(), c);
        for (int o = 0; o < noObj; ++o) {
            if (checkFlags[static_cast<size_t>(o)]) candidate[static_cast<size_t>(o)] = 0;
        }
        if (c > best) {
            best = c;
            answer = list[k];
        }
        if (consistent) return answer;
    }

    const Subset s = SubsetOf(list);
    if (!transmitted.Find(s)) {
        for (int p = 0; p < noObj; ++p) {
            const int o = order[static_cast<size_t>(p)];
            if (!candidate[static_cast<size_t>(o)]) continue;
            candidate[static_cast<size_t>(o)] = 0;
            ++coverCount[static_cast<size_t>(o)];
            if (p == noObj - 1 || view->Compare(o, order[static_cast<size_t>(p) + 1], list) != 0) {
                TransmitReduct(o, list);
            }
        }
        transmitted.Insert(s);
    }
    return answer;
}

void ReductGenerator::Generate(double fraction) {
    // Nothing to cover; the cover arrays have no first element to start from.
    if (noObj == 0) return;
    if (!view->HasCodes()) view->MakeGenDecisions();
    SingleAttributePass();
    RandomTrials(5);

    std::vector<int> order = OrOutOfMemory([&] {
        std::vector<int> v(static_cast<size_t>(noAttr));
        std::iota(v.begin(), v.end(), 0);
        return v;
    });
    Subset bestSubset = view->GetSubset();
    bool first = true;
    while (minCover < 1) {
        Subset t = first ? view->GetSubset() : bestSubset;
        if (first) Shuffle(order);
        first = false;
        if (static_cast<double>(noAtMin) <= static_cast<double>(noObj) * fraction) return;

        const long long sentBefore = rulesSent;
        const int minBefore = minCover;
        const int atMinBefore = noAtMin;
        for (int n = t.Count(); n > 1; --n) {
            const std::vector<int> list = ListOf(t, order);
            int bestCount = 0;
            const int r = Shorten(list.data(), bestCount);
            if (bestCount == noAtMin) bestSubset = t;
            CalcMinCover();
            t.Reset(r);
        }
        // A pass that sends no rule and leaves the minimum cover as it was has got nowhere;
        // the generation ends rather than loop on (a table with no condition attribute
        // would never get further).
        if (rulesSent == sentBefore && minCover == minBefore && noAtMin == atMinBefore) return;
    }
}

// The generator is made outside the guarded part: its own failures (a table whose decisions
// leave no room for codes, memory) pass on unchanged.
void TRulMemory::CalculateQuickRules(TTable* t, double fraction) {
    table = t;
    DecisionAttr = t->GetNoAttr() - 1;
    auto generator = OrOutOfMemory([&] { return std::make_unique<ReductGenerator>(t); });
    ShowProgress(30);
    try {
        generator->SetReceiver(this);
        generator->Generate(fraction);
    } catch (...) {
        throw CalcError(1);
    }
    ShowProgress(90);
}
