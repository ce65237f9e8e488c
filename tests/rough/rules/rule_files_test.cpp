#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <utility>
#include <string>
#include <vector>

#include "core/dict_error.h"
#include "core/error.h"
#include "core/random.h"
#include "core/report.h"
#include "core/table.h"
#include "rough/rules/rul_memory.h"
#include "tests/rough/rough_test_util.h"
#include "tests/rough/rules/small_dictionary.h"

namespace {

std::string Keys(const TIntTree* tree) {
    std::ostringstream out;
    if (tree != nullptr) tree->PrintKeys(out);
    return out.str();
}

// The tree in pre-order with "-" for every missing child, which fixes its shape, and per
// rule what the files carry: block, decision, supports, weight as printed, and (objects)
// both object sets in their trees' pre-order.
std::string Shape(const TRulMemory& m, bool objects) {
    std::ostringstream out;
    std::vector<const TLeaf*> pending{m.GetRoot()};
    while (!pending.empty()) {
        const TLeaf* node = pending.back();
        pending.pop_back();
        if (node == nullptr) {
            out << "- ";
            continue;
        }
        const TRuleComp& r = *node->GetRule();
        r.GetBlock()->Print(out, nullptr, 0);
        out << ">" << r.GetDecision() << " " << r.GetPosSupport() << " " << r.GetNegSupport() << " " << r.GetWeight();
        if (objects) out << " [" << Keys(r.PosObjInfoIfAny()) << "|" << Keys(r.NegObjInfoIfAny()) << "]";
        out << "\n";
        pending.push_back(node->GetRight());
        pending.push_back(node->GetLeft());
    }
    return out.str();
}

class RuleFilesTest : public ::testing::Test {
protected:
    void TearDown() override { QuietMode = 0; }

    std::string Saved(const TRulMemory& m, const TDictioSet* dict, int mode) {
        m.SaveRules(dir.File("out").c_str(), dict, mode);
        return ReadFileBytes(dir.File("out"));
    }
    std::string SavedWithObjInfo(const TRulMemory& m) {
        m.SaveRulesWithObjInfo(dir.File("out").c_str());
        return ReadFileBytes(dir.File("out"));
    }
    std::string SavedCompact(const TRulMemory& m) {
        m.SaveRulesCompact(dir.File("out").c_str());
        return ReadFileBytes(dir.File("out"));
    }
    void Load(TRulMemory& m, const std::string& text, bool objInfo = false) {
        WriteFileBytes(dir.File("in"), text);
        if (objInfo) {
            m.LoadRulesWithObjInfo(dir.File("in").c_str());
        } else {
            m.LoadRules(dir.File("in").c_str());
        }
    }

    ScratchDir dir;
};

// Three rules loaded in the order (1=0), (2=1), (0=0): the first is the root, the others its
// right and left child, so the files list them root, left, right - neither the order they
// came in nor the rule order.
const char* const kThreeRules = "DECISION RULES (3)\n(1=0)=>(3=1) 9 9 9\n(2=1)=>(3=1) 9 9 9\n(0=0)=>(3=0) 9 9 9\n";

TEST_F(RuleFilesTest, EveryLayoutListsTheTreeInPreOrder) {
    const auto t = MakeTable({{0, 0, 1, 1}, {1, 0, 1, 1}, {1, 1, 0, 0}, {0, 0, 0, 0}});
    TRulMemory m;
    Load(m, kThreeRules);
    m.CalcRulesInfo(t.get(), 2);
    EXPECT_EQ(Saved(m, nullptr, 0),
              "DECISION RULES (3)\n(1=0)=>(3=1) 2 1 0.5\n(0=0)=>(3=0) 1 1 0.5\n(2=1)=>(3=1) 2 0 1\n");
    EXPECT_EQ(SavedWithObjInfo(m),
              "DECISION RULES:\n"
              "(1=0)=>(3=1)\n2\n0 1 \n1\n3 \n0.5 1 \n"
              "(0=0)=>(3=0)\n1\n3 \n1\n0 \n0.5 0 \n"
              "(2=1)=>(3=1)\n2\n0 1 \n0\n\n1 1 \n");
    EXPECT_EQ(SavedCompact(m), "3\n-1  1  1 \n-1  1  0 \n-1  1  2 \n");

    // Emptied by a move, the left child is passed by and not counted.
    TRulMemory target;
    QuietMode = 1;
    m.MoveRules(m.GetRoot()->GetLeft(), target);
    EXPECT_EQ(target.GetNoRules(), 1);
    EXPECT_EQ(Saved(m, nullptr, 0), "DECISION RULES (2)\n(1=0)=>(3=1) 2 1 0.5\n(2=1)=>(3=1) 2 0 1\n");
    EXPECT_EQ(SavedCompact(m), "2\n-1  1  1 \n-1  1  2 \n");

    // Supports read without objects: no tree, so nothing is listed and the file reads back.
    TRulMemory plain;
    Load(plain, kThreeRules);
    const std::string noObjects = SavedWithObjInfo(plain);
    EXPECT_EQ(TextLines(noObjects).size(), 19u);
    const std::string first = "DECISION RULES:\n(1=0)=>(3=1)\n0\n\n0\n\n9 1 \n";
    EXPECT_EQ(noObjects.substr(0, first.size()), first);
    TRulMemory reread;
    Load(reread, noObjects, true);
    EXPECT_EQ(reread.GetNoRules(), 3);
    EXPECT_EQ(SavedWithObjInfo(reread), noObjects);

    TRulMemory two;
    Load(two, "DECISION RULES (1)\n(0=1)&(3=2)=>(4=1) 5 0 1\n");
    EXPECT_EQ(Saved(two, nullptr, 0), "DECISION RULES (1)\n(0=1)&(3=2)=>(4=1) 5 0 1\n");
    EXPECT_EQ(SavedCompact(two), "1\n-1  2  0 3 \n");
}

TEST_F(RuleFilesTest, EmptyMemoriesAndHeaderOnlyFiles) {
    TRulMemory m;
    EXPECT_EQ(Saved(m, nullptr, 0), "DECISION RULES (0)\n");
    EXPECT_EQ(SavedWithObjInfo(m), "DECISION RULES:\n");
    EXPECT_EQ(SavedCompact(m), "0\n");
    for (bool objInfo : {false, true}) {
        for (const char* text : {"DECISION RULES (0)\n", "DECISION RULES:\n", "DECISION RULES (0)", ""}) {
            TRulMemory loaded;
            Load(loaded, kThreeRules);
            Load(loaded, text, objInfo);
            EXPECT_EQ(loaded.GetNoRules(), 0);
            EXPECT_EQ(loaded.GetRoot(), nullptr);
        }
    }
}

TEST_F(RuleFilesTest, ModesOneAndTwoShowTheDictionary) {
    auto dict = SmallDictionary();
    TRulMemory m;
    Load(m, "DECISION RULES (1)\n(0=0)=>(2=0) 2 1 0.5\n");
    EXPECT_EQ(Saved(m, dict.get(), 1), "DECISION RULES (1)\n(x=lo)=>(cls=no) 2 1 0.5\n");
    EXPECT_EQ(Saved(m, dict.get(), 2), "DECISION RULES (1)\n(x=0)=>(cls= 0 ) 2 1  0.666667 0.5\n");
    EXPECT_EQ(Saved(m, dict.get(), 7), "DECISION RULES (1)\n(0=0)=>(2=0) 2 1 0.5\n");
    EXPECT_EQ(Saved(m, nullptr, 1), "DECISION RULES (1)\n(0=0)=>(2=0) 2 1 0.5\n");
    EXPECT_EQ(Saved(m, nullptr, 2), "DECISION RULES (1)\n(0=0)=>(2= 0 ) 2 1  0.666667 0.5\n");

    // Weights in the stream's default form; no supports, accuracy 0.
    Load(m, "H\n=>(2=0) 0 0 0.333333333\n(0=1)=>(2=0) 0 3 1e-7\n(0=2)=>(2=0) 3 0 12345678\n");
    EXPECT_EQ(Saved(m, nullptr, 2), "DECISION RULES (3)\n=>(2= 0 ) 0 0  0 0.333333\n"
                                    "(0=1)=>(2= 0 ) 0 3  0 1e-07\n(0=2)=>(2= 0 ) 3 0  1 1.23457e+07\n");

    // A code the dictionary lacks: its error, and the file stays as it was.
    const std::string before = ReadFileBytes(dir.File("out"));
    Load(m, "DECISION RULES (1)\n(0=1)&(3=0)=>(2=0) 2 1 0.5\n");
    for (int mode : {1, 2}) {
        try {
            Saved(m, dict.get(), mode);
            ADD_FAILURE() << mode;
        } catch (const DictError& e) {
            EXPECT_EQ(e.GetCode(), 5);
        }
    }
    EXPECT_EQ(ReadFileBytes(dir.File("out")), before);
}

TEST_F(RuleFilesTest, SelectedRulesOfOneClass) {
    TRulMemory m;
    Load(m, kThreeRules);
    int counter = 0;
    m.GetRoot()->GetNthRule(0, counter)->SetSelected(1);  // (1=0), class 1
    counter = 0;
    m.GetRoot()->GetNthRule(1, counter)->SetSelected(1);  // (0=0), class 0
    std::ostringstream out;
    m.GetRoot()->SaveRulesEx(out, 3, nullptr, 2, 1);
    EXPECT_EQ(out.str(), "(1=0)=>(3= 1 ) 9 9  0.5 9\n");
}

TEST_F(RuleFilesTest, ReadingStopsAtWhatCannotBeRead) {
    TRulMemory m;
    // A file written with names keeps nothing and does not hang.
    Load(m, "DECISION RULES (1)\n(x=lo)=>(cls=no) 2 1 0.5\n");
    EXPECT_EQ(m.GetNoRules(), 0);
    // The rule that breaks off is dropped; those before it stay.
    Load(m, "R\n(0=1)=>(2=1) 1 0 1\n(0=2)=>(2=oops) 1 0 1\n(0=3)=>(2=1) 1 0 1\n");
    EXPECT_EQ(Shape(m, false), "(0=1)>1 1 0 1\n- - ");
    // A line without descriptors; duplicates once; no line end after the last.
    Load(m, "R\n=>(2=1) 4 0 1\n(0=1)=>(2=1) 1 0 1\n=>(2=1) 5 5 5");
    EXPECT_EQ(Shape(m, false), ">1 4 0 1\n- (0=1)>1 1 0 1\n- - ");
    // Object lists: the decision is the second copy; a count the numbers do not fill is no rule.
    Load(m, "DECISION RULES:\n(0=1)=>(2=1)\n2\n7 3\n0\n\n0.25 4 \n(0=2)=>(2=1)\n5\n0 1\n", true);
    EXPECT_EQ(Shape(m, true), "(0=1)>4 2 0 0.25 [7 3 |]\n- - ");
}

TEST_F(RuleFilesTest, DecisionAttributeOfALoad) {
    TRulMemory m;
    Load(m, "R\n(0=1)=>(7=1) 1 0 1\n");
    EXPECT_EQ(m.GetDecisionAttr(), 7);
    Load(m, "R\n(0=1)=>(3=1) 1 0 1\n(0=2)=>(5=1) 1 0 1\n");
    EXPECT_EQ(m.GetDecisionAttr(), 3);
    Load(m, "R:\n(0=1)=>(5=1)\n0\n\n0\n\n1 1 \n", true);
    EXPECT_EQ(m.GetDecisionAttr(), 3);
    TRulMemory fresh;
    Load(fresh, "R:\n(0=1)=>(5=1)\n0\n\n0\n\n1 1 \n", true);
    EXPECT_EQ(fresh.GetDecisionAttr(), 5);
    Load(fresh, "R\n");
    EXPECT_EQ(fresh.GetDecisionAttr(), TRulMemory::NotSet);
}

TEST_F(RuleFilesTest, LoadsStoreInAnyModeAndLeaveTheModeAsItWas) {
    for (int mode : {0, 1}) {
        QuietMode = mode;
        TRulMemory m;
        testing::internal::CaptureStdout();
        Load(m, kThreeRules);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
        EXPECT_EQ(m.GetNoRules(), 3);
        EXPECT_EQ(QuietMode, mode);
    }
}

TEST_F(RuleFilesTest, FilesThatCannotBeWrittenOrRead) {
    TRulMemory m;
    Load(m, kThreeRules);
    // The name is written whole, however long; a device that takes no data fails at the end.
    const std::string missing = dir.File("no-such-folder/") + std::string(150, 'r');
    using Call = std::function<void(const char*)>;
    const std::vector<std::pair<Call, std::string>> calls = {
        {[&](const char* f) { m.SaveRules(f, nullptr, 0); }, "Saving rules...\nError: Can't save file with rules(@)\n"},
        {[&](const char* f) { m.SaveRulesWithObjInfo(f); }, "Error: Can't save file with rules\n"},
        {[&](const char* f) { m.SaveRulesCompact(f); }, "Error: Can't save file with rules\n"},
        {[&](const char* f) { m.LoadRules(f); }, "Error: Can't open file with rules\n"},
        {[&](const char* f) { m.LoadRulesWithObjInfo(f); }, "Error: Can't open file with rules\n"},
    };
    for (size_t i = 0; i < calls.size(); ++i) {
        const bool save = i < 3;
        for (const std::string& name : save ? std::vector<std::string>{missing, "/dev/full"} : std::vector{missing}) {
            SCOPED_TRACE(std::to_string(i) + " " + name);
            std::string expected = calls[i].second;
            if (const size_t at = expected.find('@'); at != std::string::npos) expected.replace(at, 1, name);
            LogCapture log;
            try {
                calls[i].first(name.c_str());
                ADD_FAILURE();
            } catch (const Error& e) {
                EXPECT_EQ(e.GetCode(), save ? 7 : 6);
                EXPECT_EQ(std::string(e.GetMessage()), (save ? "Error: Can not save the file: " : "Error: Can not load the file: ") + name);
            }
            EXPECT_EQ(log.Text(), expected);
        }
    }
    EXPECT_EQ(m.GetNoRules(), 3);
}

// The load finds insertion points through its index; the tree must be the one that inserting
// the same rules one by one from the root builds, sorted runs and duplicates included.
TEST_F(RuleFilesTest, LoadedTreeIsTheTreeOfInsertingInFileOrder) {
    SeedRand(5);
    QuietMode = 1;
    for (int round = 0; round < 40; ++round) {
        TRulMemory walked;
        std::string text = "DECISION RULES\n";
        const int n = 1 + Rand() % 120;
        for (int i = 0; i < n; ++i) {
            const int a = round % 3 == 0 ? i / 10 : Rand() % 4;  // some rounds arrive nearly sorted
            const int v = Rand() % 3;
            const int d = Rand() % 2;
            auto rule = RuleOf({{a, v}, {a + 1 + Rand() % 2, Rand() % 2}}, d, -1);
            std::ostringstream line;
            rule->GetBlock()->Print(line, nullptr, 0);
            line << "=>(9=" << d << ") " << i << " 0 1\n";
            text += line.str();
            rule->SetPosSupport(i);
            rule->SetWeight(1);
            walked.InsertRule(std::move(rule));
        }
        TRulMemory loaded;
        Load(loaded, text);
        ASSERT_EQ(loaded.GetNoRules(), walked.GetNoRules());
        ASSERT_EQ(Shape(loaded, false), Shape(walked, false));
    }
}

// All rules of two real tables with their objects and weights: written, read and written
// again, the files agree byte for byte and the memories in shape and content.
TEST_F(RuleFilesTest, RealTablesRoundTrip) {
    for (const char* name : {"weather.nominal.tab", "breast-cancer.tab"}) {
        SCOPED_TRACE(name);
        TTable t;
        t.Load((std::string(VARNEL_TABLES) + "/" + name).c_str());
        QuietMode = 1;
        TRulMemory m;
        m.CalculateAllRules(&t, 0);
        m.CalcRulesInfo(&t, 2);
        ASSERT_GT(m.GetNoRules(), 10);

        const std::string plain = Saved(m, nullptr, 0);
        TRulMemory loaded;
        Load(loaded, plain);
        EXPECT_EQ(Saved(loaded, nullptr, 0), plain);
        EXPECT_EQ(loaded.GetNoRules(), m.GetNoRules());
        EXPECT_EQ(loaded.GetDecisionAttr(), t.GetNoAttr() - 1);
        EXPECT_EQ(Shape(loaded, false), Shape(m, false));
        const std::vector<std::string> compact = TextLines(SavedCompact(loaded));
        for (size_t i = 1; i < compact.size(); ++i) EXPECT_EQ(compact[i].substr(0, 4), "-1  ");  // no object

        const std::string listed = SavedWithObjInfo(m);
        TRulMemory withObjects;
        Load(withObjects, listed, true);
        EXPECT_EQ(SavedWithObjInfo(withObjects), listed);
        EXPECT_EQ(Shape(withObjects, true), Shape(m, true));

        // Each record lists the rows the rule matches, its decision's and the others', ascending.
        const std::vector<std::string> lines = TextLines(listed);
        ASSERT_EQ(lines.size(), 1 + 6 * static_cast<size_t>(m.GetNoRules()));
        for (size_t r = 1; r < lines.size(); r += 6) {
            TBlock block;
            std::istringstream in(lines[r]);
            ASSERT_EQ(block.Read(in), 1);
            char c = 0;
            int attr = 0;
            int decision = 0;
            in >> c >> c >> attr >> c >> decision;
            std::string own;
            std::string other;
            for (int o = 0; o < t.GetNoObj(); ++o) {
                bool match = true;
                for (int i = 0; i < block.GetNoDesc(); ++i) match = match && t.GetTable(o, block.GetAttr(i)) == block.GetValue(i);
                if (match) (t.GetTable(o, attr) == decision ? own : other) += std::to_string(o) + " ";
            }
            EXPECT_EQ(lines[r + 2], own) << lines[r];
            EXPECT_EQ(lines[r + 4], other) << lines[r];
        }
    }
}

}  // namespace
