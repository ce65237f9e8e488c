// GENERATE_DIRECTIONS as the front end runs it, with the clock of the real program: the
// lines differ from run to run, their shape and the protocol do not.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "tests/e2e/process_runner.h"
#include "tests/support/fixed_clock.h"
#include "tests/support/test_files.h"

namespace {

struct DirectionsRun {
    RunResult run;
    std::string lines;
    std::string log;
};

DirectionsRun Generate(const std::string& exe, const std::string& pattern, int type,
                       const std::string& second = "") {
    ScratchDir work;
    std::filesystem::copy_file(VARNEL_TABLES "/iris.dense.tab", work.File("iris.dense.tab"));
    WriteFileBytes(work.File("config"), "GENERATE_DIRECTIONS\niris.dense.tab\n" + pattern + "\n" +
                                            std::to_string(type) + "\nout.txt\nLOG\n");
    RunOptions options;
    options.workDir = work.Path();
    if (!second.empty()) options.env.emplace_back(kFixedClockVariable, second);
    DirectionsRun result;
    result.run = RunProgram(exe, {"config"}, options);
    if (FileExists(work.File("out.txt"))) result.lines = ReadFileBytes(work.File("out.txt"));
    if (FileExists(work.File("LOG"))) result.log = ReadFileBytes(work.File("LOG"));
    return result;
}

TEST(Directions, EveryMeasureWritesOneUnitLinePerDigitAndReportsWithinEachShare) {
    const std::string pattern = "231";
    for (int type : {1, 2, 3}) {
        SCOPED_TRACE(type);
        const DirectionsRun r = Generate(VarnelBinary(), pattern, type);
        ASSERT_FALSE(r.run.signaled || r.run.timedOut);
        EXPECT_EQ(r.run.exitCode, 0);
        EXPECT_EQ(r.log,
                  "Generating liner combinations: iris.dense.tab\n"
                  "Patterns of linear combinations: 231\n"
                  "Liner combinations will be saved to: out.txt\n\nDone.\n");

        const std::vector<std::string> out = TextLines(r.run.out);
        ASSERT_GE(out.size(), 6u);
        EXPECT_EQ(out[3], "LOG will be saved to: LOG");
        EXPECT_EQ(out.back(), "PROCESS_DOWN");
        int previous = 0;
        for (size_t i = 4; i + 1 < out.size(); ++i) {
            ASSERT_EQ(out[i].rfind("PROGRESS:", 0), 0u) << out[i];
            const int p = std::stoi(out[i].substr(9));
            EXPECT_GE(p, previous);
            EXPECT_LT(p, 100);
            previous = p;
        }

        const std::vector<std::string> lines = TextLines(r.lines);
        ASSERT_EQ(lines.size(), pattern.size());
        for (size_t i = 0; i < lines.size(); ++i) {
            std::istringstream words(lines[i]);
            int count = -1;
            words >> count;
            // No trial may improve (then the line is "0 "), otherwise the digit's size.
            if (count == 0) {
                EXPECT_EQ(lines[i], "0 ");
                continue;
            }
            EXPECT_EQ(count, pattern[i] - '0') << lines[i];
            double length = 0.0;
            int attribute = -1;
            for (int j = 0; j < count; ++j) {
                int next = 0;
                double coefficient = 0.0;
                ASSERT_TRUE(words >> next >> coefficient) << lines[i];
                EXPECT_GT(next, attribute) << lines[i];
                EXPECT_LE(next, 3) << lines[i];
                attribute = next;
                length += coefficient * coefficient;
            }
            EXPECT_NEAR(length, 1.0, 1e-6) << lines[i];
        }
    }
}

TEST(Directions, TheSameClockSecondGivesTheSameRunAndAnotherSecondAnotherSearch) {
    const DirectionsRun a = Generate(FixedClockBinary(), "3", 2, "777");
    const DirectionsRun b = Generate(FixedClockBinary(), "3", 2, "777");
    ASSERT_EQ(a.run.exitCode, 0);
    EXPECT_EQ(a.run.out, b.run.out);
    EXPECT_EQ(a.lines, b.lines);
    // Searches seeded differently are not all the same search.
    bool differs = false;
    for (const char* second : {"778", "779", "780"}) {
        const DirectionsRun c = Generate(FixedClockBinary(), "3", 2, second);
        differs = differs || c.lines != a.lines || c.run.out != a.run.out;
    }
    EXPECT_TRUE(differs);
}

// The search is most of a run: a run ended during it leaves the previous result as it was.
TEST(Directions, ATerminationDuringTheSearchKeepsThePreviousFile) {
    ScratchDir work;
    // iris twenty times over, so that the first digit's search takes seconds after its first
    // progress line.
    const std::string iris = ReadFileBytes(VARNEL_TABLES "/iris.dense.tab");
    std::string table = "3000 5\n";
    for (int i = 0; i < 20; ++i) table += iris.substr(iris.find('\n') + 1);
    WriteFileBytes(work.File("big.tab"), table);
    WriteFileBytes(work.File("config"), "GENERATE_DIRECTIONS\nbig.tab\n432\n2\nout.txt\nLOG\n");
    WriteFileBytes(work.File("out.txt"), "1 0 1 \n");
    RunOptions options;
    options.workDir = work.Path();
    options.env.emplace_back(kFixedClockVariable, "777");
    options.terminateOnOutput = "PROGRESS:";
    const RunResult run = RunProgram(FixedClockBinary(), {"config"}, options);
    ASSERT_TRUE(run.signaled);
    EXPECT_EQ(run.signal, SIGTERM);
    EXPECT_EQ(ReadFileBytes(work.File("out.txt")), "1 0 1 \n");
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(work.Path())) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"LOG", "big.tab", "config", "out.txt"}));
}

}  // namespace
