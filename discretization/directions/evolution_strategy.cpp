#include "discretization/directions/evolution_strategy.h"

#include <cmath>
#include <sstream>
#include <utility>

#include "core/random.h"
#include "core/report.h"
#include "discretization/directions/lin_comb_maker.h"

namespace {

constexpr double kAngleRange = kAngleMax - kAngleMin;
constexpr int kPlacementTries = 100;

// n attributes are placed by n-1 angles.
size_t AngleCount(const TDirSearch* problem) {
    return problem->GetSize() > 1 ? static_cast<size_t>(problem->GetSize() - 1) : 0;
}

}  // namespace

// u1 = 0 would make the deviate infinite and wreck a step size for good, so it is drawn
// again (about once in 32768 draws).
double GaussRandom(double sigma) {
    double u1;
    do {
        u1 = Rand() / 32768.0;
    } while (u1 == 0.0);
    const double u2 = Rand() / 32768.0;
    return std::sqrt(-2 * std::log(u1)) * std::cos(6.28318 * u2) * sigma;
}

void SortIndexByFitness(const double* fitness, int* index, int m) {
    for (int i = 0; i < m; ++i) index[i] = i;
    for (int i = 1; i < m; ++i) {
        const int moving = index[i];
        int j = i - 1;
        while (j >= 0 && fitness[index[j]] < fitness[moving]) {
            index[j + 1] = index[j];
            --j;
        }
        index[j + 1] = moving;
    }
}

// ---------------------------------------------------------------------------------------
// ES_individual

ES_individual::ES_individual(TDirSearch* problem)
    : problem(problem), angles(AngleCount(problem)), sigma(AngleCount(problem)) {
    for (size_t j = 0; j < angles.size(); ++j) {
        angles[j] = Rand() / 32768.0 * kAngleRange + kAngleMin;
        sigma[j] = kAngleRange / 3;
    }
    fitness = Fitness();
}

ES_individual::ES_individual(const ES_individual& other)
    : problem(other.problem), angles(other.angles), sigma(other.sigma), fitness(other.fitness) {}

ES_individual::ES_individual(const ES_individual& first, const ES_individual& second)
    : problem(first.problem), angles(first.angles.size()), sigma(first.sigma.size()) {
    for (size_t j = 0; j < angles.size(); ++j) {
        const ES_individual& from = (Rand() & 1) ? first : second;
        angles[j] = from.angles[j];
        sigma[j] = from.sigma[j];
    }
    fitness = Fitness();
}

void ES_individual::Mutate() {
    for (size_t j = 0; j < angles.size(); ++j) {
        sigma[j] *= std::exp(GaussRandom(0.7));
        if (kAngleRange < sigma[j]) sigma[j] = kAngleRange;
        const double old = angles[j];
        bool placed = false;
        for (int t = 0; t < kPlacementTries && !placed; ++t) {
            const double angle = old + GaussRandom(sigma[j]);
            if (kAngleMin <= angle && angle <= kAngleMax) {
                angles[j] = angle;
                placed = true;
            }
        }
        if (!placed) angles[j] = Rand() * kAngleRange / 32768.0 + kAngleMin;
    }
    fitness = Fitness();
}

double ES_individual::Fitness() const { return problem->Evaluate(angles.data()); }

double ES_individual::MeanSigma() const {
    if (sigma.empty()) return 0.0;
    double sum = 0.0;
    for (double s : sigma) sum += s;
    return sum / static_cast<double>(sigma.size());
}

std::ostream& operator<<(std::ostream& out, const ES_individual& individual) {
    for (size_t j = 0; j < individual.angles.size(); ++j) {
        out << individual.angles[j] << " (" << individual.sigma[j] << ") ";
    }
    out << "= " << individual.fitness;
    return out;
}

// ---------------------------------------------------------------------------------------
// ES_population

ES_population::ES_population(TDirSearch* problem, int size) : mu(size), lambda(size) {
    individuals.reserve(static_cast<size_t>(mu));
    for (int i = 0; i < mu; ++i) individuals.push_back(std::make_unique<ES_individual>(problem));
}

void ES_population::Generation() {
    std::vector<std::unique_ptr<ES_individual>> pool;
    pool.reserve(static_cast<size_t>(mu + lambda));
    for (auto& individual : individuals) pool.push_back(std::move(individual));
    for (int c = 0; c < lambda; ++c) {
        std::unique_ptr<ES_individual> child;
        if ((Rand() & 3) != 0) {
            const int p = Rand() % mu;
            child = std::make_unique<ES_individual>(*pool[static_cast<size_t>(p)]);
        } else {
            const int a = Rand() % mu;
            const int b = Rand() % mu;
            child = std::make_unique<ES_individual>(*pool[static_cast<size_t>(b)],
                                                    *pool[static_cast<size_t>(a)]);
        }
        child->Mutate();
        pool.push_back(std::move(child));
    }
    const int m = mu + lambda;
    poolFitness.resize(static_cast<size_t>(m));
    poolIndex.resize(static_cast<size_t>(m));
    for (int i = 0; i < m; ++i) poolFitness[static_cast<size_t>(i)] = pool[static_cast<size_t>(i)]->GetFitness();
    SortIndexByFitness(poolFitness.data(), poolIndex.data(), m);
    individuals.clear();
    for (int i = 0; i < mu; ++i) {
        individuals.push_back(std::move(pool[static_cast<size_t>(poolIndex[static_cast<size_t>(i)])]));
    }
}

void ES_population::Print() const {
    WriteStdoutLine("Osobniki najlepsze, kolejno:");
    for (const auto& individual : individuals) {
        std::ostringstream line;
        line << *individual;
        WriteStdoutLine(line.str());
    }
}
