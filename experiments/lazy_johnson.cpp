// Weighted Johnson local reducts: for each decision a local reduct of the test object grows
// greedily, scored by how many objects of other decisions it still matches and how firmly
// each of its attributes separates them.
#include <climits>
#include <cmath>
#include <string>
#include <vector>

#include "core/alloc_guard.h"
#include "core/decision_values.h"
#include "core/report.h"
#include "core/table.h"
#include "experiments/lazy_classifier.h"
#include "experiments/lazy_support.h"
#include "rough/rules/rule_weight.h"

namespace {

// A weight rounded to the nearest integer, halves upward; beyond the int range it stays at
// its top, where a power of two is as good as infinite.
int RoundHalfUp(double x) {
    const double r = std::floor(x + 0.5);
    if (!(r < static_cast<double>(INT_MAX))) return INT_MAX;
    return r > 0.0 ? static_cast<int>(r) : 0;
}

// Counts the training objects equal to test object k on the listed attributes, of decision d
// (same) or of another one.
int CountMatching(const TTable& train, const TTable& test, int k, const int* list, int n, int d, bool same) {
    int count = 0;
    for (int o = 0; o < train.GetNoObj(); ++o) {
        if ((DecisionOf(train, o) == d) != same) continue;
        int position = -1;
        if (TLazyClassifier::MatchWithOneDifference(train, o, test, k, list, n, d, position)) ++count;
    }
    return count;
}

}  // namespace

int TLazyClassifier::MatchWithOneDifference(const TTable& train, int o, const TTable& test, int k, const int* list,
                                            int n, int d, int& position) {
    const int* row = train.Row(o);
    const int* testRow = test.Row(k);
    int differing = 0;
    int at = -1;
    for (int i = 0; i < n && differing < 2; ++i) {
        if (row[list[i]] != testRow[list[i]]) {
            ++differing;
            at = i;
        }
    }
    position = differing == 1 && DecisionOf(train, o) != d ? at : -1;
    return differing == 0 ? 1 : 0;
}

void TLazyClassifier::PrepareJohnson(const TTable& train, const TDValInfo& info, TJohnsonWork& work) {
    const std::size_t objects = static_cast<std::size_t>(train.GetNoObj());
    const std::size_t attributes = static_cast<std::size_t>(train.GetNoAttr());
    OrOutOfMemory([&] {
        work.objectWeights.assign(objects, 0.0);
        work.positionWeights.assign(attributes, 0.0);
        work.list.assign(attributes, 0);
        work.candidate.assign(attributes, 0);
        work.rounded.assign(attributes, 0);
        work.chosen.assign(attributes, 0);
        work.counts.assign(attributes, 0);
    });
    // Rare classes weigh more: every class weighs as much as the whole table.
    for (int o = 0; o < train.GetNoObj(); ++o) {
        work.objectWeights[static_cast<std::size_t>(o)] =
            static_cast<double>(train.GetNoObj()) / static_cast<double>(info.GetDCForDecVal(DecisionOf(train, o)));
    }
}

double TLazyClassifier::WeightedQuality(const TTable& train, const TTable& test, int k, const int* list, int n,
                                        int d, TJohnsonWork& work, int& matched) {
    matched = 0;
    double contradicting = 0.0;
    if (n > 1) std::fill(work.positionWeights.begin(), work.positionWeights.begin() + n, 0.0);
    for (int o = 0; o < train.GetNoObj(); ++o) {
        int position = -1;
        const int equal = MatchWithOneDifference(train, o, test, k, list, n, d, position);
        const double weight = work.objectWeights[static_cast<std::size_t>(o)];
        if (n > 1 && position >= 0) work.positionWeights[static_cast<std::size_t>(position)] += weight;
        if (equal && DecisionOf(train, o) != d) {
            contradicting += weight;
            ++matched;
        }
    }
    work.rounded.clear();
    if (n > 1) {
        for (int i = 0; i < n; ++i) work.rounded.push_back(RoundHalfUp(work.positionWeights[static_cast<std::size_t>(i)]));
    }
    return PowerTwoRuleWeight(work.rounded, contradicting > 0.0 ? RoundHalfUp(contradicting) : 0);
}

int TLazyClassifier::CountOtherMatching(const TTable& train, const TTable& test, int k, const int* list, int n,
                                        int d) {
    return CountMatching(train, test, k, list, n, d, false);
}

int TLazyClassifier::CountSameMatching(const TTable& train, const TTable& test, int k, const int* list, int n,
                                       int d) {
    return CountMatching(train, test, k, list, n, d, true);
}

// The search narrows (lo, hi] to the shortest prefix of the list that matches as few objects
// of other decisions as the target; a range of one step is the answer.
int TLazyClassifier::FindPrefixLength(const TTable& train, const TTable& test, int k, int lo, int hi,
                                      const int* list, int target, int d) {
    while (hi - lo > 1) {
        const int mid = lo + (hi - lo) / 2;
        if (CountOtherMatching(train, test, k, list, mid + 1, d) != target) {
            lo = mid;
        } else {
            hi = mid;
        }
    }
    return hi + 1;
}

double TLazyClassifier::JohnsonReductQuality(const TTable& train, const TTable& test, int k, int d, int noCond,
                                             TJohnsonWork& work) {
    for (int a = 0; a < noCond; ++a) work.list[static_cast<std::size_t>(a)] = a;
    const int floor = CountOtherMatching(train, test, k, work.list.data(), noCond, d);
    int matched = 0;
    // Nothing to choose from: the empty list matches every object of another decision.
    if (noCond == 0) return WeightedQuality(train, test, k, work.list.data(), 0, d, work, matched);

    const int* testRow = test.Row(k);
    std::fill(work.counts.begin(), work.counts.begin() + noCond, 0);
    std::fill(work.chosen.begin(), work.chosen.begin() + noCond, 0);
    for (int o = 0; o < train.GetNoObj(); ++o) {
        if (DecisionOf(train, o) == d) continue;
        const int* row = train.Row(o);
        for (int a = 0; a < noCond; ++a) {
            if (row[a] != testRow[a]) ++work.counts[static_cast<std::size_t>(a)];
        }
    }
    int first = 0;
    for (int a = 1; a < noCond; ++a) {
        if (work.counts[static_cast<std::size_t>(a)] > work.counts[static_cast<std::size_t>(first)]) first = a;
    }
    work.chosen[static_cast<std::size_t>(first)] = 1;
    double current = WeightedQuality(train, test, k, &first, 1, d, work, matched);

    while (matched > floor) {
        int best = -1;
        double bestScore = -1.0;
        int bestMatched = 0;
        for (int a = 0; a < noCond; ++a) {
            if (work.chosen[static_cast<std::size_t>(a)]) continue;
            int n = 0;
            for (int b = 0; b < noCond; ++b) {
                if (work.chosen[static_cast<std::size_t>(b)] || b == a) work.candidate[static_cast<std::size_t>(n++)] = b;
            }
            int candidateMatched = 0;
            const double score = WeightedQuality(train, test, k, work.candidate.data(), n, d, work, candidateMatched);
            if (score > bestScore) {
                bestScore = score;
                best = a;
                bestMatched = candidateMatched;
            }
        }
        // Every attribute is in the list (or none scores): the list cannot grow further.
        if (best < 0) break;
        work.chosen[static_cast<std::size_t>(best)] = 1;
        matched = bestMatched;
        if (bestScore > current) current = bestScore;
    }
    return current;
}

int TLazyClassifier::ClassifyJohnson(const TTable& train, const TDValInfo& info, const TTable& test, int k,
                                     TJohnsonWork& work) {
    CheckSameColumns(train, test);
    CheckTestObject(test, k);
    PrepareJohnson(train, info, work);
    const int noCond = ConditionAttributes(train);
    int answer = NoDecision;
    double highest = 0.0;
    for (int v = 0; v < info.GetNoDecVal(); ++v) {
        const double quality = JohnsonReductQuality(train, test, k, info.GetDecVal(v), noCond, work);
        if (quality > highest) {
            highest = quality;
            answer = info.GetDecVal(v);
        }
    }
    return answer;
}

double TLazyClassifier::TestMaxJohnson(const TTable& train, const TDValInfo& info, const TTable& test,
                                       std::vector<double>* errors) {
    CheckSameColumns(train, test);
    WriteStdout(" TEST MAX JOHNSON \n");
    const int values = info.GetNoDecVal();
    std::vector<long long> testObjects;
    OrOutOfMemory([&] {
        testObjects.assign(static_cast<std::size_t>(values), 0);
        if (errors != nullptr) errors->assign(static_cast<std::size_t>(values), 0.0);
    });
    WriteProgressRuler(test.GetNoObj());
    TJohnsonWork work;
    const THeldDecisions held(train);
    long long wrong = 0;
    for (int k = 0; k < test.GetNoObj(); ++k) {
        WriteProgressDot(k);
        const int answer = ClassifyJohnson(train, info, test, k, work);
        const int truth = DecisionOf(test, k);
        const int t = ValueIndex(info, truth);
        if (t >= 0) ++testObjects[static_cast<std::size_t>(t)];
        // info may name a class the training objects lack, and its quality can win.
        if (answer != NoDecision && answer == truth && held.Holds(truth)) {
            WriteStdout("DOBRZE: \n");
            continue;
        }
        ++wrong;
        WriteStdout(answer == NoDecision ? "NIEROZPOZNANE: \n" : "ZLE: \n");
        if (errors != nullptr && t >= 0) (*errors)[static_cast<std::size_t>(t)] += 1.0;
    }
    if (errors != nullptr) {
        for (int v = 0; v < values; ++v) {
            const long long objects = testObjects[static_cast<std::size_t>(v)];
            double& entry = (*errors)[static_cast<std::size_t>(v)];
            entry = objects > 0 ? entry / static_cast<double>(objects) : 0.0;
        }
    }
    WriteStdout("\n");
    return Share(wrong, test.GetNoObj());
}
