#include "experiments/lazy_classifier.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cmath>
#include <string>

#include "core/alloc_guard.h"
#include "core/decision_values.h"
#include "core/error.h"
#include "core/report.h"
#include "core/table.h"
#include "core/weighted_sack.h"
#include "experiments/lazy_scan.h"
#include "experiments/lazy_support.h"

void TAgreementMasks::Reset(int attributes) {
    words = attributes > 64 ? (attributes + 63) / 64 : 1;
    count = 0;
}

std::uint64_t* TAgreementMasks::Append() {
    const std::size_t end = static_cast<std::size_t>(count + 1) * static_cast<std::size_t>(words);
    if (bits.size() < end) OrOutOfMemory([&] { bits.resize(end); });
    std::uint64_t* mask = Mask(count);
    for (int w = 0; w < words; ++w) mask[w] = 0;
    ++count;
    return mask;
}

int TAgreementMasks::IsEmpty(int i) const {
    const std::uint64_t* mask = Mask(i);
    for (int w = 0; w < words; ++w) {
        if (mask[w] != 0) return 0;
    }
    return 1;
}

void TLazyPositions::Clear(int attributes) {
    masks.Reset(attributes);
    decisions.clear();
    classes.clear();
    counts.clear();
}

void TLazyPositions::Add(const std::uint64_t* mask, int decision, int count, int mark) {
    std::uint64_t* added = masks.Append();
    for (int w = 0; w < masks.GetWords(); ++w) added[w] = mask[w];
    OrOutOfMemory([&] {
        decisions.push_back(decision);
        classes.push_back(mark);
        counts.push_back(count);
    });
}

namespace {

// Sets `mask` to the condition attributes on which the two rows agree (missing values agree
// when they are equal, like any other value).
void FillAgreement(const int* trainRow, const int* testRow, int noCond, std::uint64_t* mask) {
    for (int a = 0; a < noCond; ++a) {
        if (trainRow[a] == testRow[a]) mask[a / 64] |= std::uint64_t{1} << (a % 64);
    }
}

std::size_t HashPosition(const std::uint64_t* mask, int words, int decision) {
    std::uint64_t h = 0x9e3779b97f4a7c15ULL ^ static_cast<std::uint32_t>(decision);
    for (int w = 0; w < words; ++w) {
        h ^= mask[w];
        h *= 0x100000001b3ULL;
        h ^= h >> 29;
    }
    return static_cast<std::size_t>(h ^ (h >> 32));
}

bool SameSet(const std::uint64_t* a, const std::uint64_t* b, int words) {
    for (int w = 0; w < words; ++w) {
        if (a[w] != b[w]) return false;
    }
    return true;
}

// Open addressing over the positions built so far; the table stays at most half full.
void Rehash(TLazyPositions& p, std::size_t size) {
    OrOutOfMemory([&] { p.slots.assign(size, 0); });
    for (int i = 0; i < p.GetSize(); ++i) {
        std::size_t s = HashPosition(p.masks.Mask(i), p.masks.GetWords(), p.decisions[static_cast<std::size_t>(i)]) &
                        (size - 1);
        while (p.slots[s] != 0) s = (s + 1) & (size - 1);
        p.slots[s] = i + 1;
    }
}

// The position of the set and decision, counted once more, or a new one.
void AddGrouped(TLazyPositions& p, const std::uint64_t* mask, int decision, int mark) {
    const int words = p.masks.GetWords();
    const std::size_t size = p.slots.size();
    std::size_t s = HashPosition(mask, words, decision) & (size - 1);
    while (p.slots[s] != 0) {
        const int i = p.slots[s] - 1;
        if (p.decisions[static_cast<std::size_t>(i)] == decision && SameSet(p.masks.Mask(i), mask, words)) {
            ++p.counts[static_cast<std::size_t>(i)];
            return;
        }
        s = (s + 1) & (size - 1);
    }
    p.slots[s] = p.GetSize() + 1;
    p.Add(mask, decision, 1, mark);
    if (static_cast<std::size_t>(p.GetSize()) * 2 > size) Rehash(p, size * 2);
}

// Votes of the positions per decision value of info, each over the training objects of its
// value; the earlier value keeps a tie. The index of the winner in info, or -1 when no score
// is above 0. A class that is no decision value of info is an internal failure: the
// process ends.
int Vote(const TLazyPositions& p, const TDValInfo& info, int mark, int k, std::vector<long long>& votes,
         double& winningScore) {
    const int values = info.GetNoDecVal();
    OrOutOfMemory([&] { votes.assign(static_cast<std::size_t>(values), 0); });
    for (int i = 0; i < p.GetSize(); ++i) {
        const int cls = p.classes[static_cast<std::size_t>(i)];
        if (cls == mark) continue;
        const int v = ValueIndex(info, cls);
        if (v < 0) {
            std::string text = "ERROR: QuickExamplesTest  OBJ[" + std::to_string(k) + "]=" + std::to_string(cls) + "\n" +
                               std::to_string(values) + "\n";
            for (int j = 0; j < values; ++j) text += std::to_string(info.GetDecVal(j)) + " ";
            text += "\n______________________\n";
            WriteStdout(text);
            EndProcess(0);
        }
        votes[static_cast<std::size_t>(v)] += p.counts[static_cast<std::size_t>(i)];
    }
    int winner = -1;
    winningScore = 0.0;
    for (int v = 0; v < values; ++v) {
        const double score =
            static_cast<double>(votes[static_cast<std::size_t>(v)]) / static_cast<double>(info.GetDCNoObj(v));
        if (score > winningScore) {
            winningScore = score;
            winner = v;
        }
    }
    return winner;
}

// Every position still unclassified reads a rule from its agreement set; a trusted rule gives
// its decision to the positions of that decision whose sets contain it.
template <class Trusted>
void PropagateTrusted(TLazyPositions& p, int mark, Trusted trusted) {
    for (int i = 0; i < p.GetSize(); ++i) {
        if (p.classes[static_cast<std::size_t>(i)] != mark) continue;
        const int d = p.decisions[static_cast<std::size_t>(i)];
        const ContainingScan scan = ScanContaining(
            p.masks, i, d, Trusted::kStopsAtOther, [](int) { return true; },
            [&](int j) { return p.decisions[static_cast<std::size_t>(j)]; },
            [&](int j) { return p.counts[static_cast<std::size_t>(j)]; }, p.collected);
        if (!trusted(scan)) continue;
        for (int j : p.collected) p.classes[static_cast<std::size_t>(j)] = d;
    }
}

void Propagate(TLazyPositions& p, int method, double threshold, int mark) {
    switch (method) {
        case 2: TLazyClassifier::PropagateConsistent(p, mark); break;
        case 10: TLazyClassifier::PropagateByConfidence(p, mark, threshold); break;
        case 9: TLazyClassifier::ClassifyByMargin(p, mark); break;
        default: WriteStdout("NOT IMPLEMENTED!!!\n"); break;
    }
}

}  // namespace

void TLazyClassifier::BuildObjectMasks(const TTable& train, const TTable& test, int k, TAgreementMasks& masks) {
    CheckSameColumns(train, test);
    CheckTestObject(test, k);
    const int noCond = ConditionAttributes(train);
    masks.Reset(noCond);
    for (int o = 0; o < train.GetNoObj(); ++o) FillAgreement(train.Row(o), test.Row(k), noCond, masks.Append());
}

void TLazyClassifier::BuildAgreementMasks(const TTable& train, const TTable& test, int k, int mark,
                                          TLazyPositions& p) {
    CheckSameColumns(train, test);
    CheckTestObject(test, k);
    const int noCond = ConditionAttributes(train);
    p.Clear(noCond);
    Rehash(p, 64);
    std::vector<std::uint64_t> mask;
    OrOutOfMemory([&] { mask.assign(static_cast<std::size_t>(p.masks.GetWords()), 0); });
    for (int o = 0; o < train.GetNoObj(); ++o) {
        std::fill(mask.begin(), mask.end(), 0);
        FillAgreement(train.Row(o), test.Row(k), noCond, mask.data());
        bool any = false;
        for (std::uint64_t w : mask) any = any || w != 0;
        if (any) AddGrouped(p, mask.data(), DecisionOf(train, o), mark);
    }
}

int TLazyClassifier::IsSuperMask(int j, int i, const TAgreementMasks& masks) {
    return ContainsSet(masks.Mask(j), masks.Mask(i), masks.GetWords()) ? 1 : 0;
}

int TLazyClassifier::BitCount(const std::uint64_t* mask, int words) {
    int n = 0;
    for (int w = 0; w < words; ++w) n += std::popcount(mask[w]);
    return n;
}

int TLazyClassifier::CountEqualAttrs(const TTable& t, int o1, int o2, const int* attrs, int n) {
    int equal = 0;
    for (int i = 0; i < n; ++i) {
        if (t.GetTable(o1, attrs[i]) == t.GetTable(o2, attrs[i])) ++equal;
    }
    return equal;
}

void TLazyClassifier::ListAgreeingObjects(const TTable& train, const TTable& test, int k, std::vector<int>& objects,
                                          std::vector<int>& decisions) {
    CheckSameColumns(train, test);
    CheckTestObject(test, k);
    objects.clear();
    decisions.clear();
    const int noCond = ConditionAttributes(train);
    for (int o = 0; o < train.GetNoObj(); ++o) {
        const int* row = train.Row(o);
        const int* testRow = test.Row(k);
        for (int a = 0; a < noCond; ++a) {
            if (row[a] == testRow[a]) {
                OrOutOfMemory([&] {
                    objects.push_back(o);
                    decisions.push_back(DecisionOf(train, o));
                });
                break;
            }
        }
    }
}

void TLazyClassifier::PropagateConsistent(TLazyPositions& p, int mark) { PropagateTrusted(p, mark, Consistent{}); }

void TLazyClassifier::PropagateByConfidence(TLazyPositions& p, int mark, double threshold) {
    PropagateTrusted(p, mark, ConfidentAt{threshold});
}

// The margins are kept in the classes until every one is known.
void TLazyClassifier::ClassifyByMargin(TLazyPositions& p, int mark) {
    const int words = p.masks.GetWords();
    int minNeg = INT_MAX;
    int maxNeg = 0;
    for (int i = 0; i < p.GetSize(); ++i) {
        const std::uint64_t* own = p.masks.Mask(i);
        const int b = BitCount(own, words);
        int margin = INT_MAX;
        for (int j = 0; j < p.GetSize(); ++j) {
            if (p.decisions[static_cast<std::size_t>(j)] == p.decisions[static_cast<std::size_t>(i)]) continue;
            const std::uint64_t* other = p.masks.Mask(j);
            if (ContainsSet(other, own, words)) {
                margin = 0;
                break;
            }
            int common = 0;
            for (int w = 0; w < words; ++w) common += std::popcount(own[w] & other[w]);
            if (b - common < margin) margin = b - common;
        }
        p.classes[static_cast<std::size_t>(i)] = margin;
        if (margin != 0) {
            if (margin < minNeg) minNeg = margin;
            if (margin > maxNeg) maxNeg = margin;
        }
    }
    WriteStdout("         MIN_NEG=" + std::to_string(minNeg) + "\n         MAX_NEG=" + std::to_string(maxNeg) + "\n");
    for (int i = 0; i < p.GetSize(); ++i) {
        const std::size_t s = static_cast<std::size_t>(i);
        p.classes[s] = p.classes[s] < 2 ? mark : p.decisions[s];
    }
}

double TLazyClassifier::QuickExamplesTest(const TTable& train, TDValInfo& info, const TTable& test, int method,
                                          double threshold, TWIntSack* errors) {
    CheckSameColumns(train, test);
    const int values = info.GetNoDecVal();
    for (int v = 0; v < values; ++v) info.SetDecInfo(v, 0.0);
    const int mark = MarkBelow(info, SmallestDecision(info));
    std::vector<long long> testObjects;
    std::vector<long long> votes;
    OrOutOfMemory([&] { testObjects.assign(static_cast<std::size_t>(values), 0); });
    TLazyPositions positions;
    WriteProgressRuler(test.GetNoObj());
    long long correct = 0;
    long long wrong = 0;
    long long unrecognized = 0;
    for (int k = 0; k < test.GetNoObj(); ++k) {
        WriteProgressDot(k);
        BuildAgreementMasks(train, test, k, mark, positions);
        Propagate(positions, method, threshold, mark);
        double score = 0.0;
        const int winner = Vote(positions, info, mark, k, votes, score);
        const int truth = DecisionOf(test, k);
        const int t = ValueIndex(info, truth);
        if (t >= 0) ++testObjects[static_cast<std::size_t>(t)];
        if (winner >= 0 && info.GetDecVal(winner) == truth) {
            WriteStdout("DOBRZE: \n");
            ++correct;
            continue;
        }
        ++wrong;
        if (winner < 0) {
            WriteStdout("NIEROZPOZNANY \n");
            ++unrecognized;
        } else {
            WriteStdout("ZLE: \n");
            const int predicted = info.GetDecVal(winner);
            const long long low = std::min(truth, predicted);
            const long long high = std::max(truth, predicted);
            // Codes are meant for decisions 0-9; others wrap instead of overflowing.
            if (errors != nullptr) errors->Add(static_cast<int>(10 * low + high));
        }
        if (t >= 0) info.SetDecInfo(t, info.GetDistrib(t) + 1.0);
    }
    for (int v = 0; v < values; ++v) {
        const long long objects = testObjects[static_cast<std::size_t>(v)];
        info.SetDecInfo(v, objects > 0 ? info.GetDistrib(v) / static_cast<double>(objects) : 0.0);
    }
    const long long n = test.GetNoObj();
    const double accuracy = Share(correct, n - unrecognized);
    const double errorShare = Share(wrong, n);
    WriteStdout("\nResults: " + StreamReal(accuracy) + " " + StreamReal(1.0 - accuracy) + " " +
                StreamReal(Share(unrecognized, n)) + " " + StreamReal(errorShare) + "\n\n");
    return errorShare;
}

int TLazyClassifier::ClassifyObject(const TTable& train, const TDValInfo& info, const TTable& test, int k,
                                    int method, double threshold, int smallest, TLazyPositions& work,
                                    int& confidence) {
    const int mark = MarkBelow(info, smallest);
    BuildAgreementMasks(train, test, k, mark, work);
    Propagate(work, method, threshold, mark);
    std::vector<long long> votes;
    double score = 0.0;
    const int winner = Vote(work, info, mark, k, votes, score);
    if (winner < 0) {
        confidence = 0;
        return NoDecision;
    }
    // A statistics object that undercounts a class could give a score above 1.
    const double scaled = std::trunc(score * 10000.0);
    confidence = scaled >= static_cast<double>(INT_MAX) ? INT_MAX : static_cast<int>(scaled);
    return info.GetDecVal(winner);
}
