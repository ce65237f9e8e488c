#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sstream>
#include <vector>

#include "core/random.h"
#include "ltfc/net.h"
#include "ltfc/net_params.h"
#include "tests/ltfc/net_text.h"
#include "tests/support/test_files.h"

namespace {

// The defaults, with no insertion into a network that already has neurons.
CNetParams NoInsertion() {
    CNetParams p;
    p.SetDefaults();
    p.Probab = 0.0f;
    return p;
}

// Forces insertion whenever the error weight is not vanishingly small.
CNetParams AlwaysInsert() {
    CNetParams p;
    p.SetDefaults();
    p.Probab = 1e30f;
    return p;
}

double Unit(int r) { return r / 32767.0; }

TEST(FastExpTest, IsAStepFunctionOverTheTable) {
    EXPECT_FLOAT_EQ(FastExpTable[0], 1.0f);
    EXPECT_FLOAT_EQ(FastExpTable[501], static_cast<float>(std::exp(-5.01)));
    EXPECT_EQ(FastExp(0.0f), 1.0f);
    EXPECT_EQ(FastExp(3.0f), 1.0f);
    EXPECT_EQ(FastExp(-0.0099f), 1.0f);  // no interpolation above -0.01
    EXPECT_EQ(FastExp(-0.0199f), FastExpTable[1]);
    EXPECT_EQ(FastExp(-0.25f), FastExpTable[25]);
    EXPECT_FLOAT_EQ(FastExp(-5.0f), static_cast<float>(std::exp(-5.0)));  // entry 500
    EXPECT_EQ(FastExp(-5.0001f), 0.0f);
    EXPECT_EQ(FastExp(-1e30f), 0.0f);
    EXPECT_EQ(FastExp(-std::numeric_limits<float>::infinity()), 0.0f);
    EXPECT_EQ(FastExp(std::numeric_limits<float>::quiet_NaN()), 0.0f);
}

// Two neurons whose exact outputs differ but whose table steps are equal: the step function
// ties them and the first class wins, where exp would pick class 1.
TEST(FastExpTest, PicksAnotherClassThanExactExp) {
    ScratchDir dir;
    // Distances d = 0.019 (class 0) and 0.011 (class 1) both fall on entry 1.
    const float x0 = std::sqrt(0.019f);
    const float x1 = std::sqrt(0.011f);
    auto netTwo = ReadNetwork(dir, NetworkText(1, 2, {{0, {x0}, {1.0f}}, {1, {x1}, {1.0f}}}));
    const float x[1] = {0.0f};
    std::vector<float> out(2);
    netTwo->ComputeOutputs(x, out.data());
    EXPECT_EQ(out[0], FastExpTable[1]);
    EXPECT_EQ(out[1], FastExpTable[1]);
    int result = -5;
    float margin = -5;
    netTwo->Classify(x, -1.0f, result, margin);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(margin, 0.0f);
    EXPECT_GT(std::exp(-x1 * x1), std::exp(-x0 * x0));  // the exact outputs would choose 1

    // Beyond -5 the table gives nothing where exp still gives a little.
    auto far = ReadNetwork(dir, NetworkText(1, 2, {{1, {0.0f}, {1.0f}}}));
    const float y[1] = {std::sqrt(5.5f)};
    far->Classify(y, -1.0f, result, margin);
    EXPECT_EQ(result, 0);
    EXPECT_GT(std::exp(-5.5), 0.004);
}

TEST(CNetTest, ComputeOutputsSumsEachClassInSlotOrder) {
    ScratchDir dir;
    auto net = ReadNetwork(
        dir, NetworkText(2, 3,
                         {{2, {0, 0}, {1, 1}}, {0, {1, 0}, {1, 1}}, {2, {0, 0.5f}, {1, 1}, 0, 0.5, "@Height 2"}}));
    const float x[2] = {0, 0};
    std::vector<float> out(3, -9.0f);
    net->ComputeOutputs(x, out.data());
    EXPECT_FLOAT_EQ(out[0], static_cast<float>(std::exp(-1.0)));
    EXPECT_EQ(out[1], 0.0f);
    EXPECT_FLOAT_EQ(out[2], 1.0f + 2.0f * static_cast<float>(std::exp(-0.25)));
    EXPECT_FLOAT_EQ(net->GetNeuron(2).OutRaw, static_cast<float>(std::exp(-0.25)));
    EXPECT_FLOAT_EQ(net->GetNeuron(2).Out, 2.0f * static_cast<float>(std::exp(-0.25)));
}

TEST(CNetTest, ErrorWeightPeaksAtDeltaZero) {
    CNetParams p;
    p.SetDefaults();
    EXPECT_DOUBLE_EQ(CNet::ErrorWeight(-0.5f, p), 1.0);
    EXPECT_DOUBLE_EQ(CNet::ErrorWeight(0.0f, p), std::exp(-0.5));
    EXPECT_DOUBLE_EQ(CNet::ErrorWeight(0.5f, p), std::exp(-2.0));
    EXPECT_DOUBLE_EQ(CNet::ErrorWeight(-1.0f, p), std::exp(-2.0));
    EXPECT_DOUBLE_EQ(CNet::ErrorWeight(-0.75f, p), std::exp(-0.5));  // DeltaMin scales below
}

TEST(CNetTest, ClassifyKeepsTheFirstOfEqualSumsAndRejectsOnlyAboveThreshold) {
    ScratchDir dir;
    auto net = ReadNetwork(dir, NetworkText(1, 3, {{1, {0}, {1}}, {2, {0}, {1}}, {0, {3}, {1}}}));
    const float x[1] = {0};
    int result = 0;
    float margin = 0;
    net->Classify(x, -1.0f, result, margin);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(margin, 0.0f);
    net->Classify(x, 0.0f, result, margin);
    EXPECT_EQ(result, -2);  // -winner - 1 still names the winner

    // A clear winner passes a threshold below its margin and is rejected at or above it.
    const float y[1] = {3};
    net->Classify(y, 0.5f, result, margin);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(margin, 1.0f);  // the other classes' sums are 0 beyond the table
    net->Classify(y, margin, result, margin);
    EXPECT_EQ(result, -1);

    // An empty network: all sums 0, class 0 with margin 0; threshold -1 never rejects.
    CNet empty(CProblemType{1, 3});
    empty.Classify(x, -1.0f, result, margin);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(margin, 0.0f);
}

TEST(CNetTest, SingleClassMarginIsTheSumPlusOne) {
    ScratchDir dir;
    auto net = ReadNetwork(dir, NetworkText(1, 1, {{0, {0}, {1}}}));
    const float x[1] = {0};
    int result = 0;
    float margin = 0;
    net->Classify(x, -1.0f, result, margin);
    EXPECT_EQ(result, 0);
    EXPECT_FLOAT_EQ(margin, 2.0f);
}

// Three neurons on one input, example x = 0 of class 0. Slot 1 (class 1) is not useful enough
// and is removed; slot 2 moves into its place. Values computed by hand from the step's rules.
TEST(CNetLearnTest, UsefulnessPassRemovesFromTheLastSlotDown) {
    ScratchDir dir;
    auto net = ReadNetwork(dir, NetworkText(1, 2,
                                            {{0, {0.0f}, {1.0f}, 5, 0.5},
                                             {1, {1.0f}, {1.0f}, 5, 0.0005},
                                             {0, {0.5f}, {1.0f}, 5, 0.5}}));
    const float x[1] = {0.0f};
    net->Learn(x, 0, 4, 0.0f, NoInsertion());

    ASSERT_EQ(net->GetNeuronCount(), 2);
    EXPECT_EQ(net->GetSumCycles(), 1);
    const CNeuron& first = net->GetNeuron(0);
    const CNeuron& moved = net->GetNeuron(1);
    EXPECT_EQ(first.Weights[0], 0.0f);
    EXPECT_NEAR(first.AvgUsefuln, 0.4996895501849956, 1e-9);
    EXPECT_EQ(moved.Class, 0);
    EXPECT_NEAR(moved.AvgUsefuln, 0.49957636946603634, 1e-9);
    // The survivors learned with w = 0.000673353: the moved one a tiny step towards x.
    EXPECT_NEAR(moved.Weights[0], 0.4997377960522301, 1e-7);
    EXPECT_NEAR(moved.RecipOfRadii[0], 0.9997902588405372, 1e-7);
    EXPECT_EQ(first.RecipOfRadii[0], 1.0f);  // on the example: no radius change
    for (const CNeuron* n : {&first, &moved}) {
        EXPECT_EQ(n->Life, 6);
        EXPECT_FLOAT_EQ(n->EtaEta, 0.75f);  // DecrsEta with 4 steps left
    }
}

TEST(CNetLearnTest, ActivityTestOnlyWithAnotherRemovalVariant) {
    ScratchDir dir;
    const std::string text =
        NetworkText(1, 2, {{0, {0.0f}, {1.0f}, 5, 0.5, "@AvgActiv 0.0001"}, {1, {50.0f}, {1.0f}, 5, 0.5}});
    const float x[1] = {50.0f};

    auto standard = ReadNetwork(dir, text);
    CNetParams p = NoInsertion();
    standard->Learn(x, 1, 0, 0.0f, p);
    EXPECT_EQ(standard->GetNeuronCount(), 2);
    EXPECT_EQ(standard->GetNeuron(0).AvgActiv, 0.0001);  // not even averaged

    auto fresh = ReadNetwork(dir, text);
    p.AlgNeurRemv = 2;
    fresh->Learn(x, 1, 0, 0.0f, p);
    ASSERT_EQ(fresh->GetNeuronCount(), 1);  // the silent neuron's activity fell below ActTr
    EXPECT_EQ(fresh->GetNeuron(0).Class, 1);
    EXPECT_NEAR(fresh->GetNeuron(0).AvgActiv, 0.0005, 1e-9);

    // Variant 1 scales the usefulness rate by the neuron's activation.
    auto improved = ReadNetwork(dir, text);
    p.AlgNeurRemv = 1;
    p.ActTr = 0.0;
    improved->Learn(x, 1, 0, 0.0f, p);
    ASSERT_EQ(improved->GetNeuronCount(), 2);
    EXPECT_EQ(improved->GetNeuron(0).AvgUsefuln, 0.5);  // activation 0: rate 0
}

TEST(CNetLearnTest, YoungNeuronsAreKeptAndLearnWithDoubledRates) {
    ScratchDir dir;
    auto net = ReadNetwork(dir, NetworkText(1, 2, {{0, {0.0f}, {1.0f}, 3, 0.0}, {0, {0.0f}, {1.0f}, 4, 0.5}}));
    CNetParams p = NoInsertion();
    p.MinLife2Remv = 3;
    const float x[1] = {0.3f};
    net->Learn(x, 0, 0, 0.0f, p);
    ASSERT_EQ(net->GetNeuronCount(), 2);  // usefulness 0 but Life 3 is not above MinLife2Remv
    const float youngStep = net->GetNeuron(0).Weights[0];
    const float oldStep = net->GetNeuron(1).Weights[0];
    EXPECT_GT(oldStep, 0.0f);
    EXPECT_FLOAT_EQ(youngStep, 2.0f * oldStep);
    EXPECT_LT(net->GetNeuron(0).RecipOfRadii[0], net->GetNeuron(1).RecipOfRadii[0]);

    // Once older than MinLife2Remv the useless neuron goes.
    net->Learn(x, 0, 0, 0.0f, p);
    EXPECT_EQ(net->GetNeuronCount(), 1);
    EXPECT_EQ(net->GetNeuron(0).Life, 6);
}

class CNetInsertTest : public ::testing::Test {
protected:
    void SetUp() override { SeedRand(12345); }
    // The draws Learn will see, from the same seed.
    std::vector<int> Draws(int n) {
        SeedRand(12345);
        std::vector<int> d;
        for (int i = 0; i < n; ++i) d.push_back(Rand());
        SeedRand(12345);
        return d;
    }
    ScratchDir dir;
};

TEST_F(CNetInsertTest, EmptyNetworkAlwaysGetsANeuronOnTheExample) {
    CNet net(CProblemType{4, 3});
    CNetParams p;
    p.SetDefaults();
    p.Probab = 0.0f;
    p.UseTr = 0.002;
    const float x[4] = {1.5f, -2.0f, 0.25f, 7.0f};
    net.Learn(x, 2, 10, 0.0f, p);
    ASSERT_EQ(net.GetNeuronCount(), 1);
    const CNeuron& n = net.GetNeuron(0);
    EXPECT_EQ(n.Class, 2);
    EXPECT_EQ(n.Weights, std::vector<float>(x, x + 4));
    // One radius range point: InitRadCoef / sqrt(4) = 2.5, whatever the draw.
    for (float r : n.RecipOfRadii) EXPECT_NEAR(r, 2.5f, 1e-5);
    EXPECT_EQ(n.AvgUsefuln, 8 * 0.002);
    EXPECT_EQ(n.AvgActiv, 8 * 0.0005);
    EXPECT_EQ(n.Life, 0);
    EXPECT_EQ(n.EtaEta, 1.0f);
    EXPECT_EQ(n.Height, 1.0f);
    EXPECT_EQ(n.Out, 0.0f);
    EXPECT_FALSE(n.UseMoment);
    EXPECT_EQ(net.GetSumCycles(), 1);
}

TEST_F(CNetInsertTest, OneDrawEveryStepEvenWithoutInsertion) {
    auto net = ReadNetwork(dir, NetworkText(1, 2, {{0, {0}, {1}}}));
    const std::vector<int> d = Draws(3);
    const float x[1] = {0.1f};
    net->Learn(x, 0, 0, 0.0f, NoInsertion());
    net->Learn(x, 0, 0, 0.0f, NoInsertion());
    EXPECT_EQ(net->GetNeuronCount(), 1);
    EXPECT_EQ(Rand(), d[2]);

    // Also when the network is full.
    CNetParams full = AlwaysInsert();
    full.MaxNeur = 1;
    SeedRand(12345);
    net->Learn(x, 1, 0, 0.0f, full);
    EXPECT_EQ(net->GetNeuronCount(), 1);
    EXPECT_EQ(Rand(), d[1]);
}

TEST_F(CNetInsertTest, RadiusRangeSpansEveryReciprocalRadius) {
    // One input, base 5: the neurons' 0.5 and 10 widen the range to radii 1/10.000001 .. 1/0.500001.
    auto net = ReadNetwork(dir, NetworkText(1, 2, {{0, {0}, {0.5f}}, {1, {9}, {10.0f}}}));
    const std::vector<int> d = Draws(3);
    const float x[1] = {40.0f};
    net->Learn(x, 1, 0, 0.0f, AlwaysInsert());
    ASSERT_EQ(net->GetNeuronCount(), 3);
    const double rMin = 1.0 / (10.0 + 0.000001), rMax = 1.0 / (0.5 + 0.000001);
    ASSERT_LT(Unit(d[1]), 1.0);  // one radius for all inputs
    EXPECT_FLOAT_EQ(net->GetNeuron(2).RecipOfRadii[0], static_cast<float>(1.0 / (rMin + Unit(d[2]) * (rMax - rMin))));
    EXPECT_EQ(net->GetNeuron(2).Weights[0], 40.0f);
}

TEST_F(CNetInsertTest, EqualRadProbChoosesOneOrSeveralRadii) {
    const float x[3] = {0, 0, 0};
    CNetParams p = AlwaysInsert();
    p.InitRadCoef = 1.0f;
    const std::string text = NetworkText(3, 2, {{0, {5, 5, 5}, {0.2f, 4.0f, 1.0f}}});
    const double rMin = 1.0 / (4.0f + 0.000001), rMax = 1.0 / (0.2f + 0.000001);
    auto recip = [&](int r) { return static_cast<float>(1.0 / (rMin + Unit(r) * (rMax - rMin))); };

    p.EqualRadProb = 0.0f;
    std::vector<int> d = Draws(6);
    auto each = ReadNetwork(dir, text);
    each->Learn(x, 1, 0, 0.0f, p);
    ASSERT_EQ(each->GetNeuronCount(), 2);
    EXPECT_EQ(each->GetNeuron(1).RecipOfRadii, (std::vector<float>{recip(d[2]), recip(d[3]), recip(d[4])}));
    EXPECT_EQ(Rand(), d[5]);

    p.EqualRadProb = 1.0f;
    d = Draws(3);
    auto one = ReadNetwork(dir, text);
    one->Learn(x, 1, 0, 0.0f, p);
    EXPECT_EQ(one->GetNeuron(1).RecipOfRadii, (std::vector<float>(3, recip(d[2]))));
}

TEST_F(CNetInsertTest, StartingUsefulnessFollowsTheRemovalVariant) {
    const float x[1] = {0};
    const double w = CNet::ErrorWeight(0.0f, CNetParams());  // empty network: margin 0
    const std::vector<std::pair<int, double>> cases = {{0, 8 * 0.001}, {1, w}, {2, 0.0}, {7, 0.0}};
    for (const auto& [variant, expected] : cases) {
        CNet net(CProblemType{1, 2});
        CNetParams p;
        p.SetDefaults();
        p.AlgNeurRemv = variant;
        p.ActTr = 0.25;
        p.Moment = 0.5f;
        net.Learn(x, 0, 0, 0.0f, p);
        ASSERT_EQ(net.GetNeuronCount(), 1);
        EXPECT_DOUBLE_EQ(net.GetNeuron(0).AvgUsefuln, expected) << "variant " << variant;
        EXPECT_EQ(net.GetNeuron(0).AvgActiv, 2.0);
        EXPECT_TRUE(net.GetNeuron(0).UseMoment);
        EXPECT_EQ(net.GetNeuron(0).MomentWeights, std::vector<float>(1, 0.0f));
    }
}

// p = s * w * Probab with s falling from 1 to 0 over NeurInsTime. Probab is chosen so that
// w * Probab is 1.5 times the first draw: s = 1 inserts, s = 0.5 does not.
TEST_F(CNetInsertTest, InsertionProbabilityFallsOverTheRun) {
    const std::string text = NetworkText(1, 2, {{0, {0}, {1}}});
    const float x[1] = {30.0f};  // far from the neuron: both sums 0, margin 0
    const double u0 = Unit(Draws(1)[0]);
    ASSERT_GT(u0, 0.0);
    CNetParams p;
    p.SetDefaults();
    const double w = CNet::ErrorWeight(0.0f, p);
    p.Probab = static_cast<float>(1.5 * u0 / w);

    auto inserted = ReadNetwork(dir, text);
    inserted->Learn(x, 1, 10, 0.0f, p);
    EXPECT_EQ(inserted->GetNeuronCount(), 2);

    SeedRand(12345);
    auto halved = ReadNetwork(dir, text);
    halved->Learn(x, 1, 10, 0.35f, p);
    EXPECT_EQ(halved->GetNeuronCount(), 1);

    SeedRand(12345);
    p.DecrsEta = false;  // no fall without DecrsEta
    auto constant = ReadNetwork(dir, text);
    constant->Learn(x, 1, 10, 0.9f, p);
    EXPECT_EQ(constant->GetNeuronCount(), 2);

    SeedRand(12345);
    p.DecrsEta = true;
    p.Probab = 1e30f;  // past NeurInsTime nothing is inserted, however likely
    auto late = ReadNetwork(dir, text);
    late->Learn(x, 1, 10, 0.7f, p);
    EXPECT_EQ(late->GetNeuronCount(), 1);
}

TEST_F(CNetInsertTest, NeverMoreThanTenThousandNeurons) {
    std::string text = "@Inputs 1 @Outputs 2 @Neurons 10000\n";
    for (int i = 0; i < 10000; ++i) {
        text += "@<Neuron" + std::to_string(i) + " @Class 0 @Life 0 @AvgUsefuln 1 @EtaEta 1 @Weights " +
                std::to_string(i) + " @RecipOfRadii 1 @>\n";
    }
    auto net = ReadNetwork(dir, text);
    CNetParams p = AlwaysInsert();
    p.MaxNeur = 20000;
    const float x[1] = {-50.0f};
    net->Learn(x, 1, 0, 0.0f, p);
    EXPECT_EQ(net->GetNeuronCount(), 10000);
}

class CNeuronLearnTest : public ::testing::Test {
protected:
    // One input, centre 0, reciprocal radius 2; the example 0.25 gives OutRaw = exp(-0.25).
    static CNeuron Make(float moment = 0.0f) {
        const float centre[1] = {0.0f};
        return CNeuron(1, 2, centre, 0, std::vector<float>{2.0f}, 0.0, 0.0, moment);
    }
    const float x[1] = {0.25f};
};

TEST_F(CNeuronLearnTest, SameClassMovesTowardsAndWidens) {
    CNeuron n = Make();
    n.ComputeOut(x);
    EXPECT_FLOAT_EQ(n.OutRaw, 0.7788008f);
    n.Learn(x, 0, 0.5f, 9.0f, 0.4f, 9.0f, false, 9.0f, 9.0f, 0);
    EXPECT_NEAR(n.Weights[0], 0.09735009788392561, 1e-6);
    EXPECT_NEAR(n.RecipOfRadii[0], 1.711528830387689, 1e-6);
    EXPECT_EQ(n.Height, 1.0f);
    EXPECT_EQ(n.EtaEta, 1.0f);  // no decay
    EXPECT_EQ(n.Life, 1);
}

TEST_F(CNeuronLearnTest, OtherClassMovesAwayAndNarrows) {
    CNeuron n = Make();
    n.ComputeOut(x);
    n.Learn(x, 1, 9.0f, 0.5f, 9.0f, 0.4f, true, 9.0f, 0.2f, 0);
    EXPECT_NEAR(n.Weights[0], -0.09735009788392561, 1e-6);
    EXPECT_NEAR(n.RecipOfRadii[0], 2.337091802943182, 1e-6);
    EXPECT_NEAR(n.Height, 0.8557644151938445, 1e-6);
}

TEST_F(CNeuronLearnTest, HeightLearnsOnlyWithVarHeight) {
    CNeuron n = Make();
    n.ComputeOut(x);
    n.Learn(x, 0, 0.0f, 0.0f, 0.0f, 0.0f, true, 0.3f, 0.0f, 0);
    EXPECT_NEAR(n.Height, 1.2631899588152666, 1e-6);
    n.ComputeOut(x);
    EXPECT_FLOAT_EQ(n.Out, n.Height * n.OutRaw);
}

TEST_F(CNeuronLearnTest, EtaEtaScalesTheRatesAndDecays) {
    CNeuron n = Make();
    n.ComputeOut(x);
    n.Learn(x, 0, 0.0f, 0.0f, 0.0f, 0.0f, false, 0.0f, 0.0f, 4);
    EXPECT_FLOAT_EQ(n.EtaEta, 0.75f);
    // With EtaEta 0.75 a rate of 2/3 moves the centre as a rate of 0.5 would.
    n.Learn(x, 0, 2.0f / 3.0f, 0.0f, 0.0f, 0.0f, false, 0.0f, 0.0f, 1);
    EXPECT_NEAR(n.Weights[0], 0.09735009788392561, 1e-6);
    EXPECT_EQ(n.EtaEta, 0.0f);  // the last step of a run
    EXPECT_EQ(n.Life, 2);
}

TEST_F(CNeuronLearnTest, SilentNeuronOnlyAgesAndDecays) {
    CNeuron n = Make();
    const float far[1] = {1.2f};  // d = 5.76: output 0
    n.ComputeOut(far);
    EXPECT_EQ(n.OutRaw, 0.0f);
    n.Learn(far, 0, 1.0f, 1.0f, 1.0f, 1.0f, true, 1.0f, 1.0f, 2);
    EXPECT_EQ(n.Weights[0], 0.0f);
    EXPECT_EQ(n.RecipOfRadii[0], 2.0f);
    EXPECT_EQ(n.EtaEta, 0.5f);
    EXPECT_EQ(n.Life, 1);
}

TEST_F(CNeuronLearnTest, FloorOfRadiiAndBoundsOfTheCentre) {
    const float centre[1] = {999.0f};
    CNeuron n(1, 2, centre, 0, std::vector<float>{0.002f}, 0.0, 0.0, 0.0f);
    const float x[1] = {1249.0f};  // d = 0.25
    n.ComputeOut(x);
    n.Learn(x, 0, 1.0f, 0.0f, 100.0f, 0.0f, false, 0.0f, 0.0f, 0);
    EXPECT_EQ(n.Weights[0], 1000.0f);
    EXPECT_EQ(n.RecipOfRadii[0], 0.001f);

    const float low[1] = {-999.0f};
    CNeuron m(1, 2, low, 0, std::vector<float>{0.002f}, 0.0, 0.0, 0.0f);
    const float y[1] = {-749.0f};
    m.ComputeOut(y);
    m.Learn(y, 1, 0.0f, 1.0f, 0.0f, 0.0f, false, 0.0f, 0.0f, 0);
    EXPECT_EQ(m.Weights[0], -1000.0f);
}

TEST_F(CNeuronLearnTest, MomentumAccumulatesAndKeepsMovingWhenSilent) {
    CNeuron n = Make(0.5f);
    ASSERT_TRUE(n.UseMoment);
    n.ComputeOut(x);
    n.Learn(x, 0, 0.5f, 0.0f, 0.4f, 0.0f, false, 0.0f, 0.0f, 0);
    EXPECT_NEAR(n.MomentWeights[0], 0.048675048941962805, 1e-7);
    EXPECT_NEAR(n.MomentRadii[0], 0.0778800783071405, 1e-7);
    EXPECT_NEAR(n.Weights[0], 0.048675048941962805, 1e-7);
    EXPECT_NEAR(n.RecipOfRadii[0], 1.850150712989452, 1e-6);

    const float far[1] = {100.0f};
    n.ComputeOut(far);
    ASSERT_EQ(n.OutRaw, 0.0f);
    n.Learn(far, 0, 0.5f, 0.0f, 0.4f, 0.0f, false, 0.0f, 0.0f, 0);
    EXPECT_NEAR(n.Weights[0], 0.0730125734129442, 1e-7);
    EXPECT_NEAR(n.RecipOfRadii[0], 1.7794904568004253, 1e-6);
    EXPECT_EQ(n.Life, 2);
}

TEST(CNetTest, ResetEtaEtaRestoresEveryNeuron) {
    ScratchDir dir;
    auto net = ReadNetwork(dir, NetworkText(1, 2, {{0, {0}, {1}}, {1, {0.1f}, {1}}}));
    const float x[1] = {0};
    net->Learn(x, 0, 2, 0.0f, NoInsertion());
    ASSERT_EQ(net->GetNeuron(0).EtaEta, 0.5f);
    net->ResetEtaEta();
    for (int i = 0; i < net->GetNeuronCount(); ++i) EXPECT_EQ(net->GetNeuron(i).EtaEta, 1.0f);
}

TEST(CNetTest, BinaryDumpIsLittleEndianInTheDocumentedOrder) {
    ScratchDir dir;
    auto net = ReadNetwork(dir, NetworkText(2, 3, {{2, {1.0f, -2.0f}, {0.5f, 0.25f}}}));
    std::ostringstream out;
    net->WriteBinary(out);
    const std::string expected = std::string("\x02\0\0\0\x03\0\0\0\x01\0\0\0", 12) +
                                 std::string("\x00\x00\x80\x3f\x00\x00\x00\xc0", 8) +  // 1, -2
                                 std::string("\x00\x00\x00\x3f\x00\x00\x80\x3e", 8) +  // 0.5, 0.25
                                 std::string("\x02\0\0\0", 4);
    EXPECT_EQ(out.str(), expected);
}

}  // namespace
