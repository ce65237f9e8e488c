// Outputs that name an input through a link, a hard link or an absolute path: the run is
// refused with code 7 before anything is written, and every input keeps its bytes. A copy
// with the same contents is another file and is written as usual.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "tests/e2e/process_runner.h"
#include "tests/support/test_files.h"

namespace fs = std::filesystem;

namespace {

const std::string kTable = "2 2\n1   0\n0 1\n";

struct Folder {
    ScratchDir dir;
    std::map<std::string, std::string> inputs;  // name -> bytes, the configuration included

    void Add(const std::string& name, const std::string& bytes) {
        WriteFileBytes(dir.File(name), bytes);
        inputs[name] = bytes;
    }
    void AddFrom(const std::string& name, const std::string& source) { Add(name, ReadFileBytes(source)); }
    RunResult Run(const std::string& config) {
        Add("config", config);
        RunOptions options;
        options.workDir = dir.Path();
        return RunProgram(VarnelBinary(), {"config"}, options);
    }
    void ExpectInputsKept() {
        for (const auto& [name, bytes] : inputs) EXPECT_EQ(ReadFileBytes(dir.File(name)), bytes) << name;
    }
    std::string Log(const std::string& name) { return FileExists(dir.File(name)) ? ReadFileBytes(dir.File(name)) : ""; }
};

std::string LastLines(const std::string& text, size_t n) {
    const std::vector<std::string> lines = TextLines(text);
    std::string out;
    for (size_t i = lines.size() > n ? lines.size() - n : 0; i < lines.size(); ++i) out += lines[i] + "\n";
    return out;
}

// Runs the configuration and expects the refusal: code 7, the LOG ending in `logEnd`, and
// every input as it was.
RunResult ExpectRefused(Folder& f, const std::string& config, const std::string& log, const std::string& logEnd) {
    const RunResult run = f.Run(config);
    EXPECT_EQ(run.exitCode, 7);
    EXPECT_EQ(LastLines(f.Log(log), TextLines(logEnd).size()), logEnd);
    f.ExpectInputsKept();
    return run;
}

// The table or the configuration file behind a link: refused as a LOG that cannot be made,
// in the wording of each command family.
TEST(SameFile, ALogLinkedToAnInputIsRefusedAsUnwritable) {
    struct Case {
        const char* target;
        const char* config;
        const char* refusal;
    };
    const Case cases[] = {
        {"t.tab", "CALCULATE_ALL_REDUCTS\nt.tab\n0\n1\n0\nout.red\nLOG\n", "Can't save file with LOG: LOG\n"},
        {"config", "CALCULATE_ALL_RULES\nt.tab\n0\nout.red\nLOG\n", "Error: Can't save file with LOG: LOG\n"},
    };
    for (const Case& c : cases) {
        Folder f;
        f.Add("t.tab", kTable);
        ASSERT_EQ(symlink(c.target, f.dir.File("LOG").c_str()), 0);
        const RunResult run = f.Run(c.config);
        EXPECT_EQ(run.exitCode, 7) << c.target;
        EXPECT_EQ(LastLines(run.out, 2), std::string(c.refusal) + "PROCESS_DOWN\n");
        f.ExpectInputsKept();
        EXPECT_FALSE(FileExists(f.dir.File("out.red")));
    }
}

TEST(SameFile, AReductsFileHardLinkedToTheTableIsRefusedBeforeTheRewrite) {
    Folder f;
    f.Add("t.tab", kTable);
    ASSERT_EQ(link(f.dir.File("t.tab").c_str(), f.dir.File("out.red").c_str()), 0);
    // Not even rewritten in its canonical layout.
    ExpectRefused(f, "CALCULATE_ALL_REDUCTS\nt.tab\n0\n1\n0\nout.red\nLOG\n", "LOG",
                  "Error: Can't save file with reducts\nError: Can not save the file: out.red\n"
                  "Err.GetMessage()=Error: Can not save the file: out.red\nProgram TERMINATED! \n");
}

TEST(SameFile, ResultsLinkedToABinaryDataFileAreRefused) {
    Folder f;
    const std::string cases = E2eCasesDir() + "/test_table_ltfc_binary_data/input/";
    f.AddFrom("data.DAT", cases + "data.DAT");
    f.AddFrom("hand.net", cases + "hand.net");
    ASSERT_EQ(symlink(f.dir.File("data.DAT").c_str(), f.dir.File("results.tab").c_str()), 0);
    ExpectRefused(f, "TEST_TABLE_LTFC\ndata.DAT\nhand.net\nresults.tab\nlog.txt\n", "log.txt",
                  "Error: Can't save file with table: results.tab\n"
                  "Err.GetMessage()=Error: Can not save the file: results.tab\nProgram TERMINATED! \n");
}

TEST(SameFile, ANetworkHardLinkedToTheDataIsRefusedBeforeTraining) {
    Folder f;
    f.AddFrom("train.dst", E2eCasesDir() + "/create_ltfc_one_step_fixed_clock/input/train.dst");
    ASSERT_EQ(link(f.dir.File("train.dst").c_str(), f.dir.File("net.net").c_str()), 0);
    const RunResult run =
        ExpectRefused(f, "CREATE_LTFC\ntrain.dst\n0\n5\n0.005\nnet.net\nlog.txt\n", "log.txt",
                      "Err.GetMessage()=Error: Can not save the file: net.net\nProgram TERMINATED! \n");
    EXPECT_EQ(run.out.find("PROGRESS"), std::string::npos);  // no training
}

TEST(SameFile, AnOutputSpelledAsTheTablesAbsolutePathIsRefused) {
    Folder f;
    f.Add("t.tab", "3 2\n1.5 0\n2 1\n? 1\n");
    const std::string absolute = fs::canonical(f.dir.File("t.tab")).string();
    ExpectRefused(f, "GENERATE_DIRECTIONS\nt.tab\n1\n2\n" + absolute + "\nLOG\n", "LOG",
                  "Err.GetMessage()=Error: Can not save the file: " + absolute + "\nProgram TERMINATED! \n");
}

// Equal bytes do not make the same file: a copy of the table is overwritten by the reducts.
TEST(SameFile, ACopyOfTheTableIsAnotherFile) {
    Folder f;
    f.Add("t.tab", kTable);
    WriteFileBytes(f.dir.File("out.red"), kTable);
    const RunResult run = f.Run("CALCULATE_ALL_REDUCTS\nt.tab\n0\n1\n0\nout.red\nLOG\n");
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(ReadFileBytes(f.dir.File("out.red")), "1\n1 0 \n");
    EXPECT_EQ(ReadFileBytes(f.dir.File("t.tab")), "2 2\n1 0 \n0 1 \n");
}

}  // namespace
