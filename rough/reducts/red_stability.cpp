// How stable a reduct is over random samples of a table, the tests of a reduct against a
// table, and the reducts' counting walks over the memory.
#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "core/alloc_guard.h"
#include "core/quick_sort.h"
#include "core/report.h"
#include "core/table.h"
#include "rough/reducts/pos_region.h"
#include "rough/reducts/red_memory.h"

using tree_walk::VisitPreOrder;

// ---- TRed

double TRed::GetStability() const {
    if (total == 0) return 1.0;
    return static_cast<double>(occurrences) / total;
}

// Through GetStability, so that a reduct not yet tested compares as fully stable instead of
// dividing by zero.
int TRed::IsMoreStable(const TRed* other) const { return GetStability() > other->GetStability() ? 1 : 0; }

// Every pair with different decisions is told apart exactly when no class over the reduct
// mixes decisions, that is when the whole table is the positive region.
int TRed::DiscernsAll(const TTable* t) const {
    TPosRegion region(t, 0);
    return region.CountPosRegion(t, attributes->begin(), GetNoAttr(), 0) == t->GetNoObj() ? 1 : 0;
}

int TRed::IsReductByPOS(const TTable* t, TPosRegion* p, int* work, int target) const {
    const int len = GetNoAttr();
    std::copy(attributes->begin(), attributes->end(), work);
    const int c = p->CountPosRegion(t, work, len, 0);
    if (c < target) return 0;
    for (int i = 0; i < len; ++i) {
        int* to = std::copy(attributes->begin(), attributes->begin() + i, work);
        std::copy(attributes->begin() + i + 1, attributes->end(), to);
        if (p->CountPosRegion(t, work, len - 1, 0) >= c) return 0;
    }
    return 1;
}

int TRed::ClassifyObject(const TTable* train, const TTable* test, int o, int def) const {
    int result = def;
    const int* row = test->Row(o);
    const int decision = train->GetNoAttr() - 1;
    for (int j = 0; j < train->GetNoObj(); ++j) {
        const int* other = train->Row(j);
        const bool equal =
            std::all_of(attributes->begin(), attributes->end(), [&](int a) { return other[a] == row[a]; });
        if (!equal) continue;
        if (result == def) result = other[decision];
        if (result != other[decision]) return def;
    }
    return result;
}

std::unique_ptr<TTable> TRed::GetReducedTable(const TTable* t) const {
    auto table = OrOutOfMemory([] { return std::make_unique<TTable>(); });
    const int len = GetNoAttr();
    table->CreateTable(t->GetNoObj(), len + 1);
    for (int o = 0; o < t->GetNoObj(); ++o) {
        int* row = table->Row(o);
        for (int i = 0; i < len; ++i) row[i] = t->Value(o, GetAttr(i));
        row[len] = t->Value(o, t->GetNoAttr() - 1);
    }
    return table;
}

// With the key -stability, "below the pivot" is "more stable than it" (IsMoreStable). The
// partitions run from an explicit list: equal stabilities would recurse as deep as there
// are reducts.
void SortByStability(TRed** reducts, int lo, int hi) {
    PivotFirstQuickSort(
        lo, hi, [reducts](int i) { return -reducts[i]->GetStability(); },
        [reducts](int i, int j) { std::swap(reducts[i], reducts[j]); });
}

// ---- TRedLeaf walks

void TRedLeaf::FoldFoundFlags() {
    VisitPreOrder(this, [](TRedLeaf& node) {
        CheckBreak();
        TRed& r = *node.red;
        if (r.GetFound() == 1) {
            r.IncOccurrences();
            r.ClearFound();
        }
        r.IncTotal();
    });
}

void TRedLeaf::SetCounters(int occurrences, int total) {
    VisitPreOrder(this, [&](TRedLeaf& node) {
        CheckBreak();
        node.red->SetTotal(total);
        node.red->SetOccurrences(occurrences);
        node.red->ClearFound();
    });
}

void TRedLeaf::SetTotal(int total) {
    VisitPreOrder(this, [&](TRedLeaf& node) { node.red->SetTotal(total); });
}

void TRedLeaf::CountDiscerning(const TTable* sub) {
    VisitPreOrder(this, [&](TRedLeaf& node) {
        if (node.red->DiscernsAll(sub)) node.red->IncOccurrences();
        node.red->IncTotal();
    });
}

void TRedLeaf::CountPosRegion(const TTable* sub, TPosRegion* p, int* work, int target) {
    VisitPreOrder(this, [&](TRedLeaf& node) {
        CheckBreak();
        TRed& r = *node.red;
        if (r.GetFound() == 1) {
            r.IncOccurrences();
            r.ClearFound();
        } else if (r.IsReductByPOS(sub, p, work, target)) {
            r.IncOccurrences();
        }
        r.IncTotal();
    });
}

// The best of a node is the best of its left subtree, its own reduct and the best of its
// right subtree, ties going to the left. An empty subtree has no reduct to offer and loses
// to any reduct, so that reducts which all stand at stability 0 still give the first of them
// rather than none. That is the first strict maximum of an in-order walk, which is walked
// here without recursion (the tree may be as deep as it has nodes).
TRed* TRedLeaf::GetBestReduct(double* stability) const {
    TRed* best = nullptr;
    double most = 0.0;
    std::vector<const TRedLeaf*> up;
    const TRedLeaf* node = this;
    while (node != nullptr || !up.empty()) {
        while (node != nullptr) {
            OrOutOfMemory([&] { up.push_back(node); });
            node = node->left;
        }
        node = up.back();
        up.pop_back();
        const double s = node->red->GetStability();
        if (best == nullptr || s > most) {
            most = s;
            best = node->red.get();
        }
        node = node->right;
    }
    *stability = most;
    return best;
}

// ---- TRedMemory

void TRedMemory::FoldFoundFlags() {
    Settle();
    if (root != nullptr) root->FoldFoundFlags();
}

void TRedMemory::SetCounters(int occurrences, int total) {
    Settle();
    if (root != nullptr) root->SetCounters(occurrences, total);
}

void TRedMemory::SetTotal(int total) {
    Settle();
    if (root != nullptr) root->SetTotal(total);
}

void TRedMemory::CountDiscerning(const TTable* sub) {
    Settle();
    if (root != nullptr) root->CountDiscerning(sub);
}

void TRedMemory::CountPosRegion(const TTable* sub, TPosRegion* p, int* work, int target) {
    Settle();
    if (root != nullptr) root->CountPosRegion(sub, p, work, target);
}

TRed* TRedMemory::GetBestReduct(double* stability) const {
    Settle();
    if (root == nullptr) {
        *stability = 0.0;
        return nullptr;
    }
    return root->GetBestReduct(stability);
}

// Subtables of 50% to 95% of the objects, five of each size, in steps of a fifth of the
// range. From 3 to 10 objects that fifth is 0 while there are sizes to sample, with which
// the sizes would never grow: one object is the least step then. Below 3 objects there is
// nothing to sample and the step stays as computed.
void TRedMemory::SampleSubtables(TTable* t) {
    const int n = t->GetNoObj();
    int min = static_cast<int>(0.5 * n);
    const int max = static_cast<int>(0.95 * n);
    int step = (max - min) / 5;
    if (step == 0 && min < max) step = 1;
    WriteStdoutLine("table->NoObj()=" + std::to_string(n));
    WriteStdoutLine("MinimalSize=" + std::to_string(min));
    WriteStdoutLine("MaximalSize=" + std::to_string(max));
    WriteStdoutLine("Krok=" + std::to_string(step));
    TTable sub;
    // Drawn only for the generator's sake: the samples below follow these draws.
    for (int i = 0; i < 10; ++i) t->GetSubTable(min, sub);
    SetCounters(1, 1);
    for (; min < max; min += step) {
        for (int i = 0; i < 5; ++i) {
            t->GetSubTable(min, sub);
            CountDiscerning(&sub);
        }
    }
}

int TRedMemory::JohnsonReduct(TTable* table, TPosRegion* p, int* avail, int* work, int* chosen, long long* score,
                              int count, int threshold) {
    for (int i = 0; i < count; ++i) {
        WriteStdout(".");
        WriteStdoutLine("Licze JohnsonReduct i to jest to");
        int len = 0;
        p->RandomReduct(table, avail, work, score, chosen, &len, threshold);
        WriteStdoutLine("NoAttrInReduct=" + std::to_string(len));
        std::string line;
        auto attrs = OrOutOfMemory([] { return std::make_unique<TIntSack>(); });
        for (int j = 0; j < len; ++j) {
            line += std::to_string(chosen[j]);
            line += ' ';
            OrOutOfMemory([&] { attrs->AddElem(chosen[j]); });
        }
        WriteStdoutLine(line);
        Insert(OrOutOfMemory([&] { return std::make_unique<TRed>(std::move(attrs)); }));
    }
    return count;
}
