#include "experiments/templ_set_classifier.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <string>

#include "core/alloc_guard.h"
#include "core/data_table.h"
#include "core/error.h"
#include "core/report.h"
#include "discretization/templates/float_templates.h"
#include "experiments/lazy_support.h"

namespace {

// A set's votes: accuracy x objectCount truncated toward zero. Both come from a list file
// unchecked, so a product beyond the int range is held at its end and not a number is 0.
std::int64_t Votes(const TFTemplSet& set) {
    const float product = set.GetAccuracy() * static_cast<float>(set.GetNoObj());
    if (std::isnan(product)) return 0;
    if (product >= 2147483647.0f) return INT_MAX;
    if (product <= -2147483648.0f) return INT_MIN;
    return static_cast<std::int64_t>(product);
}

}  // namespace

TTemplSetClassifier::TTemplSetClassifier(const TDataTable& table, const TFTemplSetList& list)
    : table(table), list(list) {
    OrOutOfMemory([&] {
        entries.reserve(static_cast<size_t>(list.GetNoElem()) + 1);
        for (int i = 1; i <= list.GetNoElem(); ++i) entries.push_back({list.GetNth(i), kUnscored});
        entries.push_back({nullptr, -1.0f});
    });
}

void TTemplSetClassifier::ScoreAll(int object) {
    for (Entry& e : entries) {
        if (e.set != nullptr) e.score = static_cast<float>(e.set->Distance(table, object));
    }
}

// Scores lie in 0 .. 1 once scored and start at 2.0, so 2.0 is above every score.
float TTemplSetClassifier::MinScore() const {
    float least = kUnscored;
    for (const Entry& e : entries) {
        if (e.set != nullptr) least = std::min(least, e.score);
    }
    return least;
}

// The start entry always belongs to its group: a decision value that equals nothing, not
// even itself, must still move the walk on.
int TTemplSetClassifier::GroupEnd(int start) const {
    if (start < 0 || start >= static_cast<int>(entries.size())) throw CalcError(5);
    if (entries[static_cast<size_t>(start)].set == nullptr) return start;
    const float decision = entries[static_cast<size_t>(start)].set->GetDecValue();
    int end = start + 1;
    while (entries[static_cast<size_t>(end)].set != nullptr &&
           entries[static_cast<size_t>(end)].set->GetDecValue() == decision) {
        ++end;
    }
    return end;
}

TTemplSetClassifier::Group TTemplSetClassifier::GroupVotes(int start) const {
    const int end = GroupEnd(start);
    std::int64_t votes = 0;
    for (int i = start; i < end; ++i) {
        const Entry& e = entries[static_cast<size_t>(i)];
        if (e.score == 0.0f) votes += Votes(*e.set);
    }
    if (votes == 0) return {kNoDecision, 0.0, end};
    return {entries[static_cast<size_t>(start)].set->GetDecValue(), static_cast<double>(votes), end};
}

TTemplSetClassifier::Group TTemplSetClassifier::GroupMeanAccuracy(int start) const {
    const int end = GroupEnd(start);
    double sum = 0.0;
    int matched = 0;
    for (int i = start; i < end; ++i) {
        const Entry& e = entries[static_cast<size_t>(i)];
        if (e.score != 0.0f) continue;
        sum += e.set->GetAccuracy();
        ++matched;
    }
    if (matched == 0) return {kNoDecision, 0.0, end};
    return {entries[static_cast<size_t>(start)].set->GetDecValue(), sum / matched, end};
}

TTemplSetClassifier::Group TTemplSetClassifier::GroupMinAccuracy(int start) const {
    const int end = GroupEnd(start);
    bool any = false;
    float least = 0.0f;
    for (int i = start; i < end; ++i) {
        const Entry& e = entries[static_cast<size_t>(i)];
        if (e.score != 0.0f) continue;
        least = any ? std::min(least, e.set->GetAccuracy()) : e.set->GetAccuracy();
        any = true;
    }
    if (!any) return {kNoDecision, 0.0, end};
    return {entries[static_cast<size_t>(start)].set->GetDecValue(), static_cast<double>(least), end};
}

float TTemplSetClassifier::ClassifyByGroups(int object, Evaluator evaluate) {
    ScoreAll(object);
    float decision = kNoDecision;
    double best = 0.0;
    for (int i = 0; entries[static_cast<size_t>(i)].set != nullptr;) {
        const Group g = (this->*evaluate)(i);
        if (g.value >= best) {
            best = g.value;
            decision = g.decision;
        }
        i = g.next;
    }
    return decision;
}

float TTemplSetClassifier::ClassifyByVotes(int object) { return ClassifyByGroups(object, &TTemplSetClassifier::GroupVotes); }

float TTemplSetClassifier::ClassifyByMeanAccuracy(int object) {
    return ClassifyByGroups(object, &TTemplSetClassifier::GroupMeanAccuracy);
}

float TTemplSetClassifier::ClassifyByMinAccuracy(int object) {
    return ClassifyByGroups(object, &TTemplSetClassifier::GroupMinAccuracy);
}

float TTemplSetClassifier::ClassifyFirstMatch(int object) {
    ScoreAll(object);
    for (const Entry& e : entries) {
        if (e.set != nullptr && e.score == 0.0f) return e.set->GetDecValue();
    }
    return kNoDecision;
}

double TTemplSetClassifier::Test(Classifier classify, bool lineEndFirst) {
    const int noDec = table.GetNoDec();
    const int noObj = table.GetNoObj();
    Matrix matrix =
        OrOutOfMemory([&] { return Matrix(static_cast<size_t>(noDec), std::vector<int>(static_cast<size_t>(noDec), 0)); });
    int classified = 0;
    int correct = 0;
    for (int o = 0; o < noObj; ++o) {
        WriteStdout("Test object: " + std::to_string(o) + "\r");
        const float answer = (this->*classify)(o);
        if (answer == kNoDecision) continue;
        ++classified;
        const float truth = table.GetDecision(o);
        if (answer == truth) ++correct;
        const int column = table.GetDecIndex(answer);
        if (column >= 0) ++matrix[static_cast<size_t>(table.GetDecIndex(truth))][static_cast<size_t>(column)];
    }
    if (lineEndFirst) WriteStdout("\n");
    PrintConfusion(matrix);
    const float recognition = noObj == 0 ? 0.0f : static_cast<float>(classified) / static_cast<float>(noObj);
    const float accuracy = noObj == 0 ? 0.0f : static_cast<float>(correct) / static_cast<float>(noObj);
    WriteStdoutLine("Recognition percent: " + StreamReal(recognition));
    WriteStdoutLine("Accuracy Ratio: " + StreamReal(accuracy));
    return classified == 0 ? 0.0 : static_cast<double>(correct) / classified;
}

double TTemplSetClassifier::TestByVotes() { return Test(&TTemplSetClassifier::ClassifyByVotes, false); }

double TTemplSetClassifier::TestByMeanAccuracy() { return Test(&TTemplSetClassifier::ClassifyByMeanAccuracy, true); }

double TTemplSetClassifier::TestByMinAccuracy() { return Test(&TTemplSetClassifier::ClassifyByMinAccuracy, false); }

double TTemplSetClassifier::TestFirstMatch() { return Test(&TTemplSetClassifier::ClassifyFirstMatch, false); }

void TTemplSetClassifier::PrintConfusion(const Matrix& matrix) {
    for (const std::vector<int>& row : matrix) {
        std::string line;
        for (int count : row) {
            line += std::to_string(count);
            line += ' ';
        }
        WriteStdoutLine(line);
    }
}
