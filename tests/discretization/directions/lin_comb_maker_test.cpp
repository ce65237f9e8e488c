#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "core/error.h"
#include "core/random.h"
#include "discretization/directions/lin_comb_maker.h"
#include "tests/discretization/directions/dense_tables.h"
#include "tests/support/fixed_clock.h"
#include "tests/support/test_files.h"

namespace {

std::string Text(const TLinComb& c) {
    std::ostringstream out;
    out << c;
    return out.str();
}

// Records the fractions reported and answers with a fixed stop request.
struct Recorder {
    std::vector<double> fractions;
    int answer = 0;
    TDirectionCallback Callback() {
        return [this](double f) {
            fractions.push_back(f);
            return answer;
        };
    }
};

// One condition attribute that separates the classes, and the decision.
const TDTable kSeparable = DenseTable({{1, 0}, {2, 0}, {3, 0}, {5, 1}, {6, 1}, {7, 1}});

TEST(DirSearch, EvaluateSetsTheAnglesOnTheSubsetAndJudgesThem) {
    const TDTable iris = Iris();
    const TClassDistr distr(iris, 4);
    TDirSearch search(iris, distr);
    TLinComb c(1);
    const int subset[] = {2, 0};
    search.Prepare(c, subset, 2);
    EXPECT_EQ(search.GetSize(), 2);
    const double angle = 30.0;
    const double fit = search.Evaluate(&angle);
    EXPECT_EQ(Text(c), "2 0 0.8660254 2 0.5 ");
    TLinComb same(c);
    EXPECT_EQ(same.Quality(iris, distr), fit);
}

TEST(DirSearch, OneAttributeIsFoundInTheFirstTrialAndTheOthersAreAxisParallel) {
    const TClassDistr distr(kSeparable, 1);
    TDirSearch search(kSeparable, distr);
    for (int type : {1, 2, 3}) {
        TLinComb result(type);
        std::vector<int> weights{1, 1};
        Recorder progress;
        SeedRand(1);
        EXPECT_EQ(search.FindBestDirection(result, 1, weights, progress.Callback(), 0.2, 0.7), 0);
        EXPECT_EQ(Text(result), "1 0 1 ") << type;
        EXPECT_EQ(result.GetMeasureType(), type);
        EXPECT_EQ(weights, (std::vector<int>{0, 1})) << "the attribute used loses one weight";
        ASSERT_EQ(progress.fractions.size(), 25u) << "one improvement never ends the trials";
        for (int t = 0; t < 25; ++t) {
            EXPECT_DOUBLE_EQ(progress.fractions[static_cast<size_t>(t)], t / 25.0 * 0.5 + 0.2);
        }
    }
}

TEST(DirSearch, AStopRequestEndsTheTrialsAfterTheFirst) {
    const TClassDistr distr(kSeparable, 1);
    TDirSearch search(kSeparable, distr);
    TLinComb result(2);
    std::vector<int> weights{3, 3};
    Recorder progress;
    progress.answer = 1;
    EXPECT_EQ(search.FindBestDirection(result, 1, weights, progress.Callback(), 0.0, 1.0), 1);
    EXPECT_EQ(progress.fractions.size(), 1u);
    EXPECT_EQ(Text(result), "1 0 1 ");
    EXPECT_EQ(weights, (std::vector<int>{2, 3}));
}

TEST(DirSearch, OnlyTheFirstThreeTrialsMayKeepAnAxisParallelResult) {
    // Single attributes of distinct quality: 3 separates the classes, 2 nearly, 0 poorly.
    const TDTable t = DenseTable({{1, 0, 1, 1, 0}, {5, 0, 2, 2, 0}, {2, 0, 5, 3, 0},
                                  {4, 0, 3, 7, 1}, {3, 0, 8, 8, 1}, {6, 0, 9, 9, 1}});
    const TClassDistr distr(t, 4);
    TDirSearch search(t, distr);
    auto quality = [&](int attribute) {
        TLinComb c(1);
        c.SetCoef(attribute, 1.0);
        return c.Quality(t, distr);
    };
    // A seed whose third trial beats the first two and whose later trials find better still:
    // the result must be the third trial's attribute.
    for (unsigned seed = 1; seed <= 500; ++seed) {
        TLinComb result(1);
        std::vector<int> trials;  // the attribute each trial ended with
        const TDirectionCallback record = [&](double) {
            trials.push_back(result.GetAttr(0));
            return 0;
        };
        std::vector<int> weights(5, 1);
        SeedRand(seed);
        search.FindBestDirection(result, 1, weights, record, 0.0, 1.0);
        ASSERT_EQ(trials.size(), 25u);
        const double third = quality(trials[2]);
        double later = 0.0;
        for (size_t k = 3; k < trials.size(); ++k) later = std::max(later, quality(trials[k]));
        if (third > quality(trials[0]) && third > quality(trials[1]) && later > third) {
            EXPECT_EQ(Text(result), "1 " + std::to_string(trials[2]) + " 1 ") << "seed " << seed;
            return;
        }
    }
    FAIL() << "no seed showed a better third trial followed by a better later one";
}

TEST(DirSearch, WithoutAnImprovementTheResultIsEmptyButKeepsItsMeasure) {
    // One class: the gap measure finds no pair to separate.
    const TDTable oneClass = DenseTable({{1, 4}, {2, 4}, {5, 4}});
    const TClassDistr distr(oneClass, 1);
    TDirSearch search(oneClass, distr);
    TLinComb result(1);
    std::vector<int> weights{1, 1};
    Recorder progress;
    EXPECT_EQ(search.FindBestDirection(result, 1, weights, progress.Callback(), 0.0, 1.0), 0);
    EXPECT_EQ(Text(result), "0 ");
    EXPECT_EQ(result.GetMeasureType(), 1);
    EXPECT_EQ(weights, (std::vector<int>{1, 1}));
    // Judged again it still uses the gap measure (the runs measure would find a run of 3).
    result.SetCoef(0, 1.0);
    EXPECT_EQ(result.Quality(oneClass, distr), 0.0);
}

TEST(DirSearch, UsedUpAttributesGoBehindTheAvailableOnes) {
    // Two condition attributes: no shuffle draws are made, so the subset of one is the first
    // available attribute.
    const TDTable t = DenseTable({{1, 9, 0}, {2, 8, 0}, {5, 3, 1}, {6, 1, 1}});
    const TClassDistr distr(t, 2);
    TDirSearch search(t, distr);
    auto attributeChosen = [&](std::vector<int> weights) {
        TLinComb result(2);
        Recorder progress;
        search.FindBestDirection(result, 1, weights, progress.Callback(), 0.0, 1.0);
        return result.GetCount() == 1 ? result.GetAttr(0) : -1;
    };
    EXPECT_EQ(attributeChosen({1, 1, 1}), 0);
    EXPECT_EQ(attributeChosen({0, 1, 1}), 1);
    EXPECT_EQ(attributeChosen({-1, 1, 1}), 0) << "a negative weight is available again";
}

TEST(DirSearch, SubsetsOfSeveralAttributesAreUnitVectorsInAscendingAttributeOrder) {
    const TDTable iris = Iris();
    const TClassDistr distr(iris, 4);
    TDirSearch search(iris, distr);
    for (int size : {2, 3}) {
        TLinComb result(2);
        std::vector<int> weights(5, 1);
        Recorder progress;
        SeedRand(static_cast<unsigned>(size));
        search.FindBestDirection(result, size, weights, progress.Callback(), 0.0, 1.0);
        ASSERT_EQ(result.GetCount(), size);
        double length = 0.0;
        std::vector<int> row(5, 0);
        for (int j = 0; j < size; ++j) {
            if (j > 0) {
                EXPECT_LT(result.GetAttr(j - 1), result.GetAttr(j));
            }
            EXPECT_LT(result.GetAttr(j), 4);
            row.assign(5, 0);
            row[static_cast<size_t>(result.GetAttr(j))] = 1;
            const double c = result.GetValue(row.data(), 5);
            length += c * c;
            EXPECT_EQ(weights[static_cast<size_t>(result.GetAttr(j))], 0);
        }
        EXPECT_NEAR(length, 1.0, 1e-9);
        EXPECT_GT(result.Quality(iris, distr), 0.0);
        EXPECT_LE(progress.fractions.size(), 25u);
        for (size_t t = 0; t < progress.fractions.size(); ++t) {
            EXPECT_DOUBLE_EQ(progress.fractions[t], static_cast<double>(t) / 25.0);
        }
    }
}

TEST(DirSearch, ASubsetLargerThanTheConditionAttributesIsRefused) {
    const TClassDistr distr(kSeparable, 1);
    TDirSearch search(kSeparable, distr);
    TLinComb result;
    std::vector<int> weights{1, 1};
    Recorder progress;
    for (int size : {0, 2}) {
        try {
            search.FindBestDirection(result, size, weights, progress.Callback(), 0.0, 1.0);
            ADD_FAILURE() << size;
        } catch (const Error& e) {
            EXPECT_EQ(e.GetCode(), 9);
        }
    }
}

TEST(DirectionProgress, PrintsTheFractionAsAPercentage) {
    testing::internal::CaptureStdout();
    EXPECT_EQ(DirectionProgress(0.0), 0);
    EXPECT_EQ(DirectionProgress(0.257), 0);
    EXPECT_EQ(DirectionProgress(0.999), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "PROGRESS:0\nPROGRESS:25\nPROGRESS:99\n");
}

// ---------------------------------------------------------------------------------------
// The whole command.

class GenerateLinComb : public ::testing::Test {
protected:
    ScratchDir dir;
    std::string out = dir.File("out.txt");
    std::string stdoutText;

    // Runs the command at a fixed clock second; returns the error code, 0 for success.
    int Run(const std::string& table, const std::string& pattern, int type,
            long long second = 1000) {
        SetFixedClockSecond(second);
        testing::internal::CaptureStdout();
        int code = 0;
        try {
            TLinCombMaker().GenerateLinComb(table.c_str(), pattern.c_str(), type, out.c_str());
        } catch (const Error& e) {
            code = e.GetCode();
        }
        stdoutText = testing::internal::GetCapturedStdout();
        return code;
    }

    std::string Table(const std::string& bytes, const std::string& file = "t.tab") {
        const std::string name = dir.File(file);
        WriteFileBytes(name, bytes);
        return name;
    }

    std::vector<int> Progress() const {
        std::vector<int> values;
        std::istringstream in(stdoutText);
        std::string line;
        while (std::getline(in, line)) {
            if (line.rfind("PROGRESS:", 0) == 0) values.push_back(std::stoi(line.substr(9)));
        }
        return values;
    }
};

TEST_F(GenerateLinComb, ARepeatedCombinationIsSearchedAgainUpToTenTimes) {
    // One attribute: the second digit can only find the first line again. Its ten tries
    // report inside halves of what is left of its share: 50..74, 75..87, 87..93, ...
    const std::string table = Table("4 2\n1 0\n2 0\n5 1\n7 1\n");
    ASSERT_EQ(Run(table, "11", 2), 0);
    EXPECT_EQ(ReadFileBytes(out), "1 0 1 \n1 0 1 \n");
    const std::vector<int> progress = Progress();
    ASSERT_EQ(progress.size(), 25u * 11);
    EXPECT_EQ(progress[24], 24);
    EXPECT_EQ(progress[25], 50);
    EXPECT_EQ(progress[50], 75);
    EXPECT_EQ(progress[75], 87);
    for (size_t i = 1; i < progress.size(); ++i) EXPECT_LE(progress[i - 1], progress[i]);
    EXPECT_LT(progress.back(), 100);
}

TEST_F(GenerateLinComb, NoImprovementWritesTheEmptyCombinationAndKeepsTheMeasure) {
    // One class: the gap measure is 0 everywhere, digit after digit.
    const std::string table = Table("3 2\n1 1\n2 1\n4 1\n");
    ASSERT_EQ(Run(table, "11", 1), 0);
    EXPECT_EQ(ReadFileBytes(out), "0 \n0 \n");
}

TEST_F(GenerateLinComb, APatternWithoutALeadingDigitIsRefused) {
    for (const char* pattern : {"", "0", "x2", "03"}) {
        EXPECT_EQ(Run(VARNEL_TABLES "/iris.dense.tab", pattern, 2), 9) << pattern;
        EXPECT_EQ(stdoutText, "Can't determine number of new attributes.\n");
        EXPECT_FALSE(FileExists(out));
    }
}

TEST_F(GenerateLinComb, OnlyTheLeadingDigitsCount) {
    ASSERT_EQ(Run(VARNEL_TABLES "/iris.dense.tab", "1x2", 1), 0);
    ASSERT_EQ(Run(VARNEL_TABLES "/iris.dense.tab", "10", 1), 0);
    const std::string text = ReadFileBytes(out);
    EXPECT_EQ(text.find('\n'), text.size() - 1) << text;
}

TEST_F(GenerateLinComb, MoreThanAHundredDigitsAreRefusedBeforeTheTableIsRead) {
    const std::string absent = dir.File("absent.tab");
    EXPECT_EQ(Run(absent, std::string(101, '1'), 2), 8);
    EXPECT_EQ(stdoutText, "");
    EXPECT_EQ(Run(absent, std::string(100, '1'), 2), 6);
}

TEST_F(GenerateLinComb, AnUnreadableTableIsReportedOnStandardOutputAndRefused) {
    for (const std::string& table :
         {dir.File("absent.tab"), Table("0 2\n", "empty.tab"), Table("2 2\n1 0\n2\n", "short.tab")}) {
        EXPECT_EQ(Run(table, "1", 2), 6);
        EXPECT_EQ(stdoutText, "Error: can't open " + table + "\n");
        EXPECT_FALSE(FileExists(out));
    }
}

TEST_F(GenerateLinComb, ADigitLargerThanTheConditionAttributesIsRefused) {
    EXPECT_EQ(Run(VARNEL_TABLES "/iris.dense.tab", "45", 2), 9);
    EXPECT_EQ(Run(Table("2 1\n0\n1\n"), "1", 2), 9);
    EXPECT_FALSE(FileExists(out));
    EXPECT_EQ(stdoutText, "");
}

TEST_F(GenerateLinComb, NegativeOrMissingDecisionsAreRefused) {
    EXPECT_EQ(Run(Table("2 2\n1 0\n2 -1\n"), "1", 2), 10);
    EXPECT_EQ(Run(Table("2 2\n1 0\n2 ?\n"), "1", 2), 10);
    EXPECT_FALSE(FileExists(out));
}

TEST_F(GenerateLinComb, AnOutputFileThatCannotBeWrittenIsRefusedBeforeSearching) {
    out = dir.File("no/such/folder/out.txt");
    EXPECT_EQ(Run(VARNEL_TABLES "/iris.dense.tab", "2", 2), 7);
    EXPECT_EQ(stdoutText, "") << "no trial may run";
}

}  // namespace
