// CALCULATE_GENETIC_REDUCTS as the front end runs it. The reducts found depend on the clock
// that seeds the search, so the checks are what every run must satisfy: the file is well
// formed, holds no line twice, and every line is a reduct of the kind asked for, checked
// against the definition pair by pair.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "core/table.h"
#include "tests/e2e/process_runner.h"
#include "tests/support/brute_force_reducts.h"
#include "tests/support/fixed_clock.h"
#include "tests/support/test_files.h"

namespace {

struct Request {
    std::string table;
    int local;
    int relative;
    int number;
    int speed;
};

struct GeneticRun {
    RunResult run;
    std::string reducts;
    std::string log;
};

GeneticRun Calculate(const std::string& exe, const Request& r, const std::string& second = "") {
    ScratchDir work;
    std::filesystem::copy_file(std::string(VARNEL_TABLES "/") + r.table, work.File(r.table));
    WriteFileBytes(work.File("config"), "CALCULATE_GENETIC_REDUCTS\n" + r.table + "\n" + std::to_string(r.local) +
                                            "\n" + std::to_string(r.relative) + "\n" + std::to_string(r.number) +
                                            "\n" + std::to_string(r.speed) + "\nfound.red\nfound.log\n");
    RunOptions options;
    options.workDir = work.Path();
    if (!second.empty()) options.env.emplace_back(kFixedClockVariable, second);
    GeneticRun result;
    result.run = RunProgram(exe, {"config"}, options);
    if (FileExists(work.File("found.red"))) result.reducts = ReadFileBytes(work.File("found.red"));
    if (FileExists(work.File("found.log"))) result.log = ReadFileBytes(work.File("found.log"));
    return result;
}

// The lines of the compact reducts file, each read back and checked to be written as
// "size a1 ... ak " with ascending attributes.
std::vector<std::vector<int>> ParseReducts(const std::string& text) {
    const std::vector<std::string> lines = TextLines(text);
    EXPECT_FALSE(lines.empty());
    if (lines.empty()) return {};
    EXPECT_EQ(lines[0], std::to_string(lines.size() - 1));
    std::vector<std::vector<int>> reducts;
    for (size_t i = 1; i < lines.size(); ++i) {
        std::istringstream in(lines[i]);
        int size = -1;
        in >> size;
        std::vector<int> attrs(static_cast<size_t>(std::max(size, 0)));
        std::string again = std::to_string(size) + " ";
        for (int& a : attrs) {
            in >> a;
            again += std::to_string(a) + " ";
        }
        EXPECT_EQ(lines[i], again);
        reducts.push_back(attrs);
    }
    return reducts;
}

TEST(GeneticReducts, EveryLineIsAReductOfTheKindAskedForAndNoneRepeats) {
    for (const std::string table : {"weather.nominal.tab", "contact-lenses.tab", "labor.tab", "breast-cancer.tab", "vote.tab"}) {
        TTable t;
        t.Load((std::string(VARNEL_TABLES "/") + table).c_str());
        for (int local : {0, 1}) {
            for (int relative : {0, 1}) {
                SCOPED_TRACE(table + " local " + std::to_string(local) + " relative " + std::to_string(relative));
                const Request request{table, local, relative, 6, 0};
                const GeneticRun r = Calculate(VarnelBinary(), request);
                ASSERT_FALSE(r.run.signaled || r.run.timedOut);
                ASSERT_EQ(r.run.exitCode, 0) << r.run.out << r.log;

                const std::vector<std::string> out = TextLines(r.run.out);
                const size_t progress = local ? static_cast<size_t>(t.GetNoObj()) : 10u;
                ASSERT_EQ(out.size(), 3 + progress + 1);
                EXPECT_EQ(out[0], "Calculating genetic reducts: " + table + " (" + std::to_string(relative) + ")");
                EXPECT_EQ(out[1], "Reduct set will be saved to: found.red");
                EXPECT_EQ(out[2], "LOG will be saved to: found.log");
                for (size_t i = 0; i < progress; ++i) {
                    const long long done = static_cast<long long>(i) * 100 / static_cast<long long>(progress);
                    EXPECT_EQ(out[3 + i], "PROGRESS:" + std::to_string(done));
                }
                EXPECT_EQ(out.back(), "PROCESS_DOWN");

                const std::vector<std::vector<int>> reducts = ParseReducts(r.reducts);
                ASSERT_FALSE(reducts.empty());
                if (!local) {
                    EXPECT_LE(reducts.size(), 6u);
                }
                EXPECT_EQ(std::set<std::vector<int>>(reducts.begin(), reducts.end()).size(), reducts.size());
                for (const std::vector<int>& attrs : reducts) {
                    if (local) {
                        EXPECT_TRUE(brute_force::IsLocalReduct(t, relative == 1, attrs)) << r.reducts;
                    } else {
                        EXPECT_TRUE(brute_force::IsGlobalReduct(t, relative == 1, attrs)) << r.reducts;
                    }
                }

                const std::string head = "Calculating genetic reducts: " + table +
                                         "\nReduct set will be saved to: found.red\n" +
                                         std::to_string(t.GetNoObj()) + " objects loaded from \"" + table +
                                         "\"\nGenetic reducts\nInitializing table...\n";
                EXPECT_EQ(r.log.substr(0, head.size()), head);
                const std::string tail =
                    local ? "Working...\n\nDone.\n"
                          : "Working...\nNumber of reducts: " + std::to_string(reducts.size()) + "\n\nDone.\n";
                ASSERT_GE(r.log.size(), tail.size());
                EXPECT_EQ(r.log.substr(r.log.size() - tail.size()), tail);
            }
        }
    }
}

TEST(GeneticReducts, TheSameClockSecondGivesTheSameRun) {
    for (int local : {0, 1}) {
        for (int relative : {0, 1}) {
            SCOPED_TRACE(std::to_string(local) + " " + std::to_string(relative));
            const Request request{"labor.tab", local, relative, 40, 1};
            const GeneticRun a = Calculate(FixedClockBinary(), request, "123456");
            const GeneticRun b = Calculate(FixedClockBinary(), request, "123456");
            ASSERT_EQ(a.run.exitCode, 0);
            EXPECT_FALSE(a.reducts.empty());
            EXPECT_EQ(a.reducts, b.reducts);
            EXPECT_EQ(a.log, b.log);
            EXPECT_EQ(a.run.out, b.run.out);
        }
    }
}

}  // namespace
