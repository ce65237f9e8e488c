#include "experiments/nearest_neighbour.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "core/alloc_guard.h"
#include "core/decision_values.h"
#include "core/error.h"
#include "core/report.h"
#include "core/table.h"

namespace {

long long Difference(const TTable* t1, int o1, const TTable* t2, int o2, int a) {
    return TKnnClassifier::AbsValue(static_cast<long long>(t1->Value(o1, a)) - t2->Value(o2, a));
}

// A distance reads the columns of the first table from both, and a decision is a last column.
// A table without objects has no columns either, and no distance reads it: an empty training
// table leaves every k out of range and an empty test table asks nothing.
void CheckTables(const TTable* train, const TTable* test) {
    if (train->GetNoObj() > 0 && test->GetNoObj() > 0 && train->GetNoAttr() != test->GetNoAttr()) {
        throw CalcError(9);
    }
}

int Decision(const TTable* t, int o) { return t->Value(o, t->GetNoAttr() - 1); }

struct Answer {
    int value = TKnnClassifier::NoAnswer;
    bool answered = false;  // apart from the value: a decision may itself be 2147483647
};

// The k nearest training objects of a test object, nearest first, as a scan that takes the
// smallest distance not chosen yet, k times over, would choose them: a candidate replaces
// the current choice when its distance is smaller or equal, so of equal distances the later
// object comes first. That is the order by (distance, descending object number); one
// selection on it and a sort of the k chosen give the same neighbours in the same order.
class Neighbours {
public:
    explicit Neighbours(int n)
        : distance(OrOutOfMemory([n] { return std::vector<float>(static_cast<size_t>(n)); })),
          order(OrOutOfMemory([n] { return std::vector<int>(static_cast<size_t>(n)); })) {}

    void Find(const TTable* train, const TTable* test, int t, int k, const int* w) {
        const int n = static_cast<int>(order.size());
        for (int o = 0; o < n; ++o) {
            distance[static_cast<size_t>(o)] = static_cast<float>(TKnnClassifier::WeightedDistance(test, t, train, o, w));
            order[static_cast<size_t>(o)] = o;
        }
        const auto nearer = [this](int a, int b) {
            const float da = distance[static_cast<size_t>(a)];
            const float db = distance[static_cast<size_t>(b)];
            return da < db || (da == db && a > b);
        };
        const auto end = order.begin() + k;
        if (k < n) std::nth_element(order.begin(), end - 1, order.end(), nearer);
        std::sort(order.begin(), end, nearer);
    }

    // Each decision value, in the statistics' order, collects the votes of the neighbours of
    // its decision; the strictly largest vote answers.
    Answer Vote(const TTable* train, const TDValInfo* values, int k, bool weighted) const {
        Answer answer;
        double best = 0.0;
        for (int i = 0; i < values->GetNoDecVal(); ++i) {
            const int value = values->GetDecVal(i);
            double vote = 0.0;
            for (int r = 0; r < k; ++r) {
                const int o = order[static_cast<size_t>(r)];
                if (Decision(train, o) != value) continue;
                vote += weighted ? 1.0 / static_cast<double>(distance[static_cast<size_t>(o)]) : 1.0;
            }
            if (vote > best) {
                best = vote;
                answer.value = value;
                answer.answered = true;
            }
        }
        return answer;
    }

private:
    std::vector<float> distance;
    std::vector<int> order;
};

// Calls onAnswer(test object, answer) for every test object in order; false, without a
// call, when k is not in 1 .. training objects.
template <class OnAnswer>
bool EachAnswer(const TTable* train, const TDValInfo* values, const TTable* test, int k, const int* w, bool weighted,
                bool progress, OnAnswer onAnswer) {
    CheckTables(train, test);
    train->RequireDecisionColumn();
    test->RequireDecisionColumn();
    const int n = train->GetNoObj();
    if (k < 1 || k > n) return false;
    Neighbours neighbours(n);
    for (int t = 0; t < test->GetNoObj(); ++t) {
        if (progress && t % 100 == 0) WriteStdoutLine("     " + std::to_string(t));
        neighbours.Find(train, test, t, k, w);
        onAnswer(t, neighbours.Vote(train, values, k, weighted));
    }
    return true;
}

double Share(int part, int whole) { return whole == 0 ? 0.0 : static_cast<double>(part) / whole; }

}  // namespace

int TKnnClassifier::HammingDistance(const TTable* t1, int o1, const TTable* t2, int o2) {
    int d = 0;
    for (int a = 0; a < t1->GetNoAttr() - 1; ++a) d += t1->Value(o1, a) != t2->Value(o2, a) ? 1 : 0;
    return d;
}

double TKnnClassifier::WeightedDistance(const TTable* t1, int o1, const TTable* t2, int o2, const int* w) {
    double d = 0.0;
    for (int a = 0; a < t1->GetNoAttr() - 1; ++a)
        d += static_cast<double>(w[a]) * static_cast<double>(Difference(t1, o1, t2, o2, a));
    return d;
}

double TKnnClassifier::PowerDistance(const TTable* t1, int o1, const TTable* t2, int o2, const int* w) {
    double d = 0.0;
    for (int a = 0; a < t1->GetNoAttr() - 1; ++a)
        d += std::pow(static_cast<double>(Difference(t1, o1, t2, o2, a)), static_cast<double>(w[a]));
    return d;
}

// A missing answer is a miss, whatever the test object's decision.
double TKnnClassifier::Accuracy(const TTable* train, const TDValInfo* values, const TTable* test, int k,
                                const int* w) const {
    int correct = 0;
    const bool ran = EachAnswer(train, values, test, k, w, false, true, [&](int t, const Answer& answer) {
        if (answer.answered && answer.value == Decision(test, t)) ++correct;
    });
    return ran ? Share(correct, test->GetNoObj()) : 0.0;
}

void TKnnClassifier::ClassifyInPlace(const TTable* train, const TDValInfo* values, TTable* test, int k,
                                     const int* w) const {
    // Only the condition columns enter a distance, so answers written so far change none.
    EachAnswer(train, values, test, k, w, false, false,
               [&](int t, const Answer& answer) { test->Row(t)[test->GetNoAttr() - 1] = answer.value; });
}

double TKnnClassifier::WeightedVoteAccuracy(const TTable* train, const TDValInfo* values, const TTable* test, int k,
                                            const int* w) const {
    int correct = 0;
    int answered = 0;
    EachAnswer(train, values, test, k, w, true, false, [&](int t, const Answer& answer) {
        if (!answer.answered) return;
        ++answered;
        if (answer.value == Decision(test, t)) ++correct;
    });
    return Share(correct, answered);
}

void TKnnClassifier::RadiusClassify(const TTable* train, const TDValInfo* values, const TTable* test,
                                    double* accuracy, double* coverage) const {
    CheckTables(train, test);
    const int n = train->GetNoObj();
    std::vector<int> distance = OrOutOfMemory([n] { return std::vector<int>(static_cast<size_t>(n)); });
    int answered = 0;
    int correct = 0;
    for (int t = 0; t < test->GetNoObj(); ++t) {
        for (int o = 0; o < n; ++o) distance[static_cast<size_t>(o)] = HammingDistance(test, t, train, o);
        for (int r = 0; r <= 1; ++r) {
            Answer answer;
            int best = 0;
            for (int i = 0; i < values->GetNoDecVal(); ++i) {
                const int value = values->GetDecVal(i);
                int count = 0;
                for (int o = 0; o < n; ++o)
                    if (distance[static_cast<size_t>(o)] <= r && Decision(train, o) == value) ++count;
                if (count > best) {
                    best = count;
                    answer.value = value;
                    answer.answered = true;
                }
            }
            if (!answer.answered) continue;
            WriteStdout(std::to_string(r) + " ");
            ++answered;
            if (answer.value == Decision(test, t)) ++correct;
            break;
        }
    }
    *accuracy = Share(correct, answered);
    *coverage = Share(answered, test->GetNoObj());
}
