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
#include "core/int_tree.h"
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
            Rule rule{{}, r->GetDecision(), r->GetPosSupport(), r->GetWeight(), {}};
            for (int i = 0; i < r->GetBlock()->GetNoDesc(); ++i) {
                rule.desc.emplace_back(r->GetBlock()->GetAttr(i), r->GetBlock()->GetValue(i));
            }
            TIntSack keys;
            if (const TIntTree* tree = r->GetRecPosObjInfo()) tree->GetKeys(keys);
            rule.objects.assign(keys.begin(), keys.end());
            rules.push_back(rule);
        }
    }

    // The score before the division by |d| of methods 1, 2 and 7.
    double Raw(int method, int d, const TTable& t, int o, double h, int kind) const {
        double a = 0.0, b = 0.0;  // the score or the sum above the division; the divisor
        std::set<int> covered;
        for (const Rule& r : rules) {
            if (r.decision != d) continue;
            const double s = static_cast<double>(r.objects.size());
            const bool votes = Matches(r, t, o) && (h <= 0.0 || Passes(r, kind, h));
            if (method == 0) {
                a += votes ? s : 0.0;
                b += s;
            } else if (method == 1 && votes) {
                a = std::max(a, s);
            } else if (method == 2 && votes) {
                covered.insert(r.objects.begin(), r.objects.end());
            } else if (method == 3 && votes) {
                a = std::max(a, r.w);
            } else if (method == 4 && votes && r.w > 0) {
                a = a + r.w - a * r.w;
            } else if (method == 5 && r.p > 0) {
                a += static_cast<double>(r.p) * static_cast<double>(r.desc.size()) * Holding(r, t, o);
            } else if (method == 7 && votes && r.w > 0 && s > 0) {
                a = std::max(a, s * r.w);
            } else if (method == 8 && r.w > 0 && s > 0) {
                a += votes ? s * r.w : 0.0;
                b += s * r.w;
            }
        }
        if (method == 0 || method == 8) return b > 0 ? a / b : 0.0;
        if (method == 2) return static_cast<double>(covered.size());
        return method == 6 || method > 8 ? 0.0 : a;
    }

    double Score(int method, int k, const TTable& t, int o, double h = 0.0, int kind = 0) const {
        const double raw = Raw(method, info.GetDecVal(k), t, o, h, kind);
        if (method != 1 && method != 2 && method != 7) return raw;
        return raw > 0 && info.GetDCNoObj(k) > 0 ? raw / info.GetDCNoObj(k) : 0.0;
    }

    // The class by the rule of ties; best stays 0 when nothing scores above 0.
    int Choose(int method, const TTable& t, int o, const std::vector<double>& h, int kind, double& best) {
        int predicted = kNone, ties = 0;
        best = 0.0;
        for (int k = 0; k < info.GetNoDecVal(); ++k) {
            const double score = Score(method, k, t, o, h[static_cast<size_t>(k)], kind);
            if (score > best) {
                predicted = info.GetDecVal(k);
                best = score;
                ties = 0;
            } else if (score > 0 && score == best) {
                ++tieDraws;
                if (RandomInt(++ties) == 0) predicted = info.GetDecVal(k);
            }
        }
        return predicted;
    }

    struct TableResult {
        std::vector<double> accuracy, coverage;
        double totalAccuracy = 0, totalCoverage = 0;
        int errors = 0;
        std::vector<int> predicted;
    };

    TableResult Classify(int method, const TTable& t, int kind, const std::vector<double>& thresholds) {
        const size_t classes = static_cast<size_t>(info.GetNoDecVal());
        const std::vector<double> h = kind != -1 && method != 5 ? thresholds : std::vector<double>(classes, 0.0);
        TableResult r;
        std::vector<int> correct(classes), classified(classes), members(classes);
        int unclassified = 0;
        for (int o = 0; o < t.GetNoObj(); ++o) {
            const int a = t.Value(o, t.GetNoAttr() - 1);
            double best = 0;
            r.predicted.push_back(Choose(method, t, o, h, kind, best));
            size_t k = 0;
            while (k < classes && info.GetDecVal(static_cast<int>(k)) != a) ++k;
            if (k < classes) ++members[k];
            if (best == 0) {
                ++unclassified;
                continue;
            }
            if (k < classes) ++classified[k];
            if (k < classes && r.predicted.back() == a) {
                ++correct[k];
            } else {
                ++r.errors;
            }
        }
        for (size_t k = 0; k < classes; ++k) {
            r.accuracy.push_back(classified[k] > 0 ? static_cast<double>(correct[k]) / classified[k] : 0.0);
            r.coverage.push_back(members[k] > 0 ? static_cast<double>(classified[k]) / members[k] : 0.0);
        }
        const int n = t.GetNoObj(), done = n - unclassified;
        r.totalCoverage = n > 0 ? static_cast<double>(done) / n : 0.0;
        r.totalAccuracy = done > 0 ? static_cast<double>(done - r.errors) / done : 0.0;
        return r;
    }

    // Per class, the middle of the range of the kind's scores of its rules, so that some
    // rules of every class pass and some do not; and how many rules pass.
    std::vector<double> MiddleThresholds(int kind) const {
        std::vector<double> h;
        for (int k = 0; k < info.GetNoDecVal(); ++k) {
            double low = 1e300, high = -1e300;
            for (const Rule& r : rules) {
                if (r.decision != info.GetDecVal(k)) continue;
                low = std::min(low, Kind(r, kind));
                high = std::max(high, Kind(r, kind));
            }
            h.push_back((low + high) / 2);
        }
        return h;
    }
    int RulesPassing(int kind, const std::vector<double>& h) const {
        int n = 0;
        for (const Rule& r : rules) {
            for (int k = 0; k < info.GetNoDecVal(); ++k) {
                n += info.GetDecVal(k) == r.decision && Passes(r, kind, h[static_cast<size_t>(k)]);
            }
        }
        return n;
    }

    long tieDraws = 0;

private:
    struct Rule {
        std::vector<std::pair<int, int>> desc;
        int decision, p;
        double w;
        std::vector<int> objects;
    };
    static int Holding(const Rule& r, const TTable& t, int o) {
        int n = 0;
        for (auto [a, v] : r.desc) n += t.Value(o, a) == v;
        return n;
    }
    static bool Matches(const Rule& r, const TTable& t, int o) {
        for (auto [a, v] : r.desc) {
            if (t.Value(o, a) != v) return false;
        }
        return true;
    }
    static double Kind(const Rule& r, int kind) { return kind == 0 ? r.p : kind == 1 ? r.w : r.p * r.w; }
    static bool Passes(const Rule& r, int kind, double h) { return Kind(r, kind) >= (kind == 0 ? std::trunc(h) : h); }

    const TDValInfo& info;
    std::vector<Rule> rules;
};

class RealTableVoting : public ::testing::TestWithParam<const char*> {
protected:
    static void SetUpTestSuite() { SetFixedClockSecond(1234); }
    void SetUp() override {
        split = LoadSplitRules(GetParam());
        reference = std::make_unique<ReferenceVoter>(split->memory, split->info);
    }
    void TearDown() override { ResetRandomForTests(); }
    std::unique_ptr<SplitRules> split;
    std::unique_ptr<ReferenceVoter> reference;
    LogCapture log;
};

TEST_P(RealTableVoting, ClassifyTableAndLabelTableAgreeWithThePlainScorer) {
    SplitRules& s = *split;
    ASSERT_GT(s.memory.GetNoRules(), 50);
    for (int kind : {-1, 0, 1, 2}) {
        const std::vector<double> thresholds = reference->MiddleThresholds(kind < 0 ? 0 : kind);
        for (int k = 0; kind >= 0 && k < s.info.GetNoDecVal(); ++k) {
            double low = 1e9, high = -1e9;
            s.memory.GetMinMaxWeight(kind, s.info.GetDecVal(k), low, high);
            EXPECT_EQ((low + high) / 2, thresholds[static_cast<size_t>(k)]);
        }
        if (kind >= 0) {
            EXPECT_EQ(s.memory.GetNoRule(s.info, kind, thresholds.data()), reference->RulesPassing(kind, thresholds));
        }
        for (int method = 0; method <= 9; ++method) {
            SCOPED_TRACE("kind " + std::to_string(kind) + " method " + std::to_string(method));
            ResetRandomForTests();
            int errors = -1;
            s.memory.ClassifyTable(s.info, method, s.test, errors, kind, thresholds.data());
            ResetRandomForTests();
            const ReferenceVoter::TableResult expected = reference->Classify(method, s.test, kind, thresholds);
            EXPECT_EQ(errors, expected.errors);
            EXPECT_EQ(s.info.GetAccuracy(), expected.totalAccuracy);
            EXPECT_EQ(s.info.GetCoverage(), expected.totalCoverage);
            EXPECT_EQ(s.info.GetCoverage() > 0.0, method != 6 && method != 9);
            for (int k = 0; k < s.info.GetNoDecVal(); ++k) {
                EXPECT_EQ(s.info.GetDistrib(k), expected.accuracy[static_cast<size_t>(k)]) << k;
                EXPECT_EQ(s.info.GetDecValCov(k), expected.coverage[static_cast<size_t>(k)]) << k;
            }
            TTable labelled;
            labelled = s.test;
            ResetRandomForTests();
            s.memory.LabelTable(s.info, method, labelled, kind, thresholds.data());
            EXPECT_EQ(Column(labelled, labelled.GetNoAttr() - 1), expected.predicted);
        }
    }
    // The rule of ties was put to work, not only written down (vote.tab's scores never tie).
    EXPECT_EQ(reference->tieDraws > 0, std::string(GetParam()) == "breast-cancer.tab");
}

TEST_P(RealTableVoting, SupportMethodsAgreeAfterASaveAndReloadWithObjectLists) {
    SplitRules& s = *split;
    ScratchDir dir;
    const std::string file = dir.File("rules");
    s.memory.SaveRulesWithObjInfo(file.c_str());
    TRulMemory loaded;
    loaded.LoadRulesWithObjInfo(file.c_str());
    ASSERT_EQ(loaded.GetNoRules(), s.memory.GetNoRules());
    ReferenceVoter fromFile(loaded, s.info);
    // The file keeps the object lists and supports exactly (weights to six digits only).
    for (int kind : {-1, 0}) {
        const std::vector<double> thresholds = reference->MiddleThresholds(0);
        for (int method : {0, 1, 2, 5}) {
            SCOPED_TRACE("kind " + std::to_string(kind) + " method " + std::to_string(method));
            int errors = -1, errorsBefore = -2;
            ResetRandomForTests();
            s.memory.ClassifyTable(s.info, method, s.test, errorsBefore, kind, thresholds.data());
            const TDValInfo before = s.info;
            ResetRandomForTests();
            loaded.ClassifyTable(s.info, method, s.test, errors, kind, thresholds.data());
            ResetRandomForTests();
            const ReferenceVoter::TableResult expected = fromFile.Classify(method, s.test, kind, thresholds);
            EXPECT_EQ(errors, expected.errors);
            EXPECT_EQ(errors, errorsBefore);
            EXPECT_EQ(s.info.GetAccuracy(), expected.totalAccuracy);
            EXPECT_EQ(s.info.GetCoverage(), before.GetCoverage());
            for (int k = 0; k < s.info.GetNoDecVal(); ++k) {
                EXPECT_EQ(s.info.GetDistrib(k), expected.accuracy[static_cast<size_t>(k)]) << k;
                EXPECT_EQ(s.info.GetDistrib(k), before.GetDistrib(k)) << k;
                EXPECT_EQ(s.info.GetDecValCov(k), expected.coverage[static_cast<size_t>(k)]) << k;
            }
        }
    }
}

TEST_P(RealTableVoting, SingleObjectsRawVotesAndTheBestMethodAgreeWithThePlainScorer) {
    SplitRules& s = *split;
    const TRulMemory& m = s.memory;
    const TTable& t = s.test;
    const std::vector<double> none(static_cast<size_t>(s.info.GetNoDecVal()), 0.0);
    const std::vector<double> weights = reference->MiddleThresholds(1);
    for (int o = 0; o < t.GetNoObj(); o += 7) {
        for (int k = 0; k < s.info.GetNoDecVal(); ++k) {
            const int d = s.info.GetDecVal(k);
            using Vote = double (TRulMemory::*)(const TTable&, int, int, double, int) const;
            const std::pair<int, Vote> votes[] = {{0, &TRulMemory::VoteSumSupport}, {1, &TRulMemory::VoteMaxSupport},
                                                  {2, &TRulMemory::VoteCoveredObjects}, {3, &TRulMemory::VoteMaxWeight},
                                                  {4, &TRulMemory::VoteProbSum}, {7, &TRulMemory::VoteMaxSupportWeight},
                                                  {8, &TRulMemory::VoteSumSupportWeight}};
            for (double h : {0.0, weights[static_cast<size_t>(k)]}) {
                for (auto [method, vote] : votes) {
                    EXPECT_EQ((m.*vote)(t, o, d, h, 1), reference->Raw(method, d, t, o, h, 1)) << method;
                }
            }
            EXPECT_EQ(m.VoteSupportLength(t, o, d), reference->Raw(5, d, t, o, 0.0, 1));
            for (int method = 0; method <= 9; ++method) {
                EXPECT_EQ(m.ClassScore(s.info, k, t, o, method), method == 5 ? 0.0 : reference->Score(method, k, t, o)) << method;
            }
        }
        for (int method : {0, 1, 2, 3, 4, 5, 7, 8}) {
            ResetRandomForTests();
            int predicted = -5;
            const int result = m.ClassifyObject(s.info, method, t, o, predicted);
            ResetRandomForTests();
            double best = 0;
            const int expected = method == 5 ? kNone : reference->Choose(method, t, o, none, 0, best);
            EXPECT_EQ(predicted, expected) << method;
            EXPECT_EQ(result, best == 0 ? -1 : expected == t.Value(o, t.GetNoAttr() - 1) ? 1 : 0);
            for (int k = 0; k < s.info.GetNoDecVal(); ++k) {
                EXPECT_EQ(s.info.GetDistrib(k), method == 5 ? 0.0 : reference->Score(method, k, t, o)) << method;
            }
        }
    }

    ResetRandomForTests();
    double bestAcc = -1;
    const int method = m.EvaluateVoteMethods(t, s.info, bestAcc);
    ResetRandomForTests();
    double expectedBest = 0;
    int expectedMethod = 1;
    for (int candidate : {0, 1, 2, 3, 4, 7, 8}) {
        int correct = 0, classified = 0;
        for (int o = 0; o < t.GetNoObj(); ++o) {
            double best = 0;
            const int predicted = reference->Choose(candidate, t, o, none, 0, best);
            classified += best > 0;
            correct += best > 0 && predicted == t.Value(o, t.GetNoAttr() - 1);
        }
        const double accuracy = classified > 0 ? static_cast<double>(correct) / classified : 0.0;
        if (accuracy > expectedBest) {
            expectedBest = accuracy;
            expectedMethod = candidate;
        }
    }
    EXPECT_EQ(method, expectedMethod);
    EXPECT_EQ(bestAcc, expectedBest);
    EXPECT_GT(bestAcc, 0.5);
}

struct Roc {
    double sensitivity = 0, specificity = 0, accuracy = 0, area = 0;
    bool operator==(const Roc&) const = default;
};

// The curve as written: every point of the array, unreached ones (0, 0), swept in single
// precision, the points ordered by x and then y.
Roc LiteralSweep(const std::vector<double>& scores, const std::vector<bool>& member, int steps) {
    const int n = steps > 1 ? steps : 250;
    std::vector<std::pair<double, double>> points(static_cast<size_t>(n), {0.0, 0.0});
    const float step = 1.0f / static_cast<float>(n - 1);
    double bestDistance = 10.0;
    Roc r;
    int i = 1;
    for (float theta = 1.0f - step; theta > 0; ++i, theta -= step) {
        double tp = 0, fp = 0, fn = 0, tn = 0;
        for (size_t o = 0; o < scores.size(); ++o) {
            (scores[o] >= theta ? (member[o] ? tp : fp) : (member[o] ? fn : tn)) += 1;
        }
        const double sens = tp + fn > 0 ? tp / (tp + fn) : 0.0, spec = tn + fp > 0 ? tn / (tn + fp) : 0.0;
        if (i < n) points[static_cast<size_t>(i)] = {1 - spec, sens};
        const double distance = std::sqrt((spec - 1) * (spec - 1) + (1 - sens) * (1 - sens));
        if (distance < bestDistance) {
            bestDistance = distance;
            r = Roc{sens, spec, scores.empty() ? 0.0 : (tp + tn) / (tp + tn + fp + fn), 0};
        }
    }
    points[static_cast<size_t>(n - 1)] = {1.0, 1.0};
    std::sort(points.begin(), points.end());
    for (size_t j = 0; j + 1 < points.size(); ++j) {
        r.area += std::fabs(points[j + 1].first - points[j].first) * (points[j + 1].second + points[j].second);
    }
    r.area /= 2.0;
    return r;
}

Roc Thresholds(const TRulMemory& m, const TDValInfo& info, int k, const TTable& t, int method, int steps) {
    Roc r{-1, -1, -1, -1};
    m.CalcClassThresholds(info, k, t, method, steps, r.sensitivity, r.specificity, r.accuracy, r.area);
    return r;
}

TEST_P(RealTableVoting, ClassThresholdsAgreeWithTheLiteralSweep) {
    SplitRules& s = *split;
    for (int k = 0; k < s.info.GetNoDecVal(); ++k) {
        std::vector<bool> member;
        for (int o = 0; o < s.test.GetNoObj(); ++o) {
            member.push_back(s.test.Value(o, s.test.GetNoAttr() - 1) == s.info.GetDecVal(k));
        }
        for (int method = 0; method <= 9; ++method) {
            std::vector<double> scores;
            for (int o = 0; o < s.test.GetNoObj(); ++o) {
                scores.push_back(method == 5 ? 0.0 : reference->Score(method, k, s.test, o));
            }
            // With 20,000 steps the single-precision threshold passes 0 long before the last point.
            for (int steps : {0, 2, 17, 20000}) {
                SCOPED_TRACE("class " + std::to_string(k) + " method " + std::to_string(method) + " steps " + std::to_string(steps));
                const Roc got = Thresholds(s.memory, s.info, k, s.test, method, steps);
                EXPECT_EQ(got, LiteralSweep(scores, member, steps));
                EXPECT_TRUE(method == 5 || method == 6 || method == 9 || steps != 0 || got.area > 0.5);
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(EvenRulesOddObjects, RealTableVoting, ::testing::Values("breast-cancer.tab", "vote.tab"),
                         [](const auto& info) { return std::string(info.param).substr(0, info.param[0] == 'b' ? 6 : 4); });

// ---- Hand-made rule sets

// A memory in quiet mode holding the rules, each evaluated on t (CalcRulesInfo mode 2)
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

TEST(RuleVoting, ProbabilisticSumSupportsFromTheTreesAndEmptyClasses) {
    LogCapture log;
    auto t = FourObjects();
    HandRules hand(*t, false);
    hand.Add(RuleOf({{0, 0}}, 1))->SetWeight(0.5);
    hand.Add(RuleOf({{1, 0}}, 1))->SetWeight(0.5);
    hand.Add(RuleOf({{0, 1}}, 1))->SetWeight(1.0);
    hand.Add(RuleOf({{1, 1}}, 1))->SetWeight(0.25);
    const TRulMemory& m = hand.memory;
    EXPECT_EQ(m.VoteProbSum(*t, 0, 1, 0.0, 0), 0.75);
    EXPECT_EQ(m.VoteProbSum(*t, 3, 1, 0.0, 0), 1.0);  // 1.0 stays whatever follows
    EXPECT_EQ(m.VoteProbSum(*t, 0, 0, 0.0, 0), 0.0);
    EXPECT_EQ(m.VoteProbSum(*t, 0, 1, 0.6, 1), 0.0);
    // Supports without object trees: s(r) is 0 (each read warns: two voting rules, two
    // methods), and only method 5 takes the support field.
    m.GetRoot()->GetRule()->SetPosSupport(4);
    EXPECT_EQ(m.VoteMaxSupport(*t, 0, 1, 0.0, 0), 0.0);
    EXPECT_EQ(m.VoteMaxSupportWeight(*t, 0, 1, 0.0, 0), 0.0);
    EXPECT_EQ(m.VoteSupportLength(*t, 0, 1), 4.0 * 1 * 1);
    EXPECT_EQ(TextLines(log.Text()), std::vector<std::string>(4, "Warning: RecPosObjInfo is NULL! (TRuleComp::GetRecPosObjInfo())"));

    // A class with no objects in the info scores 0 by methods 1, 2 and 7.
    HandRules evaluated(*t);
    evaluated.Add(RuleOf({{1, 1}}, 1));
    TDValInfo info;
    info.AddDecVal(1);
    info.CountObjFromTable(*MakeTable({{0, 0, 5}}));
    int predicted = 0;
    for (int method : {1, 2, 7}) {
        EXPECT_EQ(evaluated.memory.ClassifyObject(info, method, *t, 1, predicted), -1) << method;
        EXPECT_EQ(predicted, kNone);
        EXPECT_EQ(evaluated.memory.ClassScore(info, 0, *t, 1, method), 0.0) << method;
    }
    EXPECT_EQ(evaluated.memory.ClassifyObject(info, 0, *t, 1, predicted), 1);

    // A class list read from a file may name a decision twice: both entries get its score.
    ScratchDir dir;
    WriteFileBytes(dir.File("info"), "DecValInfo:\n2\n1 1 \n1 1 \n0\n0 0 \n0\n0 0 \n");
    TDValInfo twice;
    twice.Load(dir.File("info").c_str());
    EXPECT_EQ(hand.memory.ClassifyObject(twice, 4, *t, 3, predicted), 0);
    EXPECT_EQ(predicted, 1);
    EXPECT_EQ(twice.GetDistrib(0), 1.0);
    EXPECT_EQ(twice.GetDistrib(1), 1.0);
}

// Method 2 over rules without object trees: every object reads every voter's tree and
// warns, also when an earlier object had the same voters and their count is known.
TEST(RuleVoting, CoveredObjectsWarnForEveryObjectWhateverIsKnown) {
    auto t = MakeTable({{0, 0, 1}, {0, 0, 1}, {0, 0, 1}});
    HandRules hand(*t, false);
    hand.Add(RuleOf({{0, 0}}, 1));
    hand.Add(RuleOf({{1, 0}}, 1));
    TDValInfo info;
    info.CalcFromTable(*t);
    LogCapture log;
    int errors = 0;
    hand.memory.ClassifyTable(info, 2, *t, errors, -1, nullptr);
    EXPECT_EQ(TextLines(log.Text()), std::vector<std::string>(6, "Warning: RecPosObjInfo is NULL! (TRuleComp::GetRecPosObjInfo())"));
}

// Object lists read from a file may hold keys that are no object of a table: negative, or
// beyond any marking. Each distinct key counts once, across the voters and against the
// object numbers, for every object of the table (the same voters again and again).
TEST(RuleVoting, CoveredObjectsCountEveryDistinctKeyOnce) {
    auto t = MakeTable({{0, 0, 1}, {0, 0, 1}, {0, 0, 2}, {0, 0, 2}});
    auto tree = [](std::vector<int> keys) {
        TIntTreeBuilder b;
        for (int k : keys) b.Add(k);
        return b.Release();
    };
    HandRules hand(*t, false);
    hand.Add(RuleOf({{0, 0}}, 1))->SetRecPosObjInfo(tree({-5, 3, 7, 2000000}));
    hand.Add(RuleOf({{1, 0}}, 1))->SetRecPosObjInfo(tree({3, 2000000, -5, 7}));
    hand.Add(RuleOf({{0, 0}, {1, 0}}, 2))->SetRecPosObjInfo(tree({1, 2, 3, 4, 5}));
    TDValInfo info;
    info.CalcFromTable(*t);
    // Class 1 covers 4 keys of its 2 objects, class 2 covers 5: every object goes to class 2
    // (counting a key twice would tie or turn that).
    for (int round = 0; round < 2; ++round) {
        int errors = 0;
        hand.memory.ClassifyTable(info, 2, *t, errors, -1, nullptr);
        EXPECT_EQ(errors, 2);
        EXPECT_EQ(info.GetAccuracy(), 0.5);
    }
    int predicted = 0;
    EXPECT_EQ(hand.memory.ClassifyObject(info, 2, *t, 0, predicted), 0);
    EXPECT_EQ(predicted, 2);
    EXPECT_EQ(hand.memory.ClassScore(info, 0, *t, 0, 2), 2.0);
}

TEST(RuleVoting, AnEqualBestScoreTakesOverAlwaysOnceThenByTheDraw) {
    SetFixedClockSecond(99);
    // Three classes, each with one rule of weight 0.5 matching every object.
    auto t = MakeTable({{0, 7}, {0, 8}, {0, 9}});
    HandRules hand(*t, false);
    TDValInfo two, three;
    for (int d : {7, 8, 9}) {
        hand.Add(RuleOf({{0, 0}}, d))->SetWeight(0.5);
        three.AddDecVal(d);
        if (d < 9) two.AddDecVal(d);
    }
    // Two classes: the second wins every time, and RandomInt(1) is drawn all the same.
    ResetRandomForTests();
    int predicted = 0;
    for (int i = 0; i < 50; ++i) {
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
        int predicted = 0, errors = -1;
        EXPECT_EQ(hand.memory.ClassifyObject(info, method, *other, 0, predicted), -1) << method;
        EXPECT_EQ(predicted, kNone);
        hand.memory.ClassifyTable(info, method, *other, errors, -1, nullptr);
        EXPECT_EQ(errors, 0);
        EXPECT_EQ(info.GetCoverage(), 0.0);
        EXPECT_EQ(info.GetAccuracy(), 0.0);
        for (int k = 0; k < info.GetNoDecVal(); ++k) EXPECT_EQ(info.GetDistrib(k) + info.GetDecValCov(k), 0.0);
    }
    double best = -1;
    EXPECT_EQ(hand.memory.EvaluateVoteMethods(*other, info, best), 1);
    EXPECT_EQ(best, 0.0);
    hand.memory.LabelTable(info, 3, *other, -1, nullptr);
    EXPECT_EQ(Column(*other, 2), (std::vector<int>{kNone, kNone}));

    // Without any rule: no score, and the prediction is not touched.
    TRulMemory empty;
    info.SetDecInfo(0, 0.5);
    int predicted = 42;
    EXPECT_EQ(empty.ClassifyObject(info, 3, *t, 0, predicted), -1);
    EXPECT_EQ(predicted, 42);
    EXPECT_EQ(info.GetDistrib(0), 0.0);
    EXPECT_EQ(empty.VoteCoveredObjects(*t, 0, 0, 0.0, 0) + empty.VoteSupportLength(*t, 0, 0), 0.0);
    EXPECT_EQ(empty.GetNoRule(info, 0, nullptr), 0);
    double low = 3, high = 4;
    empty.GetMinMaxWeight(1, 0, low, high);
    EXPECT_EQ(low + high, 0.0);
}

TEST(RuleVoting, UnknownDecisionsAreErrorsWhenVotedOnAndEndTheRuleCount) {
    // Decisions 0, 1, 2, 0; the rules know classes 0 and 1 only, and classify every object.
    auto t = FourObjects();
    HandRules hand(*t);
    hand.Add(RuleOf({{0, 0}}, 0));  // objects 0, 1
    hand.Add(RuleOf({{0, 1}}, 1));  // objects 2, 3
    TDValInfo info;
    info.AddDecVal(0);
    info.AddDecVal(1);
    int errors = -1;
    hand.memory.ClassifyTable(info, 3, *t, errors, -1, nullptr);
    // Object 0 right; 1 (class 1 said 0), 2 (decision 2) and 3 (class 0 said 1) wrong.
    EXPECT_EQ(errors, 3);
    EXPECT_EQ(info.GetAccuracy(), 0.25);
    EXPECT_EQ(info.GetCoverage(), 1.0);
    EXPECT_EQ(info.GetDistrib(0), 0.5);  // class 0: objects 0 and 3 classified, 0 right
    EXPECT_EQ(info.GetDistrib(1), 0.0);
    EXPECT_EQ(info.GetDecValCov(1), 1.0);

    const double thresholds[] = {1.0, 2.0};
    EXPECT_EQ(hand.memory.GetNoRule(info, 0, thresholds), 1);  // supports 1 and 2
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
    ASSERT_EQ(hand.memory.GetRoot()->GetLeft(), nullptr);
    EXPECT_EQ(hand.memory.GetNoRules(), 3);
    TDValInfo info;
    info.CalcFromTable(*t);
    // Left: (0=1) -> 2, (1=1) -> 0, (1=1) -> 1.
    EXPECT_EQ(hand.memory.VoteSumSupport(*t, 3, 0, 0.0, 0), 1.0);
    int errors = 0;
    hand.memory.ClassifyTable(info, 0, *t, errors, -1, nullptr);
    EXPECT_EQ(info.GetCoverage(), 0.75);
    const double thresholds[] = {0.0, 0.0, 0.0};
    EXPECT_EQ(hand.memory.GetNoRule(info, 0, thresholds), 3);
    double low = 9, high = -9;
    hand.memory.GetMinMaxWeight(0, 0, low, high);
    EXPECT_EQ(high - low, 0.0);
    TRulMemory shortened;
    hand.memory.ShortenRules(*t, 0.5f, shortened);
    EXPECT_EQ(shortened.GetNoRules(), 3);
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
    for (int steps : {0, 11}) EXPECT_EQ(Thresholds(hand.memory, info, 0, *t, 3, steps), (Roc{1.0, 1.0, 1.0, 1.0}));
    // Steps 1 means 250, as 0 does.
    const std::vector<bool> member{true, true, false, false, true};
    EXPECT_EQ(Thresholds(hand.memory, info, 0, *t, 3, 1), LiteralSweep({0.9, 0.2, 0.0, 0.0, 0.9}, member, 250));
    // Two points: the threshold starts at 0, nothing is swept, the curve is the diagonal.
    EXPECT_EQ(Thresholds(hand.memory, info, 0, *t, 3, 2), (Roc{0.0, 0.0, 0.0, 0.5}));
    // A step too small to move a single-precision 1.0 ends the sweep after one point.
    EXPECT_EQ(Thresholds(hand.memory, info, 0, *t, 3, 1 << 26), (Roc{0.0, 1.0, 0.4, 0.5}));
    // A class without objects in the table: sensitivity 0, the rest from the others.
    EXPECT_EQ(Thresholds(hand.memory, info, 0, *MakeTable({{1, 0, 0}, {1, 1, 0}}), 3, 0), (Roc{0.0, 1.0, 1.0, 0.5}));
}

}  // namespace
