#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "core/decision_values.h"
#include "core/error.h"
#include "core/table.h"
#include "experiments/nearest_neighbour.h"
#include "tests/rough/table_builders.h"
#include "tests/support/table_text.h"

namespace {

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

int Decision(const TTable& t, int o) { return t.Value(o, t.GetNoAttr() - 1); }

// The answer as the algorithm reads (-1 for none): k scans, each taking the smallest
// distance not chosen yet, a later object replacing the current one on equal distances.
int ScanAnswer(const TTable& train, const TDValInfo& values, const TTable& test, int t, int k,
               const std::vector<int>& w, bool weighted) {
    std::vector<float> d;
    for (int o = 0; o < train.GetNoObj(); ++o) {
        double sum = 0.0;
        for (int a = 0; a + 1 < test.GetNoAttr(); ++a)
            sum += w[a] * static_cast<double>(std::llabs(static_cast<long long>(test.Value(t, a)) - train.Value(o, a)));
        d.push_back(static_cast<float>(sum));
    }
    std::vector<bool> taken(d.size(), false);
    std::vector<int> chosen;
    for (int s = 0; s < k; ++s) {
        int current = -1;
        for (int o = 0; o < train.GetNoObj(); ++o)
            if (!taken[o] && (current < 0 || d[o] <= d[current])) current = o;
        taken[current] = true;
        chosen.push_back(current);
    }
    int answer = -1;
    double best = 0.0;
    for (int i = 0; i < values.GetNoDecVal(); ++i) {
        double vote = 0.0;
        for (int o : chosen)
            if (Decision(train, o) == values.GetDecVal(i)) vote += weighted ? 1.0 / d[o] : 1.0;
        if (vote > best) {
            best = vote;
            answer = values.GetDecVal(i);
        }
    }
    return answer;
}

// Even rows train, odd rows test: iris has many objects at equal distances.
struct Iris {
    Iris() {
        TTable iris;
        iris.Load(VARNEL_TABLES "/iris.tab");
        train.CreateTable(75, 5);
        test.CreateTable(75, 5);
        for (int o = 0; o < 150; ++o)
            for (int a = 0; a < 5; ++a) (o % 2 == 0 ? train : test).SetTable(o / 2, a, iris.Value(o, a));
        values.CalcFromTable(train);
    }
    TTable train, test;
    TDValInfo values;
};

TEST(KnnDistances, DifferencesLeaveTheIntRangeWithoutOverflow) {
    TTable a, b;
    FillTable(a, {{TTable::MissingValue, -7, 4, 9, 0}});
    FillTable(b, {{-5, 2147483647, 4, 6, 1}});
    const int w[] = {3, 2, 100, 1};
    EXPECT_EQ(TKnnClassifier::HammingDistance(&a, 0, &b, 0), 3);  // the decision is no condition
    EXPECT_DOUBLE_EQ(TKnnClassifier::WeightedDistance(&a, 0, &b, 0, w), 3.0 * 2147483652.0 + 2.0 * 2147483654.0 + 3.0);
    const int p[] = {1, 2, 5, 3};
    EXPECT_DOUBLE_EQ(TKnnClassifier::PowerDistance(&a, 0, &b, 0, p), 2147483652.0 + 2147483654.0 * 2147483654.0 + 27.0);
    const int zero[] = {0, 0, 0, 0};
    EXPECT_DOUBLE_EQ(TKnnClassifier::PowerDistance(&a, 0, &b, 0, zero), 4.0);  // x^0 is 1, also 0^0
}

TEST(KnnClassifier, AllProceduresAgreeWithScansOnIris) {
    Iris s;
    TKnnClassifier knn;
    for (const std::vector<int>& w : {std::vector<int>{1, 1, 1, 1}, std::vector<int>{3, 1, 2, 5}}) {
        for (int k : {1, 3, 5, 75}) {
            SCOPED_TRACE("k=" + std::to_string(k) + " w0=" + std::to_string(w[0]));
            int correct = 0, weightedCorrect = 0, answered = 0;
            std::vector<int> expected;
            for (int t = 0; t < 75; ++t) {
                expected.push_back(ScanAnswer(s.train, s.values, s.test, t, k, w, false));
                correct += expected.back() == Decision(s.test, t);
                const int weighted = ScanAnswer(s.train, s.values, s.test, t, k, w, true);
                answered += weighted != -1;
                weightedCorrect += weighted != -1 && weighted == Decision(s.test, t);
            }
            CaptureStdout();
            EXPECT_DOUBLE_EQ(knn.Accuracy(&s.train, &s.values, &s.test, k, w.data()), correct / 75.0);
            EXPECT_DOUBLE_EQ(knn.WeightedVoteAccuracy(&s.train, &s.values, &s.test, k, w.data()),
                             static_cast<double>(weightedCorrect) / answered);
            EXPECT_EQ(GetCapturedStdout(), "     0\n");  // the weighted procedure prints nothing
            TTable answers;
            answers = s.test;
            knn.ClassifyInPlace(&s.train, &s.values, &answers, k, w.data());
            EXPECT_EQ(Column(answers, 4), expected);
            if (k == 75) {  // the whole training table votes: its majority answers every object
                EXPECT_EQ(expected, std::vector<int>(75, s.values.GetDecVal(0)));
            }
        }
    }
}

TEST(KnnClassifier, OutOfRangeNoVoteAndDistanceZero) {
    TTable train, test, coded, narrow;
    FillTable(train, {{0, 5}, {10, 7}, {10, 7}, {10, 7}});
    FillTable(test, {{0, 5}});
    FillTable(coded, {{0, TKnnClassifier::NoAnswer}});
    FillTable(narrow, {{5}});
    TDValInfo values, other;
    values.CalcFromTable(train);
    other.AddDecVal(3);  // no training decision: nobody votes
    const int w[] = {1};
    TKnnClassifier knn;
    CaptureStdout();
    for (int k : {0, -1, 5}) {
        EXPECT_EQ(knn.Accuracy(&train, &values, &test, k, w), 0.0);
        EXPECT_EQ(knn.WeightedVoteAccuracy(&train, &values, &test, k, w), 0.0);
        knn.ClassifyInPlace(&train, &values, &test, k, w);
        EXPECT_EQ(test.Value(0, 1), 5);
    }
    EXPECT_EQ(GetCapturedStdout(), "");
    EXPECT_THROW(knn.Accuracy(&train, &values, &narrow, 1, w), CalcError);

    CaptureStdout();
    EXPECT_EQ(knn.Accuracy(&train, &values, &test, 4, w), 0.0);  // the majority, 7
    EXPECT_EQ(knn.WeightedVoteAccuracy(&train, &values, &test, 4, w), 1.0);  // 1 / 0 outvotes 3 / 10
    // A missing answer is a miss even where the decision is the missing-answer code.
    EXPECT_EQ(knn.Accuracy(&train, &other, &coded, 1, w), 0.0);
    EXPECT_EQ(knn.WeightedVoteAccuracy(&train, &other, &coded, 1, w), 0.0);  // none answered
    knn.ClassifyInPlace(&train, &other, &test, 1, w);
    EXPECT_EQ(test.Value(0, 1), TKnnClassifier::NoAnswer);
    test.CreateTable(201, 2);
    knn.Accuracy(&train, &values, &test, 1, w);
    EXPECT_EQ(GetCapturedStdout(), "     0\n     0\n     0\n     100\n     200\n");
}

// A table without objects has no columns: it asks nothing, or it offers no neighbour.
TEST(KnnClassifier, EmptyTablesAnswerNothing) {
    TTable train, test, empty;
    FillTable(train, {{0, 5}, {10, 7}});
    FillTable(test, {{0, 5}, {9, 7}});
    TDValInfo values;
    values.CalcFromTable(train);
    const int w[] = {1};
    TKnnClassifier knn;
    double accuracy = -1.0, coverage = -1.0;
    CaptureStdout();
    EXPECT_EQ(knn.Accuracy(&train, &values, &empty, 1, w), 0.0);
    EXPECT_EQ(knn.WeightedVoteAccuracy(&train, &values, &empty, 1, w), 0.0);
    knn.ClassifyInPlace(&train, &values, &empty, 1, w);
    knn.RadiusClassify(&train, &values, &empty, &accuracy, &coverage);
    EXPECT_EQ(accuracy, 0.0);
    EXPECT_EQ(coverage, 0.0);

    EXPECT_EQ(knn.Accuracy(&empty, &values, &test, 1, w), 0.0);  // k = 1 is out of range
    EXPECT_EQ(knn.WeightedVoteAccuracy(&empty, &values, &test, 1, w), 0.0);
    knn.ClassifyInPlace(&empty, &values, &test, 1, w);
    EXPECT_EQ(Column(test, 1), (std::vector<int>{5, 7}));
    accuracy = coverage = -1.0;
    knn.RadiusClassify(&empty, &values, &test, &accuracy, &coverage);
    EXPECT_EQ(accuracy, 0.0);
    EXPECT_EQ(coverage, 0.0);
    EXPECT_EQ(GetCapturedStdout(), "");
}

TEST(KnnRadius, AnswersAtRadiusZeroOnlyForIdenticalObjectsThenAtOne) {
    Iris s;
    std::string printed;
    int answered = 0, correct = 0;
    for (int t = 0; t < 75; ++t) {
        for (int r = 0; r <= 1; ++r) {
            int best = 0, answer = 0;
            for (int i = 0; i < s.values.GetNoDecVal(); ++i) {
                int count = 0;
                for (int o = 0; o < 75; ++o)
                    count += Decision(s.train, o) == s.values.GetDecVal(i) &&
                             TKnnClassifier::HammingDistance(&s.test, t, &s.train, o) <= r;
                if (count > best) best = count, answer = s.values.GetDecVal(i);
            }
            if (best == 0) continue;
            printed += std::to_string(r) + " ";
            ++answered;
            correct += answer == Decision(s.test, t);
            break;
        }
    }
    ASSERT_NE(printed.find("0 "), std::string::npos);
    ASSERT_NE(printed.find("1 "), std::string::npos);
    double accuracy = -1.0, coverage = -1.0;
    CaptureStdout();
    TKnnClassifier().RadiusClassify(&s.train, &s.values, &s.test, &accuracy, &coverage);
    EXPECT_EQ(GetCapturedStdout(), printed);
    EXPECT_DOUBLE_EQ(accuracy, static_cast<double>(correct) / answered);
    EXPECT_DOUBLE_EQ(coverage, answered / 75.0);

    TTable far;  // two attributes away at least: no radius beyond 1 is tried
    FillTable(far, {{100, 100, 100, 100, 0}});
    CaptureStdout();
    TKnnClassifier().RadiusClassify(&s.train, &s.values, &far, &accuracy, &coverage);
    EXPECT_EQ(GetCapturedStdout(), "");
    EXPECT_EQ(accuracy + coverage, 0.0);
}

// Objects without a column have no decision to answer with or to write the answer into.
TEST(KnnClassifier, ObjectsWithoutColumnsHaveNoDecision) {
    TTable train, test;
    LoadTableText(train, "5 0\n");
    LoadTableText(test, "5 0\n");
    TDValInfo values;
    const int w[] = {1};
    TKnnClassifier knn;
    EXPECT_NO_DECISION_FAILURE(knn.ClassifyInPlace(&train, &values, &test, 1, w));
    EXPECT_NO_DECISION_FAILURE(knn.Accuracy(&train, &values, &test, 1, w));
}

}  // namespace
