// Decision elimination: the candidate whose rival classes are covered best by their own
// agreement-set rules, compared with how well its own rules cover it, goes first.
#include <cmath>
#include <vector>

#include "core/alloc_guard.h"
#include "core/decision_values.h"
#include "core/error.h"
#include "core/report.h"
#include "core/table.h"
#include "experiments/lazy_classifier.h"
#include "experiments/lazy_scan.h"
#include "experiments/lazy_support.h"

namespace {

enum State {
    kEliminated = -1,
    kOther = 0,
    kCandidate = 1,
    kOtherCovered = 2,
    kCandidateCovered = 3,
    kOtherEmpty = -2,
    kCandidateEmpty = -3,
};

// Marks the objects in state `from` that a rule of their own decision covers (state
// `covered`) or that agree with the test object on nothing (state `empty`). A rule is the
// agreement set of such an object, over the objects still in play (state 0 or above).
template <class Trusted>
void Cover(const TTable& train, const TAgreementMasks& masks, std::vector<int>& work, std::vector<int>& states,
           int from, int covered, int empty, Trusted trusted) {
    for (int i = 0; i < masks.GetSize(); ++i) {
        if (states[static_cast<std::size_t>(i)] != from) continue;
        if (masks.IsEmpty(i)) {
            states[static_cast<std::size_t>(i)] = empty;
            continue;
        }
        const ContainingScan scan = ScanContaining(
            masks, i, DecisionOf(train, i), Trusted::kStopsAtOther,
            [&](int j) { return states[static_cast<std::size_t>(j)] >= 0; },
            [&](int j) { return DecisionOf(train, j); }, [](int) { return 1; }, work);
        if (!trusted(scan)) continue;
        for (int j : work) states[static_cast<std::size_t>(j)] = covered;
    }
}

// The covered share of the other candidates' objects over that of the candidate's own; a
// positive share over an uncovered candidate is infinitely high, and nothing over nothing
// scores 0, below every candidate that can be chosen.
double Ratio(const std::vector<int>& states) {
    long long other = 0;
    long long otherCovered = 0;
    long long own = 0;
    long long ownCovered = 0;
    for (int s : states) {
        if (s == kOther || s == kOtherCovered || s == kOtherEmpty) ++other;
        if (s == kOtherCovered) ++otherCovered;
        if (s == kCandidate || s == kCandidateCovered || s == kCandidateEmpty) ++own;
        if (s == kCandidateCovered) ++ownCovered;
    }
    const double numerator = Share(otherCovered, other);
    const double denominator = Share(ownCovered, own);
    if (denominator > 0.0) return numerator / denominator;
    return numerator > 0.0 ? HUGE_VAL : 0.0;
}

template <class Trusted>
double CoveredRatioWith(const TTable& train, const TAgreementMasks& masks, std::vector<int>& work,
                        std::vector<int>& states, Trusted trusted) {
    // One set and one state per training object.
    if (masks.GetSize() != train.GetNoObj() || states.size() != static_cast<std::size_t>(train.GetNoObj())) {
        throw CalcError(5);
    }
    Cover(train, masks, work, states, kOther, kOtherCovered, kOtherEmpty, trusted);
    Cover(train, masks, work, states, kCandidate, kCandidateCovered, kCandidateEmpty, trusted);
    return Ratio(states);
}

}  // namespace

double TLazyClassifier::CoveredRatio(const TTable& train, const TAgreementMasks& masks, std::vector<int>& work,
                                     std::vector<int>& states) {
    return CoveredRatioWith(train, masks, work, states, Consistent{});
}

double TLazyClassifier::CoveredRatioByConfidence(const TTable& train, const TAgreementMasks& masks,
                                                 std::vector<int>& work, std::vector<int>& states, double threshold) {
    return CoveredRatioWith(train, masks, work, states, ConfidentAt{threshold});
}

int TLazyClassifier::EliminateDecisions(const TTable& train, const TDValInfo& info, std::vector<int>& candidates,
                                        const TAgreementMasks& masks, std::vector<int>& work,
                                        std::vector<int>& states, int smallest, double threshold) {
    const int values = info.GetNoDecVal();
    const int eliminated = MarkBelow(info, smallest);
    std::vector<int> candidateOf;  // per training object, the place of its decision among the candidates
    OrOutOfMemory([&] {
        candidates.assign(static_cast<std::size_t>(values), 0);
        states.assign(static_cast<std::size_t>(train.GetNoObj()), kEliminated);
        candidateOf.assign(static_cast<std::size_t>(train.GetNoObj()), -1);
    });
    for (int v = 0; v < values; ++v) candidates[static_cast<std::size_t>(v)] = info.GetDecVal(v);
    for (int o = 0; o < train.GetNoObj(); ++o) candidateOf[static_cast<std::size_t>(o)] = ValueIndex(info, DecisionOf(train, o));
    int remaining = values;
    while (remaining > 1) {
        int chosen = -1;
        double highest = 0.0;
        for (int c = 0; c < values; ++c) {
            if (candidates[static_cast<std::size_t>(c)] == eliminated) continue;
            for (int o = 0; o < train.GetNoObj(); ++o) {
                const int of = candidateOf[static_cast<std::size_t>(o)];
                const bool inPlay = of >= 0 && candidates[static_cast<std::size_t>(of)] != eliminated;
                states[static_cast<std::size_t>(o)] = of == c ? kCandidate : inPlay ? kOther : kEliminated;
            }
            const double score = threshold == 1.0 ? CoveredRatio(train, masks, work, states)
                                                  : CoveredRatioByConfidence(train, masks, work, states, threshold);
            if (score > highest) {
                highest = score;
                chosen = c;
            }
        }
        // No candidate can be told from the others: the rounds would repeat for ever.
        if (chosen < 0) break;
        candidates[static_cast<std::size_t>(chosen)] = eliminated;
        --remaining;
    }
    for (int c = 0; c < values; ++c) {
        if (candidates[static_cast<std::size_t>(c)] != eliminated) return candidates[static_cast<std::size_t>(c)];
    }
    WriteStdout("BLAD\n");
    EndProcess(0);
}

double TLazyClassifier::EliminationTest(const TTable& train, const TDValInfo& info, const TTable& test,
                                        double threshold) {
    CheckSameColumns(train, test);
    WriteStdout("EWIDENCJA\n");
    WriteProgressRuler(test.GetNoObj());
    const int smallest = SmallestDecision(info);
    TAgreementMasks masks;
    std::vector<int> candidates;
    std::vector<int> work;
    std::vector<int> states;
    const THeldDecisions held(train);
    long long wrong = 0;
    for (int k = 0; k < test.GetNoObj(); ++k) {
        WriteProgressDot(k);
        BuildObjectMasks(train, test, k, masks);
        const int answer = EliminateDecisions(train, info, candidates, masks, work, states, smallest, threshold);
        // The candidate left may be one of info's values that no training object holds.
        if (answer != DecisionOf(test, k) || !held.Holds(answer)) ++wrong;
    }
    WriteStdout("\n");
    return Share(wrong, test.GetNoObj());
}
