#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/error.h"
#include "ltfc/controller.h"
#include "ltfc/exceptions.h"
#include "ltfc/labelled_file.h"
#include "tests/ltfc/fresh_generators.h"
#include "tests/support/network_data.h"
#include "tests/support/test_files.h"

namespace {

// Seven samples on two inputs, five of class 0.
const std::vector<NetSample> kSeven = {{{0, 0}, 0},   {{0.5f, 0}, 0}, {{0, 0.5f}, 0}, {{0.4f, 0.4f}, 0},
                                       {{0.2f, 0.1f}, 0}, {{3, 3}, 1},   {{3.5f, 2.5f}, 1}};

// A network for two inputs and two classes as a person would write it: labels in free order,
// remarks, optional labels left out.
const char* kHandWritten =
    "$ written by hand\n"
    "@NetType LTF-C @FileType net\n"
    "@EtaPlus 1 @EtaMinus 1 @EtaGrPlus 0.55 @EtaGrMinus 1\n"
    "@Probab 0.05 @Delta0 -0.5 @DeltaMin -1 @DeltaMax 0.5\n"
    "@EtaUse 0.005 @UseTr 0.005 @DecrsEta 1\n"
    "@DeltaTr 0.25\n"
    "@Inputs 2 @Outputs 2 @Neurons 1 @SumCycles 9\n"
    "@<Neuron0 @Class 1 @Life 4 @AvgUsefuln 0.03125 @EtaEta 0.5 @Weights 3 3 @RecipOfRadii 1 1 @>\n";

class ControllerTest : public FreshGeneratorsTest {
protected:
    std::string Write(const std::string& name, const std::string& bytes) {
        const std::string path = dir.File(name);
        WriteFileBytes(path, bytes);
        return path;
    }
    std::string Seven() { return Write("seven.dst", DstText(2, 2, {kSeven})); }
    std::string ThreeClasses() { return Write("three.dst", DstText(2, 3, {{{{0, 0}, 2}}})); }

    // Standard output of `f`.
    template <class F>
    std::string Stdout(F f) {
        testing::internal::CaptureStdout();
        f();
        return testing::internal::GetCapturedStdout();
    }

    ScratchDir dir;
    CLtfcController c;
};

TEST_F(ControllerTest, ConstructionDefaults) {
    EXPECT_EQ(c.GetDatabase(), nullptr);
    EXPECT_EQ(c.GetNet(), nullptr);
    EXPECT_EQ(c.DeltaTr, 0.1f);
    EXPECT_EQ(c.steps, 0);
    EXPECT_EQ(c.params.EtaUse, 0.002f);
    EXPECT_EQ(c.params.EtaGrPlus, 0.6f);
}

TEST_F(ControllerTest, ExtensionPicksTheFormat) {
    const std::string dat = Write("train.DAT", DatBytes(kSeven, {{{1, 1}, 0}}));
    c.LoadDatabase(dat.c_str());
    std::vector<int> counts;
    c.GetDatabase()->GetSampleCounts(counts);
    EXPECT_EQ(counts, (std::vector<int>{7, 1}));

    c.LoadDatabase(Write("x.DSTX", DstText(2, 2, {kSeven, kSeven, kSeven})).c_str());
    c.GetDatabase()->GetSampleCounts(counts);
    EXPECT_EQ(counts, (std::vector<int>{7, 7, 7}));

    // A wrong name is refused before the loaded database is touched.
    for (const char* name : {"train", "train.txt", "train.d", "train.da"}) {
        EXPECT_THROW(c.LoadDatabase(Write(name, DstText(2, 2, {kSeven})).c_str()), EInvalidFileFormat)
            << name;
        ASSERT_NE(c.GetDatabase(), nullptr);
    }
    // A failing load leaves no database behind.
    EXPECT_THROW(c.LoadDatabase(Write("broken.dat", "abc").c_str()), EIOError);
    EXPECT_EQ(c.GetDatabase(), nullptr);
}

TEST_F(ControllerTest, OperationsInTheWrongState) {
    EXPECT_THROW(c.CreateNetwork(), EMustLoadDB);
    EXPECT_THROW(c.Train(CNetParams(), true, 0.0f), EMustLoadDB);
    EXPECT_THROW(c.LoadNetwork(Write("n.net", kHandWritten).c_str()), EMustLoadDB);
    EXPECT_THROW(c.SaveNetwork(dir.File("out.net").c_str()), EMustCreateNet);
    int actual = 0;
    EXPECT_THROW(c.Classify(0, actual), EMustLoadDB);
    c.LoadDatabase(Seven().c_str());
    EXPECT_THROW(c.SaveNetwork(dir.File("out.net").c_str()), EMustCreateNet);
    EXPECT_THROW(c.Classify(0, actual), EMustCreateNet);
    EXPECT_FALSE(FileExists(dir.File("out.net")));
}

TEST_F(ControllerTest, CreateNetworkSizesAnEmptyNetworkByDataSetZero) {
    c.LoadDatabase(Seven().c_str());
    c.CreateNetwork();
    ASSERT_NE(c.GetNet(), nullptr);
    EXPECT_EQ(c.GetNet()->GetProblemType(), (CProblemType{2, 2}));
    EXPECT_EQ(c.GetNet()->GetNeuronCount(), 0);

    // An empty data set 0 cannot size a network (nor be checked against one).
    const std::string empty = Write("empty.dst", DstText(2, 2, {{}}));
    EXPECT_THROW(c.LoadDatabase(empty.c_str()), ENoData);
    CLtfcController fresh;
    fresh.LoadDatabase(empty.c_str());
    EXPECT_THROW(fresh.CreateNetwork(), ENoData);
}

TEST_F(ControllerTest, AutomaticTrainingMakesTwentyPassesOverDataSetZero) {
    c.LoadDatabase(Seven().c_str());
    c.steps = 3;  // replaced
    const std::vector<std::string> out = TextLines(Stdout([&] { c.Train(CNetParams(), true, 0.0f); }));
    EXPECT_EQ(c.GetNet()->GetSumCycles(), 140);
    EXPECT_EQ(c.steps, 140);
    ASSERT_EQ(out.size(), 141u);
    EXPECT_EQ(out[0], "PROGRESS:0");
    EXPECT_EQ(out[1], "PROGRESS:0");  // before the first step nothing is done
    EXPECT_EQ(out[2], "PROGRESS:0");  // 1/140
    EXPECT_EQ(out[3], "PROGRESS:1");  // 2/140
    EXPECT_EQ(out[71], "PROGRESS:50");  // 70/140
    EXPECT_EQ(out[140], "PROGRESS:99");  // never 100
    // Automatic: EtaUse from 2/7, EtaGrPlus from the share 5/7.
    EXPECT_EQ(c.params.EtaUse, 0.28f);
    EXPECT_EQ(c.params.EtaGrPlus, 0.55f);
}

TEST_F(ControllerTest, ManualTrainingUsesXAndIgnoresThePassedParameters) {
    c.LoadDatabase(Seven().c_str());
    CNetParams passed;
    passed.MaxNeur = 3;
    passed.Probab = 0.9f;
    passed.EtaGrPlus = 0.1f;
    c.steps = 0;
    EXPECT_EQ(Stdout([&] { c.Train(passed, false, 0.005f); }), "PROGRESS:0\n");
    ASSERT_NE(c.GetNet(), nullptr);
    EXPECT_EQ(c.GetNet()->GetNeuronCount(), 0);
    EXPECT_EQ(c.params.EtaUse, 0.005f);
    EXPECT_EQ(c.params.UseTr, static_cast<double>(0.005f));
    EXPECT_EQ(c.params.EtaGrPlus, 0.55f);
    EXPECT_EQ(c.params.MaxNeur, 10000);
    EXPECT_EQ(c.params.Probab, 0.05f);

    c.steps = 4;
    EXPECT_EQ(Stdout([&] { c.Train(passed, false, 0.005f); }),
              "PROGRESS:0\nPROGRESS:0\nPROGRESS:25\nPROGRESS:50\nPROGRESS:75\n");
    EXPECT_EQ(c.GetNet()->GetSumCycles(), 4);
    EXPECT_EQ(c.steps, 4);
}

TEST_F(ControllerTest, FurtherTrainingContinuesTheNetworkWithFreshEtaEta) {
    c.LoadDatabase(Seven().c_str());
    c.steps = 30;
    Stdout([&] { c.Train(CNetParams(), false, 0.001f); });
    const CNet* net = c.GetNet();
    ASSERT_GT(net->GetNeuronCount(), 0);
    bool decayed = false;
    for (int i = 0; i < net->GetNeuronCount(); ++i) decayed |= net->GetNeuron(i).EtaEta < 1.0f;
    EXPECT_TRUE(decayed);
    c.steps = 0;
    Stdout([&] { c.Train(CNetParams(), false, 0.001f); });
    EXPECT_EQ(c.GetNet(), net);
    EXPECT_EQ(net->GetSumCycles(), 30);
    for (int i = 0; i < net->GetNeuronCount(); ++i) EXPECT_EQ(net->GetNeuron(i).EtaEta, 1.0f);
}

// Each step is told how many steps are left, itself included: every neuron that learned in
// the last step (all but one inserted there) ends the run with EtaEta 0. After two steps the
// neuron the first step put into the empty network has learned exactly once, in the last step.
TEST_F(ControllerTest, EtaEtaRunsOutAtTheLastStep) {
    for (int steps : {2, 3, 60}) {
        CLtfcController run;
        run.LoadDatabase(Seven().c_str());
        run.steps = steps;
        Stdout([&] { run.Train(CNetParams(), false, 0.0005f); });
        const CNet* net = run.GetNet();
        int learned = 0;
        for (int i = 0; i < net->GetNeuronCount(); ++i) {
            const CNeuron& n = net->GetNeuron(i);
            EXPECT_EQ(n.EtaEta, n.Life > 0 ? 0.0f : 1.0f) << steps << " steps, neuron " << i;
            learned += n.Life > 0;
        }
        EXPECT_GT(learned, 0) << steps << " steps";
    }
}

// Two processes that start training within the same second.
TEST_F(ControllerTest, SameSecondSameNetwork) {
    const std::string data = Seven();
    std::string saved[2];
    for (std::string& text : saved) {
        ResetRanmarForTests();
        ResetRandomForTests();
        CLtfcController run;
        run.LoadDatabase(data.c_str());
        Stdout([&] { run.Train(CNetParams(), true, 0.0f); });
        run.SaveNetwork(dir.File("same.net").c_str());
        text = ReadFileBytes(dir.File("same.net"));
    }
    EXPECT_EQ(saved[0], saved[1]);
}

TEST_F(ControllerTest, AnotherProblemTypeDropsTheNetwork) {
    c.LoadDatabase(Seven().c_str());
    c.CreateNetwork();
    const CNet* net = c.GetNet();
    c.LoadDatabase(Write("same.dat", DatBytes(kSeven, kSeven)).c_str());
    EXPECT_EQ(c.GetNet(), net);
    c.LoadDatabase(ThreeClasses().c_str());
    EXPECT_EQ(c.GetNet(), nullptr);
    EXPECT_THROW(c.SaveNetwork(dir.File("out.net").c_str()), EMustCreateNet);
}

TEST_F(ControllerTest, SavesTheNetworkFileByteForByte) {
    c.LoadDatabase(Seven().c_str());
    c.LoadNetwork(Write("hand.net", kHandWritten).c_str());
    const std::string out = dir.File("out.net");
    c.SaveNetwork(out.c_str());
    EXPECT_EQ(ReadFileBytes(out),
              "$------------------------------------------------------\n"
              "$\n"
              "$   LTF-C neural network\n"
              "$\n"
              "$\n"
              "$   Number of inputs:   2\n"
              "$   Number of outputs:  2\n"
              "$   Number of neurons:  1\n"
              "$\n"
              "$------------------------------------------------------\n"
              "\n"
              "\n"
              "@FileType\tnet\n"
              "@NetType\tLTF-C\n"
              "\n"
              "\n"
              "@MaxNeur\t10000\n"
              "\n"
              "@EtaPlus\t1\n"
              "@EtaMinus\t1\n"
              "@EtaGrPlus\t0.55\n"
              "@EtaGrMinus\t1\n"
              "\n"
              "@Probab \t0.05\n"
              "\n"
              "@Delta0 \t-0.5\n"
              "@DeltaMin\t-1\n"
              "@DeltaMax\t0.5\n"
              "\n"
              "@EtaUse  \t0.005\n"
              "@UseTr   \t0.005\n"
              "@DecrsEta\t1\n"
              "\n"
              "@NeurInsTime \t0.7\n"
              "@InitRadCoef \t5\n"
              "@EqualRadProb\t1\n"
              "@DeltaTr\t0.25\n"
              "\n"
              "\n"
              "@Inputs \t2\n"
              "@Outputs\t2\n"
              "@Neurons\t1\n"
              "\n"
              "@SumCycles\t9\n"
              "\n"
              "\n"
              "@<Neuron0\n"
              " @Class \t1\n"
              " @Life  \t4\n"
              " @AvgUsefuln\t0.03125000\n"
              " @AvgActiv\t0.00000000\n"
              " @EtaEta\t0.500\n"
              " @Out   \t0.000\n"
              " @Height\t1.0000\n"
              "\n"
              " @Weights\n"
              "   3.0000  3.0000\n"
              "\n"
              " @RecipOfRadii\n"
              "   1.0000  1.0000\n"
              "@>\n"
              "\n");
}

TEST_F(ControllerTest, ReadWriteReadWriteGivesTheSameBytes) {
    c.LoadDatabase(Seven().c_str());
    c.steps = 50;
    CNetParams p;
    Stdout([&] { c.Train(p, false, 0.0005f); });
    c.params.AlgNeurRemv = 1;
    c.params.MinLife2Remv = 2;
    c.params.Moment = 0.5f;
    c.params.VarHeight = true;
    const std::string names[3] = {dir.File("a.net"), dir.File("b.net"), dir.File("c.net")};
    c.SaveNetwork(names[0].c_str());
    c.LoadNetwork(names[0].c_str());
    c.SaveNetwork(names[1].c_str());
    c.LoadNetwork(names[1].c_str());
    c.SaveNetwork(names[2].c_str());
    EXPECT_EQ(ReadFileBytes(names[1]), ReadFileBytes(names[2]));
    EXPECT_EQ(c.GetNet()->GetSumCycles(), 50);
    EXPECT_EQ(c.params.AlgNeurRemv, 1);
    EXPECT_EQ(c.params.MinLife2Remv, 2);
    EXPECT_EQ(c.params.Moment, 0.5f);
    EXPECT_TRUE(c.params.VarHeight);
}

TEST_F(ControllerTest, LoadNetworkTakesParametersAndDeltaTrWhenPresent) {
    c.LoadDatabase(Seven().c_str());
    const std::string body = std::string(kHandWritten);
    const std::string withoutDeltaTr = body.substr(0, body.find("@DeltaTr")) + body.substr(body.find("@Inputs"));
    c.LoadNetwork(Write("a.net", withoutDeltaTr).c_str());
    EXPECT_EQ(c.DeltaTr, 0.1f);
    EXPECT_EQ(c.params.EtaUse, 0.005f);
    EXPECT_EQ(c.params.EtaGrPlus, 0.55f);
    EXPECT_EQ(c.GetNet()->GetSumCycles(), 9);

    c.LoadNetwork(Write("b.net", body).c_str());
    EXPECT_EQ(c.DeltaTr, 0.25f);
    std::string marked = body;
    marked.replace(marked.find("0.25"), 4, "-100");
    c.LoadNetwork(Write("c.net", marked).c_str());
    EXPECT_EQ(c.DeltaTr, 0.25f);  // -100 stands for an absent value
}

TEST_F(ControllerTest, NetworkOfAnotherTypeChangesNothing) {
    c.LoadDatabase(ThreeClasses().c_str());
    c.steps = 2;
    Stdout([&] { c.Train(CNetParams(), false, 0.01f); });
    const CNet* net = c.GetNet();
    const CNetParams before = c.params;
    EXPECT_THROW(c.LoadNetwork(Write("hand.net", kHandWritten).c_str()), EDiffProblemTypes);
    EXPECT_EQ(c.GetNet(), net);
    EXPECT_EQ(c.params.EtaUse, before.EtaUse);
    EXPECT_EQ(c.DeltaTr, 0.1f);

    // Format errors surface as the reader's exceptions.
    EXPECT_THROW(c.LoadNetwork(Write("bad.net", "@FileType data @NetType LTF-C").c_str()), mfstream::badvalue);
    EXPECT_THROW(c.LoadNetwork(dir.File("absent.net").c_str()), mfstream::isnotlabel);
    EXPECT_EQ(c.GetNet(), net);
}

TEST_F(ControllerTest, UnwritableNetworkFileIsSaveError) {
    c.LoadDatabase(Seven().c_str());
    c.CreateNetwork();
    const std::string name = dir.File("no/such/folder/out.net");
    try {
        c.SaveNetwork(name.c_str());
        FAIL() << "saved to " << name;
    } catch (const Error& e) {
        EXPECT_EQ(e.GetCode(), 7);
        EXPECT_EQ(std::string(e.GetMessage()), "Error: Can not save the file: " + name);
    }
}

TEST_F(ControllerTest, ClassifyAnswersForSamplesOfDataSetZero) {
    c.LoadDatabase(Write("two.dat", DatBytes({{{0, 0}, 0}, {{3, 3}, 1}, {{2.9f, 3.2f}, 0}}, {{{3, 3}, 0}})).c_str());
    c.LoadNetwork(Write("hand.net", kHandWritten).c_str());
    int actual = -1;
    EXPECT_EQ(c.Classify(0, actual), 0);  // far from the class-1 neuron: all sums 0
    EXPECT_EQ(actual, 0);
    EXPECT_EQ(c.Classify(1, actual), 1);
    EXPECT_EQ(actual, 1);
    EXPECT_EQ(c.Classify(2, actual), 1);
    EXPECT_EQ(actual, 0);
    EXPECT_THROW(c.Classify(3, actual), EValueNotAllowed);
    EXPECT_THROW(c.Classify(-1, actual), EValueNotAllowed);
}

TEST_F(ControllerTest, ClearDeletesBoth) {
    c.LoadDatabase(Seven().c_str());
    c.CreateNetwork();
    c.Clear();
    EXPECT_EQ(c.GetDatabase(), nullptr);
    EXPECT_EQ(c.GetNet(), nullptr);
}

}  // namespace
