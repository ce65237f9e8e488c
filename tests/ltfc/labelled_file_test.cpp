#include <gtest/gtest.h>

#include <cstddef>
#include <string>

#if defined(__SANITIZE_ADDRESS__)
// From the AddressSanitizer runtime, which keeps its own heap.
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#else
#include <malloc.h>
#endif

#include "ltfc/labelled_file.h"
#include "tests/support/test_files.h"

namespace {

// Bytes the program holds on its heap right now.
size_t HeapInUse() {
#if defined(__SANITIZE_ADDRESS__)
    return __sanitizer_get_current_allocated_bytes();
#else
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
#endif
}

class LabelledFileTest : public ::testing::Test {
protected:
    std::string Write(const std::string& text) {
        const std::string name = dir.File("file" + std::to_string(++files));
        WriteFileBytes(name, text);
        return name;
    }

    ScratchDir dir;
    int files = 0;
};

TEST_F(LabelledFileTest, LabelsAreFoundInAnyOrderAndAcrossLines) {
    mfstream in(Write("$ remark @NotALabel\n@Outputs 3 @Inputs\n4\n\t@Name  word\n").c_str());
    EXPECT_EQ(in.GetPath(), "");
    int inputs = 0, outputs = 0;
    std::string name;
    in.ReadValue("Inputs", inputs);
    in.ReadValue("Outputs", outputs);
    in.ReadValue("Name", name);
    EXPECT_EQ(inputs, 4);
    EXPECT_EQ(outputs, 3);
    EXPECT_EQ(name, "word");
    // "$" remarks are skipped word by word: "@NotALabel" after one is still a label.
    EXPECT_TRUE(in.IsLabel("NotALabel"));
    EXPECT_FALSE(in.IsLabel("remark"));
    // The returned stream serves the usual extraction as well.
    int again = 0;
    in.SeekLabel("Inputs") >> again;
    EXPECT_EQ(again, 4);
}

TEST_F(LabelledFileTest, SectionsScopeTheirLabels) {
    mfstream in(Write("@Count 2\n@<Neuron0\n @Class 1\n @<Inner @Class 7 @>\n@>\n"
                      "@<Neuron1 @Class 0 @>\n")
                    .c_str());
    EXPECT_FALSE(in.IsLabel("Class"));
    int cls = -1;
    in.EnterLabel("Neuron0");
    EXPECT_EQ(in.GetPath(), "@Neuron0");
    in.ReadValue("Class", cls);
    EXPECT_EQ(cls, 1);
    EXPECT_FALSE(in.IsLabel("Count"));  // no lookup outside the current section
    in.EnterLabel(std::string("Inner"));
    in.ReadValue("Class", cls);
    EXPECT_EQ(cls, 7);
    in.LeaveLabel();
    in.LeaveLabel();
    in.EnterLabel("Neuron1");
    in.ReadValue("Class", cls);
    EXPECT_EQ(cls, 0);
    in.LeaveLabel();
    EXPECT_THROW(in.LeaveLabel(), mfstream::cantuptree);
    EXPECT_THROW(in.ReadValue("Class", cls), mfstream::isnotlabel);
}

TEST_F(LabelledFileTest, ShortAndBareMarkersAreSkipped) {
    // "@" and "@<" alone are no markers; "@>x" closes like "@>".
    mfstream in(Write("@ @< @<S @A 1 @>x @A 2 x @").c_str());
    int a = 0;
    in.ReadValue("A", a);
    EXPECT_EQ(a, 2);
    in.EnterLabel("S");
    in.ReadValue("A", a);
    EXPECT_EQ(a, 1);
}

TEST_F(LabelledFileTest, IndexingFailures) {
    EXPECT_THROW(mfstream(Write("@A 1\n@A 2\n").c_str()), mfstream::duplicatelabel);
    EXPECT_THROW(mfstream(Write("@<S @A 1 @> @<S @A 2 @>").c_str()), mfstream::duplicatelabel);
    EXPECT_THROW(mfstream(Write("@A 1 @>").c_str()), mfstream::cantuptree);
    // The same label once in each section is no duplicate.
    EXPECT_NO_THROW(mfstream(Write("@A 1 @<S @A 2 @> @<T @A 3 @>").c_str()));
}

// The index of a file grows with the file, not with the depth of its sections: a file of
// deeply nested sections, each holding a label, must not need memory quadratic in its size.
TEST_F(LabelledFileTest, DeepSectionsAreIndexedInMemoryLinearInTheFile) {
    constexpr int kDepth = 6000;
    std::string text;
    for (int i = 0; i < kDepth; ++i) text += "@<a @x 1\n";
    const std::string name = Write(text);
    const size_t before = HeapInUse();
    mfstream in(name.c_str());
    const size_t used = HeapInUse() - before;
    EXPECT_LT(used, 64 * text.size()) << "bytes of index for a file of " << text.size();
    for (int i = 0; i < kDepth; ++i) in.EnterLabel("a");
    int x = 0;
    in.ReadValue("x", x);
    EXPECT_EQ(x, 1);
    EXPECT_FALSE(in.IsLabel("a"));
}

// Keys are the section names and the label joined by "@", so a name that holds "@" reaches
// the same key as the sections it spells, and leaving cuts the path at its last "@".
TEST_F(LabelledFileTest, NamesHoldingTheSeparatorSpellNestedSections) {
    mfstream in(Write("@<a@b @V 1 @> @W 2 @> @x@y 3 @<p @q@r 4 @>").c_str());
    int v = 0;
    in.EnterLabel("a");
    in.ReadValue("W", v);  // "@>" left only "b"
    EXPECT_EQ(v, 2);
    in.EnterLabel("b");
    in.ReadValue("V", v);
    EXPECT_EQ(v, 1);
    in.LeaveLabel();
    in.LeaveLabel();
    in.EnterLabel("x");
    in.ReadValue("y", v);
    EXPECT_EQ(v, 3);
    in.LeaveLabel();
    in.EnterLabel("p@q");
    EXPECT_EQ(in.GetPath(), "@p@q");
    in.ReadValue("r", v);
    EXPECT_EQ(v, 4);
    in.LeaveLabel();
    EXPECT_EQ(in.GetPath(), "@p");
    EXPECT_TRUE(in.IsLabel("q@r"));
    EXPECT_FALSE(in.IsLabel("r"));
    EXPECT_THROW(mfstream(Write("@<s @t 1 @> @s@t 2").c_str()), mfstream::duplicatelabel);
}

TEST_F(LabelledFileTest, MissingFileFailsAtTheFirstRequiredLabel) {
    mfstream in(dir.File("absent.dst").c_str());
    EXPECT_FALSE(in.IsLabel("FileType"));
    EXPECT_FALSE(in.CheckValueIfLabel("FileType", "data"));
    EXPECT_THROW(in.CheckValue("FileType", "data"), mfstream::isnotlabel);
    mfstream folder(dir.Path().c_str());
    EXPECT_THROW(folder.SeekLabel("FileType"), mfstream::isnotlabel);
    mfstream endless("/dev/zero");  // indexing it would never end
    EXPECT_THROW(endless.SeekLabel("FileType"), mfstream::isnotlabel);
}

TEST_F(LabelledFileTest, CheckValueComparesOneWord) {
    mfstream in(Write("@FileType net\n@NetType LTF-C\n@Empty").c_str());
    EXPECT_NO_THROW(in.CheckValue("FileType", "net"));
    EXPECT_TRUE(in.CheckValueIfLabel("NetType", "LTF-C"));
    EXPECT_FALSE(in.CheckValueIfLabel("Other", "x"));
    EXPECT_THROW(in.CheckValue("NetType", "LTF"), mfstream::badvalue);
    EXPECT_THROW(in.CheckValueIfLabel("FileType", "data"), mfstream::badvalue);
    EXPECT_THROW(in.CheckValue("Empty", ""), mfstream::badvalue);
}

TEST_F(LabelledFileTest, ValuesThatDoNotParseAreBadValues) {
    mfstream in(Write("@I1 4.5 @I2 12x @I3 99999999999 @I4 +7 @I5 -3 @I6 +-3\n"
                      "@F1 abc @F2 nan @F3 inf @F4 1e39 @F5 1e-50 @F6 -2.5e3 @F7 0x10 @F8 .5\n"
                      "@D1 1e309 @D2 1e-320 @B1 2 @B2 1 @B3 0 @Last")
                    .c_str());
    int i = 11;
    EXPECT_THROW(in.ReadValue("I1", i), mfstream::badvalue);
    EXPECT_THROW(in.ReadValue("I2", i), mfstream::badvalue);
    EXPECT_THROW(in.ReadValue("I3", i), mfstream::badvalue);
    EXPECT_EQ(i, 11);  // a failed read leaves no value behind
    in.ReadValue("I4", i);
    EXPECT_EQ(i, 7);
    in.ReadValue("I5", i);
    EXPECT_EQ(i, -3);
    EXPECT_THROW(in.ReadValue("I6", i), mfstream::badvalue);

    float f = 0;
    EXPECT_THROW(in.ReadValue("F1", f), mfstream::badvalue);
    EXPECT_THROW(in.ReadValue("F2", f), mfstream::badvalue);
    EXPECT_THROW(in.ReadValue("F3", f), mfstream::badvalue);
    EXPECT_THROW(in.ReadValue("F4", f), mfstream::badvalue);
    in.ReadValue("F5", f);
    EXPECT_EQ(f, 0.0f);  // too small for a float reads as 0, as the standard extraction does
    in.ReadValue("F6", f);
    EXPECT_EQ(f, -2500.0f);
    EXPECT_THROW(in.ReadValue("F7", f), mfstream::badvalue);
    in.ReadValue("F8", f);
    EXPECT_EQ(f, 0.5f);

    double d = 0;
    EXPECT_THROW(in.ReadValue("D1", d), mfstream::badvalue);
    in.ReadValue("D2", d);
    EXPECT_GT(d, 0.0);
    EXPECT_LT(d, 1e-300);

    bool b = false;
    EXPECT_THROW(in.ReadValue("B1", b), mfstream::badvalue);
    in.ReadValue("B2", b);
    EXPECT_TRUE(b);
    in.ReadValue("B3", b);
    EXPECT_FALSE(b);
    // A label as the last word of the file has no value after it.
    EXPECT_THROW(in.ReadValue("Last", i), mfstream::badvalue);
    // The stream recovers for the next label.
    in.ReadValue("I5", i);
    EXPECT_EQ(i, -3);
}

TEST_F(LabelledFileTest, SequentialValuesAfterALabel) {
    mfstream in(Write("@Weights\n  0.5  -1.25\n  3 @Next 9").c_str());
    in.SeekLabel("Weights");
    float w[3];
    for (float& v : w) in.ReadNext(v);
    EXPECT_EQ(w[0], 0.5f);
    EXPECT_EQ(w[1], -1.25f);
    EXPECT_EQ(w[2], 3.0f);
    float more = 0;
    EXPECT_THROW(in.ReadNext(more), mfstream::badvalue);  // runs into the next label
}

TEST_F(LabelledFileTest, OptionalValuesStayWhenTheirLabelIsAbsent) {
    mfstream in(Write("@A 5").c_str());
    int a = 1, b = 2;
    EXPECT_TRUE(in.ReadValueIfLabel("A", a));
    EXPECT_FALSE(in.ReadValueIfLabel("B", b));
    EXPECT_EQ(a, 5);
    EXPECT_EQ(b, 2);
}

}  // namespace
