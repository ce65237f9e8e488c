// CREATE_LTFC and TEST_TABLE_LTFC as the front end runs them, on iris and on small data: the
// trained network depends on the second the run starts in, its shape and the protocol do not.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "tests/e2e/process_runner.h"
#include "tests/support/fixed_clock.h"
#include "tests/support/network_data.h"
#include "tests/support/test_files.h"

namespace {

constexpr const char* kSecond = "1700000000";

// Iris split in two: every third object is held out for testing.
struct IrisSplit {
    std::vector<NetSample> train;
    std::vector<NetSample> test;
};

IrisSplit ReadIris() {
    std::ifstream in(VARNEL_TABLES "/iris.dense.tab");
    int objects = 0, attributes = 0;
    in >> objects >> attributes;
    IrisSplit split;
    for (int o = 0; o < objects; ++o) {
        NetSample s;
        for (int a = 0; a + 1 < attributes; ++a) {
            float v = 0;
            in >> v;
            s.inputs.push_back(v);
        }
        in >> s.cls;
        (o % 3 == 2 ? split.test : split.train).push_back(s);
    }
    EXPECT_TRUE(in) << "iris table unreadable";
    return split;
}

class NetworkCommands : public ::testing::Test {
protected:
    NetworkCommands() {
        const IrisSplit iris = ReadIris();
        WriteFileBytes(work.File("train.dst"), DstText(4, 3, {iris.train}));
        // The ".dat" holds two data sets; the first is the one tested.
        WriteFileBytes(work.File("test.dat"), DatBytes(iris.test, iris.train));
        testClasses = iris.test;
    }

    RunResult Run(const std::string& config, const std::string& second = kSecond) {
        WriteFileBytes(work.File("config"), config);
        RunOptions options;
        options.workDir = work.Path();
        options.env.emplace_back(kFixedClockVariable, second);
        return RunProgram(FixedClockBinary(), {"config"}, options);
    }

    RunResult Create(const std::string& data, const std::string& mode, const std::string& net,
                     const std::string& second = kSecond) {
        return Run("CREATE_LTFC\n" + data + "\n" + mode + "\n" + net + "\nLOG\n", second);
    }

    std::string File(const std::string& name) { return ReadFileBytes(work.File(name)); }

    // The progress values between the echo lines and PROCESS_DOWN.
    static std::vector<int> Progress(const RunResult& r, size_t echoLines) {
        const std::vector<std::string> out = TextLines(r.out);
        std::vector<int> values;
        EXPECT_GE(out.size(), echoLines + 1);
        EXPECT_EQ(out.back(), "PROCESS_DOWN");
        for (size_t i = echoLines; i + 1 < out.size(); ++i) {
            EXPECT_EQ(out[i].rfind("PROGRESS:", 0), 0u) << out[i];
            values.push_back(std::stoi(out[i].substr(9)));
        }
        return values;
    }

    ScratchDir work;
    std::vector<NetSample> testClasses;
};

TEST_F(NetworkCommands, IrisIsLearnedAndTheHeldOutThirdClassified) {
    // Three starting seconds, so that one lucky draw cannot carry the result.
    for (const char* second : {"1700000000", "1700000001", "1700000002"}) {
        SCOPED_TRACE(second);
        const RunResult created = Create("train.dst", "1\n0\n0", "iris.net", second);
        ASSERT_EQ(created.exitCode, 0) << created.err;
        // Automatic: 20 passes over the 100 training samples.
        const std::vector<int> progress = Progress(created, 3);
        ASSERT_EQ(progress.size(), 2001u);
        EXPECT_EQ(progress.back(), 99);
        const std::string net = File("iris.net");
        EXPECT_NE(net.find("@SumCycles\t2000\n"), std::string::npos);
        EXPECT_EQ(File("LOG"), "Constructing neural networks for table: train.dst\n"
                               "Networks will be saved to: iris.net\n");

        const RunResult tested = Run("TEST_TABLE_LTFC\ntest.dat\niris.net\nresults.tab\nLOG\n");
        ASSERT_EQ(tested.exitCode, 0) << tested.err;
        const std::vector<int> shown = Progress(tested, 4);
        ASSERT_EQ(shown.size(), 50u);
        EXPECT_EQ(shown[1], 2);
        EXPECT_EQ(shown.back(), 98);

        // The results table holds one answer per sample; the logged accuracy is theirs.
        const std::vector<std::string> rows = TextLines(File("results.tab"));
        ASSERT_EQ(rows.size(), 51u);
        EXPECT_EQ(rows[0], "50 1");
        int hits = 0;
        for (size_t i = 0; i < testClasses.size(); ++i) hits += rows[i + 1] == std::to_string(testClasses[i].cls) + " ";
        const std::vector<std::string> log = TextLines(File("LOG"));
        ASSERT_EQ(log.size(), 4u);
        char expected[80];
        std::snprintf(expected, sizeof expected, "Acc=%g         licz=0Table saved to \"results.tab\"",
                      hits / 50.0);
        EXPECT_EQ(log[3], expected);
        EXPECT_GE(hits, 44) << "accuracy " << hits / 50.0;
    }
}

TEST_F(NetworkCommands, SameSecondSameNetworkAnotherSecondAnother) {
    ASSERT_EQ(Create("train.dst", "1\n0\n0", "a.net").exitCode, 0);
    ASSERT_EQ(Create("train.dst", "1\n0\n0", "b.net").exitCode, 0);
    ASSERT_EQ(Create("train.dst", "1\n0\n0", "c.net", "1700000007").exitCode, 0);
    EXPECT_EQ(File("a.net"), File("b.net"));
    EXPECT_NE(File("a.net"), File("c.net"));
}

TEST_F(NetworkCommands, ManualTrainingMakesTheStepsAskedFor) {
    const RunResult r = Create("train.dst", "0\n37\n0.01", "m.net");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::vector<int> progress = Progress(r, 3);
    ASSERT_EQ(progress.size(), 38u);
    EXPECT_EQ(progress[0], 0);
    EXPECT_EQ(progress[1], 0);
    EXPECT_EQ(progress[2], 2);    // 1 of 37 steps made: 2.7 %
    EXPECT_EQ(progress[20], 51);  // 19 of 37: 51.4 %
    EXPECT_EQ(progress[37], 97);  // 36 of 37: 97.3 %
    for (size_t i = 1; i < progress.size(); ++i) EXPECT_GE(progress[i], progress[i - 1]);
    const std::string net = File("m.net");
    EXPECT_NE(net.find("@SumCycles\t37\n"), std::string::npos);
    EXPECT_NE(net.find("@EtaUse  \t0.01\n@UseTr   \t0.01\n"), std::string::npos);
}

}  // namespace
