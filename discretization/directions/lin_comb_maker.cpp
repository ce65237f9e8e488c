#include "discretization/directions/lin_comb_maker.h"

#include <cassert>
#include <numeric>
#include <sstream>
#include <string>
#include <utility>

#include "core/clock.h"
#include "core/error.h"
#include "core/file_io.h"
#include "core/random.h"
#include "core/report.h"
#include "discretization/directions/evolution_strategy.h"

namespace {

constexpr int kTrials = 25;
constexpr int kImprovementsEnough = 4;
constexpr int kTriesPerDigit = 10;
constexpr size_t kMaxDigits = 100;

// The leading digits 1-9 of the pattern; '0' ends it like any other character.
std::vector<int> PatternDigits(const char* pattern) {
    std::vector<int> digits;
    for (const char* c = pattern; *c >= '1' && *c <= '9'; ++c) {
        if (digits.size() == kMaxDigits) throw CalcError(8);
        digits.push_back(*c - '0');
    }
    return digits;
}

}  // namespace

int DirectionProgress(double fraction) {
    ShowProgress(static_cast<int>(fraction * 1000 / 10));
    return 0;
}

TDirSearch::TDirSearch(const TDTable& table, const TClassDistr& classDistr)
    : table(table), classDistr(classDistr) {}

double TDirSearch::Evaluate(const double* angles) {
    assert(combination!=nullptr);
    combination->SetAngles(n, attributes.data(), angles);
    return combination->Quality(table, classDistr);
}

void TDirSearch::Prepare(TLinComb& comb, const int* subset, int size) {
    combination = &comb;
    n = size;
    attributes.assign(subset, subset + size);
}

void TDirSearch::Optimize(TLinComb& comb, const int* subset, int size) {
    Prepare(comb, subset, size);
    {
        ES_population population(this, 3 * size);
        int generation = 0;
        int small = 0;  // generations in a row whose best has a mean step below 1 degree
        int same = 0;   // generations in a row without a change of the best fitness
        double previousBest = 0.0;
        for (;;) {
            ++generation;
            population.Generation();
            const ES_individual& best = population.GetBest();
            if (best.MeanSigma() >= 1.0) {
                small = 0;
            } else {
                ++small;
            }
            if (best.GetFitness() == previousBest) {
                ++same;
            } else {
                same = 0;
            }
            previousBest = best.GetFitness();
            if ((small >= 15 && same >= 15) || same >= 15 * size || generation >= 90 * size) break;
        }
        population.GetBest().Fitness();  // leaves the best direction in the combination
    }
    attributes.clear();
    combination = nullptr;
}

int TDirSearch::FindBestDirection(TLinComb& result, int size, std::vector<int>& weights,
                                  const TDirectionCallback& callback, double lo, double hi) {
    const int columns = table.GetAttrCount();
    const int dec = columns - 1;
    if (size < 1 || size > columns - 1 || static_cast<int>(weights.size()) < columns) {
        throw CalcError(9);
    }
    // The best so far starts empty but with the requested measure, so that a search in which
    // no trial improves hands back a combination that still judges the way it was asked to.
    TLinComb best(result.GetMeasureType());
    double bestFit = 0.0;
    int improvements = 0;
    int stop = 0;
    std::vector<int> perm(static_cast<size_t>(columns));
    auto at = [&perm](int i) -> int& { return perm[static_cast<size_t>(i)]; };
    auto weight = [&weights, &at](int i) { return weights[static_cast<size_t>(at(i))]; };

    for (int t = 0; t < kTrials; ++t) {
        std::iota(perm.begin(), perm.end(), 0);
        std::swap(at(dec), at(columns - 1));
        for (int j = columns - 2; j >= 2; --j) {
            const int r = Rand() % j;
            std::swap(at(j), at(r));
        }
        // Used-up attributes (weight 0) go behind the available ones.
        int m = columns - 2;
        while (m >= 1 && weight(m) == 0) --m;
        for (int j = 0; j < m; ++j) {
            if (weight(j) == 0) {
                std::swap(at(j), at(m));
                --m;
            }
        }
        for (int pass = 0; pass < size; ++pass) {
            for (int k = 0; k + 1 < size; ++k) {
                if (at(k) < at(k + 1)) std::swap(at(k), at(k + 1));
            }
        }
        result.Clear();
        Optimize(result, perm.data(), size);
        stop = callback(t / 25.0 * (hi - lo) + lo);
        // After the first trials a single attribute is no new attribute worth having.
        if (t > 2 && result.IsAxisParallel()) continue;
        const double fit = result.Quality(table, classDistr);
        if (fit > bestFit) {
            bestFit = fit;
            best = result;
            ++improvements;
        }
        if (improvements == kImprovementsEnough || stop != 0) break;
    }
    result = best;
    for (int j = 0; j < result.GetCount(); ++j) --weights[static_cast<size_t>(result.GetAttr(j))];
    return stop;
}

// Failures the front end must see end the command with a code: a pattern without a digit,
// a table that cannot be read, a digit larger than the number of condition attributes, a
// decision the measures cannot count, an output file that cannot be written.
void TLinCombMaker::GenerateLinComb(const char* tableFileName, const char* pattern,
                                    int measureType, const char* outputFileName) {
    SeedRand(static_cast<unsigned>(ClockSeconds()));
    const std::vector<int> digits = PatternDigits(pattern);
    if (digits.empty()) {
        WriteStdoutLine("Can't determine number of new attributes.");
        throw CalcError(9);
    }
    TDTable table;
    if (table.Load(tableFileName) != 0 || table.GetObjCount() == 0) {
        WriteStdoutLine(std::string("Error: can't open ") + tableFileName);
        throw CalcErrorText(6, tableFileName);
    }
    const int columns = table.GetAttrCount();
    for (int digit : digits) {
        if (digit > columns - 1) throw CalcError(9);
    }
    const TClassDistr classDistr(table, columns - 1);
    const int count = static_cast<int>(digits.size());
    std::vector<TLinComb> found(digits.size());
    TLinComb working(measureType);
    TDirSearch search(table, classDistr);
    std::vector<int> weights(static_cast<size_t>(columns),
                             static_cast<int>(digits.back() / static_cast<double>(columns) + 1.0));

    // Checked, not emptied: the search is most of the run, and a run ended during it must
    // leave the previous file as it was.
    if (!CanReplaceWholeFile(outputFileName)) throw CalcErrorText(7, outputFileName);
    std::string text;
    for (int i = 0; i < count; ++i) {
        int stop = 0;
        // A combination found before is searched again, each try inside the next half of what
        // is left of this digit's share of the progress.
        for (int k = 0; k < kTriesPerDigit; ++k) {
            const double lo = ((i + 1) - 1.0 / (1 << k)) / count;
            const double hi = ((i + 1) - 1.0 / (1 << (k + 1))) / count;
            stop = search.FindBestDirection(working, digits[static_cast<size_t>(i)], weights,
                                            DirectionProgress, lo, hi);
            if (stop != 0) break;
            bool repeats = false;
            for (int e = 0; e < i && !repeats; ++e) repeats = working == found[static_cast<size_t>(e)];
            if (!repeats) break;
        }
        found[static_cast<size_t>(i)] = working;
        std::ostringstream line;
        line << working << '\n';
        text += line.str();
        // Through a temporary file: a run ended during the rewrite keeps the earlier lines.
        if (!ReplaceWholeFile(outputFileName, text)) throw CalcErrorText(7, outputFileName);
        if (stop != 0) break;
    }
}
