#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "core/decision_values.h"
#include "core/dictio_set.h"
#include "core/random.h"
#include "core/report.h"
#include "core/table.h"
#include "core/tree_walk.h"
#include "discretization/cuts/scaler.h"
#include "experiments/lazy_classifier.h"
#include "experiments/rule_classifier.h"
#include "experiments/test_maker.h"
#include "rough/reducts/dynamic_reducts.h"
#include "rough/reducts/red_memory.h"
#include "rough/rules/rul_memory.h"
#include "tests/support/exit_child.h"
#include "tests/support/failure_of.h"
#include "tests/support/file_size_limit.h"
#include "tests/support/fixed_clock.h"
#include "tests/support/table_rows.h"
#include "tests/support/test_files.h"
#include "tests/support/working_dir.h"

namespace {

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

std::string TabPath(const char* name) { return std::string(VARNEL_TABLES "/") + name; }

std::unique_ptr<TTable> Tab(const char* name) {
    auto t = std::make_unique<TTable>();
    t->Load(TabPath(name).c_str());
    return t;
}

// The rows of t except first .. first + count - 1.
std::unique_ptr<TTable> Without(const TTable& t, int first, int count) {
    Rows rows = TableRows(t);
    rows.erase(rows.begin() + first, rows.begin() + first + count);
    return RowsTable(rows);
}

// What the procedures must write as a fold's rules: all rules of the training rows, with the
// statistics of voting methods 0-2, saved numerically. m keeps them.
std::string RulesFileOf(TTable& t, TRulMemory& m) {
    QuietModeGuard quiet;
    m.CalculateAllRules(&t, 0);
    m.CalcRulesInfo(&t, 0);
    m.SaveRules("expected", nullptr, 0);
    return ReadFileBytes("expected");
}

// The objects a classification of t left unclassified.
int Rejected(const TDValInfo& figures, const TTable& t) {
    return t.GetNoObj() - static_cast<int>(std::llround(figures.GetCoverage() * t.GetNoObj()));
}

bool EndsWith(const std::string& s, const std::string& end) {
    return s.size() >= end.size() && s.compare(s.size() - end.size(), end.size(), end) == 0;
}

int Count(const std::string& s, const std::string& part) {
    int n = 0;
    for (size_t at = s.find(part); at != std::string::npos; at = s.find(part, at + 1)) ++n;
    return n;
}

class TestProceduresTest : public ::testing::Test {
protected:
    void SetUp() override {
        Pin();
        FoldNumber = 0;
    }
    void TearDown() override {
        Pin();
        SetFixedClockSecond(-1);
        SetFixedClockMillisecond(-1);
        FoldNumber = 0;
    }
    static void Pin() {
        ResetRandomForTests();
        SetFixedClockSecond(1700000000);
    }
    // A maker holding the two tables (their names printed meanwhile).
    static void Load(TTestMaker& maker, const std::string& train, const std::string& test) {
        CaptureStdout();
        maker.LoadTrainTable(train.c_str());
        if (!test.empty()) maker.LoadTestTable(test.c_str());
        GetCapturedStdout();
    }
    // train := the named table, returned too, with its statistics in info.
    static std::unique_ptr<TTable> LoadTrain(TTestMaker& maker, const char* name, TDValInfo& info) {
        Load(maker, TabPath(name), "");
        auto t = Tab(name);
        info.CalcFromTable(*t);
        return t;
    }
    // breast-cancer.tab split at random into train and test, the maker's and the caller's.
    static void LoadSplit(TTestMaker& maker, TTable& train, TTable& test) {
        Tab("breast-cancer.tab")->SplitTable(0.7, train, test);
        train.Save("train");
        test.Save("test");
        Load(maker, "train", "test");
    }
    // One run on the maker's tables, its rules written to "R"; what it printed.
    static std::string RunWritingRules(TTestMaker& maker, const TTestMethods& m, TTestResult& result) {
        TDValInfo info;
        info.CalcFromTable(*maker.GetTrain());
        CaptureStdout();
        maker.TrainAndTest(info, m, "R", result, nullptr);
        return GetCapturedStdout();
    }
    static TTestMethods AllRules(int voting = 0) {
        TTestMethods m;
        m.alfa = 0.0f;  // rules compared with the unshortened ones
        m.voting = voting;
        return m;
    }

    ScratchDir dir;
    WorkingDirScope inside{dir.Path()};
};

TEST_F(TestProceduresTest, ElapsedTimeCountsHundredthsSinceConstruction) {
    SetFixedClockMillisecond(5000000);
    TTestMaker maker;
    SetFixedClockMillisecond(5000000 + 12579);
    EXPECT_DOUBLE_EQ(maker.ElapsedTime(), 12.57);
    SetFixedClockMillisecond(5000000 + 9);
    EXPECT_DOUBLE_EQ(maker.ElapsedTime(), 0.0);
}

TEST_F(TestProceduresTest, CrossValidationTestsEachFoldAndWritesItsListsAndRules) {
    TTestMaker maker;
    TDValInfo info;
    auto table = LoadTrain(maker, "weather.nominal.tab", info);
    TTestResult mean;
    CaptureStdout();
    maker.CrossValidation(info, 3, 0, "F", AllRules(), mean);
    const std::string out = GetCapturedStdout();
    EXPECT_EQ(out.rfind("Testing by Cross-Validation method... \nNumber of fold: 3\nNumber of objects: 14  10 4\n"
                        "Current fold: 0\nDecision values: \n",
                        0),
              0u);
    EXPECT_EQ(Count(out, "Current fold: "), 3);
    std::string lists;
    for (int f = 0; f < 3; ++f) {
        lists += "Fold: " + std::to_string(f + 1) + "\nTrain: ";
        for (int o = 0; o < 14; ++o) {
            if (o < 4 * f || o >= 4 * f + 4) lists += std::to_string(o) + " ";
        }
        lists += "\nTest: ";
        for (int o = 4 * f; o < 4 * f + 4; ++o) lists += std::to_string(o) + " ";
        lists += "\n";
    }
    EXPECT_EQ(ReadFileBytes("F"), lists);
    // Each fold's rules, and the means of what its classifications give, replayed.
    Pin();
    TTestResult sums;
    for (int f = 0; f < 3; ++f) {
        auto train = Without(*table, 4 * f, 4);
        TRulMemory m;
        EXPECT_EQ(ReadFileBytes("F" + std::to_string(f)), RulesFileOf(*train, m)) << f;
        TDValInfo classes;
        classes.CalcFromTable(*train);
        int errors = 0;
        m.ClassifyTable(classes, 0, *train, errors, -1, nullptr);
        sums.trainError += 1.0 - classes.GetAccuracy();
        const Rows all = TableRows(*table);
        auto test = RowsTable(Rows(all.begin() + 4 * f, all.begin() + 4 * f + 4));
        m.ClassifyTable(classes, 0, *test, errors, -1, nullptr);
        sums.testError += 1.0 - classes.GetAccuracy();
        sums.testCoverage += classes.GetCoverage();
        sums.rules += m.GetNoRules();
    }
    EXPECT_DOUBLE_EQ(mean.trainError, sums.trainError / 3);
    EXPECT_DOUBLE_EQ(mean.testError, sums.testError / 3);
    EXPECT_DOUBLE_EQ(mean.testCoverage, sums.testCoverage / 3);
    EXPECT_EQ(mean.rules, sums.rules / 3);
    EXPECT_EQ(FoldNumber, 2);
}

TEST_F(TestProceduresTest, ShuffledFoldsListTheOriginalRowsAndNoNameWritesNothing) {
    TTestMaker maker;
    TDValInfo info;
    auto table = LoadTrain(maker, "contact-lenses.tab", info);
    TTestResult mean;
    CaptureStdout();
    maker.CrossValidation(info, 4, 1, "G", AllRules(), mean);
    GetCapturedStdout();
    Pin();
    std::vector<int> order(24);
    TTestMaker().MakeCrossValidationTable(*table, order.data());
    std::string test = "Test: ";
    for (int i = 0; i < 6; ++i) test += std::to_string(order[static_cast<size_t>(i)]) + " ";
    EXPECT_EQ(TextLines(ReadFileBytes("G"))[2], test);

    // Fold size n / k: k = n gives one row per fold, none left out (1.0 / 49 x 49 is below 1).
    const Rows rows = TableRows(*Tab("breast-cancer.tab"));
    RowsTable(Rows(rows.begin(), rows.begin() + 49))->Save("49");
    Load(maker, "49", "");
    info.CalcFromTable(*maker.GetTrain());
    CaptureStdout();
    maker.CrossValidation(info, 49, 1, "NOFILES", AllRules(), mean);
    const std::string out = GetCapturedStdout();
    EXPECT_NE(out.find("Number of objects: 49  48 1\n"), std::string::npos);
    EXPECT_EQ(Count(out, "Current fold: "), 49);
    EXPECT_EQ(maker.GetTest()->GetNoObj(), 1);
    EXPECT_FALSE(FileExists("NOFILES"));
    EXPECT_FALSE(FileExists("NOFILES0"));
    EXPECT_EQ(FailureOf([&] { maker.CrossValidation(info, 0, 0, "F", AllRules(), mean); }).code, 5);
}

TEST_F(TestProceduresTest, TrainAndTestOnAConsistentTableMakesNoError) {
    SetFixedClockMillisecond(7000000);
    TTestMaker maker;
    SetFixedClockMillisecond(7002509);
    Load(maker, TabPath("contact-lenses.tab"), TabPath("contact-lenses.tab"));
    TDValInfo info;
    info.CalcFromTable(*maker.GetTrain());
    TTestMethods m = AllRules();
    m.alfa = 1.0f;
    TTestResult result;
    double times[3] = {-1, -1, -1};
    CaptureStdout();
    maker.TrainAndTest(info, m, "R", result, times);
    EXPECT_EQ(GetCapturedStdout(), "Decision values: \n2=15 0=5 1=4 \n");
    EXPECT_EQ(result.trainError, 0.0);
    EXPECT_EQ(result.testError, 0.0);
    EXPECT_EQ(result.testCoverage, 1.0);
    EXPECT_GT(result.rules, 0);
    EXPECT_EQ(ReadFileBytes("R").rfind("DECISION RULES (" + std::to_string(result.rules) + ")\n", 0), 0u);
    for (int k = 0; k < 3; ++k) EXPECT_EQ(info.GetDistrib(k), 1.0);
    // The run starts 2.50 s after the maker was made; the clock stands still meanwhile.
    EXPECT_DOUBLE_EQ(times[0], 2.5);
    EXPECT_EQ(times[1], 0.0);
    EXPECT_EQ(times[2], 0.0);
    EXPECT_EQ(maker.GetExtra(), nullptr);
}

// A scaled run learns from train cut once by the fold's cuts and classifies test cut by the
// same cuts: its tables, rules and errors are those of Discretize followed by the rules of
// its train. The single-object test takes the same way.
TEST_F(TestProceduresTest, ScaledRunsLearnFromTheTablesDiscretizedOnce) {
    TTable train;
    TTable test;
    Tab("breast-cancer.tab")->SplitTable(0.7, train, test);
    train.Save("train");
    test.Save("test");
    RowsTable(Rows{TableRows(test)[0]})->Save("one");
    for (const char* scaling : {"S", "D"}) {
        SCOPED_TRACE(scaling);
        Pin();
        TTestMaker maker;
        Load(maker, "train", "test");
        TTestMethods m = AllRules();
        m.scaling = scaling;
        TTestResult result;
        const std::string out = RunWritingRules(maker, m, result);

        Pin();
        TTestMaker direct;
        Load(direct, "train", "test");
        CaptureStdout();
        direct.Discretize(scaling);
        const std::string cutting = GetCapturedStdout();
        EXPECT_EQ(Count(out, "Discretization...\n"), 1);
        EXPECT_NE(out.find(cutting), std::string::npos);
        EXPECT_NE(TableRows(*direct.GetTrain()), TableRows(train));
        EXPECT_EQ(TableRows(*maker.GetTrain()), TableRows(*direct.GetTrain()));
        EXPECT_EQ(TableRows(*maker.GetTest()), TableRows(*direct.GetTest()));
        TRulMemory rules;
        EXPECT_EQ(ReadFileBytes("R"), RulesFileOf(*direct.GetTrain(), rules));
        TDValInfo classes;
        classes.CalcFromTable(*direct.GetTrain());
        int errors = 0;
        rules.ClassifyTable(classes, 0, *direct.GetTrain(), errors, -1, nullptr);
        EXPECT_DOUBLE_EQ(result.trainError, 1.0 - classes.GetAccuracy());
        rules.ClassifyTable(classes, 0, *direct.GetTest(), errors, -1, nullptr);
        EXPECT_DOUBLE_EQ(result.testError, 1.0 - classes.GetAccuracy());
        EXPECT_LT(result.testError, 0.5);

        Pin();
        TTestMaker single;
        Load(single, "train", "one");
        CaptureStdout();
        const int answer = single.TestOneObject(m, "O");
        GetCapturedStdout();
        Pin();
        TTestMaker replay;
        Load(replay, "train", "one");
        CaptureStdout();
        replay.Discretize(scaling);
        GetCapturedStdout();
        TRulMemory own;
        EXPECT_EQ(ReadFileBytes("O"), RulesFileOf(*replay.GetTrain(), own));
        classes.CalcFromTable(*replay.GetTrain());
        int predicted = 0;
        EXPECT_EQ(answer, own.ClassifyObject(classes, 0, *replay.GetTest(), 0, predicted) == 1 ? 0 : 1);
    }
}

TEST_F(TestProceduresTest, MethodsNotOfferedEndTheProcessWithTheirMessage) {
    auto run = [&](const std::function<void(TTestMaker&, TTestMethods&)>& change) {
        return StdoutOfExitZero([&] {
            TTestMaker maker;
            maker.LoadTrainTable(TabPath("weather.nominal.tab").c_str());
            maker.LoadTestTable(TabPath("weather.nominal.tab").c_str());
            TDValInfo info;
            info.CalcFromTable(*maker.GetTrain());
            TTestMethods m;
            TTestResult r;
            change(maker, m);
            maker.TrainAndTest(info, m, "NO", r, nullptr);
        });
    };
    const std::string messages[5] = {
        run([](TTestMaker&, TTestMethods& m) { m.thresholdW = 3; }),
        run([](TTestMaker&, TTestMethods& m) { m.voting = 5; }),
        run([](TTestMaker&, TTestMethods& m) { m.reducts = "X"; }),
        run([](TTestMaker&, TTestMethods& m) {
            m.rules = "N";
            m.voting = 3;
        }),
        run([](TTestMaker& maker, TTestMethods& m) {
            m.rules = "N";
            maker.TestOneObject(m, "NO");
        }),
    };
    EXPECT_TRUE(EndsWith(messages[0], "Z metody TTestMaker::TrainAndTest...\nNIE ZAIMPLEMTOWANO WAGI ThresholdW=3\n"));
    EXPECT_TRUE(EndsWith(messages[1], "NIE ZAIMPLEMTOWANO WAGI:5\n"));
    EXPECT_TRUE(EndsWith(messages[2], "Niemily blad w TTestMaker::CalcDynamicReduct!\n"));
    EXPECT_TRUE(EndsWith(messages[3], "ERROR: TrainAndTest - NOT IMPLEMENTED!\n"));
    EXPECT_TRUE(EndsWith(messages[4], "ERROR: RuleMethod<>'N' is NOT IMPLEMENTED!\n"));
    for (const std::string& s : messages) EXPECT_EQ(s.find("PROCESS_DOWN"), std::string::npos);
}

// The single-object test cuts its tables before it finds the rule method not offered: the
// discretization's lines come first, then the message.
TEST_F(TestProceduresTest, SingleObjectTestDiscretizesBeforeRefusingRuleMethodN) {
    TTable train;
    TTable test;
    Tab("breast-cancer.tab")->SplitTable(0.7, train, test);
    train.Save("train");
    RowsTable(Rows{TableRows(test)[0]})->Save("one");
    TTestMaker direct;
    Load(direct, "train", "one");
    CaptureStdout();
    direct.Discretize("S");
    const std::string cutting = GetCapturedStdout();
    ASSERT_EQ(cutting.rfind("Discretization...\n", 0), 0u);
    const std::string out = StdoutOfExitZero([&] {
        TTestMaker maker;
        Load(maker, "train", "one");
        TTestMethods m;
        m.scaling = "S";
        m.rules = "N";
        maker.TestOneObject(m, "NO");
    });
    EXPECT_EQ(out, cutting + "ERROR: RuleMethod<>'N' is NOT IMPLEMENTED!\n");
}

TEST_F(TestProceduresTest, LazyRunReportsTheQuickTestsError) {
    TTestMaker maker;
    Load(maker, TabPath("weather.nominal.tab"), TabPath("weather.nominal.tab"));
    auto train = Tab("weather.nominal.tab");
    TDValInfo info;
    info.CalcFromTable(*train);
    TTestMethods m;
    m.rules = "N";
    m.voting = 9;
    TTestResult result;
    CaptureStdout();
    maker.TrainAndTest(info, m, "NO", result, nullptr);
    TDValInfo direct = info;
    const double error = TLazyClassifier::QuickExamplesTest(*train, direct, *train, 9, 1.0, nullptr);
    GetCapturedStdout();
    EXPECT_DOUBLE_EQ(result.testError, error);
    for (int k = 0; k < info.GetNoDecVal(); ++k) EXPECT_DOUBLE_EQ(info.GetDistrib(k), direct.GetDistrib(k));
}

// The grid by brute force: per decision value 13 clamped thresholds (one when the class's
// scores are all equal), every combination in depth-first order, the first strictly lower
// error within the rejected limit kept.
TEST_F(TestProceduresTest, OptimizeThresholdsEqualsABruteForceOverTheGrid) {
    TTable train;
    TTable test;
    TTestMaker maker;
    LoadSplit(maker, train, test);
    TRuleClassifier c;
    c.GenerateRules(train, "A");
    c.CalcRulesInfo(train, 8, 1);
    TDValInfo info;
    info.CalcFromTable(train);
    const int values = info.GetNoDecVal();
    std::vector<std::vector<double>> grid(static_cast<size_t>(values));
    for (int k = 0; k < values; ++k) {
        std::vector<double> weights;
        tree_walk::VisitPreOrder(static_cast<const TLeaf*>(c.GetRules()->GetRoot()), [&](const TLeaf& leaf) {
            if (leaf.GetRule()->GetDecision() == info.GetDecVal(k)) weights.push_back(leaf.GetRule()->GetWeight());
        });
        ASSERT_FALSE(weights.empty());
        const double lo = *std::min_element(weights.begin(), weights.end());
        const double hi = *std::max_element(weights.begin(), weights.end());
        for (int i = 0; i <= (hi == lo ? 0 : 12); ++i) {
            const double t = hi == lo ? lo : lo + (i - 1) * ((hi - lo) / 10);
            grid[static_cast<size_t>(k)].push_back(std::min(1.0, std::max(0.0, t)));
        }
    }
    for (int method : {3, 8}) {
        TDValInfo start = info;
        int errors = 0;
        std::vector<double> zero(static_cast<size_t>(values), 0.0);
        const double startError = c.ClassifyTable(start, method, test, errors, 1, zero.data());
        const int rejected = Rejected(start, test);
        for (int limit : {rejected, test.GetNoObj()}) {
            SCOPED_TRACE(std::to_string(method) + " " + std::to_string(limit));
            std::vector<double> thresholds(zero);
            std::vector<double> best(zero);
            double bestError = startError;
            TDValInfo figures = start;
            ResetRandomForTests();
            maker.OptimizeThresholds(c, 0, thresholds, limit, bestError, best, figures, method, 1);

            std::vector<size_t> at(static_cast<size_t>(values), 0);
            std::vector<double> bruteBest(zero);
            double bruteError = startError;
            TDValInfo bruteFigures = start;
            ResetRandomForTests();
            for (bool more = true; more;) {
                std::vector<double> h(static_cast<size_t>(values));
                for (size_t k = 0; k < h.size(); ++k) h[k] = grid[k][at[k]];
                TDValInfo f = info;
                const double e = c.ClassifyTable(f, method, test, errors, 1, h.data());
                const int r = Rejected(f, test);
                if (r <= limit && e < bruteError) {
                    bruteError = e;
                    bruteBest = h;
                    bruteFigures = f;
                }
                more = false;
                for (size_t k = at.size(); k-- > 0 && !more;) {
                    more = ++at[k] < grid[k].size();
                    if (!more) at[k] = 0;
                }
            }
            EXPECT_EQ(bestError, bruteError);
            EXPECT_EQ(best, bruteBest);
            EXPECT_EQ(figures.GetCoverage(), bruteFigures.GetCoverage());
            for (int k = 0; k < values; ++k) EXPECT_EQ(figures.GetDistrib(k), bruteFigures.GetDistrib(k));
            if (limit == test.GetNoObj()) {
                EXPECT_LT(bestError, startError);
            }
        }
    }
}

// Only the last grid value, above the largest weight, silences the rules of class 2 that
// outvote the right class on every object.
TEST_F(TestProceduresTest, TheTopGridValueDropsEveryRuleOfAClass) {
    RowsTable(Rows{{0, 0, 1}, {0, 1, 1}, {1, 0, 1}})->Save("test");
    TTestMaker maker;
    Load(maker, "test", "test");
    auto rules = std::make_unique<TRulMemory>();
    const struct {
        int attr, value, decision;
        double weight;
    } made[4] = {{0, 0, 1, 0.2}, {0, 1, 1, 0.3}, {1, 0, 2, 0.9}, {1, 1, 2, 0.5}};
    {
        QuietModeGuard quiet;
        for (const auto& r : made) {
            auto block = std::make_unique<TBlock>();
            block->AddDescriptor(r.attr, r.value);
            auto rule = std::make_unique<TRuleComp>(std::move(block), -1);
            rule->SetDecision(r.decision);
            rule->SetWeight(r.weight);
            rules->InsertRule(std::move(rule));
        }
    }
    TRuleClassifier c;
    c.SetRules(std::move(rules));
    TDValInfo info;
    for (int d : {1, 1, 2}) info.AddDecVal(d);
    std::vector<double> thresholds(2, 0.0);
    std::vector<double> best(2, 0.0);
    double error = 1.0;
    maker.OptimizeThresholds(c, 0, thresholds, 0, error, best, info, 3, 1);
    EXPECT_EQ(error, 0.0);
    EXPECT_DOUBLE_EQ(best[0], 0.2 - 0.01);
    EXPECT_DOUBLE_EQ(best[1], 0.5 + 11 * 0.04);
}

TEST_F(TestProceduresTest, ThresholdRunReportsTheRejectedAndTheTunedResult) {
    TTable train;
    TTable test;
    TTestMaker maker;
    LoadSplit(maker, train, test);
    TDValInfo info;
    info.CalcFromTable(train);
    TTestMethods m = AllRules(3);
    m.thresholdW = 1;
    TTestResult result;
    CaptureStdout();
    maker.TrainAndTest(info, m, "NO", result, nullptr);
    const std::string out = GetCapturedStdout();
    TRuleClassifier c;
    c.GenerateRules(train, "A");
    c.CalcRulesInfo(train, 3, 1);
    TDValInfo plain = info;
    int errors = 0;
    c.ClassifyTable(plain, 3, test, errors, -1, nullptr);
    const int rejected = Rejected(plain, test);
    std::ostringstream tuned;
    tuned << "TestResult=" << result.testError << "\n";
    EXPECT_TRUE(EndsWith(out, "min_result_neg=" + std::to_string(rejected) + "\nThresholds optimalization...\n" +
                                  tuned.str()));
    EXPECT_GE(result.testCoverage, plain.GetCoverage());
}

// Rule sets of dynamic reducts: exactly the rules that each selected reduct gives on the
// table reduced to it, renumbered onto the full table.
TEST_F(TestProceduresTest, DynamicReductRunsClassifyByTheRulesOfTheSelectedReducts) {
    for (const char* reducts : {"D", "G"}) {
        SCOPED_TRACE(reducts);
        Pin();
        TTestMaker maker;
        Load(maker, TabPath("weather.nominal.tab"), TabPath("weather.nominal.tab"));
        TTestMethods m = AllRules();
        m.reducts = reducts;
        TTestResult result;
        const std::string out = RunWritingRules(maker, m, result);

        Pin();
        auto t = Tab("weather.nominal.tab");
        TDynamicReducts dynamic;
        TRedMemory memory;
        CaptureStdout();
        if (reducts[0] == 'D') {
            dynamic.CalcDynamicReductsAll(t.get(), &memory);
        } else {
            dynamic.CalcLocalDynamicReducts(t.get(), &memory);
        }
        int count = 0;
        const std::vector<int> selected = dynamic.GetBestReduct(0, &count, &memory);
        GetCapturedStdout();
        ASSERT_GT(count, 0);
        EXPECT_NE(out.find("Number of selected dynamic reducts: " + std::to_string(count) +
                           "\nCalculation of rules for selected reducts..\n*\n"),
                  std::string::npos);
        EXPECT_EQ(Count(out, "\n*\n"), count);
        std::set<std::string> expected;
        for (int i = 0; i < count; ++i) {
            const TRed& red = *memory.GetRed(selected[static_cast<size_t>(i)]);
            auto reduced = red.GetReducedTable(t.get());
            QuietModeGuard quiet;
            TRulMemory rules;
            rules.CalculateAllRules(reduced.get(), 0);
            rules.RemapAttributes(red);
            rules.SetDecisionAttr(4);
            rules.SaveRules("expected", nullptr, 0);
            for (const std::string& line : TextLines(ReadFileBytes("expected"))) {
                if (line[0] == '(') expected.insert(line.substr(0, line.find(' ')));
            }
        }
        std::set<std::string> got;
        for (const std::string& line : TextLines(ReadFileBytes("R"))) {
            if (line[0] == '(') got.insert(line.substr(0, line.find(' ')));
        }
        EXPECT_EQ(got, expected);
        EXPECT_EQ(result.rules, static_cast<int>(expected.size()));
        if (reducts[0] != 'D') continue;
        // The run of the multiple cross-validation: the same rules, its own message.
        Pin();
        TTestMaker again;
        Load(again, TabPath("weather.nominal.tab"), TabPath("weather.nominal.tab"));
        TDValInfo info;
        info.CalcFromTable(*t);
        CaptureStdout();
        EXPECT_EQ(again.CalcDynamicReduct(info, m, result), static_cast<int>(expected.size()));
        EXPECT_NE(GetCapturedStdout().find("Calculation of rules for selected reducts...\n*\n"), std::string::npos);
    }
}

// A table of one reduct, {0}, never sampled: that reduct is selected all the same, and its
// rules classify the table.
TEST_F(TestProceduresTest, ALoneReductIsSelectedForItsRules) {
    RowsTable(Rows{{0, 5, 0}, {1, 5, 1}, {2, 5, 0}, {0, 5, 0}, {1, 5, 1}})->Save("one");
    TTestMaker maker;
    Load(maker, "one", "one");
    TTestMethods m = AllRules();
    m.reducts = "D";
    m.alfa = 0.9f;
    TTestResult result;
    const std::string out = RunWritingRules(maker, m, result);
    EXPECT_NE(out.find("Number of selected dynamic reducts: 1\nCalculation of rules for selected reducts..\n*\n"),
              std::string::npos);
    EXPECT_EQ(Count(out, "\n*\n"), 1);
    EXPECT_EQ(ReadFileBytes("R"), "DECISION RULES (3)\n(0=0)=>(2=0) 2 0 0\n(0=1)=>(2=1) 2 0 0\n(0=2)=>(2=0) 1 0 0\n");
    EXPECT_EQ(result.rules, 3);
    EXPECT_EQ(result.testError, 0.0);
    EXPECT_EQ(result.testCoverage, 1.0);
}

TEST_F(TestProceduresTest, MultiCrossValidationShufflesTheWholeTableEachTime) {
    TTestMaker maker;
    TDValInfo info;
    auto table = LoadTrain(maker, "weather.nominal.tab", info);
    TTestResult sums;
    CaptureStdout();
    maker.MultiCrossValidation(info, 2, 3, AllRules(), info.GetDecVal(1), sums);
    const std::string out = GetCapturedStdout();
    EXPECT_EQ(out.rfind("Testing by Multi-Cross-Validation method... \nNumber of Cross-Validation tests: 2\n"
                        "Number of fold: 3\nSelected d.v.=" + std::to_string(info.GetDecVal(1)) +
                            "\nNumber sel d.v.=1\nNumber of objects: 14  10 4\nTEST: 1 (2)\nCurrent fold: 0\n",
                        0),
              0u);
    EXPECT_EQ(Count(out, "TEST: 2 (2)\nCurrent fold: 0\n"), 1);
    // The last fold's parts hold every row of the table.
    Rows parts = TableRows(*maker.GetTrain());
    const Rows test = TableRows(*maker.GetTest());
    parts.insert(parts.end(), test.begin(), test.end());
    Rows all = TableRows(*table);
    std::sort(parts.begin(), parts.end());
    std::sort(all.begin(), all.end());
    EXPECT_EQ(parts, all);
    // The same runs by hand: their sums over t * k.
    Pin();
    TTestMaker replay;
    TTestResult total;
    CaptureStdout();
    for (int j = 0; j < 2; ++j) {
        auto shuffled = replay.MakeCrossValidationTable(*table, nullptr);
        for (int f = 0; f < 3; ++f) {
            replay.MakeFold(f, *shuffled, nullptr, nullptr, 4);
            TTestResult run;
            total.rules += replay.CalcDynamicReduct(info, AllRules(), run);
            total.trainError += run.trainError;
            total.trainCoverage += run.trainCoverage;
            total.testError += run.testError;
            total.testCoverage += run.testCoverage;
        }
    }
    GetCapturedStdout();
    EXPECT_EQ(sums.rules, total.rules / 6);
    EXPECT_DOUBLE_EQ(sums.trainError, total.trainError / 6);
    EXPECT_DOUBLE_EQ(sums.trainCoverage, total.trainCoverage / 6);
    EXPECT_DOUBLE_EQ(sums.testError, total.testError / 6);
    EXPECT_DOUBLE_EQ(sums.testCoverage, total.testCoverage / 6);

    // Sums that hold something already: the runs are added to it and the whole divided.
    Pin();
    TTestMaker onTop;
    LoadTrain(onTop, "weather.nominal.tab", info);
    TTestResult held;
    held.trainError = 0.5;
    held.trainCoverage = 2.0;
    held.testError = 1.25;
    held.testCoverage = 3.0;
    held.rules = 5;
    CaptureStdout();
    onTop.MultiCrossValidation(info, 2, 3, AllRules(), info.GetDecVal(1), held);
    GetCapturedStdout();
    EXPECT_EQ(held.rules, (5 + total.rules) / 6);
    EXPECT_DOUBLE_EQ(held.trainError, (0.5 + total.trainError) / 6);
    EXPECT_DOUBLE_EQ(held.trainCoverage, (2.0 + total.trainCoverage) / 6);
    EXPECT_DOUBLE_EQ(held.testError, (1.25 + total.testError) / 6);
    EXPECT_DOUBLE_EQ(held.testCoverage, (3.0 + total.testCoverage) / 6);
}

TEST_F(TestProceduresTest, LeaveOneOutWritesEachObjectsRulesAndCountsTheHits) {
    TTestMaker maker;
    Load(maker, TabPath("weather.nominal.tab"), "");
    auto table = Tab("weather.nominal.tab");
    TDValInfo info;
    double accuracy = -1.0;
    CaptureStdout();
    maker.LeaveOneOut(info, "L", AllRules(2), accuracy);
    const std::string out = GetCapturedStdout();
    EXPECT_EQ(out.rfind("Testing by Leave-One-Out method... \nNum. of objects: 14  13 1\n\nCURRENT OBJECT: 0\n", 0),
              0u);
    Pin();
    std::vector<int> hits(static_cast<size_t>(info.GetNoDecVal()), 0);
    int total = 0;
    for (int i = 0; i < 14; ++i) {
        auto train = Without(*table, i, 1);
        TRulMemory m;
        EXPECT_EQ(ReadFileBytes("L_" + std::to_string(i)), RulesFileOf(*train, m)) << i;
        TDValInfo classes;
        classes.CalcFromTable(*train);
        int predicted = 0;
        if (m.ClassifyObject(classes, 2, *table, i, predicted) == 1) {
            ++total;
            for (int k = 0; k < info.GetNoDecVal(); ++k) hits[static_cast<size_t>(k)] += info.GetDecVal(k) == predicted;
        }
    }
    EXPECT_DOUBLE_EQ(accuracy, total / 14.0);
    for (int k = 0; k < info.GetNoDecVal(); ++k) {
        EXPECT_DOUBLE_EQ(info.GetDistrib(k), static_cast<double>(hits[static_cast<size_t>(k)]) / info.GetDCNoObj(k));
    }
}

const char* const kWeatherWords =
    "[outlook] [temperature] [humidity] [windy] [play]\n"
    "sunny hot high false no\n"
    "overcast mild normal true yes\n"
    "rainy cool high false yes\n";

// The pipelines against their steps taken by hand, the dictionary rearranged by importing
// its text with the columns already in the new order.
TEST_F(TestProceduresTest, PipelinesWriteTheRulesAndCoveringsOfTheRearrangedTable) {
    WriteFileBytes("words", kWeatherWords);
    TDictioSet dict;
    dict.ImportData("words", 0);
    dict.Save("dict");
    const int order[5] = {3, 0, 2, 1, 4};
    std::string moved;
    for (const std::string& line : TextLines(kWeatherWords)) {
        std::istringstream in(line);
        std::vector<std::string> w(5);
        for (auto& s : w) in >> s;
        for (int j : order) moved += w[static_cast<size_t>(j)] + " ";
        moved += "\n";
    }
    WriteFileBytes("moved", moved);
    TDictioSet arrangedDict;
    arrangedDict.ImportData("moved", 0);
    Rows rows = TableRows(*Tab("weather.nominal.tab"));
    for (auto& r : rows) r = {r[3], r[0], r[2], r[1], r[4]};
    auto arranged = RowsTable(rows);
    TDValInfo info;
    info.CalcFromTable(*arranged);

    auto scaled = RowsTable(rows);
    TScaler().ScaleTable(*scaled, "cuts", 0, 1);
    TTestMaker().ApplyCutsFile(*scaled, "cuts");
    TRulMemory rules;
    {
        QuietModeGuard quiet;
        TRulMemory all;
        all.CalculateAllRules(scaled.get(), 0);
        all.ShortenRules(*scaled, 0.8f, rules);
        rules.CalcRulesInfo(scaled.get(), 2);
    }
    rules.SaveRules("expected", &arrangedDict, 2);
    std::string expected = ReadFileBytes("expected");
    std::ostringstream coverings;
    CaptureStdout();
    for (int k = 0; k < info.GetNoDecVal(); ++k) {
        coverings << std::string(34, '_') << "\nCOVERINGS FOR DECISION CLASS: " << info.GetDecVal(k) << "\n";
        rules.SaveCoverings(coverings, *scaled, info.GetDecVal(k), info.GetDCNoObj(k), &arrangedDict, 2);
    }
    GetCapturedStdout();

    const std::string tableFile = TabPath("weather.nominal.tab");
    TTestMaker maker;
    CaptureStdout();
    maker.RulePipeline(tableFile.c_str(), "dict", order, 0.8f, "first");
    EXPECT_EQ(GetCapturedStdout(),
              tableFile + "\nSkalowanie...\nObliczanie regul...\nSkracanie regul...\nObliczanie wag....\n");
    EXPECT_EQ(ReadFileBytes("first"), expected);

    CaptureStdout();
    maker.CoveringPipeline(tableFile.c_str(), "dict", order, 0.8f, "second");
    const std::string out = GetCapturedStdout();
    std::string head = tableFile + "\nInformacje o wartosciach decyzji:\n";
    for (int k = 0; k < info.GetNoDecVal(); ++k) {
        head += std::to_string(info.GetDecVal(k)) + " (" + std::to_string(info.GetDCNoObj(k)) + ")\n";
    }
    EXPECT_EQ(out.rfind(head + "Skalowanie...\n", 0), 0u);
    EXPECT_EQ(Count(out, " COVERINGS FOR DECISION CLASS: "), info.GetNoDecVal());
    EXPECT_EQ(ReadFileBytes("second"), expected + coverings.str());

    // The coverings cannot be appended: no file may hold more than the rules (standard output
    // goes nowhere). The exit code tells the error caught, 1 when its LOG line is missing.
    StdoutOfExit(7, [&] {
        if (std::freopen("/dev/null", "w", stdout) == nullptr) std::_Exit(1);
        // The LOG goes into a pipe, which the limit does not reach, and is read back here.
        int log[2];
        if (pipe(log) != 0 || !LogFile.Open(("/dev/fd/" + std::to_string(log[1])).c_str())) std::_Exit(1);
        LimitFileSizeOfThisProcess(expected.size());
        try {
            maker.CoveringPipeline(tableFile.c_str(), "dict", order, 0.8f, "third");
        } catch (const Error& e) {
            LogFile.Close();
            close(log[1]);
            std::string text;
            char buffer[512];
            for (ssize_t n; (n = read(log[0], buffer, sizeof buffer)) > 0;) text.append(buffer, static_cast<size_t>(n));
            const bool logged = EndsWith(text, "Error: Can't save file with rules\n");
            std::_Exit(logged && EndsWith(e.GetMessage(), "third") ? e.GetCode() : 1);
        }
        std::_Exit(0);
    });
    EXPECT_EQ(ReadFileBytes("third"), expected);

    CaptureStdout();
    const int twice[5] = {0, 0, 1, 2, 3};
    EXPECT_EQ(FailureOf([&] { maker.RulePipeline(tableFile.c_str(), "dict", twice, 0.8f, "x"); }).code, 5);
    WriteFileBytes("narrow", "[a] [b]\nx y\n");
    TDictioSet narrow;
    narrow.ImportData("narrow", 0);
    narrow.Save("dict");
    EXPECT_EQ(FailureOf([&] { maker.RulePipeline(tableFile.c_str(), "dict", nullptr, 0.8f, "x"); }).code, 5);
    GetCapturedStdout();
}

TEST_F(TestProceduresTest, TwoClassTableKeepsColumnsFromTwelveOnAndAddsTheClass) {
    Rows rows(3, std::vector<int>(14, 0));
    rows[0][5] = 1;
    rows[1][0] = 2;
    rows[2][12] = 1;
    rows[2][13] = 7;
    RowsTable(rows)->Save("in");
    TTestMaker maker;
    CaptureStdout();
    maker.MakeTwoClassTable("in", "out");
    GetCapturedStdout();
    TTable out;
    out.Load("out");
    EXPECT_EQ(TableRows(out), (Rows{{0, 0, 1}, {0, 0, 2}, {1, 7, 2}}));
    CaptureStdout();
    EXPECT_EQ(FailureOf([&] { maker.MakeTwoClassTable(TabPath("weather.nominal.tab").c_str(), "out"); }).code, 5);
    GetCapturedStdout();
}

}  // namespace
