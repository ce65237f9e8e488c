#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <type_traits>

#include "core/random.h"
#include "ltfc/labelled_file.h"
#include "ltfc/net.h"
#include "ltfc/net_params.h"
#include "tests/ltfc/net_text.h"
#include "tests/support/test_files.h"

namespace {

class NetFileTest : public ::testing::Test {
protected:
    std::unique_ptr<CNet> Read(const std::string& text) { return ReadNetwork(dir, text); }
    ScratchDir dir;
};

TEST_F(NetFileTest, NeuronSectionWithEveryConditionalLine) {
    const float centre[10] = {0, 1, -1.5f, 1000, 0.12345f, -12.25f, 2, 3, 4, 5};
    CNeuron n(10, 3, centre, 1, std::vector<float>(10, 0.5f), 0.0123456789, 0.004, 0.25f);
    n.Life = 12;
    n.EtaEta = 0.5f;
    n.Out = 0.75f;
    n.OutRaw = 0.375f;
    n.Height = 2.0f;
    std::ostringstream out;
    out.precision(2);  // whatever the caller left in the stream
    n.Write(out);
    EXPECT_EQ(out.str(),
              " @Class \t1\n"
              " @Life  \t12\n"
              " @AvgUsefuln\t0.01234568\n"
              " @AvgActiv\t0.00400000\n"
              " @EtaEta\t0.500\n"
              " @UseMoment\t1\n"
              " @Moment\t0.250\n"
              " @Out   \t0.750\n"
              " @OutRaw\t0.375\n"
              "\n"
              " @Height\t2.0000\n"
              "\n"
              " @Weights\n"
              "   0.0000  1.0000 -1.5000 1000.0000  0.1235 -12.2500  2.0000  3.0000  4.0000\n"
              "   5.0000\n"
              "\n"
              " @RecipOfRadii\n"
              "   0.5000  0.5000  0.5000  0.5000  0.5000  0.5000  0.5000  0.5000  0.5000\n"
              "   0.5000\n");
    EXPECT_EQ(out.precision(), 2);
}

TEST_F(NetFileTest, NetworkPartWithoutConditionalLines) {
    auto net = Read("@Neurons 2 @Outputs 2 @SumCycles 17 @Inputs 2\n"
                    "@<Neuron1 @RecipOfRadii 3 4 @Weights 0.25 -0.5 @EtaEta 0.1234 @AvgUsefuln 2 "
                    "@Class 0 @>\n"
                    "@<Neuron0 @Class 1 @Life 3 @AvgUsefuln 0.5 @AvgActiv 0.125 @EtaEta 1 @Height 1 "
                    "@Weights 1 2 @RecipOfRadii 2.5 2.5 @>\n");
    std::ostringstream out;
    net->Write(out);
    EXPECT_EQ(out.str(),
              "@Inputs \t2\n"
              "@Outputs\t2\n"
              "@Neurons\t2\n"
              "\n"
              "@SumCycles\t17\n"
              "\n"
              "\n"
              "@<Neuron0\n"
              " @Class \t1\n"
              " @Life  \t3\n"
              " @AvgUsefuln\t0.50000000\n"
              " @AvgActiv\t0.12500000\n"
              " @EtaEta\t1.000\n"
              " @Out   \t0.000\n"
              " @Height\t1.0000\n"
              "\n"
              " @Weights\n"
              "   1.0000  2.0000\n"
              "\n"
              " @RecipOfRadii\n"
              "   2.5000  2.5000\n"
              "@>\n"
              "\n"
              "@<Neuron1\n"
              " @Class \t0\n"
              " @Life  \t0\n"
              " @AvgUsefuln\t2.00000000\n"
              " @AvgActiv\t0.00000000\n"
              " @EtaEta\t0.123\n"
              " @Out   \t0.000\n"
              " @Height\t1.0000\n"
              "\n"
              " @Weights\n"
              "   0.2500 -0.5000\n"
              "\n"
              " @RecipOfRadii\n"
              "   3.0000  4.0000\n"
              "@>\n"
              "\n");
}

TEST_F(NetFileTest, ReadingFillsDefaultsForOptionalLabels) {
    auto net = Read("@Inputs\n1\n@Outputs 2 @Neurons 1\n"
                    "$ a remark @Standard improved\n"
                    "@<Neuron0 @Class 1 @AvgUsefuln 0.25 @EtaEta 0.5 @UseMoment 1 @Moment 0.75 "
                    "@Weights 7 @RecipOfRadii 0.5 @>\n");
    EXPECT_EQ(net->GetProblemType(), (CProblemType{1, 2}));
    EXPECT_EQ(net->GetSumCycles(), 0);
    const CNeuron& n = net->GetNeuron(0);
    EXPECT_EQ(n.Class, 1);
    EXPECT_EQ(n.Life, 0);
    EXPECT_EQ(n.AvgUsefuln, 0.25);
    EXPECT_EQ(n.AvgActiv, 0.0);
    EXPECT_EQ(n.EtaEta, 0.5f);
    EXPECT_EQ(n.Height, 1.0f);
    EXPECT_EQ(n.Out, 0.0f);
    EXPECT_EQ(n.OutRaw, 0.0f);
    EXPECT_TRUE(n.UseMoment);
    EXPECT_EQ(n.Moment, 0.75f);
    EXPECT_EQ(n.MomentWeights, std::vector<float>{0.0f});
    EXPECT_EQ(n.MomentRadii, std::vector<float>{0.0f});
    EXPECT_EQ(n.Weights, std::vector<float>{7.0f});
    EXPECT_EQ(n.RecipOfRadii, std::vector<float>{0.5f});
}

TEST_F(NetFileTest, WrittenValuesComeBackWithTheirDecimals) {
    CNet net(CProblemType{2, 2});
    CNetParams p;
    p.SetDefaults();
    p.VarHeight = true;
    p.EtaHPlus = 0.3f;
    const float a[2] = {0.123456f, 2.0f}, b[2] = {0.2f, 2.1f};
    SeedRand(5);
    net.Learn(a, 0, 5, 0.0f, p);
    net.Learn(b, 0, 4, 0.2f, p);
    ASSERT_GE(net.GetNeuronCount(), 1);
    std::ostringstream first;
    net.Write(first);
    auto back = Read(first.str());
    const CNeuron& was = net.GetNeuron(0);
    const CNeuron& is = back->GetNeuron(0);
    EXPECT_EQ(back->GetSumCycles(), 2);
    EXPECT_NEAR(is.AvgUsefuln, was.AvgUsefuln, 0.5e-8);
    EXPECT_NEAR(is.EtaEta, was.EtaEta, 0.5e-3);
    EXPECT_NEAR(is.Height, was.Height, 0.5e-4);
    EXPECT_NE(was.Height, 1.0f);
    EXPECT_EQ(is.Out, 0.0f);
    for (int i = 0; i < 2; ++i) {
        EXPECT_NEAR(is.Weights[i], was.Weights[i], 0.5e-4);
        EXPECT_NEAR(is.RecipOfRadii[i], was.RecipOfRadii[i], 0.5e-4);
    }
    // Written again, the network that was read gives the same text: the file is stable.
    std::ostringstream second, third;
    back->Write(second);
    Read(second.str())->Write(third);
    EXPECT_EQ(second.str(), third.str());
}

TEST_F(NetFileTest, NeuronLabelsStayInsideTheirSection) {
    EXPECT_THROW(Read("@Inputs 1 @Outputs 1 @Neurons 1 @Class 0\n"
                      "@<Neuron0 @AvgUsefuln 1 @EtaEta 1 @Weights 1 @RecipOfRadii 1 @>\n"),
                 mfstream::isnotlabel);
    // The same label once per section is no duplicate.
    auto net = Read(NetworkText(1, 2, {{0, {1}, {1}}, {1, {2}, {1}}}));
    EXPECT_EQ(net->GetNeuronCount(), 2);
}

TEST_F(NetFileTest, ImpossibleNeuronsAreRefused) {
    static_assert(std::is_base_of_v<std::exception, CNeuron::errinit>);
    static_assert(!std::is_base_of_v<EException, CNeuron::errinit>);
    EXPECT_THROW(Read(NetworkText(1, 2, {{2, {1}, {1}}})), CNeuron::errinit);
    EXPECT_THROW(Read(NetworkText(1, 2, {{-1, {1}, {1}}})), CNeuron::errinit);
    EXPECT_THROW(Read(NetworkText(1, 2, {{0, {1}, {1}, -1}})), CNeuron::errinit);
    // The second neuron fails after the first was read: the first is released on the way.
    EXPECT_THROW(Read(NetworkText(1, 2, {{0, {1}, {1}}, {5, {1}, {1}}})), CNeuron::errinit);
}

TEST_F(NetFileTest, ImpossibleSizesAreRefusedBeforeAnythingIsAllocated) {
    for (const char* head : {"@Inputs 0 @Outputs 2 @Neurons 0", "@Inputs 1 @Outputs 0 @Neurons 0",
                             "@Inputs 1 @Outputs 2 @Neurons -1", "@Inputs 1 @Outputs 2 @Neurons 10001",
                             "@Inputs 1 @Outputs 200000 @Neurons 0",
                             "@Inputs 100000000 @Outputs 2 @Neurons 1",
                             "@Inputs 2000000000 @Outputs 2 @Neurons 10000"}) {
        EXPECT_THROW(Read(std::string(head) + "\n"), mfstream::badvalue) << head;
    }
    // Zero neurons need no vectors, whatever Inputs says.
    EXPECT_EQ(Read("@Inputs 100000000 @Outputs 2 @Neurons 0")->GetProblemType().inputs, 100000000);
}

TEST_F(NetFileTest, ShortOrWrongValuesAreFormatErrors) {
    EXPECT_THROW(Read("@Inputs 2 @Outputs 2 @Neurons 1\n@<Neuron0 @Class 0 @AvgUsefuln 1 @EtaEta 1 "
                      "@Weights 1 @RecipOfRadii 1 1 @>\n"),
                 mfstream::badvalue);
    EXPECT_THROW(Read("@Inputs 1 @Outputs 2 @Neurons 1\n@<Neuron0 @Class 0.5 @AvgUsefuln 1 @EtaEta 1 "
                      "@Weights 1 @RecipOfRadii 1 @>\n"),
                 mfstream::badvalue);
    EXPECT_THROW(Read("@Inputs 1 @Outputs 2 @Neurons 1\n@<Neuron0 @Class 0 @AvgUsefuln 1 @EtaEta 1 "
                      "@UseMoment 2 @Weights 1 @RecipOfRadii 1 @>\n"),
                 mfstream::badvalue);
    EXPECT_THROW(Read("@Inputs 1 @Outputs 2 @Neurons 1\n@<Neuron0 @Class 0 @AvgUsefuln 1 "
                      "@Weights 1 @RecipOfRadii 1 @>\n"),
                 mfstream::isnotlabel);
    EXPECT_THROW(Read("@Inputs 1 @Outputs 2 @Neurons 2\n@<Neuron0 @Class 0 @AvgUsefuln 1 @EtaEta 1 "
                      "@Weights 1 @RecipOfRadii 1 @>\n"),
                 mfstream::isnotlabel);
    mfstream missing(dir.File("no such file").c_str());
    EXPECT_THROW(CNet net(missing), mfstream::isnotlabel);
}

}  // namespace
