#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/table.h"
#include "driver/handlers.h"
#include "tests/driver/handler_config.h"
#include "rough/reasoning/discernibility.h"
#include "tests/rough/table_builders.h"
#include "tests/support/exit_child.h"
#include "tests/support/test_files.h"

namespace {

// A genetic search whose rejected subsets pass their memory share ends the command as an
// exhausted allocation: code 2, its LOG lines and "PROCESS_DOWN", no reducts file.
TEST(GeneticReductsHandlerDeathTest, RejectedSubsetsPastTheMemoryShareEndWithCodeTwo) {
    ScratchDir dir;
    TTable table;
    FillRandomTable(table, 17, 3, 34, 3, 2);
    table.Save(dir.File("t.tab").c_str());
    const std::string out = StdoutOfExit(2, [&] {
        discern::SetTermMemoryLimit(64 * 1024);
        DoCalculateGeneticReducts(Config({"CALCULATE_GENETIC_REDUCTS", dir.File("t.tab"), "0", "0", "10",
                                          "20", dir.File("out.red"), dir.File("LOG")}));
    });
    const std::vector<std::string> lines = TextLines(out);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "PROCESS_DOWN");
    const std::string log = ReadFileBytes(dir.File("LOG"));
    const std::string end =
        "Error: Not enough memory!\nErr.GetMessage()=Error: Not enough memory!\nProgram TERMINATED! \n";
    ASSERT_GE(log.size(), end.size());
    EXPECT_EQ(log.substr(log.size() - end.size()), end);
    EXPECT_FALSE(FileExists(dir.File("out.red")));
}

}  // namespace
