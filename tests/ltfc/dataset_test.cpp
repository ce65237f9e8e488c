#include <gtest/gtest.h>

#include <bit>
#include <climits>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "ltfc/dataset.h"
#include "ltfc/exceptions.h"
#include "ltfc/labelled_file.h"
#include "tests/support/test_files.h"

namespace {

class DatasetFileTest : public ::testing::Test {
protected:
    std::string Write(const std::string& bytes, const char* extension) {
        const std::string name = dir.File("data" + std::to_string(++files) + "." + extension);
        WriteFileBytes(name, bytes);
        return name;
    }

    ScratchDir dir;
    int files = 0;
};

// ---- ".dst" descriptions

std::string DstHeader(const std::string& counts) {
    return "$ a data description\n@FileType data\n@DataType classification\n" + counts + "\n";
}

class DstTest : public DatasetFileTest {
protected:
    std::string WriteDst(const std::string& text) { return Write(text, "dst"); }
};

TEST_F(DstTest, LoadsDataSetsInFileOrder) {
    const std::string text = DstHeader("@NumDatasets 2 @NumClasses 3 @NumInputs 2") +
                             "@<Dataset1\n@Data\n 9 9 0\n@NumSamples 1\n@>\n"
                             "@<Dataset0\n@NumSamples 3\n@Data\n0.5 -1 2\n1e2 .25\n1\n3 4 0\n@>\n";
    CDatabase db(WriteDst(text).c_str(), "dst");
    std::vector<int> counts{7, 7, 7};
    db.GetSampleCounts(counts);
    EXPECT_EQ(counts, (std::vector<int>{3, 1}));
    EXPECT_EQ(db.GetProblemType(), (CProblemType{2, 3}));

    float* in = nullptr;
    int cls = -1;
    db.GetSample(0, 1, in, cls);
    EXPECT_EQ(in[0], 100.0f);
    EXPECT_EQ(in[1], 0.25f);
    EXPECT_EQ(cls, 1);
    db.GetSample(0, 0, in, cls);
    EXPECT_EQ(in[0], 0.5f);
    EXPECT_EQ(in[1], -1.0f);
    EXPECT_EQ(cls, 2);
    db.GetSample(1, 0, in, cls);
    EXPECT_EQ(in[0], 9.0f);
    EXPECT_EQ(cls, 0);
}

TEST_F(DstTest, HeaderChecks) {
    EXPECT_THROW(CDatabase(WriteDst("@FileType net @DataType classification").c_str(), "dst"),
                 mfstream::badvalue);
    EXPECT_THROW(CDatabase(WriteDst("@FileType data @DataType regression").c_str(), "dst"),
                 mfstream::badvalue);
    EXPECT_THROW(CDatabase(WriteDst(DstHeader("@NumInputs 1 @NumClasses 2")).c_str(), "dst"),
                 mfstream::isnotlabel);
    EXPECT_THROW(CDatabase(dir.File("absent.dst").c_str(), "dst"), mfstream::isnotlabel);

    const char* bad[] = {"@NumInputs 0 @NumClasses 2 @NumDatasets 1",
                         "@NumInputs 1 @NumClasses 0 @NumDatasets 1",
                         "@NumInputs 1 @NumClasses 2 @NumDatasets 0",
                         "@NumInputs -4 @NumClasses 2 @NumDatasets 1",
                         "@NumInputs 1 @NumClasses 100001 @NumDatasets 1"};
    for (const char* counts : bad) {
        EXPECT_THROW(CDatabase(WriteDst(DstHeader(counts)).c_str(), "dst"), EIOError) << counts;
    }
    EXPECT_THROW(CDatabase(WriteDst(DstHeader("@NumInputs two @NumClasses 2 @NumDatasets 1")).c_str(),
                           "dst"),
                 mfstream::badvalue);
}

TEST_F(DstTest, ClassesMustLieBelowNumClasses) {
    const std::string head = DstHeader("@NumInputs 1 @NumClasses 3 @NumDatasets 1");
    EXPECT_THROW(CDatabase(WriteDst(head + "@<Dataset0 @NumSamples 1 @Data 0.5 3 @>").c_str(), "dst"),
                 EIOError);
    EXPECT_THROW(CDatabase(WriteDst(head + "@<Dataset0 @NumSamples 1 @Data 0.5 -1 @>").c_str(), "dst"),
                 EIOError);
    EXPECT_THROW(CDatabase(WriteDst(head + "@<Dataset0 @NumSamples 1 @Data 0.5 1.5 @>").c_str(), "dst"),
                 mfstream::badvalue);
    CDatabase ok(WriteDst(head + "@<Dataset0 @NumSamples 1 @Data 0.5 2 @>").c_str(), "dst");
    EXPECT_EQ(ok.GetProblemType(), (CProblemType{1, 3}));
}

TEST_F(DstTest, EmptyDataSetLoadsButHasNoProblemType) {
    const std::string head = DstHeader("@NumInputs 2 @NumClasses 2 @NumDatasets 1");
    CDatabase db(WriteDst(head + "@<Dataset0 @NumSamples 0 @Data @>").c_str(), "dst");
    std::vector<int> counts;
    db.GetSampleCounts(counts);
    EXPECT_EQ(counts, std::vector<int>{0});
    EXPECT_THROW(db.GetProblemType(), ENoData);
    float* in = nullptr;
    int cls = 0;
    EXPECT_THROW(db.GetSample(0, 0, in, cls), EValueNotAllowed);
}

TEST_F(DstTest, CountsTheFileDoesNotBackFailWithoutAllocating) {
    const std::string head = DstHeader("@NumInputs 2 @NumClasses 2 @NumDatasets 1");
    EXPECT_THROW(CDatabase(WriteDst(head + "@<Dataset0 @NumSamples -1 @Data @>").c_str(), "dst"),
                 EIOError);
    // Samples and inputs grow as they are read, so huge counts end at the missing values.
    EXPECT_THROW(CDatabase(WriteDst(head + "@<Dataset0 @NumSamples 2000000000 @Data 1 2 0 @>").c_str(),
                           "dst"),
                 mfstream::badvalue);
    const std::string wide = DstHeader("@NumInputs 2147483647 @NumClasses 2 @NumDatasets 1");
    EXPECT_THROW(CDatabase(WriteDst(wide + "@<Dataset0 @NumSamples 1 @Data 1 2 0").c_str(), "dst"),
                 mfstream::badvalue);
    const std::string many = DstHeader("@NumInputs 1 @NumClasses 2 @NumDatasets 2147483647");
    EXPECT_THROW(CDatabase(WriteDst(many + "@<Dataset0 @NumSamples 1 @Data 1 0 @>").c_str(), "dst"),
                 mfstream::isnotlabel);
}

TEST_F(DstTest, ValuesMissingOrMisplacedAreFormatErrors) {
    const std::string head = DstHeader("@NumInputs 2 @NumClasses 2 @NumDatasets 1");
    // Fewer values than the counts promise: the reader runs into the closing marker.
    EXPECT_THROW(CDatabase(WriteDst(head + "@<Dataset0 @NumSamples 2 @Data 1 2 0 @>").c_str(), "dst"),
                 mfstream::badvalue);
    EXPECT_THROW(CDatabase(WriteDst(head + "@<Dataset0 @NumSamples 1 @>").c_str(), "dst"),
                 mfstream::isnotlabel);
    EXPECT_THROW(CDatabase(WriteDst(head + "@NumSamples 1 @Data 1 2 0").c_str(), "dst"),
                 mfstream::isnotlabel);
}

TEST_F(DstTest, UnknownExtensionIsRefused) {
    const std::string name = WriteDst(DstHeader("@NumInputs 1 @NumClasses 1 @NumDatasets 1"));
    EXPECT_THROW(CDatabase(name.c_str(), "txt"), EValueNotAllowed);
    EXPECT_THROW(CDatabase(name.c_str(), "DST"), EValueNotAllowed);
}

// ---- ".dat" binary files

class DatBytes {
public:
    DatBytes& Int(std::int32_t v) {
        const auto u = static_cast<std::uint32_t>(v);
        for (int s = 0; s < 32; s += 8) bytes.push_back(static_cast<char>((u >> s) & 0xFF));
        return *this;
    }
    DatBytes& Float(float v) { return Int(std::bit_cast<std::int32_t>(v)); }
    DatBytes& Set(std::int32_t count) { return Int(count).Int(17).Int(-3); }
    DatBytes& Sample(int cls, std::vector<float> inputs) {
        Int(static_cast<std::int32_t>(inputs.size())).Int(cls);
        for (float v : inputs) Float(v);
        return *this;
    }
    std::string bytes;
};

class DatTest : public DatasetFileTest {
protected:
    std::string WriteDat(const DatBytes& b) { return Write(b.bytes, "dat"); }
};

TEST_F(DatTest, ReadsLittleEndianRecordsOfBothSets) {
    DatBytes b;
    b.Set(2).Sample(1, {1.5f, -2.0f}).Sample(0, {0.0f, 3.25e-3f});
    b.Set(1).Sample(0, {7.0f, 8.0f});
    // The exact bytes of the first count and input: little-endian whatever the host.
    ASSERT_EQ(b.bytes.substr(0, 4), std::string("\x02\x00\x00\x00", 4));
    ASSERT_EQ(b.bytes.substr(20, 4), std::string("\x00\x00\xc0\x3f", 4));  // 1.5f
    CDatabase db(WriteDat(b).c_str(), "dat");
    std::vector<int> counts;
    db.GetSampleCounts(counts);
    EXPECT_EQ(counts, (std::vector<int>{2, 1}));
    EXPECT_EQ(db.GetProblemType(), (CProblemType{2, 2}));
    float* in = nullptr;
    int cls = -1;
    db.GetSample(0, 0, in, cls);
    EXPECT_EQ(cls, 1);
    EXPECT_EQ(in[0], 1.5f);
    EXPECT_EQ(in[1], -2.0f);
    db.GetSample(0, 1, in, cls);
    EXPECT_EQ(cls, 0);
    EXPECT_EQ(in[1], 3.25e-3f);
    db.GetSample(1, 0, in, cls);
    EXPECT_EQ(in[0], 7.0f);
    EXPECT_THROW(db.GetSample(2, 0, in, cls), EValueNotAllowed);
    EXPECT_THROW(db.GetSample(-1, 0, in, cls), EValueNotAllowed);
    EXPECT_THROW(db.GetSample(0, 2, in, cls), EValueNotAllowed);
}

TEST_F(DatTest, BothSetsTakeTheLargerClassCount) {
    DatBytes b;
    b.Set(2).Sample(0, {1}).Sample(1, {2});
    b.Set(3).Sample(4, {1}).Sample(0, {2}).Sample(2, {3});
    CDatabase db(WriteDat(b).c_str(), "dat");
    EXPECT_EQ(db.GetProblemType(), (CProblemType{1, 5}));

    // Classes only in the second set still count.
    DatBytes only;
    only.Set(1).Sample(0, {1});
    only.Set(1).Sample(0, {1});
    CDatabase single(WriteDat(only).c_str(), "dat");
    EXPECT_EQ(single.GetProblemType(), (CProblemType{1, 1}));
}

TEST_F(DatTest, InvalidRecordsAreIOErrors) {
    auto load = [&](const DatBytes& b) { CDatabase db(WriteDat(b).c_str(), "dat"); };
    DatBytes good;
    good.Set(1).Sample(0, {1, 2});
    good.Set(1).Sample(1, {3, 4});
    EXPECT_NO_THROW(load(good));

    DatBytes zeroCount;
    zeroCount.Set(0).Set(1).Sample(0, {1});
    EXPECT_THROW(load(zeroCount), EIOError);

    DatBytes negativeCount;
    negativeCount.Set(-1);
    EXPECT_THROW(load(negativeCount), EIOError);

    DatBytes oneSet;
    oneSet.Set(1).Sample(0, {1});
    EXPECT_THROW(load(oneSet), EIOError);

    for (size_t cut = 0; cut < good.bytes.size(); ++cut) {
        DatBytes shorter;
        shorter.bytes = good.bytes.substr(0, cut);
        EXPECT_THROW(load(shorter), EIOError) << cut;
    }

    DatBytes noInputs;
    noInputs.Set(1).Sample(0, {}).Set(1).Sample(0, {});
    EXPECT_THROW(load(noInputs), EIOError);

    DatBytes differing;
    differing.Set(1).Sample(0, {1, 2}).Set(1).Sample(0, {1});
    EXPECT_THROW(load(differing), EIOError);

    DatBytes negativeClass;
    negativeClass.Set(1).Sample(-1, {1}).Set(1).Sample(0, {1});
    EXPECT_THROW(load(negativeClass), EIOError);

    DatBytes notFinite;
    notFinite.Set(1).Sample(0, {std::numeric_limits<float>::quiet_NaN()}).Set(1).Sample(0, {1});
    EXPECT_THROW(load(notFinite), EIOError);

    EXPECT_THROW(CDatabase(dir.File("absent.dat").c_str(), "dat"), EIOError);
    EXPECT_THROW(CDatabase(dir.Path().c_str(), "dat"), EIOError);
}

TEST_F(DatTest, ClassCountsAreCapped) {
    auto load = [&](int cls) {
        DatBytes b;
        b.Set(1).Sample(cls, {1}).Set(1).Sample(0, {1});
        CDatabase db(WriteDat(b).c_str(), "dat");
        return db.GetProblemType().outputs;
    };
    EXPECT_EQ(load(kMaxClasses - 1), kMaxClasses);
    EXPECT_THROW(load(kMaxClasses), EIOError);
    EXPECT_THROW(load(INT_MAX), EIOError);
}

TEST_F(DatTest, CountsBeyondTheBytesPresentFailBeforeAllocating) {
    DatBytes manySamples;
    manySamples.Set(INT_MAX).Sample(0, {1});
    EXPECT_THROW(CDatabase(WriteDat(manySamples).c_str(), "dat"), EIOError);

    DatBytes manyInputs;
    manyInputs.Set(1).Int(INT_MAX).Int(0).Float(1);
    EXPECT_THROW(CDatabase(WriteDat(manyInputs).c_str(), "dat"), EIOError);
}

}  // namespace
