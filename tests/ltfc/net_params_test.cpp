#include <gtest/gtest.h>

#include <iomanip>
#include <sstream>
#include <string>

#include "ltfc/labelled_file.h"
#include "ltfc/net_params.h"
#include "tests/support/test_files.h"

namespace {

// Every field compared, so that a test names the fields it expects to differ.
void ExpectSameParams(const CNetParams& a, const CNetParams& b) {
    EXPECT_EQ(a.MaxNeur, b.MaxNeur);
    EXPECT_EQ(a.EtaPlus, b.EtaPlus);
    EXPECT_EQ(a.EtaMinus, b.EtaMinus);
    EXPECT_EQ(a.EtaGrPlus, b.EtaGrPlus);
    EXPECT_EQ(a.EtaGrMinus, b.EtaGrMinus);
    EXPECT_EQ(a.Probab, b.Probab);
    EXPECT_EQ(a.Delta0, b.Delta0);
    EXPECT_EQ(a.DeltaMin, b.DeltaMin);
    EXPECT_EQ(a.DeltaMax, b.DeltaMax);
    EXPECT_EQ(a.EtaUse, b.EtaUse);
    EXPECT_EQ(a.EtaActiv, b.EtaActiv);
    EXPECT_EQ(a.UseTr, b.UseTr);
    EXPECT_EQ(a.ActTr, b.ActTr);
    EXPECT_EQ(a.DecrsEta, b.DecrsEta);
    EXPECT_EQ(a.MinLife2Remv, b.MinLife2Remv);
    EXPECT_EQ(a.NeurInsTime, b.NeurInsTime);
    EXPECT_EQ(a.InitRadCoef, b.InitRadCoef);
    EXPECT_EQ(a.EqualRadProb, b.EqualRadProb);
    EXPECT_EQ(a.Moment, b.Moment);
    EXPECT_EQ(a.AlgNeurRemv, b.AlgNeurRemv);
    EXPECT_EQ(a.VarHeight, b.VarHeight);
    EXPECT_EQ(a.EtaHPlus, b.EtaHPlus);
    EXPECT_EQ(a.EtaHMinus, b.EtaHMinus);
}

CNetParams Defaults() {
    CNetParams p;
    p.SetDefaults();
    return p;
}

TEST(CNetParamsTest, DefaultValues) {
    const CNetParams p = Defaults();
    EXPECT_EQ(p.MaxNeur, 10000);
    EXPECT_EQ(p.EtaPlus, 1.0f);
    EXPECT_EQ(p.EtaMinus, 1.0f);
    EXPECT_EQ(p.EtaGrPlus, 0.8f);
    EXPECT_EQ(p.EtaGrMinus, 1.0f);
    EXPECT_EQ(p.Probab, 0.05f);
    EXPECT_EQ(p.Delta0, -0.5f);
    EXPECT_EQ(p.DeltaMin, -1.0f);
    EXPECT_EQ(p.DeltaMax, 0.5f);
    EXPECT_EQ(p.EtaUse, 0.001f);
    EXPECT_EQ(p.EtaActiv, 0.0005f);
    EXPECT_EQ(p.UseTr, 0.001);
    EXPECT_EQ(p.ActTr, 0.0005);
    EXPECT_TRUE(p.DecrsEta);
    EXPECT_EQ(p.MinLife2Remv, -1);
    EXPECT_EQ(p.NeurInsTime, 0.7f);
    EXPECT_EQ(p.InitRadCoef, 5.0f);
    EXPECT_EQ(p.EqualRadProb, 1.0f);
    EXPECT_EQ(p.Moment, 0.0f);
    EXPECT_EQ(p.AlgNeurRemv, 0);
    EXPECT_FALSE(p.VarHeight);
    EXPECT_EQ(p.EtaHPlus, 1.0f);
    EXPECT_EQ(p.EtaHMinus, 1.0f);
}

TEST(CNetParamsTest, ConstructorIsTheAutomaticSettingForAThousandSamples) {
    const CNetParams p;
    CNetParams expected = Defaults();
    expected.EtaGrPlus = 0.6f;
    expected.EtaUse = 0.002f;
    expected.UseTr = static_cast<double>(0.002f);
    ExpectSameParams(p, expected);
}

TEST(CNetParamsTest, AutoSetRadiusRateFollowsTheLargestClassShare) {
    const struct {
        double q;
        float etaGrPlus;
    } cases[] = {{0.62, 0.75f}, {0.5, 0.9f}, {0.97, 0.1f}, {0.55, 0.9f}, {0.95, 0.1f},
                 {0.7, 0.6f},   {0.0, 0.9f}, {1.0, 0.1f},  {0.8, 0.4f},  {0.575, 0.85f}};
    for (const auto& c : cases) {
        CNetParams p;
        p.AutoSet(1000, c.q);
        EXPECT_EQ(p.EtaGrPlus, c.etaGrPlus) << c.q;
    }
}

TEST(CNetParamsTest, AutoSetUsefulnessRateIsTwoOverNCutToTwoDigits) {
    const struct {
        int n;
        float etaUse;
    } cases[] = {{300, 0.0066f}, {2, 1.0f},      {1, 2.0f},     {1000, 0.002f}, {3, 0.66f},
                 {100, 0.02f},   {200, 0.01f},   {7, 0.28f},    {30, 0.066f},   {20000, 0.0001f},
                 {2147483647, 9.3e-10f}};
    for (const auto& c : cases) {
        CNetParams p;
        p.AutoSet(c.n, 0.3);
        EXPECT_FLOAT_EQ(p.EtaUse, c.etaUse) << c.n;
        EXPECT_EQ(p.UseTr, static_cast<double>(p.EtaUse)) << c.n;
        CNetParams others = p;
        others.SetDefaults();
        others.EtaGrPlus = 0.9f;
        others.EtaUse = p.EtaUse;
        others.UseTr = p.UseTr;
        ExpectSameParams(p, others);
    }
    // Cut, not rounded: 2/300 = 0.00666... gives 0.0066, never 0.0067.
    CNetParams p;
    p.AutoSet(300, 0.3);
    EXPECT_LT(p.EtaUse, 0.00665f);
}

TEST(CNetParamsTest, AutoSetWithoutSamplesKeepsTheDefaultRate) {
    CNetParams p;
    p.AutoSet(0, 0.5);
    EXPECT_EQ(p.EtaUse, 0.001f);
    EXPECT_EQ(p.UseTr, 0.001);
}

TEST(CNetParamsTest, SetDefaultsEtaUseChangesOnlyTheUsefulnessFields) {
    CNetParams p;
    p.MaxNeur = 5;
    p.SetDefaultsEtaUse(0.01f);
    CNetParams expected = Defaults();
    expected.UseTr = static_cast<double>(0.01f);
    expected.EtaUse = 0.01f;
    ExpectSameParams(p, expected);
}

std::string Written(const CNetParams& p) {
    std::ostringstream out;
    p.Write(out);
    return out.str();
}

TEST(CNetParamsTest, WritesTheDefaultBlockByteForByte) {
    EXPECT_EQ(Written(CNetParams()),
              "@MaxNeur\t10000\n\n"
              "@EtaPlus\t1\n@EtaMinus\t1\n@EtaGrPlus\t0.6\n@EtaGrMinus\t1\n\n"
              "@Probab \t0.05\n\n"
              "@Delta0 \t-0.5\n@DeltaMin\t-1\n@DeltaMax\t0.5\n\n"
              "@EtaUse  \t0.002\n@UseTr   \t0.002\n"
              "@DecrsEta\t1\n\n"
              "@NeurInsTime \t0.7\n@InitRadCoef \t5\n@EqualRadProb\t1\n");
}

TEST(CNetParamsTest, WritesTheConditionalLines) {
    CNetParams p = Defaults();
    p.VarHeight = true;
    p.EtaHPlus = 0.125f;
    p.EtaHMinus = 2.5f;
    p.AlgNeurRemv = 1;
    p.EtaActiv = 0.0004f;
    p.ActTr = 1.0 / 3;
    p.MinLife2Remv = 12;
    p.DecrsEta = false;
    p.Moment = 0.25f;
    p.EtaPlus = 123456789.0f;
    EXPECT_EQ(Written(p),
              "@MaxNeur\t10000\n\n"
              "@EtaPlus\t1.23457e+08\n@EtaMinus\t1\n@EtaGrPlus\t0.8\n@EtaGrMinus\t1\n\n"
              "@VarHeight\t1\n@EtaHPlus\t0.125\n@EtaHMinus\t2.5\n\n"
              "@Probab \t0.05\n\n"
              "@Delta0 \t-0.5\n@DeltaMin\t-1\n@DeltaMax\t0.5\n\n"
              "@AlgNeurRemv\t1 \t$ Standard improved\n"
              "@EtaUse  \t0.001\n@UseTr   \t0.001\n"
              "@EtaActiv\t0.0004\n@ActTr   \t0.333333\n"
              "@MinLife2Remv\t12\n"
              "@DecrsEta\t0\n\n"
              "@NeurInsTime \t0.7\n@InitRadCoef \t5\n@EqualRadProb\t1\n"
              "@Moment  \t0.25\n\n");

    p.AlgNeurRemv = 2;
    EXPECT_NE(Written(p).find("@AlgNeurRemv\t2 \t$ New\n@EtaUse  \t"), std::string::npos);
    // Another variant has no remark and no line end: the next label follows on the line.
    p.AlgNeurRemv = 3;
    EXPECT_NE(Written(p).find("@AlgNeurRemv\t3 \t@EtaUse  \t0.001\n"), std::string::npos);
    p.AlgNeurRemv = 0;
    p.MinLife2Remv = 0;
    p.Moment = -1;
    const std::string plain = Written(p);
    EXPECT_EQ(plain.find("AlgNeurRemv"), std::string::npos);
    EXPECT_EQ(plain.find("EtaActiv"), std::string::npos);
    EXPECT_EQ(plain.find("MinLife2Remv"), std::string::npos);
    EXPECT_EQ(plain.find("Moment"), std::string::npos);
}

TEST(CNetParamsTest, WriteIgnoresAndKeepsTheStreamFormatting) {
    std::ostringstream out;
    out << std::fixed << std::setprecision(3) << std::showpos;
    CNetParams().Write(out);
    EXPECT_EQ(out.str(), Written(CNetParams()));
    out.str("");
    out << 1.5;
    EXPECT_EQ(out.str(), "+1.500");
}

class CNetParamsReadTest : public ::testing::Test {
protected:
    CNetParams ReadBack(const std::string& text, CNetParams start) {
        const std::string name = dir.File("net" + std::to_string(++files));
        WriteFileBytes(name, text);
        mfstream in(name.c_str());
        start.Read(in);
        return start;
    }
    ScratchDir dir;
    int files = 0;
};

TEST_F(CNetParamsReadTest, WrittenBlocksReadBack) {
    CNetParams p = Defaults();
    p.VarHeight = true;
    p.EtaHPlus = 0.5f;
    p.EtaHMinus = 0.75f;
    p.AlgNeurRemv = 2;
    p.EtaActiv = 0.0625f;
    p.ActTr = 0.125;
    p.MinLife2Remv = 3;
    p.DecrsEta = false;
    p.Moment = 0.5f;
    p.MaxNeur = 17;
    p.NeurInsTime = 0.25f;
    p.InitRadCoef = 2.0f;
    p.EqualRadProb = 0.5f;
    ExpectSameParams(ReadBack("$ header\n" + Written(p) + "@DeltaTr\t0.1\n", CNetParams()), p);

    // Six significant digits: the double UseTr, taken from a float, comes back as written.
    CNetParams automatic;
    const CNetParams read = ReadBack(Written(automatic), Defaults());
    EXPECT_NE(automatic.UseTr, 0.002);
    automatic.UseTr = 0.002;
    ExpectSameParams(read, automatic);
}

TEST_F(CNetParamsReadTest, AbsentOptionalLabels) {
    const std::string required =
        "@EtaPlus 2 @EtaMinus 3 @EtaGrPlus 0.5 @EtaGrMinus 0.25 @Probab 0.1 @Delta0 -0.25 "
        "@DeltaMin -2 @DeltaMax 1 @EtaUse 0.004 @UseTr 0.008 @DecrsEta 0";
    CNetParams start = Defaults();
    start.MaxNeur = 5;
    start.VarHeight = true;
    start.AlgNeurRemv = 2;
    start.MinLife2Remv = 9;
    start.EtaActiv = 0.5f;
    start.ActTr = 0.25;
    start.NeurInsTime = 0.125f;
    start.InitRadCoef = 7.0f;
    start.EqualRadProb = 0.375f;
    start.Moment = 0.625f;
    start.EtaHPlus = 4.0f;
    const CNetParams p = ReadBack(required, start);

    CNetParams expected = start;
    expected.EtaPlus = 2;
    expected.EtaMinus = 3;
    expected.EtaGrPlus = 0.5f;
    expected.EtaGrMinus = 0.25f;
    expected.Probab = 0.1f;
    expected.Delta0 = -0.25f;
    expected.DeltaMin = -2;
    expected.DeltaMax = 1;
    expected.EtaUse = 0.004f;
    expected.UseTr = 0.008;
    expected.DecrsEta = false;
    // Absent: these four take fixed values, the rest keep what the block held.
    expected.MaxNeur = 10000;
    expected.VarHeight = false;
    expected.AlgNeurRemv = 0;
    expected.MinLife2Remv = -1;
    ExpectSameParams(p, expected);
}

TEST_F(CNetParamsReadTest, MissingRequiredOrBadValues) {
    const std::string full = Written(CNetParams());
    for (const char* label : {"@EtaPlus", "@EtaGrMinus", "@Probab", "@DeltaMax", "@EtaUse",
                              "@UseTr", "@DecrsEta"}) {
        std::string text = full;
        text.replace(text.find(label), 1, "$");
        EXPECT_THROW(ReadBack(text, CNetParams()), mfstream::isnotlabel) << label;
    }
    EXPECT_THROW(ReadBack(full + "@VarHeight 1\n@EtaHPlus 1\n", CNetParams()), mfstream::isnotlabel);
    EXPECT_THROW(ReadBack(full + "@VarHeight 2\n", CNetParams()), mfstream::badvalue);
    EXPECT_THROW(ReadBack(full + "@MaxNeur x\n", CNetParams()), mfstream::duplicatelabel);
    std::string text = full;
    text.replace(text.find("0.05"), 4, "0,05");
    EXPECT_THROW(ReadBack(text, CNetParams()), mfstream::badvalue);
}

}  // namespace
