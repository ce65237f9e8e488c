#pragma once

#include <memory>
#include <ostream>
#include <vector>

class TDirSearch;

// Bounds of every angle, in degrees.
inline constexpr double kAngleMin = -90.0;
inline constexpr double kAngleMax = 90.0;

// A normal deviate of standard deviation sigma by the Box-Muller transform, from two draws
// of the program's generator.
double GaussRandom(double sigma);

// index := 0 .. m-1 ordered by fitness, descending; equal fitness keeps the earlier first.
void SortIndexByFitness(const double* fitness, int* index, int m);

// One candidate direction: n-1 angles with a step size each, and the quality they give.
class ES_individual {
public:
    explicit ES_individual(TDirSearch* problem);  // random angles
    ES_individual(const ES_individual& other);
    ES_individual(const ES_individual& first, const ES_individual& second);  // crossover
    ES_individual& operator=(const ES_individual&) = delete;

    void Mutate();
    double Fitness() const;  // evaluates the angles now
    double GetFitness() const { return fitness; }
    double MeanSigma() const;

    int GetAngleCount() const { return static_cast<int>(angles.size()); }
    double GetAngle(int j) const { return angles.at(static_cast<size_t>(j)); }
    double GetSigma(int j) const { return sigma.at(static_cast<size_t>(j)); }

    friend std::ostream& operator<<(std::ostream& out, const ES_individual& individual);

private:
    TDirSearch* problem;
    std::vector<double> angles;
    std::vector<double> sigma;
    double fitness = 0.0;
};

// A (mu + lambda) evolution strategy with mu = lambda; the individuals stay sorted by
// fitness, best first, after every generation.
class ES_population {
public:
    ES_population(TDirSearch* problem, int size);
    ES_population(const ES_population&) = delete;
    ES_population& operator=(const ES_population&) = delete;

    void Generation();
    const ES_individual& GetBest() const { return *individuals.front(); }
    void Print() const;

    int GetSize() const { return static_cast<int>(individuals.size()); }
    const ES_individual& Get(int i) const { return *individuals.at(static_cast<size_t>(i)); }

private:
    std::vector<std::unique_ptr<ES_individual>> individuals;
    int mu;
    int lambda;
    std::vector<double> poolFitness;
    std::vector<int> poolIndex;
};
