#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "discretization/templates/float_template_search.h"
#include "experiments/lazy_support.h"
#include "experiments/templ_set_classifier.h"
#include "tests/discretization/templates/float_tables.h"

namespace {

using C = TTemplSetClassifier;

TFDescriptor Range(int attribute, float lo, float hi) {
    TFDescriptor d(attribute);
    d.SetInterval(lo, hi);
    return d;
}
const TFDescriptor kAll = Range(0, -1e9f, 1e9f);
const TFDescriptor kNone = Range(0, 1e8f, 1e9f);

// Descriptors at levels 1, 2, ... and the set at the last, so that every one counts.
std::unique_ptr<TFTemplSet> Rule(float decision, int objects, float accuracy, std::vector<TFDescriptor> ds) {
    auto s = std::make_unique<TFTemplSet>();
    for (TFDescriptor& d : ds) {
        d.SetLevel(s->GetNoDescriptors() + 1);
        s->AddDescriptor(d);
    }
    s->SetLevel(s->GetNoDescriptors());
    s->SetDecValue(decision);
    s->SetNoObj(objects);
    s->SetAccuracy(accuracy);
    return s;
}

// The four answers worked out over maximal runs of one decision, as the definition reads.
std::vector<float> BruteForce(const TDataTable& t, const TFTemplSetList& list, int o) {
    std::vector<float> answer(4, -1.0f);  // votes, mean, min, first match
    std::vector<double> best(3, 0.0);
    for (int i = 1; i <= list.GetNoElem();) {
        const float d = list.GetNth(i)->GetDecValue();
        std::int64_t votes = 0;
        double sum = 0, least = 2;
        int matched = 0;
        for (; i <= list.GetNoElem() && list.GetNth(i)->GetDecValue() == d; ++i) {
            const TFTemplSet* s = list.GetNth(i);
            if (s->Distance(t, o) != 0.0) continue;
            if (answer[3] == -1.0f) answer[3] = d;
            votes += std::int64_t(std::trunc(s->GetAccuracy() * float(s->GetNoObj())));
            sum += s->GetAccuracy();
            least = std::min(least, double(s->GetAccuracy()));
            ++matched;
        }
        const double value[] = {double(votes), matched ? sum / matched : 0, matched ? least : 0};
        const bool decides[] = {votes != 0, matched > 0, matched > 0};
        for (int r = 0; r < 3; ++r) {
            if (value[r] < best[size_t(r)]) continue;
            best[size_t(r)] = value[r];
            answer[size_t(r)] = decides[r] ? d : -1.0f;
        }
    }
    return answer;
}

// Every driver against the brute force: its matrix (whose sum is the classified objects
// answered with a decision value, its diagonal the correct ones), both ratios, the result.
void CheckDrivers(const TDataTable& t, const TFTemplSetList& list) {
    C c(t, list);
    double (C::*drivers[])() = {&C::TestByVotes, &C::TestByMeanAccuracy, &C::TestByMinAccuracy, &C::TestFirstMatch};
    const int n = t.GetNoObj(), k = t.GetNoDec();
    for (int r = 0; r < 4; ++r) {
        std::string expected = r == 1 ? "\n" : "";
        std::vector<std::vector<int>> matrix(size_t(k), std::vector<int>(size_t(k), 0));
        int classified = 0, correct = 0;
        for (int o = 0; o < n; ++o) {
            const float answer = BruteForce(t, list, o)[size_t(r)];
            if (answer == -1.0f) continue;
            ++classified;
            correct += answer == t.GetDecision(o);
            for (int j = 0; j < k; ++j) matrix[size_t(t.GetDecIndex(t.GetDecision(o)))][size_t(j)] += t.GetDecValue(j) == answer;
        }
        for (const auto& row : matrix) {
            for (int v : row) expected += std::to_string(v) + " ";
            expected += "\n";
        }
        expected += "Recognition percent: " + StreamReal(n ? float(classified) / float(n) : 0.0f) + "\n";
        expected += "Accuracy Ratio: " + StreamReal(n ? float(correct) / float(n) : 0.0f) + "\n";
        testing::internal::CaptureStdout();
        EXPECT_EQ((c.*drivers[r])(), classified ? double(correct) / classified : 0.0);
        const std::string out = testing::internal::GetCapturedStdout();
        std::string progress;
        for (int o = 0; o < n; ++o) progress += "Test object: " + std::to_string(o) + "\r";
        EXPECT_EQ(out, progress + expected) << r;
    }
}

}  // namespace

TEST(TemplSetClassifier, EntriesScoresAndGroups) {
    FloatRows rows;
    for (int o = 0; o < 12; ++o) rows.push_back({float(o), float(o % 3), float(o % 2)});
    const auto t = LoadRows(rows);
    TFTemplSetList list;
    list.InsertByObjCount(Rule(1, 9, 0.5f, {Range(0, 0, 5)}));
    list.InsertByObjCount(Rule(0, 8, 1.0f, {Range(0, 0, 5), Range(1, 1, 1)}));
    TFTemplSet levelZero;
    levelZero.AddDescriptor(Range(0, 0, 100));
    list.InsertByObjCount(std::make_unique<TFTemplSet>(levelZero));
    C c(*t, list);
    const auto& e = c.GetEntries();
    ASSERT_EQ(e.size(), 4u);
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(e[size_t(i)].set == list.GetNth(i + 1) && e[size_t(i)].score == 2.0f);
    EXPECT_TRUE(e[3].set == nullptr && e[3].score == -1.0f);
    EXPECT_EQ(c.MinScore(), 2.0f);
    c.ScoreAll(3);  // attribute 1 is 0: half of the second set; level 0 covers nothing
    EXPECT_EQ(std::vector<float>({e[0].score, e[1].score, e[2].score}), std::vector<float>({0.0f, 0.5f, 1.0f}));
    c.ScoreAll(9);
    EXPECT_EQ(c.MinScore(), 1.0f);
    c.ScoreAll(0);
    const C::Group g = c.GroupVotes(0);  // accuracy 0.5 and 9 objects: 4 votes
    EXPECT_TRUE(g.value == 4.0 && g.decision == 1.0f && g.next == 1) << g.value;
    const C::Group end = c.GroupMeanAccuracy(3);
    EXPECT_TRUE(end.decision == -1.0f && end.next == 3);

    // Decisions 1, 2, 1: the ones stay apart (merged they would have 9 votes against 6).
    TFTemplSetList apart;
    for (auto [d, n, acc, ds] : std::vector<std::tuple<float, int, float, TFDescriptor>>{
             {1, 10, 0.5f, kAll}, {2, 9, 0.7f, kAll}, {1, 8, 0.5f, kAll}, {1, 7, 0.5f, kNone}})
        apart.InsertByObjCount(Rule(d, n, acc, {ds}));
    C a(*t, apart);
    EXPECT_EQ(std::vector<float>({a.ClassifyByVotes(3), a.ClassifyByMeanAccuracy(3), a.ClassifyByMinAccuracy(3),
                                  a.ClassifyFirstMatch(3)}),
              std::vector<float>({2, 2, 2, 1}));
    // Equal values: the later group wins; the unmatched group after them has value 0.
    TFTemplSetList tie;
    tie.InsertByObjCount(Rule(2, 10, 0.5f, {kAll}));
    tie.InsertByObjCount(Rule(0, 10, 0.5f, {kAll}));
    tie.InsertByObjCount(Rule(1, 5, 0.5f, {kNone}));
    C ties(*t, tie);
    EXPECT_EQ(std::vector<float>({ties.ClassifyByVotes(0), ties.ClassifyByMeanAccuracy(0), ties.ClassifyByMinAccuracy(0),
                                  ties.ClassifyFirstMatch(0)}),
              std::vector<float>({0, 0, 0, 2}));
    TFTemplSetList empty;
    C none(*t, empty);
    EXPECT_EQ(none.MinScore(), 2.0f);
    EXPECT_EQ(none.ClassifyByVotes(0), -1.0f);
}

// Random lists (decisions repeated apart, one that is no decision value, hand-set
// accuracies and counts) against the brute force; the drivers on some of them.
TEST(TemplSetClassifier, RandomListsEqualTheGroupsBruteForce) {
    std::mt19937 gen(17);
    const float accuracies[] = {0.0f, 0.25f, 0.5f, 0.7f, 1.0f, 0.3333f};
    for (int round = 0; round < 60; ++round) {
        const auto t = LoadRows(TieRows(gen, 11 + round % 9, 3, 3));
        TFTemplSetList list;
        for (int s = int(gen() % 9); s > 0; --s) {
            std::vector<TFDescriptor> ds;
            for (int i = 1 + int(gen() % 3); i > 0; --i) {
                const float lo = float(gen() % 3) * 0.5f;
                ds.push_back(Range(int(gen() % 3), lo, lo + float(gen() % 3) * 0.5f));
            }
            const float decision = float(gen() % 4 == 0 ? 7 : gen() % 3);
            list.InsertByObjCount(Rule(decision, int(gen() % 6) * 3, accuracies[gen() % 6], ds));
        }
        C c(*t, list);
        for (int o = 0; o < t->GetNoObj(); ++o) {
            const std::vector<float> got = {c.ClassifyByVotes(o), c.ClassifyByMeanAccuracy(o), c.ClassifyByMinAccuracy(o),
                                            c.ClassifyFirstMatch(o)};
            ASSERT_EQ(got, BruteForce(*t, list, o)) << round << " " << o;
        }
        if (round % 6 == 0) CheckDrivers(*t, list);
    }
}

TEST(TemplSetClassifier, DriversOverTheTemplatesOfIris) {
    const auto t = LoadFile(std::string(VARNEL_TABLES) + "/iris.dense.tab");
    std::string out;
    TFTemplSearch search(*t);
    const TFTemplSetList list = WithStdout([&] { return search.CoverWithTemplates(); }, out);
    ASSERT_GT(list.GetNoElem(), 1);
    CheckDrivers(*t, list);
}

// No object: both ratios 0, and nothing classified.
TEST(TemplSetClassifier, AnEmptyTable) {
    ScratchDir dir;
    WriteFileBytes(dir.File("empty.tab"), "0 2\n");
    const auto empty = LoadFile(dir.File("empty.tab"));
    TFTemplSetList list;
    list.InsertByObjCount(Rule(0, 3, 1.0f, {kAll}));
    C e(*empty, list);
    testing::internal::CaptureStdout();
    EXPECT_EQ(e.TestByMinAccuracy(), 0.0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Recognition percent: 0\nAccuracy Ratio: 0\n");
}
