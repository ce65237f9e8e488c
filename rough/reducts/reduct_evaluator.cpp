#include "rough/reducts/reduct_evaluator.h"

#include <algorithm>
#include <bit>
#include <new>
#include <numeric>
#include <string>
#include <utility>

#include "core/report.h"
#include "core/table.h"
#include "rough/genetic/ga_engine.h"
#include "rough/reducts/genetic_reducts.h"
#include "core/insertion_tree.h"

using genetic_subsets::Subset;

namespace {

// Ids of object classes: unique within the process, never reset.
int g_classIdCounter = 0;

// The attributes of a subset in ascending order, below `limit`, into `out` (whose capacity
// the caller may have reserved).
void AttributesOf(const Subset& s, int limit, std::vector<int>& out) {
    out.clear();
    const uint32_t* words = s.GetWords();
    for (int w = 0; w < s.GetWordCount(); ++w) {
        for (uint32_t bits = words[w]; bits != 0; bits &= bits - 1) {
            const int a = w * 32 + std::countr_zero(bits);
            if (a >= limit) return;
            out.push_back(a);
        }
    }
}

// -1, 0 or 1 as row a is smaller than, equal to or greater than row b on the attributes.
int CompareOn(const std::vector<int>& attrs, const int* a, const int* b) {
    for (int at : attrs)
        if (a[at] != b[at]) return a[at] < b[at] ? -1 : 1;
    return 0;
}

bool SameOn(const std::vector<int>& attrs, const int* a, const int* b) {
    for (int at : attrs)
        if (a[at] != b[at]) return false;
    return true;
}

template <class F>
decltype(auto) OrMemError(F&& f) {
    try {
        return std::forward<F>(f)();
    } catch (const std::bad_alloc&) {
        throw MemError();
    } catch (const std::length_error&) {
        throw MemError();
    }
}

}  // namespace

int CompareRows(const TTable& t1, const TTable& t2, int o1, int o2, const Subset& subset) {
    const int* a = t1.Row(o1);
    const int* b = t2.Row(o2);
    const int limit = t1.GetNoAttr();
    const uint32_t* words = subset.GetWords();
    for (int w = 0; w < subset.GetWordCount(); ++w) {
        for (uint32_t bits = words[w]; bits != 0; bits &= bits - 1) {
            const int at = w * 32 + std::countr_zero(bits);
            if (at >= limit) return 0;
            if (a[at] != b[at]) return a[at] < b[at] ? 1 : 2;
        }
    }
    return 0;
}

int CountRowDifferences(const TTable& t1, const TTable& t2, int o1, int o2, const Subset& subset) {
    std::vector<int> attrs;
    AttributesOf(subset, t1.GetNoAttr(), attrs);
    const int* a = t1.Row(o1);
    const int* b = t2.Row(o2);
    int differ = 0;
    for (int at : attrs)
        if (a[at] != b[at]) ++differ;
    return differ;
}

// ---------------------------------------------------------------------------- TObjClassTree

TObjClassTree::TObjClassTree(const TTable& table, const Subset& dSide, const Subset& kSide, int mode)
    : d(mode == 0 ? kSide : dSide), k(kSide) {
    if (mode >= 2) return;
    OrMemError([&] { Number(table); });
}

// Objects are grouped by their rows on K in a search tree, each group collects its distinct
// rows on D in descending order, and the groups' lists, taken in the tree's pre-order, are
// interned in a second search tree whose pre-order numbers them. Both trees are built from
// sorts (the same trees; see insertion_tree.h).
void TObjClassTree::Number(const TTable& table) {
    const int n = table.GetNoObj();
    if (n == 0) {
        oneClass = 1;
        return;
    }
    std::vector<int> kAttrs;
    std::vector<int> dAttrs;
    AttributesOf(k, table.GetNoAttr(), kAttrs);
    AttributesOf(d, table.GetNoAttr(), dAttrs);

    const InsertionTree classes = BuildInsertionTree(
        n, [&](int a, int b) { return CompareOn(kAttrs, table.Row(a), table.Row(b)); });
    const int noClasses = static_cast<int>(classes.preOrder.size());

    // Members of each class (by pre-order position), ascending.
    std::vector<int> start(static_cast<size_t>(noClasses) + 1, 0);
    for (int o = 0; o < n; ++o) ++start[static_cast<size_t>(classes.node[static_cast<size_t>(o)]) + 1];
    std::partial_sum(start.begin(), start.end(), start.begin());
    std::vector<int> members(static_cast<size_t>(n));
    {
        std::vector<int> fill(start.begin(), start.end() - 1);
        for (int o = 0; o < n; ++o) members[static_cast<size_t>(fill[static_cast<size_t>(classes.node[static_cast<size_t>(o)])]++)] = o;
    }

    // Each class's list: one object per distinct row on D (the first of them), D descending.
    std::vector<int> listStart(static_cast<size_t>(noClasses) + 1, 0);
    std::vector<int> lists;
    lists.reserve(static_cast<size_t>(n));
    for (int c = 0; c < noClasses; ++c) {
        auto first = members.begin() + start[static_cast<size_t>(c)];
        auto last = members.begin() + start[static_cast<size_t>(c) + 1];
        std::stable_sort(first, last, [&](int a, int b) {
            return CompareOn(dAttrs, table.Row(a), table.Row(b)) > 0;
        });
        for (auto it = first; it != last; ++it) {
            if (it != first && SameOn(dAttrs, table.Row(*(it - 1)), table.Row(*it))) continue;
            lists.push_back(*it);
        }
        listStart[static_cast<size_t>(c) + 1] = static_cast<int>(lists.size());
    }

    // Lists compare element by element; a list that begins the other is the smaller.
    const InsertionTree interned = BuildInsertionTree(noClasses, [&](int x, int y) {
        const int lx = listStart[static_cast<size_t>(x) + 1] - listStart[static_cast<size_t>(x)];
        const int ly = listStart[static_cast<size_t>(y) + 1] - listStart[static_cast<size_t>(y)];
        for (int i = 0; i < std::min(lx, ly); ++i) {
            const int c = CompareOn(dAttrs, table.Row(lists[static_cast<size_t>(listStart[static_cast<size_t>(x)] + i)]),
                                    table.Row(lists[static_cast<size_t>(listStart[static_cast<size_t>(y)] + i)]));
            if (c != 0) return c;
        }
        return lx == ly ? 0 : (lx < ly ? -1 : 1);
    });

    const int base = g_classIdCounter;
    g_classIdCounter += static_cast<int>(interned.preOrder.size());
    ids.resize(static_cast<size_t>(n));
    for (int o = 0; o < n; ++o) {
        const int c = classes.node[static_cast<size_t>(o)];
        ids[static_cast<size_t>(o)] = base + interned.node[static_cast<size_t>(c)];
    }
    oneClass = interned.preOrder.size() == 1 ? 1 : 0;
}

// ---------------------------------------------------------------------------- ReductEvaluator

ReductEvaluator::ReductEvaluator(const TTable* t, const Subset& target, const Subset& conds, int flag)
    : ReductFitness(t),
      conditions(conds),
      noObj(t->GetNoObj()),
      dependency(target.Count() == 0 && flag != 0 ? 1 : 0) {
    OrMemError([&] {
        AttributesOf(conditions, table->GetNoAttr(), conditionAttrs);
        order.resize(static_cast<size_t>(noObj));
        std::iota(order.begin(), order.end(), 0);
        testAttrs.reserve(static_cast<size_t>(table->GetNoAttr()));
        dependentAttrs.reserve(static_cast<size_t>(table->GetNoAttr()));
        projections.Reserve(noObj);
        classTree = std::make_unique<TObjClassTree>(*table, target, conditions, dependency ? 2 : flag);
    });
    if (classTree->IsOneClass()) store.Insert(Subset(table->GetNoAttr()), 1.0);
}

ReductEvaluator::~ReductEvaluator() {
    population.reset();
    order.clear();
    classTree.reset();
}

int ReductEvaluator::IsValid(const Subset& subset) {
    if (conditionAttrs.empty()) return 0;
    if (classTree->IsOneClass()) return 1;
    if (subset <= conditions) return Evaluate(subset);
    Subset restricted(subset);
    for (int a = 0; a < restricted.GetSize(); ++a)
        if (restricted.IsSet(a) && (a >= conditions.GetSize() || !conditions.IsSet(a))) restricted.Reset(a);
    return Evaluate(restricted);
}

int ReductEvaluator::Test(const Subset& subset) {
    AttributesOf(subset, table->GetNoAttr(), testAttrs);
    if (dependency) {
        Subset rest(conditions);
        for (int a : testAttrs)
            if (a < rest.GetSize()) rest.Reset(a);
        classTree->SetD(rest);
        AttributesOf(rest, table->GetNoAttr(), dependentAttrs);
        if (dependentAttrs.empty()) return 1;
    }
    return object >= 0 ? TestLocal() : TestGlobal();
}

// Objects of equal ids never need discerning; with the dependency flag, objects equal on
// the condition attributes outside the subset do not either.
bool ReductEvaluator::Conflict(int a, int b) const {
    if (dependency) return !SameOn(dependentAttrs, table->Row(a), table->Row(b));
    return classTree->GetId(a) != classTree->GetId(b);
}

int ReductEvaluator::TestLocal() {
    const int* row = table->Row(object);
    if (dependency) {
        for (int p = 0; p < noObj; ++p) {
            const int o = order[static_cast<size_t>(p)];
            if (Conflict(object, o) && SameOn(testAttrs, row, table->Row(o))) return FailAt(p);
        }
        return 1;
    }
    // The hot loop of local reducts: ids first, they rule out most objects.
    const std::vector<int>& ids = classTree->GetIds();
    const int id = ids[static_cast<size_t>(object)];
    for (int p = 0; p < noObj; ++p) {
        const int o = order[static_cast<size_t>(p)];
        if (ids[static_cast<size_t>(o)] != id && SameOn(testAttrs, row, table->Row(o))) return FailAt(p);
    }
    return 1;
}

// A row meets only the first earlier row equal to it on the subset; all earlier rows of that
// group agree with the first (or a conflict would have ended the test), so the first
// conflict found is the one an insertion into the projection tree finds.
int ReductEvaluator::TestGlobal() {
    if (noObj == 0) return 1;
    projections.Start(testAttrs);
    bool founded = false;
    projections.Insert(table->Row(order[0]), order[0], founded);
    for (int p = 1; p < noObj; ++p) {
        const int o = order[static_cast<size_t>(p)];
        const int g = projections.Insert(table->Row(o), o, founded);
        if (!founded && Conflict(projections.Object(g), o)) return FailAt(p);
    }
    return projections.Size();
}

int ReductEvaluator::FailAt(int p) {
    if (p > moveToFront) {
        std::swap(order[static_cast<size_t>(p)], order[static_cast<size_t>(moveToFront)]);
        NoteMoved(p);
        if (++moveToFront > noObj / 2) moveToFront = 0;
    }
    return 0;
}

// A swap of place p with the front place. Once as many places are noted as there are
// objects, a full reset costs no more than the swaps already made, so noting stops there.
void ReductEvaluator::NoteMoved(int p) {
    if (movedAll) return;
    if (moved.size() + 2 > order.size()) {
        movedAll = true;
        moved.clear();
        return;
    }
    OrMemError([&] {
        moved.push_back(p);
        moved.push_back(moveToFront);
    });
}

void ReductEvaluator::SetObject(int o) {
    object = o;
    population.reset();
    // Only the swapped places left the identity, so the local search of every object in turn
    // stays linear in the object count.
    if (movedAll) {
        std::iota(order.begin(), order.end(), 0);
    } else {
        for (int p : moved) order[static_cast<size_t>(p)] = p;
    }
    moved.clear();
    movedAll = false;
    store.Clear();
    failures.Clear();
}

void ReductEvaluator::NextGeneration(int populationSize) {
    if (conditionAttrs.empty() || classTree->IsOneClass()) return;
    if (!population) {
        population = OrMemError([] { return std::make_unique<GA_population>(); });
        try {
            population->SetParams(0.3, 0.4, 0.02, 0, 0, 0);
            population->Init(NewIndividual<GA_reduct>(static_cast<int>(conditionAttrs.size()), this),
                             populationSize, 2);
        } catch (...) {
            // The next call starts again rather than breeding an engine without members.
            population.reset();
            throw;
        }
    }
    population->Generation();
}

void ReductEvaluator::ClassifyTable(const TTable& test, int r, int* right, int* wrong) const {
    *right = 0;
    *wrong = 0;
    if (store.GetCount() < r) {
        r = store.GetCount();
        WriteStdoutLine("Warning: rule set reduced to " + std::to_string(r) + " reducts.");
    }
    const int noAttr = table->GetNoAttr();
    if (noAttr == 0 || test.GetNoAttr() != noAttr) return;
    const int decision = noAttr - 1;
    const int noTest = test.GetNoObj();

    OrMemError([&] {
        std::vector<int> bestCount(static_cast<size_t>(noTest), 0);
        std::vector<int> bestObject(static_cast<size_t>(noTest), -1);
        RowProjectionIndex groups;
        groups.Reserve(noObj);
        std::vector<int> attrs;
        for (int i = 0; i < r; ++i) {
            const Subset* reduct = store.Item(i);
            if (reduct == nullptr) continue;
            AttributesOf(*reduct, noAttr, attrs);
            groups.Start(attrs);
            bool founded = false;
            for (int o = 0; o < noObj; ++o) groups.Insert(table->Row(o), o, founded);
            for (int t = 0; t < noTest; ++t) {
                const int g = groups.Find(test.Row(t));
                if (g >= 0 && groups.Count(g) > bestCount[static_cast<size_t>(t)]) {
                    bestCount[static_cast<size_t>(t)] = groups.Count(g);
                    bestObject[static_cast<size_t>(t)] = groups.Object(g);
                }
            }
        }
        for (int t = 0; t < noTest; ++t) {
            const int o = bestObject[static_cast<size_t>(t)];
            if (o < 0) continue;
            if (table->Value(o, decision) == test.Value(t, decision))
                ++*right;
            else
                ++*wrong;
        }
    });
}

// ---------------------------------------------------------------------------- the evaluators

namespace {

Subset AllAttributes(const TTable* table) {
    Subset s(table->GetNoAttr());
    s.SetAll();
    return s;
}

Subset LastAttribute(const TTable* table) {
    Subset s(table->GetNoAttr());
    if (table->GetNoAttr() > 0) s.Set(table->GetNoAttr() - 1);
    return s;
}

Subset AllButLast(const TTable* table) {
    Subset s = AllAttributes(table);
    if (table->GetNoAttr() > 0) s.Reset(table->GetNoAttr() - 1);
    return s;
}

}  // namespace

DecReductEvaluator::DecReductEvaluator(const TTable* table)
    : ReductEvaluator(table, LastAttribute(table), AllButLast(table), 1) {}

PlainReductEvaluator::PlainReductEvaluator(const TTable* table)
    : ReductEvaluator(table, Subset(table->GetNoAttr()), AllAttributes(table), 0) {}

DependencyReductEvaluator::DependencyReductEvaluator(const TTable* table)
    : ReductEvaluator(table, Subset(table->GetNoAttr()), AllAttributes(table), 1) {}

DependencyReductEvaluator::DependencyReductEvaluator(const TTable* table, const Subset& conditions)
    : ReductEvaluator(table, Subset(table->GetNoAttr()), conditions, 1) {}
