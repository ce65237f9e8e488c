#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "core/decision_values.h"
#include "core/int_sack.h"
#include "core/random.h"
#include "core/report.h"
#include "core/table.h"
#include "rough/rules/rul_memory.h"
#include "tests/rough/rough_test_util.h"
#include "tests/rough/rules/split_rules.h"
#include "tests/support/exit_child.h"
#include "tests/support/fixed_clock.h"
#include "tests/support/test_files.h"

namespace {

constexpr int kNone = 2147483647;

// The voting table written out plainly from the rules' descriptors and numbers, without the
// rule tree or its walks: the scores, the choice of the class with its draws, and a whole
// table's statistics.
class ReferenceVoter {
public:
    ReferenceVoter(const TRulMemory& memory, const TDValInfo& info) : info(info) {
        for (const TRuleComp* r : RulesInWalkOrder(memory)) {
            Rule rule;
            for (int i = 0; i < r->GetBlock()->GetNoDesc(); ++i) {
                rule.descriptors.emplace_back(r->GetBlock()->GetAttr(i), r->GetBlock()->GetValue(i));
            }
            rule.decision = r->GetDecision();
            rule.p = r->GetPosSupport();
            rule.w = r->GetWeight();
            TIntSack keys;
            if (const TIntTree* tree = r->GetRecPosObjInfo()) tree->GetKeys(keys);
            rule.objects.assign(keys.begin(), keys.end());
            rules.push_back(rule);
        }
    }

    // The score before the division by |d| of methods 1, 2 and 7.
    double Raw(int method, int d, const TTable& t, int o, double h, int kind) const {
        double a = 0.0;  // the score, or the sum above the division
        double b = 0.0;  // the divisor of methods 0 and 8
        std::set<int> covered;
        for (const Rule& r : rules) {
            if (r.decision != d) continue;
            const double s = static_cast<double>(r.objects.size());
            const bool votes = Matches(r, t, o) && (h <= 0.0 || Passes(r, kind, h));
            if (method == 0) {
                if (votes) a += s;
                if (s > 0) b += s;
            } else if (method == 1 && votes) {
                a = std::max(a, s);
            } else if (method == 2 && votes) {
                covered.insert(r.objects.begin(), r.objects.end());
            } else if (method == 3 && votes) {
                a = std::max(a, r.w);
            } else if (method == 4 && votes && r.w > 0) {
                a = a + r.w - a * r.w;
            } else if (method == 5 && r.p > 0 && Holding(r, t, o) > 0) {
                a += static_cast<double>(r.p) * static_cast<double>(r.descriptors.size()) * Holding(r, t, o);
            } else if (method == 7 && votes && r.w > 0 && s > 0) {
                a = std::max(a, s * r.w);
            } else if (method == 8 && r.w > 0 && s > 0) {
                if (votes) a += s * r.w;
                b += s * r.w;
            }
        }
        if (method == 0 || method == 8) return b > 0 ? a / b : 0.0;
        if (method == 2) return static_cast<double>(covered.size());
        if (method == 6 || method < 0 || method > 8) return 0.0;
        return a;
    }

    double Score(int method, int k, const TTable& t, int o, double h, int kind) const {
        const double raw = Raw(method, info.GetDecVal(k), t, o, h, kind);
        if (method != 1 && method != 2 && method != 7) return raw;
        const int size = info.GetDCNoObj(k);
        return raw > 0 && size > 0 ? raw / size : 0.0;
    }

    // The class by the rule of ties; best is left 0 when nothing scores above 0.
    int Choose(int method, const TTable& t, int o, const std::vector<double>& h, int kind, double& best) {
        int predicted = kNone;
        best = 0.0;
        int ties = 0;
        for (int k = 0; k < info.GetNoDecVal(); ++k) {
            const double score = Score(method, k, t, o, h[static_cast<size_t>(k)], kind);
            if (score > best) {
                predicted = info.GetDecVal(k);
                best = score;
                ties = 0;
            } else if (score > 0 && score == best) {
                ++ties;
                ++tieDraws;
                if (RandomInt(ties) == 0) predicted = info.GetDecVal(k);
            }
        }
        return predicted;
    }

    struct TableResult {
        std::vector<double> accuracy;
        std::vector<double> coverage;
        double totalAccuracy = 0;
        double totalCoverage = 0;
        int errors = 0;
        std::vector<int> predicted;
    };

    TableResult Classify(int method, const TTable& t, int kind, const std::vector<double>& thresholds) {
        const size_t classes = static_cast<size_t>(info.GetNoDecVal());
        std::vector<double> h(classes, 0.0);
        if (kind != -1 && method != 5) h = thresholds;
        TableResult r;
        std::vector<int> correct(classes, 0), classified(classes, 0), members(classes, 0);
        int unclassified = 0;
        for (int o = 0; o < t.GetNoObj(); ++o) {
            const int a = t.Value(o, t.GetNoAttr() - 1);
            for (size_t k = 0; k < classes; ++k) members[k] += info.GetDecVal(static_cast<int>(k)) == a;
            double best = 0;
            const int predicted = Choose(method, t, o, h, kind, best);
            r.predicted.push_back(predicted);
            if (best == 0) {
                ++unclassified;
                continue;
            }
            size_t k = 0;
            while (k < classes && info.GetDecVal(static_cast<int>(k)) != a) ++k;
            if (k < classes) ++classified[k];
            if (k < classes && predicted == a) {
                ++correct[k];
            } else {
                ++r.errors;
            }
        }
        for (size_t k = 0; k < classes; ++k) {
            r.accuracy.push_back(classified[k] > 0 ? static_cast<double>(correct[k]) / classified[k] : 0.0);
            r.coverage.push_back(members[k] > 0 ? static_cast<double>(classified[k]) / members[k] : 0.0);
        }
        const int n = t.GetNoObj();
        r.totalCoverage = n > 0 ? static_cast<double>(n - unclassified) / n : 0.0;
        r.totalAccuracy = n - unclassified > 0 ? static_cast<double>(n - unclassified - r.errors) / (n - unclassified) : 0.0;
        return r;
    }

    // The lowest and highest score of a kind among the rules of decision d.
    std::pair<double, double> ScoreRange(int kind, int d) const {
        double low = 1e300, high = -1e300;
        for (const Rule& r : rules) {
            if (r.decision != d) continue;
            const double score = kind == 0 ? r.p : kind == 1 ? r.w : r.p * r.w;
            low = std::min(low, score);
            high = std::max(high, score);
        }
        return {low, high};
    }

    int RulesPassing(int kind, const std::vector<double>& thresholds) const {
        int n = 0;
        for (const Rule& r : rules) {
            for (int k = 0; k < info.GetNoDecVal(); ++k) {
                if (info.GetDecVal(k) == r.decision) {
                    n += Passes(r, kind, thresholds[static_cast<size_t>(k)]);
                    break;
                }
            }
        }
        return n;
    }

    long tieDraws = 0;

private:
    struct Rule {
        std::vector<std::pair<int, int>> descriptors;
        int decision = 0;
        int p = 0;
        double w = 0;
        std::vector<int> objects;
    };

    static int Holding(const Rule& r, const TTable& t, int o) {
        int n = 0;
        for (auto [a, v] : r.descriptors) n += t.Value(o, a) == v;
        return n;
    }
    static bool Matches(const Rule& r, const TTable& t, int o) {
        return Holding(r, t, o) == static_cast<int>(r.descriptors.size());
    }
    static bool Passes(const Rule& r, int kind, double h) {
        if (kind == 0) return r.p >= std::trunc(h);
        if (kind == 1) return r.w >= h;
        return r.p * r.w >= h;
    }

    const TDValInfo& info;
    std::vector<Rule> rules;
};

// Per class, the middle of the range of the kind's scores of its rules, so that some rules
// of every class pass and some do not.
std::vector<double> MiddleThresholds(const SplitRules& s, int kind) {
    std::vector<double> h;
    for (int k = 0; k < s.info.GetNoDecVal(); ++k) {
        double low = 1e9, high = -1e9;
        s.memory.GetMinMaxWeight(kind, s.info.GetDecVal(k), low, high);
        h.push_back((low + high) / 2);
    }
    return h;
}

class RealTableVoting : public ::testing::TestWithParam<const char*> {
protected:
    static void SetUpTestSuite() { SetFixedClockSecond(1234); }
    void SetUp() override { split = LoadSplitRules(GetParam()); }
    void TearDown() override { ResetRandomForTests(); }
    std::unique_ptr<SplitRules> split;
    LogCapture log;
};

TEST_P(RealTableVoting, ClassifyTableAndLabelTableAgreeWithThePlainScorer) {
    SplitRules& s = *split;
    ASSERT_GT(s.memory.GetNoRules(), 50);
    ReferenceVoter reference(s.memory, s.info);
    for (int kind : {-1, 0, 1, 2}) {
        const std::vector<double> thresholds = MiddleThresholds(s, kind < 0 ? 0 : kind);
        if (kind >= 0) {
            // The thresholds come from GetMinMaxWeight: check its range against the rules.
            for (int k = 0; k < s.info.GetNoDecVal(); ++k) {
                auto [low, high] = reference.ScoreRange(kind, s.info.GetDecVal(k));
                EXPECT_EQ(thresholds[static_cast<size_t>(k)], (low + high) / 2);
            }
            EXPECT_EQ(s.memory.GetNoRule(s.info, kind, thresholds.data()), reference.RulesPassing(kind, thresholds));
        }
        for (int method = 0; method <= 9; ++method) {
            SCOPED_TRACE("kind " + std::to_string(kind) + " method " + std::to_string(method));
            ResetRandomForTests();
            int errors = -1;
            s.memory.ClassifyTable(s.info, method, s.test, errors, kind, thresholds.data());
            ResetRandomForTests();
            const ReferenceVoter::TableResult expected = reference.Classify(method, s.test, kind, thresholds);
            EXPECT_EQ(errors, expected.errors);
            EXPECT_EQ(s.info.GetAccuracy(), expected.totalAccuracy);
            EXPECT_EQ(s.info.GetCoverage(), expected.totalCoverage);
            for (int k = 0; k < s.info.GetNoDecVal(); ++k) {
                EXPECT_EQ(s.info.GetDistrib(k), expected.accuracy[static_cast<size_t>(k)]) << k;
                EXPECT_EQ(s.info.GetDecValCov(k), expected.coverage[static_cast<size_t>(k)]) << k;
            }
            if (method == 6 || method == 9) {
                EXPECT_EQ(s.info.GetCoverage(), 0.0);
            } else {
                EXPECT_GT(s.info.GetCoverage(), 0.0);
            }

            TTable labelled;
            labelled = s.test;
            ResetRandomForTests();
            s.memory.LabelTable(s.info, method, labelled, kind, thresholds.data());
            EXPECT_EQ(Column(labelled, labelled.GetNoAttr() - 1), expected.predicted);
        }
    }
    // The rule of ties was put to work, not only written down (vote.tab's scores never tie).
    if (std::string(GetParam()) == "breast-cancer.tab") {
        EXPECT_GT(reference.tieDraws, 0);
    }
}

TEST_P(RealTableVoting, SingleObjectsTheRawVotesAndClassScoresAgreeWithThePlainScorer) {
    SplitRules& s = *split;
    ReferenceVoter reference(s.memory, s.info);
    const std::vector<double> noThresholds(static_cast<size_t>(s.info.GetNoDecVal()), 0.0);
    const std::vector<double> thresholds = MiddleThresholds(s, 1);
    for (int o = 0; o < s.test.GetNoObj(); o += 7) {
        for (int k = 0; k < s.info.GetNoDecVal(); ++k) {
            const int d = s.info.GetDecVal(k);
            for (double h : {0.0, thresholds[static_cast<size_t>(k)]}) {
                SCOPED_TRACE("object " + std::to_string(o) + " class " + std::to_string(k) + " h " + std::to_string(h));
                const TRulMemory& m = s.memory;
                const TTable& t = s.test;
                EXPECT_EQ(m.VoteSumSupport(t, o, d, h, 1), reference.Raw(0, d, t, o, h, 1));
                EXPECT_EQ(m.VoteMaxSupport(t, o, d, h, 1), reference.Raw(1, d, t, o, h, 1));
                EXPECT_EQ(m.VoteCoveredObjects(t, o, d, h, 1), reference.Raw(2, d, t, o, h, 1));
                EXPECT_EQ(m.VoteMaxWeight(t, o, d, h, 1), reference.Raw(3, d, t, o, h, 1));
                EXPECT_EQ(m.VoteProbSum(t, o, d, h, 1), reference.Raw(4, d, t, o, h, 1));
                EXPECT_EQ(m.VoteSupportLength(t, o, d), reference.Raw(5, d, t, o, 0.0, 1));
                EXPECT_EQ(m.VoteMaxSupportWeight(t, o, d, h, 1), reference.Raw(7, d, t, o, h, 1));
                EXPECT_EQ(m.VoteSumSupportWeight(t, o, d, h, 1), reference.Raw(8, d, t, o, h, 1));
            }
            for (int method = 0; method <= 9; ++method) {
                const double expected = method == 5 ? 0.0 : reference.Score(method, k, s.test, o, 0.0, 0);
                EXPECT_EQ(s.memory.ClassScore(s.info, k, s.test, o, method), expected) << method;
            }
        }
        for (int method = 0; method <= 9; ++method) {
            ResetRandomForTests();
            int predicted = -5;
            const int result = s.memory.ClassifyObject(s.info, method, s.test, o, predicted);
            ResetRandomForTests();
            double best = 0;
            const int expected = method == 5 ? kNone : reference.Choose(method, s.test, o, noThresholds, 0, best);
            if (method == 5) best = 0;
            EXPECT_EQ(predicted, expected) << method;
            EXPECT_EQ(result, best == 0 ? -1 : expected == s.test.Value(o, s.test.GetNoAttr() - 1) ? 1 : 0);
            for (int k = 0; k < s.info.GetNoDecVal(); ++k) {
                const double score = method == 5 ? 0.0 : reference.Score(method, k, s.test, o, 0.0, 0);
                EXPECT_EQ(s.info.GetDistrib(k), score) << method;
            }
        }
    }
}

TEST_P(RealTableVoting, EvaluateVoteMethodsKeepsTheFirstStrictlyBestAccuracy) {
    SplitRules& s = *split;
    ReferenceVoter reference(s.memory, s.info);
    const std::vector<double> noThresholds(static_cast<size_t>(s.info.GetNoDecVal()), 0.0);
    ResetRandomForTests();
    double bestAcc = -1;
    const int method = s.memory.EvaluateVoteMethods(s.test, s.info, bestAcc);
    ResetRandomForTests();
    double expectedBest = 0;
    int expectedMethod = 1;
    for (int m : {0, 1, 2, 3, 4, 7, 8}) {
        int correct = 0, classified = 0;
        for (int o = 0; o < s.test.GetNoObj(); ++o) {
            double best = 0;
            const int predicted = reference.Choose(m, s.test, o, noThresholds, 0, best);
            if (best == 0) continue;
            ++classified;
            correct += predicted == s.test.Value(o, s.test.GetNoAttr() - 1);
        }
        const double accuracy = classified > 0 ? static_cast<double>(correct) / classified : 0.0;
        if (accuracy > expectedBest) {
            expectedBest = accuracy;
            expectedMethod = m;
        }
    }
    EXPECT_EQ(method, expectedMethod);
    EXPECT_EQ(bestAcc, expectedBest);
    EXPECT_GT(bestAcc, 0.5);
}

INSTANTIATE_TEST_SUITE_P(EvenRulesOddObjects, RealTableVoting, ::testing::Values("breast-cancer.tab", "vote.tab"),
                         [](const auto& info) { return std::string(info.param).substr(0, info.param[0] == 'b' ? 6 : 4); });


// ---- Hand-made rule sets

// A memory in quiet mode holding the given rules, each evaluated on t (CalcRulesInfo mode 2)
// unless told otherwise.
struct HandRules {
    explicit HandRules(const TTable& t, bool evaluate = true) : t(t), evaluate(evaluate) {}
    TRuleComp* Add(std::unique_ptr<TRuleComp> rule) {
        TRuleComp* kept = rule.get();
        if (evaluate) rule->CalcInfo(t, 2);
        QuietModeGuard quiet;
        memory.InsertRule(std::move(rule));
        return kept;
    }
    const TTable& t;
    bool evaluate;
    TRulMemory memory;
};

// Objects 0-3 have conditions (0, 0), (0, 1), (1, 0), (1, 1); decisions 0, 1, 2, 0.
std::unique_ptr<TTable> FourObjects() { return MakeTable({{0, 0, 0}, {0, 1, 1}, {1, 0, 2}, {1, 1, 0}}); }

TEST(RuleVoting, ProbabilisticSumAddsEachWeightToWhatIsLeft) {
    auto t = FourObjects();
    HandRules hand(*t, false);
    hand.Add(RuleOf({{0, 0}}, 1))->SetWeight(0.5);
    hand.Add(RuleOf({{1, 0}}, 1))->SetWeight(0.5);
    hand.Add(RuleOf({{0, 1}}, 1))->SetWeight(1.0);
    hand.Add(RuleOf({{1, 1}}, 1))->SetWeight(0.25);
    EXPECT_EQ(hand.memory.VoteProbSum(*t, 0, 1, 0.0, 0), 0.75);
    // A weight of 1.0 leaves 1.0 whatever follows.
    EXPECT_EQ(hand.memory.VoteProbSum(*t, 3, 1, 0.0, 0), 1.0);
    // Only the rules of the decision asked for vote.
    EXPECT_EQ(hand.memory.VoteProbSum(*t, 0, 0, 0.0, 0), 0.0);
    // Kind 1 with a threshold: only weights of at least 0.6 vote.
    EXPECT_EQ(hand.memory.VoteProbSum(*t, 0, 1, 0.6, 1), 0.0);
    EXPECT_EQ(hand.memory.VoteProbSum(*t, 3, 1, 0.6, 1), 1.0);
}

TEST(RuleVoting, SupportsAreTheObjectTreesWhileMethodFiveTakesTheSupportField) {
    auto t = MakeTable({{0, 0, 1}, {0, 1, 1}, {0, 1, 1}, {1, 1, 0}, {0, 0, 0}});
    HandRules hand(*t);
    // (0=0) -> 1 matches objects 0, 1, 2 of decision 1 and object 4 of 0; (1=1) -> 1 matches
    // 1, 2 (and 3 of decision 0).
    TRuleComp* wide = hand.Add(RuleOf({{0, 0}}, 1));
    TRuleComp* narrow = hand.Add(RuleOf({{1, 1}}, 1));
    ASSERT_EQ(wide->GetPosSupport(), 3);
    ASSERT_EQ(narrow->GetPosSupport(), 2);
    const TRulMemory& m = hand.memory;
    // Object 0 is matched by the wide rule only: 3 of the class's 3 + 2.
    EXPECT_EQ(m.VoteSumSupport(*t, 0, 1, 0.0, 0), 3.0 / 5.0);
    // A threshold keeps the narrow rule from voting for object 1 but not from the divisor.
    EXPECT_EQ(m.VoteSumSupport(*t, 1, 1, 0.0, 0), 1.0);
    EXPECT_EQ(m.VoteSumSupport(*t, 1, 1, 3.0, 0), 3.0 / 5.0);
    EXPECT_EQ(m.VoteMaxSupport(*t, 1, 1, 0.0, 0), 3.0);
    EXPECT_EQ(m.VoteCoveredObjects(*t, 1, 1, 0.0, 0), 3.0);  // {0, 1, 2} and {1, 2}
    // Method 5: p x n x holding, a partial match included: object 3 holds (1=1) only.
    EXPECT_EQ(m.VoteSupportLength(*t, 3, 1), 2.0 * 1 * 1);
    EXPECT_EQ(m.VoteSupportLength(*t, 1, 1), 3.0 + 2.0);

    // A support field that the tree does not back: s(r) is the tree, the field serves
    // method 5 alone, and every read of the missing tree is a warning.
    LogCapture log;
    auto t2 = FourObjects();
    HandRules bare(*t2, false);
    TRuleComp* r = bare.Add(RuleOf({{0, 0}}, 1));
    r->SetPosSupport(4);
    r->SetWeight(1.0);
    EXPECT_EQ(bare.memory.VoteMaxSupport(*t2, 0, 1, 0.0, 0), 0.0);
    EXPECT_EQ(bare.memory.VoteMaxSupportWeight(*t2, 0, 1, 0.0, 0), 0.0);
    EXPECT_EQ(bare.memory.VoteSupportLength(*t2, 0, 1), 4.0 * 1 * 1);
    EXPECT_EQ(bare.memory.VoteMaxWeight(*t2, 0, 1, 0.0, 0), 1.0);
    EXPECT_EQ(TextLines(log.Text()),
              std::vector<std::string>(2, "Warning: RecPosObjInfo is NULL! (TRuleComp::GetRecPosObjInfo())"));
}

TEST(RuleVoting, AClassWithoutObjectsScoresZeroWhereItsSizeDivides) {
    auto t = FourObjects();
    HandRules hand(*t);
    hand.Add(RuleOf({{1, 1}}, 1));
    TDValInfo info;
    info.AddDecVal(1);  // one object of class 1, then the count goes
    info.CountObjFromTable(*MakeTable({{0, 0, 5}}));
    ASSERT_EQ(info.GetDCNoObj(0), 0);
    int predicted = 0;
    for (int method : {1, 2, 7}) {
        EXPECT_EQ(hand.memory.ClassifyObject(info, method, *t, 1, predicted), -1) << method;
        EXPECT_EQ(predicted, kNone);
        EXPECT_EQ(hand.memory.ClassScore(info, 0, *t, 1, method), 0.0) << method;
    }
    EXPECT_EQ(hand.memory.ClassifyObject(info, 3, *t, 1, predicted), 1);
    EXPECT_EQ(predicted, 1);
}

TEST(RuleVoting, AnEqualBestScoreTakesOverAlwaysOnceThenByTheDraw) {
    SetFixedClockSecond(99);
    // Three classes, each with one rule of weight 0.5 matching every object.
    auto t = MakeTable({{0, 7}, {0, 8}, {0, 9}});
    HandRules hand(*t, false);
    for (int d : {7, 8, 9}) hand.Add(RuleOf({{0, 0}}, d))->SetWeight(0.5);
    TDValInfo two, three;
    two.AddDecVal(7);
    two.AddDecVal(8);
    for (int d : {7, 8, 9}) three.AddDecVal(d);

    // Two classes: the second wins every time, and RandomInt(1) is drawn all the same.
    ResetRandomForTests();
    for (int i = 0; i < 50; ++i) {
        int predicted = 0;
        hand.memory.ClassifyObject(two, 3, *t, 0, predicted);
        EXPECT_EQ(predicted, 8);
    }
    const int afterFifty = Rand();
    ResetRandomForTests();
    for (int i = 0; i < 50; ++i) RandomInt(1);
    EXPECT_EQ(afterFifty, Rand());

    // Three classes: 7 never; 9 replaces 8 about half of the time.
    ResetRandomForTests();
    int nines = 0;
    for (int i = 0; i < 2000; ++i) {
        int predicted = 0;
        const int result = hand.memory.ClassifyObject(three, 3, *t, 2, predicted);
        EXPECT_EQ(result, predicted == 9 ? 1 : 0);
        EXPECT_NE(predicted, 7);
        nines += predicted == 9;
    }
    EXPECT_GT(nines, 900);
    EXPECT_LT(nines, 1100);
    ResetRandomForTests();
}

TEST(RuleVoting, NothingMatchedClassifiesNothing) {
    auto t = FourObjects();
    auto other = MakeTable({{5, 5, 0}, {6, 6, 1}});
    HandRules hand(*t);
    hand.Add(RuleOf({{0, 0}}, 0));
    hand.Add(RuleOf({{0, 1}}, 1));
    TDValInfo info;
    info.CalcFromTable(*t);
    for (int method = 0; method <= 8; ++method) {
        int predicted = 0;
        EXPECT_EQ(hand.memory.ClassifyObject(info, method, *other, 0, predicted), -1) << method;
        EXPECT_EQ(predicted, kNone);
        int errors = -1;
        hand.memory.ClassifyTable(info, method, *other, errors, -1, nullptr);
        EXPECT_EQ(errors, 0);
        EXPECT_EQ(info.GetCoverage(), 0.0);
        EXPECT_EQ(info.GetAccuracy(), 0.0);
        for (int k = 0; k < info.GetNoDecVal(); ++k) {
            EXPECT_EQ(info.GetDistrib(k), 0.0);
            EXPECT_EQ(info.GetDecValCov(k), 0.0);
        }
    }
    double best = -1;
    EXPECT_EQ(hand.memory.EvaluateVoteMethods(*other, info, best), 1);
    EXPECT_EQ(best, 0.0);
    TTable labelled;
    labelled = *other;
    hand.memory.LabelTable(info, 3, labelled, -1, nullptr);
    EXPECT_EQ(Column(labelled, 2), (std::vector<int>{kNone, kNone}));

    // Without any rule: no score, and the prediction is not touched.
    TRulMemory empty;
    info.SetDecInfo(0, 0.5);
    int predicted = 42;
    EXPECT_EQ(empty.ClassifyObject(info, 3, *t, 0, predicted), -1);
    EXPECT_EQ(predicted, 42);
    EXPECT_EQ(info.GetDistrib(0), 0.0);
    EXPECT_EQ(empty.VoteSumSupport(*t, 0, 0, 0.0, 0), 0.0);
    EXPECT_EQ(empty.VoteCoveredObjects(*t, 0, 0, 0.0, 0), 0.0);
    EXPECT_EQ(empty.VoteSupportLength(*t, 0, 0), 0.0);
    EXPECT_EQ(empty.GetNoRule(info, 0, nullptr), 0);
    double low = 3, high = 4;
    empty.GetMinMaxWeight(1, 0, low, high);
    EXPECT_EQ(low, 0.0);
    EXPECT_EQ(high, 0.0);
}

TEST(RuleVoting, ObjectsOfAnUnknownDecisionAreErrorsAndTheClassEntriesAreShares) {
    // Decisions 0, 1, 2, 0; the rules know classes 0 and 1 only, and classify every object.
    auto t = FourObjects();
    HandRules hand(*t);
    hand.Add(RuleOf({{0, 0}}, 0));  // objects 0, 1: one right
    hand.Add(RuleOf({{0, 1}}, 1));  // objects 2, 3: both wrong, object 2 of decision 2
    TDValInfo info;
    info.AddDecVal(0);
    info.AddDecVal(1);
    int errors = -1;
    hand.memory.ClassifyTable(info, 3, *t, errors, -1, nullptr);
    // Object 0 right; 1 (class 1 said 0), 2 (decision 2) and 3 (class 0 said 1) wrong.
    EXPECT_EQ(errors, 3);
    EXPECT_EQ(info.GetAccuracy(), 0.25);
    EXPECT_EQ(info.GetCoverage(), 1.0);
    EXPECT_EQ(info.GetDistrib(0), 0.5);   // class 0: objects 0 and 3 classified, 0 right
    EXPECT_EQ(info.GetDecValCov(0), 1.0);
    EXPECT_EQ(info.GetDistrib(1), 0.0);   // class 1: object 1 classified, wrongly
    EXPECT_EQ(info.GetDecValCov(1), 1.0);
}

TEST(RuleVoting, RulesOfAClassOutsideTheClassListEndTheCount) {
    auto t = FourObjects();
    HandRules hand(*t);
    hand.Add(RuleOf({{0, 0}}, 0));
    hand.Add(RuleOf({{1, 1}}, 2));
    TDValInfo info;
    info.AddDecVal(0);
    info.AddDecVal(2);
    const double thresholds[] = {1.0, 2.0};
    EXPECT_EQ(hand.memory.GetNoRule(info, 0, thresholds), 1);  // supports 1 and 1
    TDValInfo partial;
    partial.AddDecVal(0);
    EXPECT_EQ(StdoutOfExit(144, [&] { hand.memory.GetNoRule(partial, 0, thresholds); }), "BLAD TLeaf::GetNoRule\n");
}

TEST(RuleVoting, NodesWhoseRulesMovedOutArePassedBy) {
    auto t = FourObjects();
    HandRules hand(*t);
    hand.Add(RuleOf({{0, 1}}, 2));
    hand.Add(RuleOf({{0, 0}}, 0));
    hand.Add(RuleOf({{1, 1}}, 0));
    hand.Add(RuleOf({{1, 1}}, 1));
    TRulMemory moved;
    {
        QuietModeGuard quiet;
        hand.memory.MoveRules(hand.memory.GetRoot()->GetLeft(), moved);
    }
    ASSERT_EQ(hand.memory.GetRoot()->GetLeft()->GetRule(), nullptr);
    TDValInfo info;
    info.CalcFromTable(*t);
    // What is left: (0=1) -> 2, (1=1) -> 0, (1=1) -> 1.
    EXPECT_EQ(hand.memory.VoteSumSupport(*t, 3, 0, 0.0, 0), 1.0);
    EXPECT_EQ(hand.memory.VoteMaxWeight(*t, 0, 0, 0.0, 0), 0.0);
    int errors = 0;
    hand.memory.ClassifyTable(info, 0, *t, errors, -1, nullptr);
    EXPECT_EQ(info.GetCoverage(), 0.75);
    const double thresholds[] = {0.0, 0.0, 0.0};
    EXPECT_EQ(hand.memory.GetNoRule(info, 0, thresholds), 3);
    double low = 9, high = -9;
    hand.memory.GetMinMaxWeight(0, 0, low, high);
    EXPECT_EQ(low, 1.0);
    EXPECT_EQ(high, 1.0);
    TRulMemory shortened;
    hand.memory.ShortenRules(*t, 0.5f, shortened);
    EXPECT_EQ(shortened.GetNoRules(), 3);
}

// ---- Class thresholds

struct Roc {
    double sensitivity = 0, specificity = 0, accuracy = 0, area = 0;
};

// The curve as written: every point of the array, unreached ones (0, 0), swept in single
// precision, the points ordered by x and then y.
Roc LiteralSweep(const std::vector<double>& scores, const std::vector<bool>& member, int steps) {
    const int n = steps > 1 ? steps : 250;
    std::vector<std::pair<double, double>> points(static_cast<size_t>(n), {0.0, 0.0});
    const float step = 1.0f / static_cast<float>(n - 1);
    float theta = 1.0f - step;
    double bestDistance = 10.0;
    Roc r;
    for (int i = 1; theta > 0; ++i, theta -= step) {
        double tp = 0, fp = 0, fn = 0, tn = 0;
        for (size_t o = 0; o < scores.size(); ++o) {
            if (scores[o] >= theta) {
                (member[o] ? tp : fp) += 1;
            } else {
                (member[o] ? fn : tn) += 1;
            }
        }
        const double sens = tp + fn > 0 ? tp / (tp + fn) : 0.0;
        const double spec = tn + fp > 0 ? tn / (tn + fp) : 0.0;
        const double acc = scores.empty() ? 0.0 : (tp + tn) / (tp + tn + fp + fn);
        if (i < n) points[static_cast<size_t>(i)] = {1 - spec, sens};
        const double distance = std::sqrt((spec - 1) * (spec - 1) + (1 - sens) * (1 - sens));
        if (distance < bestDistance) {
            bestDistance = distance;
            r = Roc{sens, spec, acc, 0};
        }
    }
    points[static_cast<size_t>(n - 1)] = {1.0, 1.0};
    std::sort(points.begin(), points.end());
    for (int i = 0; i + 1 < n; ++i) {
        const auto& [x0, y0] = points[static_cast<size_t>(i)];
        const auto& [x1, y1] = points[static_cast<size_t>(i + 1)];
        r.area += std::fabs(x1 - x0) * (y1 + y0);
    }
    r.area /= 2.0;
    return r;
}

Roc Thresholds(const TRulMemory& m, const TDValInfo& info, int k, const TTable& t, int method, int steps) {
    Roc r{-1, -1, -1, -1};
    m.CalcClassThresholds(info, k, t, method, steps, r.sensitivity, r.specificity, r.accuracy, r.area);
    return r;
}

void ExpectSame(const Roc& got, const Roc& expected) {
    EXPECT_EQ(got.sensitivity, expected.sensitivity);
    EXPECT_EQ(got.specificity, expected.specificity);
    EXPECT_EQ(got.accuracy, expected.accuracy);
    EXPECT_EQ(got.area, expected.area);
}

TEST_P(RealTableVoting, ClassThresholdsAgreeWithTheLiteralSweep) {
    SplitRules& s = *split;
    ReferenceVoter reference(s.memory, s.info);
    std::vector<bool> member;
    for (int k = 0; k < s.info.GetNoDecVal(); ++k) {
        member.clear();
        for (int o = 0; o < s.test.GetNoObj(); ++o) member.push_back(s.test.Value(o, s.test.GetNoAttr() - 1) == s.info.GetDecVal(k));
        for (int method = 0; method <= 9; ++method) {
            std::vector<double> scores;
            for (int o = 0; o < s.test.GetNoObj(); ++o) {
                scores.push_back(method == 5 ? 0.0 : reference.Score(method, k, s.test, o, 0.0, 0));
            }
            // 20,000 steps: the single-precision threshold passes 0 long before the last point.
            for (int steps : {0, 2, 17, 20000}) {
                SCOPED_TRACE("class " + std::to_string(k) + " method " + std::to_string(method) + " steps " + std::to_string(steps));
                const Roc got = Thresholds(s.memory, s.info, k, s.test, method, steps);
                ExpectSame(got, LiteralSweep(scores, member, steps));
                if (method != 5 && method != 6 && method != 9 && steps == 0) {
                    EXPECT_GT(got.area, 0.5);
                }
            }
        }
    }
}

TEST(ClassThresholds, APerfectSeparationGivesOnesAndTheCurveClimbsBeforeItMoves) {
    // Class 1 objects score 0.9 or 0.2 under method 3, class 0 objects 0.
    auto t = MakeTable({{0, 0, 1}, {0, 1, 1}, {1, 0, 0}, {1, 1, 0}, {0, 0, 1}});
    HandRules hand(*t, false);
    hand.Add(RuleOf({{0, 0}, {1, 0}}, 1))->SetWeight(0.9);
    hand.Add(RuleOf({{0, 0}}, 1))->SetWeight(0.2);
    hand.Add(RuleOf({{0, 1}}, 0))->SetWeight(0.0);
    TDValInfo info;
    info.CalcFromTable(*t);
    ASSERT_EQ(info.GetDecVal(0), 1);
    for (int steps : {0, 11, 1}) {
        const Roc r = Thresholds(hand.memory, info, 0, *t, 3, steps);
        EXPECT_EQ(r.sensitivity, 1.0);
        EXPECT_EQ(r.specificity, 1.0);
        EXPECT_EQ(r.accuracy, 1.0);
        EXPECT_EQ(r.area, 1.0);
    }
    // Steps 1 means 250, as 0 does.
    std::vector<double> scores{0.9, 0.2, 0.0, 0.0, 0.9};
    std::vector<bool> member{true, true, false, false, true};
    ExpectSame(Thresholds(hand.memory, info, 0, *t, 3, 1), LiteralSweep(scores, member, 250));

    // Two points: the threshold starts at 0, nothing is swept, the curve is the diagonal.
    const Roc two = Thresholds(hand.memory, info, 0, *t, 3, 2);
    EXPECT_EQ(two.sensitivity, 0.0);
    EXPECT_EQ(two.specificity, 0.0);
    EXPECT_EQ(two.accuracy, 0.0);
    EXPECT_EQ(two.area, 0.5);

    // A step too small to move a single-precision 1.0 ends the sweep after one point.
    const Roc fine = Thresholds(hand.memory, info, 0, *t, 3, 1 << 26);
    EXPECT_EQ(fine.sensitivity, 0.0);
    EXPECT_EQ(fine.specificity, 1.0);
    EXPECT_EQ(fine.area, 0.5);

    // A class without objects in the table: its sensitivity is 0, the rest from the others.
    auto noOnes = MakeTable({{1, 0, 0}, {1, 1, 0}});
    const Roc none = Thresholds(hand.memory, info, 0, *noOnes, 3, 0);
    EXPECT_EQ(none.sensitivity, 0.0);
    EXPECT_EQ(none.specificity, 1.0);
    EXPECT_EQ(none.accuracy, 1.0);
}

}  // namespace
