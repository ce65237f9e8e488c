#include "rough/genetic/ga_individuals.h"

#include <algorithm>
#include <new>
#include <utility>

#include "core/report.h"

namespace {

// Lexicographic: 0 when a is smaller, 1 when equal, 2 when greater. Of two vectors that agree
// as far as the shorter goes, the shorter is the smaller one.
int CompareGenes(const std::vector<int>& a, const std::vector<int>& b) {
    const size_t common = std::min(a.size(), b.size());
    for (size_t i = 0; i < common; ++i)
        if (a[i] != b[i]) return a[i] < b[i] ? 0 : 2;
    if (a.size() == b.size()) return 1;
    return a.size() < b.size() ? 0 : 2;
}

// Individuals of another kind compare as the base does.
template <class T>
int CompareSameKind(const T& self, const GA_individual& other) {
    const T* same = dynamic_cast<const T*>(&other);
    return same ? CompareGenes(self.Genes(), same->Genes()) : self.GA_individual::Compare(other);
}

template <class T>
const T& SameKind(const GA_individual& other) {
    const T* same = dynamic_cast<const T*>(&other);
    if (!same) throw GA_errors(0);
    return *same;
}

// Crossing over needs a partner of the same kind and length.
template <class T>
T& CrossoverPartner(GA_individual& partner, int n) {
    T* same = dynamic_cast<T*>(&partner);
    if (!same || same->Length() != n) throw GA_errors(4);
    return *same;
}

void SwapTails(std::vector<int>& a, std::vector<int>& b, int cut) {
    std::swap_ranges(a.begin() + cut, a.end(), b.begin() + cut);
}

void CopyGenes(std::vector<int>& to, const std::vector<int>& from) {
    try {
        to.assign(from.begin(), from.end());
    } catch (const std::bad_alloc&) {
        throw GA_errors(2);
    }
}

// child keeps child[0..cut-1] and receives, from position cut on, the genes missing from that
// prefix in the order in which they stand in donor.
void FillAfterCut(std::vector<int>& child, int cut, const std::vector<int>& donor) {
    const int n = static_cast<int>(child.size());
    std::vector<char> kept = MakeGeneticArray<char>(n);
    for (int i = 0; i < cut; ++i)
        if (child[i] >= 0 && child[i] < n) kept[child[i]] = 1;
    int to = cut;
    for (int g : donor) {
        if (to >= n) break;
        if (g >= 0 && g < n && kept[g]) continue;
        child[to++] = g;
    }
}

}  // namespace

// ---------------------------------------------------------------------------- GA_permutation

GA_permutation::GA_permutation(int length, int mode)
    : genes(MakeGeneticArray<int>(length)), n(length), crossoverMode(mode) {
    GA_permutation::Randomize();
    if (GA_permutation::IsInvalid()) throw GA_errors(1);
}

void GA_permutation::CopyFrom(const GA_individual& other) {
    const GA_permutation& from = SameKind<GA_permutation>(other);
    if (&from == this) return;
    CopyGenes(genes, from.genes);
    n = from.n;
    fitness = from.fitness;
    crossoverMode = from.crossoverMode;
}

void GA_permutation::Randomize() {
    for (int i = 0; i < n; ++i) genes[i] = i;
    for (int i = n - 1; i >= 1; --i) std::swap(genes[i], genes[DrawIndex(i + 1)]);
    fitness = -1.0;
}

void GA_permutation::Mutate() {
    // An empty permutation has nothing to swap (and no range to draw from).
    if (n > 0) {
        const int a = DrawIndex(n);
        const int b = DrawIndex(n);
        std::swap(genes[a], genes[b]);
    }
    fitness = -1.0;
}

void GA_permutation::Crossover(GA_individual& partner) {
    GA_permutation& other = CrossoverPartner<GA_permutation>(partner, n);
    if (crossoverMode == 0) {
        if (n > 0) {
            const int cut = DrawIndex(n);
            std::vector<int> mine;
            CopyGenes(mine, genes);
            FillAfterCut(genes, cut, other.genes);
            FillAfterCut(other.genes, cut, mine);
        }
    } else if (crossoverMode == 2) {
        WriteStdoutLine("ERROR: PMX not implemented");
    } else {
        WriteStdoutLine("ERROR: OX not implemented");
    }
    fitness = -1.0;
    other.fitness = -1.0;
}

int GA_permutation::IsInvalid() const {
    long long sum = 0;
    for (int g : genes) sum += g;
    return sum != static_cast<long long>(n) * (n - 1) / 2;
}

int GA_permutation::Compare(const GA_individual& other) const {
    return CompareSameKind(*this, other);
}

// ---------------------------------------------------------------------------- GA_counts

GA_counts::GA_counts(int length, int limit, double probability)
    : genes(MakeGeneticArray<int>(length)),
      n(length),
      incrementProbability(probability),
      cutLimit(limit) {
    GA_counts::Randomize();
}

void GA_counts::CopyFrom(const GA_individual& other) {
    const GA_counts& from = SameKind<GA_counts>(other);
    if (&from == this) return;
    n = from.n;
    incrementProbability = from.incrementProbability;
    cutLimit = from.cutLimit;
    CopyGenes(genes, from.genes);
    fitness = from.fitness;
}

void GA_counts::Randomize() {
    std::fill(genes.begin(), genes.end(), 1);
    for (int k = 0; k < n; ++k) Mutate();
    fitness = -1.0;
}

void GA_counts::Mutate() {
    if (n > 0) {
        const int i = DrawIndex(n);
        if (DrawProbability() < incrementProbability)
            ++genes[i];
        else
            --genes[i];
        if (genes[i] < 1) genes[i] = 1;
    }
    fitness = -1.0;
}

void GA_counts::Crossover(GA_individual& partner) {
    GA_counts& other = CrossoverPartner<GA_counts>(partner, n);
    // Fewer than two genes (or a limit of 1) leave no cut position to draw: nothing is swapped.
    int cut = -1;
    if (cutLimit == -1) {
        if (n >= 2) {
            // Square-root law: short tails are the likely ones.
            const long long r = Rand() % (static_cast<long long>(n - 1) * (n - 1)) + 1;
            long long s = 1;
            while (s * s < r) ++s;
            cut = n - static_cast<int>(s);
        }
    } else {
        const int m = (cutLimit > 0 && cutLimit < n) ? cutLimit : n;
        if (m >= 2) cut = DrawIndex(m - 1) + 1;
    }
    if (cut >= 0) SwapTails(genes, other.genes, cut);
    fitness = -1.0;
    other.fitness = -1.0;
}

int GA_counts::Compare(const GA_individual& other) const {
    return CompareSameKind(*this, other);
}

// ---------------------------------------------------------------------------- GA_bits

GA_bits::GA_bits(int length) : n(length), genes(MakeGeneticArray<int>(length)) {
    GA_bits::Randomize();
}

void GA_bits::CopyFrom(const GA_individual& other) {
    const GA_bits& from = SameKind<GA_bits>(other);
    if (&from == this) return;
    n = from.n;
    CopyGenes(genes, from.genes);
    fitness = from.fitness;
}

void GA_bits::Randomize() {
    for (int& g : genes) g = Rand() & 1;
    fitness = -1.0;
}

void GA_bits::Mutate() {
    if (n > 0) {
        const int i = DrawIndex(n);
        genes[i] = 1 - genes[i];
    }
    fitness = -1.0;
}

void GA_bits::Crossover(GA_individual& partner) {
    GA_bits& other = CrossoverPartner<GA_bits>(partner, n);
    // A single bit has no cut position to draw: nothing is swapped.
    if (n >= 2) SwapTails(genes, other.genes, DrawIndex(n - 1) + 1);
    fitness = -1.0;
    other.fitness = -1.0;
}

int GA_bits::Compare(const GA_individual& other) const {
    return CompareSameKind(*this, other);
}
