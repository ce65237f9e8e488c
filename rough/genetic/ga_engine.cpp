#include "rough/genetic/ga_engine.h"

#include <algorithm>
#include <utility>

#include "core/middle_pivot_sort.h"

namespace {

const char* const kGeneticMessages[] = {
    "Unknown genetic error",
    "Individual not valid",
    "Memory allocation error",
    "Individual allocation error",
    "Crossing-over failed",
};

std::unique_ptr<GA_individual> CloneOrThrow(const GA_individual& individual) {
    std::unique_ptr<GA_individual> copy = individual.Clone();
    if (!copy) throw GA_errors(3);
    return copy;
}

// Draws k indexes into selected, each with a chance proportional to its (non-negative part of
// the) value. Nothing positive to draw on selects index 0 every time, without drawing.
void Roulette(const std::vector<double>& values, int k, std::vector<int>& selected) {
    const int n = static_cast<int>(values.size());
    std::vector<double> cumulative = MakeGeneticArray<double>(n);
    double total = 0.0;
    for (int i = 0; i < n; ++i) {
        if (values[i] > 0.0) total += values[i];
        cumulative[i] = total;
    }
    if (!(total > 0.0)) {
        std::fill(selected.begin(), selected.begin() + k, 0);
        return;
    }
    for (double& c : cumulative) c /= total;
    for (int s = 0; s < k; ++s) {
        const double u = DrawRouletteValue();
        // cumulative never decreases, so the first c >= u is the lower bound.
        const auto it = std::lower_bound(cumulative.begin(), cumulative.end(), u);
        selected[s] = std::min(static_cast<int>(it - cumulative.begin()), n - 1);
    }
}

// Indexes by ascending value. Equal values end up in whatever order the partitioning gives,
// and that order decides the ranks.
void SortIndexesByValue(std::vector<int>& index, const std::vector<double>& value) {
    MiddlePivotQuickSort(index.data(), 0, static_cast<int>(index.size()) - 1,
                         [&value](int x, int y) { return value[x] < value[y]; });
}

// Rank selection: the member with the r-th lowest value (from 0) weighs r + 1.
void RankSelection(const std::vector<double>& value, std::vector<int>& selected) {
    const int n = static_cast<int>(value.size());
    std::vector<int> order = MakeGeneticArray<int>(n);
    for (int i = 0; i < n; ++i) order[i] = i;
    SortIndexesByValue(order, value);
    std::vector<double> weight = MakeGeneticArray<double>(n);
    for (int r = 0; r < n; ++r) weight[order[r]] = r + 1;
    Roulette(weight, n, selected);
}

// Linear scaling that keeps the average and stretches the best to constant x average.
void ScaleFitness(std::vector<double>& fitness, double constant) {
    double sum = 0.0;
    double max = 0.0;
    for (double f : fitness) {
        sum += f;
        if (f > max) max = f;
    }
    const double avg = sum / static_cast<double>(fitness.size());
    if (!(avg < max)) return;
    const double a = (constant - 1.0) * avg / (max - avg);
    const double b = constant * avg - a * max;
    for (double& f : fitness) f = a * f + b;
}

}  // namespace

const char* GA_errors::GetMessage() const {
    if (code < 0 || code > 4) return kGeneticMessages[0];
    return kGeneticMessages[code];
}

int GA_individual::Compare(const GA_individual&) const { return 0; }

void GA_population::SetParams(double newMutationRate, double newCrossoverProbability,
                              double newReinitialisationProbability, int newEliteCount,
                              int newSelectionKind, int newEvaluateAlways) {
    baseMutationRate = newMutationRate;
    mutationRate = newMutationRate;
    crossoverProbability = newCrossoverProbability;
    reinitialisationProbability = newReinitialisationProbability;
    eliteCount = newEliteCount;
    selectionKind = newSelectionKind;
    evaluateAlways = newEvaluateAlways;
}

void GA_population::Init(std::unique_ptr<GA_individual> prototype, int newPopulationSize,
                         int newBestListSize) {
    // A second Init would leave arrays of the old size under the new sizes.
    if (hasPopulation || !prototype) throw GA_errors(0);
    populationSize = newPopulationSize;
    bestListSize = newBestListSize;
    stagnationLimit = 0;
    sinceImprovement = 0;
    scalingConstant = 2.0;

    auto members = MakeGeneticArray<std::unique_ptr<GA_individual>>(populationSize);
    for (auto& member : members) {
        member = CloneOrThrow(*prototype);
        member->Randomize();
    }
    population = std::move(members);
    hasPopulation = true;

    best = MakeGeneticArray<std::unique_ptr<GA_individual>>(bestListSize);
    bestThreshold = -1.0;
}

const GA_individual* GA_population::GetBest(int i) const {
    if (i < 0 || i >= static_cast<int>(best.size())) return nullptr;
    return best[i].get();
}

void GA_population::Generation() {
    if (!hasPopulation) throw GA_errors(0);
    // With one member the partner draw below could never find another one.
    if (populationSize == 1 && crossoverProbability > 0.0) throw GA_errors(0);

    for (int i = 0; i < populationSize; ++i) {
        if (DrawProbability() < crossoverProbability) {
            int j;
            do {
                j = DrawIndex(populationSize);
            } while (j == i);
            population[i]->Crossover(*population[j]);
        }
        if (DrawProbability() < reinitialisationProbability) population[i]->Randomize();
    }

    if (stagnationLimit > 0 && sinceImprovement > stagnationLimit && mutationRate < 100.0)
        mutationRate *= 1.1;

    // Below one mutation per generation the rate works as a probability of one.
    double mutations = populationSize * mutationRate;
    if (mutations < 1.0) mutations = DrawProbability() < mutations ? 1.0 : 0.0;
    for (long long k = 0; k < mutations; ++k) population[DrawIndex(populationSize)]->Mutate();

    ++sinceImprovement;

    std::vector<int> selected = MakeGeneticArray<int>(populationSize);
    std::vector<double> fitness = MakeGeneticArray<double>(populationSize);

    for (auto& member : population)
        if (evaluateAlways || member->GetFitness() < 0.0) member->Evaluate();

    for (int i = 0; i < populationSize; ++i) {
        fitness[i] = population[i]->GetFitness();
        if (fitness[i] > bestThreshold) {
            InsertBest(*population[i]);
            mutationRate = baseMutationRate;
            sinceImprovement = 0;
        }
    }

    ScaleFitness(fitness, scalingConstant);
    Select(fitness, selected);

    // A clone that fails leaves the old population in place rather than one with holes.
    auto next = MakeGeneticArray<std::unique_ptr<GA_individual>>(populationSize);
    int elite = 0;
    while (elite < eliteCount && elite < bestListSize && elite < populationSize && best[elite]) {
        next[elite] = CloneOrThrow(*best[elite]);
        ++elite;
    }
    for (int j = elite; j < populationSize; ++j) next[j] = CloneOrThrow(*population[selected[j]]);
    population = std::move(next);

    for (const auto& member : population)
        if (member->IsInvalid()) throw GA_errors(1);
}

void GA_population::Select(const std::vector<double>& scaled, std::vector<int>& selected) const {
    if (selectionKind == 0)
        Roulette(scaled, populationSize, selected);
    else
        RankSelection(scaled, selected);
}

// Keeps the list sorted best first; among equal fitness the older entry stays in front, and an
// entry with the same genes is not stored twice.
void GA_population::InsertBest(const GA_individual& individual) {
    const double f = individual.GetFitness();
    int position = 0;
    for (; position < bestListSize; ++position) {
        const GA_individual* slot = best[position].get();
        if (!slot || slot->GetFitness() < f) break;
        if (slot->GetFitness() == f && individual.Compare(*slot) == 1) return;
    }
    if (position < bestListSize) {
        std::unique_ptr<GA_individual> copy = CloneOrThrow(individual);
        std::move_backward(best.begin() + position, best.end() - 1, best.end());
        best[position] = std::move(copy);
    }
    bestThreshold = (bestListSize > 0 && best.back()) ? best.back()->GetFitness() : -1.0;
}
