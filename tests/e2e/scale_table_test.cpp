// SCALL_TABLE on every public table as the front end runs it: the cuts file and the LOG
// against the search of the reference, counted from class counts, over the generalized
// decision computed pair by pair.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "core/table.h"
#include "tests/e2e/process_runner.h"
#include "tests/support/literal_gen_dec.h"
#include "tests/support/reference_cuts.h"
#include "tests/support/test_files.h"

namespace {

struct ScaleRun {
    RunResult run;
    std::string log;
    std::string cuts;
    bool cutsWritten = false;
    bool tableUnchanged = false;
};

ScaleRun RunScaleTable(const std::string& table) {
    ScratchDir work;
    const std::string source = VARNEL_TABLES "/" + table;
    std::filesystem::copy_file(source, work.File(table));
    WriteFileBytes(work.File("config"), "SCALL_TABLE\n" + table + "\ncuts\nLOG\n");
    RunOptions options;
    options.workDir = work.Path();
    ScaleRun r;
    r.run = RunProgram(VarnelBinary(), {"config"}, options);
    if (FileExists(work.File("LOG"))) r.log = ReadFileBytes(work.File("LOG"));
    r.cutsWritten = FileExists(work.File("cuts"));
    if (r.cutsWritten) r.cuts = ReadFileBytes(work.File("cuts"));
    r.tableUnchanged = ReadFileBytes(work.File(table)) == ReadFileBytes(source);
    return r;
}

TEST(ScaleTableRuns, EveryPublicTableGivesTheReferenceCuts) {
    for (const char* name : {"weather.nominal.tab", "contact-lenses.tab", "iris.tab", "labor.tab",
                             "breast-cancer.tab", "vote.tab", "soybean.tab"}) {
        SCOPED_TRACE(name);
        const ScaleRun r = RunScaleTable(name);
        ASSERT_FALSE(r.run.signaled || r.run.timedOut);
        EXPECT_EQ(r.run.exitCode, 0);
        EXPECT_EQ(r.run.out, std::string("Scalling table: ") + name +
                                 "\nCuts will be saved to: cuts\nLOG will be saved to: LOG\nPROCESS_DOWN\n");
        EXPECT_TRUE(r.tableUnchanged);

        TTable t;
        {
            LogCapture quiet;
            t.Load((std::string(VARNEL_TABLES "/") + name).c_str());
        }
        const LiteralGenDec gen = ComputeLiteralGenDec(t);
        const int dec = t.GetNoAttr() - 1;
        for (int o = 0; o < t.GetNoObj(); ++o) t.SetTable(o, dec, gen.classes[size_t(o)]);

        ReferenceCutSearch ref(t, ReferenceCutSearch::Count::ByClassCounts);
        std::vector<std::pair<int, float>> cuts;
        std::vector<int> slots;
        ref.Run(1, cuts, slots);

        std::string file;
        for (const auto& [a, v] : cuts) {
            char line[64];
            std::snprintf(line, sizeof line, "%d\t%g\n", a, static_cast<double>(v));
            file += line;
        }
        EXPECT_EQ(r.cuts, file);

        std::string log = std::string("Scalling table: ") + name + "\nCuts will be saved to: cuts\n" +
                          std::to_string(t.GetNoObj()) + " objects loaded from \"" + name + "\"\n" + gen.log +
                          "Discretization...\nSearching for cuts...\n";
        for (int a : slots) log += "Found cut of attribute " + std::to_string(a) + ":\n";
        log += "Scaling process... \n";
        // One line per attribute with cuts, then one per attribute after the last of those.
        int last = -1;
        for (const auto& cut : cuts) {
            if (cut.first != last) log += "Scalling attribute:\n";
            last = cut.first;
        }
        for (int b = last + 1; b < dec; ++b) log += "Scalling attribute:\n";
        EXPECT_EQ(r.log, log + "\nDone.\n");

        // The cuts tell apart every two objects whose generalized decisions differ.
        std::map<std::vector<int>, int> classOf;
        for (std::vector<int> row : ReferenceCutSearch::Scaled(t, cuts)) {
            const int k = row.back();
            row.pop_back();
            const auto [at, inserted] = classOf.emplace(row, k);
            EXPECT_TRUE(inserted || at->second == k);
        }
    }
}

TEST(ScaleTableRuns, ADenseTableOfRealsIsABadTableFile) {
    const ScaleRun r = RunScaleTable("iris.dense.tab");
    ASSERT_FALSE(r.run.signaled || r.run.timedOut);
    EXPECT_EQ(r.run.exitCode, 6);
    EXPECT_EQ(r.log,
              "Scalling table: iris.dense.tab\nCuts will be saved to: cuts\n"
              "Error: Bad format of file with table: iris.dense.tab\n"
              "Err.GetMessage()=Error: Can not load the file: iris.dense.tab\nProgram TERMINATED! \n");
    EXPECT_FALSE(r.cutsWritten);
    EXPECT_TRUE(r.tableUnchanged);
}

}  // namespace
