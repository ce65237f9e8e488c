#include "discretization/templates/templ_search.h"

#include <memory>
#include <sstream>
#include <string>

#include "core/alloc_guard.h"
#include "core/int_tree.h"
#include "core/pair_sack.h"
#include "core/random.h"
#include "core/report.h"
#include "core/table.h"

namespace {

// A coin of probability p, as every coin of the search is drawn.
bool Coin(double p) { return RandomInt(100) / 100.0 < p; }

// The covered share as the default stream format writes a double.
std::string ShareText(int coveredObjects, int objects) {
    std::ostringstream out;
    out << static_cast<double>(coveredObjects) / objects;
    return out.str();
}

}  // namespace

// ---- TTemplGA

void TTemplGA::InitPopulation(const TTable& table, const std::vector<int>& covered, int seedObject, int bound) {
    int support = 0;
    auto full = OrOutOfMemory([] { return std::make_unique<TGenTempl>(); });
    for (int a = 0; a < table.GetNoAttr() - 1; ++a) full->AddDescriptor(a, table.GetTable(seedObject, a));
    full->CalcFitness(table, covered, support, bound);
    population.Add(std::move(full));

    auto climbed = OrOutOfMemory([] { return std::make_unique<TGenTempl>(); });
    climbed->InitFromObject(table, covered, seedObject, bound);
    if (climbed->GetNoDesc() > 0) {
        climbed->CalcFitness(table, covered, support, bound);
        population.Add(std::move(climbed));
    }
}

// Per template: the mutation coin, the descriptor, then (unless the template is down to one
// descriptor of one value, which ends the generation's mutation) the coin between removal and
// adding a frequent pair, whose probability 1.0 always chooses removal, and the value.
void TTemplGA::Mutate(const TTable& table, const std::vector<int>& covered, const TInt2Sack& /*frequentPairs*/,
                      int bound) {
    const int n = population.GetNoElem();
    for (int t = 0; t < n; ++t) {
        const TGenTempl& parent = population.GetElem(t);
        if (!Coin(probabilities[0])) continue;
        if (parent.GetNoDesc() == 0) continue;  // nothing left to remove
        const int d = RandomInt(parent.GetNoDesc());
        if (parent.GetNoDesc() == 1 && parent.GetNoValues(0) == 1) break;
        Coin(1.0);
        const int k = RandomInt(parent.GetNoValues(d));
        auto child = OrOutOfMemory([] { return std::make_unique<TGenTempl>(); });
        child->CopyWithoutPair(parent, parent.GetAttr(d), parent.GetValue(d, k));
        int support = 0;
        child->CalcFitness(table, covered, support, bound);
        population.Add(std::move(child));
    }
}

void TTemplGA::Select() {
    if (population.GetNoElem() > 2 * elite) population.KeepFittest(elite);
}

void TTemplGA::Run(const TTable& table, const std::vector<int>& covered, int seedObject,
                   const TInt2Sack& frequentPairs, TGenTempl& result, int bound) {
    population.Clear();
    InitPopulation(table, covered, seedObject, bound);
    for (int g = 0; g < generations; ++g) {
        Mutate(table, covered, frequentPairs, bound);
        Select();
    }
    result = population.GetTheBestTempl();
}

// ---- the covering search

int FrequencyThreshold(const TInt2Tree& pairs) {
    int threshold = 1;
    while (pairs.GetNoFrequent(threshold) >= 100) ++threshold;
    const int reaching = pairs.GetNoFrequent(threshold);
    WriteStdoutLine("MinTune=" + std::to_string(threshold));
    WriteStdoutLine("Support from MinTune=" + std::to_string(reaching));
    return reaching < 10 ? threshold - 1 : threshold;
}

void SearchTemplates(TGenTemplFamily& family, const TTable& table) {
    family.Clear();
    const int objects = table.GetNoObj();
    const int conditions = table.GetNoAttr() - 1;
    std::vector<int> covered = OrOutOfMemory([&] { return std::vector<int>(static_cast<size_t>(objects), 0); });
    int coveredObjects = 0;
    WriteStdoutLine("Licze wzorce...");

    while (conditions > 0 && coveredObjects < objects && static_cast<double>(coveredObjects) / objects < 0.9) {
        std::unique_ptr<TInt2Tree> pairs;
        for (int o = 0; o < objects; ++o) {
            if (covered[static_cast<size_t>(o)] != 0) continue;
            for (int a = 0; a < conditions; ++a) {
                if (pairs == nullptr)
                    pairs = OrOutOfMemory([&] { return std::make_unique<TInt2Tree>(a, table.Value(o, a)); });
                else
                    pairs->Add(a, table.Value(o, a));
            }
        }
        if (pairs == nullptr) break;

        std::vector<long long> weight(static_cast<size_t>(objects), 0);
        for (int o = 0; o < objects; ++o) {
            if (covered[static_cast<size_t>(o)] != 0) continue;
            for (int a = 0; a < conditions; ++a) {
                const int c = pairs->GetCount(a, table.Value(o, a));
                if (c == 0) {
                    WriteStdoutLine("BLAD KRYTYCZNY w SearchTemplates");
                    EndProcess(0);
                }
                weight[static_cast<size_t>(o)] += c;
            }
        }

        TInt2Sack frequentPairs;
        pairs->GetFrequentPairs(frequentPairs, FrequencyThreshold(*pairs));
        pairs.reset();

        int seed = -1;
        for (int o = 0; o < objects; ++o)
            if (covered[static_cast<size_t>(o)] == 0 && (seed < 0 || weight[static_cast<size_t>(o)] > weight[static_cast<size_t>(seed)]))
                seed = o;

        auto templ = OrOutOfMemory([] { return std::make_unique<TGenTempl>(); });
        {
            TTemplGA ga;
            ga.Run(table, covered, seed, frequentPairs, *templ, 1000);
        }
        if (templ->GetNoDesc() == 0) break;

        WriteStdout("WZORZEC: ");
        templ->Print();
        WriteStdoutLine("         SUPPORT=" + std::to_string(templ->CountUncoveredMatches(table, covered)));
        const TGenTempl& added = *templ;
        family.Add(std::move(templ));
        int newlyCovered = 0;
        for (int o = 0; o < objects; ++o) {
            if (covered[static_cast<size_t>(o)] == 0 && added.Matches(table, o)) {
                covered[static_cast<size_t>(o)] = 1;
                ++newlyCovered;
            }
        }
        coveredObjects += newlyCovered;
        WriteStdoutLine("covered=" + ShareText(coveredObjects, objects));
        if (newlyCovered == 0) break;
    }
    WriteStdoutLine("Liczba policzonych wzorcow: " + std::to_string(family.GetNoElem()));
}
