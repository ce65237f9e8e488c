#include "experiments/dyn_cuts.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <numeric>
#include <string>
#include <utility>
#include <vector>

#include "core/alloc_guard.h"
#include "core/error.h"
#include "core/report.h"
#include "core/table.h"
#include "discretization/cuts/cuts_set.h"
#include "experiments/lazy_support.h"
#include "rough/reducts/red_memory.h"

namespace {

bool IsCondition(int attribute, const TTable& table) { return attribute >= 0 && attribute <= table.GetNoAttr() - 2; }

// Each object's decision as a dense number 0 .. D - 1 (D returned), so that per-decision
// counts are plain arrays.
int DenseDecisions(const TTable& table, std::vector<int>& ids) {
    const int n = table.GetNoObj();
    const int last = table.GetNoAttr() - 1;
    std::vector<int> distinct(static_cast<size_t>(n));
    for (int o = 0; o < n; ++o) distinct[static_cast<size_t>(o)] = table.Value(o, last);
    std::sort(distinct.begin(), distinct.end());
    distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());
    ids.resize(static_cast<size_t>(n));
    for (int o = 0; o < n; ++o) {
        ids[static_cast<size_t>(o)] = static_cast<int>(
            std::lower_bound(distinct.begin(), distinct.end(), table.Value(o, last)) - distinct.begin());
    }
    return static_cast<int>(distinct.size());
}

// The qualities of the cuts `order[first .. last)` (one attribute, ascending values) in one
// sweep over the column sorted by value. With `below` objects under the cut and `above` over
// it, below_d and above_d of them of decision d, the cut separates
//     below x above - sum_d below_d x above_d
// pairs of different decisions, as TCut::ComputeQuality counts them; a value equal to the cut
// is on neither side. The cuts are compared in double, as there.
void SweepQualities(const TTable& table, int attribute, const std::vector<int>& decisions, int noDec,
                    TCutsSet& cuts, const std::vector<int>& order, size_t first, size_t last) {
    const int n = table.GetNoObj();
    struct Item {
        int value;
        int decision;
    };
    std::vector<Item> column(static_cast<size_t>(n));
    std::vector<std::int64_t> belowD(static_cast<size_t>(noDec), 0);
    std::vector<std::int64_t> aboveD(static_cast<size_t>(noDec), 0);
    for (int o = 0; o < n; ++o) {
        column[static_cast<size_t>(o)] = {table.Value(o, attribute), decisions[static_cast<size_t>(o)]};
        ++aboveD[static_cast<size_t>(decisions[static_cast<size_t>(o)])];
    }
    std::sort(column.begin(), column.end(), [](const Item& a, const Item& b) { return a.value < b.value; });
    size_t under = 0;    // objects with a value below the cut
    size_t notOver = 0;  // objects with a value not above it
    std::int64_t sameAcross = 0;
    for (size_t i = first; i < last; ++i) {
        TCut* cut = cuts.GetCut(order[i]);
        const double value = cut->GetValue();
        while (notOver < column.size() && static_cast<double>(column[notOver].value) <= value) {
            const auto d = static_cast<size_t>(column[notOver++].decision);
            --aboveD[d];
            sameAcross -= belowD[d];
        }
        while (under < column.size() && static_cast<double>(column[under].value) < value) {
            const auto d = static_cast<size_t>(column[under++].decision);
            ++belowD[d];
            sameAcross += aboveD[d];
        }
        const auto below = static_cast<std::int64_t>(under);
        const auto above = static_cast<std::int64_t>(column.size() - notOver);
        cut->SetQuality(below * above - sameAcross);
    }
}

}  // namespace

TDynCuts::TDynCuts(const std::string& dir)
    : allCuts(OrOutOfMemory([] { return std::make_unique<TCutsSet>(); })),
      dynCuts(OrOutOfMemory([] { return std::make_unique<TCutsSet>(); })),
      dataDir(dir) {
    if (!dataDir.empty() && dataDir.back() != '/') dataDir += '/';
}

TDynCuts::~TDynCuts() = default;

void TDynCuts::FindDynamicCuts(const TTable& table, int minCuts) {
    dynCuts->Clear();
    const int conditions = table.GetNoAttr() - 1;
    for (int a = 0; a < conditions; ++a) {
        WriteStdoutLine("ATRYBUT: " + std::to_string(a + 1) + " from " + std::to_string(conditions));
        AllMidpointCuts(table, a);
        ComputeQualities(table);
        allCuts->Save(DataFile("ALL_CUTS.txt").c_str());
        SelectBestCuts(minCuts);
    }
    dynCuts->Save(DataFile("DYN_CUTS.txt").c_str());
    SelectByDynamicReducts(table);
    dynCuts->Save(DataFile("DYN_CUTS_A_DYN_SEL.txt").c_str());
}

// The distinct values come from sorting the column: a counting tree fed the values of a
// sorted column would grow into a list. The sum of two neighbours is taken in 64 bits, the
// missing value 2147483647 being a column value like any other.
void TDynCuts::AllMidpointCuts(const TTable& table, int attribute) {
    if (!IsCondition(attribute, table)) {
        LogMessage("Bad number of attribute in TDynCuts::AllMidpointCuts ", attribute);
        throw CalcError(5);
    }
    std::vector<int> values = OrOutOfMemory([&] { return std::vector<int>(static_cast<size_t>(table.GetNoObj())); });
    for (int o = 0; o < table.GetNoObj(); ++o) values[static_cast<size_t>(o)] = table.Value(o, attribute);
    std::sort(values.begin(), values.end());
    values.erase(std::unique(values.begin(), values.end()), values.end());
    allCuts->Clear();
    for (size_t i = 0; i + 1 < values.size(); ++i) {
        const std::int64_t sum = static_cast<std::int64_t>(values[i]) + values[i + 1];
        const auto value = static_cast<float>(static_cast<double>(sum) / 2.0);
        allCuts->AddCut(OrOutOfMemory([&] { return std::make_unique<TCut>(attribute, value); }));
    }
}

// Counting every cut over the whole table costs a pass per cut; the cuts of one attribute,
// taken by ascending value, are counted in one sweep over its sorted column instead.
void TDynCuts::ComputeQualities(const TTable& table) {
    const int n = allCuts->GetNoCuts();
    int valid = 0;
    while (valid < n && IsCondition(allCuts->GetCut(valid)->GetAttr(), table)) ++valid;
    if (valid > 0) {
        OrOutOfMemory([&] {
            std::vector<int> order(static_cast<size_t>(valid));
            std::iota(order.begin(), order.end(), 0);
            const TCutsSet& cuts = *allCuts;
            std::stable_sort(order.begin(), order.end(), [&](int i, int j) {
                const TCut* a = cuts.GetCut(i);
                const TCut* b = cuts.GetCut(j);
                return a->GetAttr() != b->GetAttr() ? a->GetAttr() < b->GetAttr() : a->GetValue() < b->GetValue();
            });
            std::vector<int> decisions;
            const int noDec = DenseDecisions(table, decisions);
            for (size_t first = 0; first < order.size();) {
                const int attribute = cuts.GetCut(order[first])->GetAttr();
                size_t last = first + 1;
                while (last < order.size() && cuts.GetCut(order[last])->GetAttr() == attribute) ++last;
                SweepQualities(table, attribute, decisions, noDec, *allCuts, order, first, last);
                first = last;
            }
        });
    }
    if (valid < n) allCuts->GetCut(valid)->ComputeQuality(table);  // its LOG line and CalcError 5
}

// The countdown from the greatest quality stops at the first threshold that minCuts cuts
// reach: the minCuts-th greatest quality, taken directly (the greatest when minCuts < 1; 0
// when there are fewer cuts or that quality is not above 0).
void TDynCuts::SelectBestCuts(int minCuts) {
    const int n = allCuts->GetNoCuts();
    std::vector<std::int64_t> qualities = OrOutOfMemory([&] { return std::vector<std::int64_t>(static_cast<size_t>(n)); });
    std::int64_t maxQ = 0;
    for (int i = 0; i < n; ++i) {
        qualities[static_cast<size_t>(i)] = allCuts->GetCut(i)->GetQuality();
        maxQ = std::max(maxQ, qualities[static_cast<size_t>(i)]);
    }
    if (maxQ == 0) return;
    std::int64_t threshold = maxQ;
    if (minCuts > n) {
        threshold = 0;
    } else if (minCuts >= 1) {
        const auto kth = qualities.begin() + (minCuts - 1);
        std::nth_element(qualities.begin(), kth, qualities.end(), std::greater<>());
        threshold = std::max<std::int64_t>(*kth, 0);
    }
    for (int i = 0; i < n; ++i) {
        const TCut* cut = allCuts->GetCut(i);
        if (cut->GetQuality() >= threshold) dynCuts->AddCut(OrOutOfMemory([&] { return std::make_unique<TCut>(*cut); }));
    }
}

// The memory is filled with the genetic reducts of the 0/1 table before the sampling, which
// only rates reducts already stored. A table of fewer than two objects has nothing to
// discern and is not sampled.
void TDynCuts::SelectByDynamicReducts(const TTable& table) {
    const int m = dynCuts->GetNoCuts();
    const int n = table.GetNoObj();
    for (int k = 0; k < m; ++k) {
        if (!IsCondition(dynCuts->GetCut(k)->GetAttr(), table)) {
            LogMessage("Bad number of attribute in TDynCuts::SelectByDynamicReducts ", dynCuts->GetCut(k)->GetAttr());
            throw CalcError(5);
        }
    }
    TTable binary;
    OrOutOfMemory([&] { binary.CreateTable(n, m + 1); });
    const int decision = table.GetNoAttr() - 1;
    for (int o = 0; o < n; ++o) {
        int* row = binary.Row(o);
        for (int k = 0; k < m; ++k) {
            const TCut* cut = dynCuts->GetCut(k);
            row[k] = static_cast<double>(table.Value(o, cut->GetAttr())) >= static_cast<double>(cut->GetValue()) ? 1 : 0;
        }
        row[m] = decision >= 0 ? table.Value(o, decision) : 0;  // a table without columns has none
    }
    WriteStdoutLine("Licze redukty dynamiczne ");
    TRedMemory memory;
    if (m > 0 && n >= 2) {
        memory.CalculateGeneticReducts(&binary, 0, 1, 100, 1);
        memory.SampleSubtables(&binary);
    }
    memory.SaveReducts(DataFile("DYNAMICZNE.tab").c_str());
    WriteStdoutLine("Po reduktach dynamicznych ");
    double stability = 0.0;
    const TRed* best = memory.GetBestReduct(&stability);
    WriteStdoutLine("Wspolczynnik stabilnosci najlepszego reduktu: " + StreamReal(stability));
    if (best == nullptr) return;
    best->Print();
    auto chosen = OrOutOfMemory([] { return std::make_unique<TCutsSet>(); });
    for (int i = 0; i < best->GetNoAttr(); ++i) {
        const TCut* cut = dynCuts->GetCut(best->GetAttr(i));
        chosen->AddCut(OrOutOfMemory([&] { return std::make_unique<TCut>(*cut); }));
    }
    dynCuts = std::move(chosen);
}

void TDynCuts::Discretize(TTable& table) const { dynCuts->Discretize(table); }
