#pragma once

#include <memory>
#include <new>
#include <stdexcept>
#include <utility>
#include <vector>

#include "core/random.h"

// The three ways the genetic code draws from the one generator. The two divisors differ on
// purpose: a probability can reach 1.0, a roulette draw never does.
inline double DrawProbability() { return Rand() / 32767.0; }
inline double DrawRouletteValue() { return Rand() / 32768.0; }
inline int DrawIndex(int range) { return Rand() % range; }

// Failure of the genetic engine or of an individual. Thrown by value; deliberately outside the
// Error family, so that the genetic-reduct driver can log it and carry on.
class GA_errors {
public:
    explicit GA_errors(int code) : code(code) {}
    int GetCode() const { return code; }
    const char* GetMessage() const;  // codes outside 0..4 read as 0

private:
    int code;
};

// One candidate solution. Problems derive from it (in practice through GA_permutation) and
// supply Clone and Evaluate. The engine owns individuals through std::unique_ptr.
class GA_individual {
public:
    GA_individual() = default;
    GA_individual(const GA_individual&) = delete;
    GA_individual& operator=(const GA_individual&) = delete;
    virtual ~GA_individual() = default;

    // A new individual of the same kind, equal in genes and fitness. A failed allocation is
    // GA_errors 3 (NewIndividual does the mapping).
    virtual std::unique_ptr<GA_individual> Clone() const = 0;
    virtual void CopyFrom(const GA_individual& other) = 0;
    virtual void Mutate() = 0;
    virtual void Randomize() = 0;
    // Both this individual and the partner become children.
    virtual void Crossover(GA_individual& partner) = 0;
    // Stores a fitness of at least 0.0 (greater is better).
    virtual void Evaluate() = 0;
    virtual int IsInvalid() const = 0;
    // 0 when this is less than other, 1 when equal, 2 when greater.
    virtual int Compare(const GA_individual& other) const;

    double GetFitness() const { return fitness; }

protected:
    double fitness = -1.0;  // -1.0: not evaluated since the genes last changed
};

// For Clone overrides: builds the new individual and turns running out of memory into
// GA_errors 3, as the engine expects.
template <class T, class... Args>
std::unique_ptr<T> NewIndividual(Args&&... args) {
    try {
        return std::make_unique<T>(std::forward<Args>(args)...);
    } catch (const std::bad_alloc&) {
        throw GA_errors(3);
    }
}

// An owned array for the genetic code; a negative length or no memory is GA_errors 2.
template <class T>
std::vector<T> MakeGeneticArray(int length) {
    if (length < 0) throw GA_errors(2);
    try {
        return std::vector<T>(static_cast<size_t>(length));
    } catch (const std::bad_alloc&) {
        throw GA_errors(2);
    } catch (const std::length_error&) {
        throw GA_errors(2);
    }
}

// The engine: crossover, reinitialisation and mutation, evaluation, a list of the best
// individuals seen so far, linear fitness scaling and fitness-proportional breeding.
class GA_population {
public:
    GA_population() = default;
    GA_population(const GA_population&) = delete;
    GA_population& operator=(const GA_population&) = delete;

    void SetParams(double mutationRate, double crossoverProbability,
                   double reinitialisationProbability, int eliteCount, int selectionKind,
                   int evaluateAlways);
    // Takes the prototype over in every case. Refused (GA_errors 0) once a population exists.
    void Init(std::unique_ptr<GA_individual> prototype, int populationSize, int bestListSize);
    void Generation();
    // Slot i of the best list (0 = best), null when the slot is empty or does not exist.
    // The list keeps ownership.
    const GA_individual* GetBest(int i) const;

private:
    void InsertBest(const GA_individual& individual);
    void Select(const std::vector<double>& scaled, std::vector<int>& selected) const;

    double baseMutationRate = 0.0;
    double mutationRate = 0.0;
    double crossoverProbability = 0.0;
    double reinitialisationProbability = 0.0;
    double scalingConstant = 2.0;
    double bestThreshold = -1.0;
    int populationSize = 0;
    int selectionKind = 0;
    int eliteCount = 0;
    int bestListSize = 0;
    int stagnationLimit = 0;
    int sinceImprovement = 0;
    int evaluateAlways = 0;
    bool hasPopulation = false;
    std::vector<std::unique_ptr<GA_individual>> population;
    std::vector<std::unique_ptr<GA_individual>> best;
};
