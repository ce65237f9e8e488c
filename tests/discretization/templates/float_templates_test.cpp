#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "core/table.h"
#include "core/text_scan.h"
#include "discretization/templates/float_templates.h"
#include "tests/discretization/templates/float_tables.h"

namespace {

TFDescriptor ListOf(int attribute, std::vector<float> values, int level = 1, int objects = 0) {
    TFDescriptor d(attribute);
    for (const float v : values) d.AddValue(v);
    d.SetLevel(level);
    d.SetObjects(objects);
    return d;
}

TFDescriptor Interval(int attribute, float lo, float hi, int level = 1, int objects = 0) {
    TFDescriptor d(attribute);
    d.SetInterval(lo, hi);
    d.SetLevel(level);
    d.SetObjects(objects);
    return d;
}

std::unique_ptr<TFTemplSet> SetWithCount(int objects) {
    auto s = std::make_unique<TFTemplSet>();
    s->SetNoObj(objects);
    return s;
}

std::vector<int> Counts(const TFTemplSetList& list) {
    std::vector<int> counts;
    for (int i = 1; i <= list.GetNoElem(); ++i) counts.push_back(list.GetNth(i)->GetNoObj());
    return counts;
}

// Rows: attribute 0 takes 1, 2, 3; attribute 1 takes 0.5 or 1.5; decisions 0 and 1.
FloatRows SmallRows() {
    return {{1, 0.5f, 0}, {1, 1.5f, 0}, {2, 0.5f, 1}, {2, 1.5f, 1}, {3, 0.5f, 1}, {3, 1.5f, 0}};
}

// The literal rule: the first listed value not below v must be v.
bool WalkMatches(const std::vector<float>& list, float v) {
    for (const float x : list) {
        if (x >= v) return x == v;
    }
    return false;
}

}  // namespace

TEST(FloatDescriptor, ListsTakeTheFirstValueNotBelowAndIntervalsBothBounds) {
    const TFDescriptor list = ListOf(0, {1.5f, 2.5f});
    EXPECT_TRUE(list.MatchesValue(2.5f));
    EXPECT_TRUE(list.MatchesValue(1.5f));
    EXPECT_FALSE(list.MatchesValue(2.0f));
    EXPECT_FALSE(list.MatchesValue(3.0f));
    EXPECT_EQ(list.GetValueCount(), 2);
    EXPECT_EQ(list.IsInterval(), 0);
    const TFDescriptor interval = Interval(0, 1.5f, 2.5f);
    for (const float v : {1.5f, 2.0f, 2.5f}) EXPECT_TRUE(interval.MatchesValue(v)) << v;
    EXPECT_FALSE(interval.MatchesValue(std::nextafter(1.5f, 0.0f)));
    EXPECT_FALSE(interval.MatchesValue(std::nextafter(2.5f, 3.0f)));
    EXPECT_EQ(TFDescriptor().IsInterval(), -1);

    // A list out of order (read from a file) follows the rule as written: {3, 1} holds 1,
    // yet 3 comes first and is not 1.
    const TFDescriptor unordered = ListOf(0, {3.0f, 1.0f});
    EXPECT_FALSE(unordered.MatchesValue(1.0f));
    EXPECT_TRUE(unordered.MatchesValue(3.0f));

    std::mt19937 gen(7);
    for (int round = 0; round < 400; ++round) {
        std::vector<float> values;
        const int n = static_cast<int>(gen() % 6);
        for (int i = 0; i < n; ++i) values.push_back(static_cast<float>(gen() % 8) * 0.5f);
        if (round % 2 == 0) std::sort(values.begin(), values.end());
        const TFDescriptor d = ListOf(0, values);
        for (int k = -1; k <= 9; ++k) {
            const float v = static_cast<float>(k) * 0.5f;
            EXPECT_EQ(d.MatchesValue(v), WalkMatches(values, v)) << round << " " << v;
        }
    }
}

TEST(FloatDescriptor, CursorAndTableMatching) {
    TFDescriptor d = ListOf(1, {0.5f, 1.5f});
    d.Reset();
    std::vector<float> seen;
    for (; !d.IsEnd(); d.Next()) seen.push_back(d.Current());
    EXPECT_EQ(seen, (std::vector<float>{0.5f, 1.5f}));
    d.Next();
    EXPECT_TRUE(d.IsEnd());
    EXPECT_EQ(d.Current(), -1.0f);

    const auto table = LoadRows(SmallRows());
    const TFDescriptor half = ListOf(1, {0.5f});
    for (int o = 0; o < table->GetNoObj(); ++o) EXPECT_EQ(half.Matches(*table, o), o % 2 == 0) << o;

    TTable ints;
    ints.CreateTable(3, 2);
    for (int o = 0; o < 3; ++o) ints.SetTable(o, 0, o + 1);
    EXPECT_FALSE(Interval(0, 1.5f, 2.5f).MatchesInt(ints, 0));
    EXPECT_TRUE(Interval(0, 1.5f, 2.5f).MatchesInt(ints, 1));
    EXPECT_TRUE(ListOf(0, {1.0f, 3.0f}).MatchesInt(ints, 2));
}

TEST(FloatTemplSet, OnlyActiveDescriptorsCountAndAnEmptySetMatchesNothing) {
    const auto table = LoadRows(SmallRows());
    TFTemplSet empty;
    EXPECT_FALSE(empty.Matches(*table, 0));
    EXPECT_EQ(empty.CountMatches(*table), 0);
    EXPECT_EQ(empty.Coverage(*table, 0), 0.0);
    EXPECT_EQ(empty.Distance(*table, 0), 1.0);
    EXPECT_EQ(empty.CalcAccuracy(*table), 0.0f);

    // Levels 1, 2, 3 at level 2: the third (attribute 0 = 3) is ignored.
    TFTemplSet set;
    set.AddDescriptor(Interval(1, 0.5f, 0.5f, 2));
    set.AddDescriptor(ListOf(0, {2, 3}, 1));
    set.AddDescriptor(ListOf(0, {3}, 3));
    set.SetLevel(2);
    ASSERT_EQ(set.GetNoDescriptors(), 3);
    // Ascending attribute; an equal attribute goes after the ones already there.
    EXPECT_EQ(set.GetDescriptor(0).GetLevel(), 1);
    EXPECT_EQ(set.GetDescriptor(1).GetLevel(), 3);
    EXPECT_EQ(set.GetDescriptor(2).GetAttr(), 1);
    std::vector<int> matched;
    for (int o = 0; o < table->GetNoObj(); ++o) {
        if (set.Matches(*table, o)) matched.push_back(o);
    }
    EXPECT_EQ(matched, (std::vector<int>{2, 4}));
    EXPECT_EQ(set.CountMatches(*table), 2);
    EXPECT_EQ(set.Coverage(*table, 3), 0.5);  // attribute 0 fits, attribute 1 does not
    EXPECT_EQ(set.Coverage(*table, 1), 0.0);
    EXPECT_EQ(set.Distance(*table, 2), 0.0);
    EXPECT_TRUE(set.HasActiveAttr(0));
    EXPECT_TRUE(set.HasActiveAttr(1));
    set.SetLevel(1);
    EXPECT_FALSE(set.HasActiveAttr(1));
    EXPECT_EQ(set.CountMatches(*table), 4);
    set.SetLevel(3);
    EXPECT_EQ(set.CountMatches(*table), 1);
    // Level 0: no descriptor active, so every object fits, but no share can be taken.
    set.SetLevel(0);
    EXPECT_EQ(set.CountMatches(*table), 6);
    EXPECT_EQ(set.Coverage(*table, 0), 0.0);
}

TEST(FloatTemplSet, DecisionsAccuracyAndTheCopy) {
    const auto table = LoadRows(SmallRows());
    TFTemplSet set;
    set.AddDescriptor(ListOf(0, {2, 3}, 1, 4));
    set.SetLevel(1);
    set.SetDecValue(1.0f);
    EXPECT_FLOAT_EQ(set.CalcAccuracy(*table), 0.75f);
    EXPECT_FLOAT_EQ(set.GetAccuracy(), 0.75f);

    std::vector<char> flags = {1, 1, 1, 0, 0, 1};
    set.CountDecisions(flags, *table);
    EXPECT_EQ(set.GetDecisionCounts(), (std::vector<int>{3, 1, -1}));
    EXPECT_EQ(set.MajorityDecision(), 0);
    flags = {0, 1, 1, 1, 0, 0};  // a tie goes to the first index
    set.CountDecisions(flags, *table);
    EXPECT_EQ(set.GetDecisionCounts(), (std::vector<int>{1, 2, -1}));
    EXPECT_EQ(set.MajorityDecision(), 1);
    flags = {1, 0, 1, 0, 0, 0};
    set.CountDecisions(flags, *table);
    EXPECT_EQ(set.MajorityDecision(), 0);
    flags.assign(6, 0);
    set.CountDecisions(flags, *table);
    EXPECT_EQ(set.GetDecisionCounts(), (std::vector<int>{0, 0, -1}));
    EXPECT_EQ(set.MajorityDecision(), 0);
    EXPECT_EQ(TFTemplSet().MajorityDecision(), 0);
    flags.pop_back();
    EXPECT_EQ(FailureOf([&] { set.CountDecisions(flags, *table); }).code, 5);

    set.SetNoObj(4);
    set.SetBestLevel(2);
    set.SetLevel(1);
    const TFTemplSet copy(set);
    EXPECT_EQ(copy.GetNoObj(), 4);
    EXPECT_EQ(copy.GetBestLevel(), 2);
    EXPECT_EQ(copy.GetLevel(), 1);
    EXPECT_EQ(copy.GetDescriptorCount(), 1);
    EXPECT_EQ(copy.GetDecValue(), 0.0f);
    EXPECT_EQ(copy.GetAccuracy(), 0.0f);
    EXPECT_TRUE(copy.GetDecisionCounts().empty());
    ASSERT_EQ(copy.GetNoDescriptors(), 1);
    EXPECT_EQ(copy.GetDescriptor(0).Values(), (std::vector<float>{2, 3}));
    EXPECT_EQ(copy.GetDescriptor(0).GetObjects(), 4);
}

TEST(FloatTemplSet, LevelByObjectsAndSize) {
    TFTemplSet set;
    set.AddDescriptor(ListOf(0, {1}, 1, 9));
    set.AddDescriptor(ListOf(1, {1}, 3, 7));
    set.AddDescriptor(ListOf(2, {1}, 2, 5));
    set.AddDescriptor(ListOf(3, {1}, 4, 5));
    set.SetLevelByObjects(5);  // the first descriptor with 5 objects decides
    EXPECT_EQ(set.GetLevel(), 2);
    set.SetLevelByObjects(6);  // none: the largest level of those above 6
    EXPECT_EQ(set.GetLevel(), 3);
    set.SetLevelByObjects(20);  // none above: at least 1
    EXPECT_EQ(set.GetLevel(), 1);
    set.SetLevelByObjects(4);
    EXPECT_EQ(set.GetLevel(), 4);

    // Attribute 1 of 0.5, 1.0, 1.0, 2.0, 2.5: [1, 2] holds 2 distinct values (3 objects).
    const auto table = LoadRows({{0, 0.5f, 0}, {0, 1, 0}, {0, 1, 1}, {0, 2, 1}, {0, 2.5f, 1}});
    TFTemplSet sized;
    sized.AddDescriptor(Interval(1, 1.0f, 2.0f, 1));
    sized.AddDescriptor(ListOf(0, {0, 1, 2, 3}, 2));
    sized.AddDescriptor(Interval(1, 3.0f, 4.0f, 3));  // no value inside: adds nothing
    sized.SetNoObj(3);
    sized.SetBestLevel(2);
    EXPECT_DOUBLE_EQ(sized.Size(*table, 0), 6.0);
    EXPECT_DOUBLE_EQ(sized.Size(*table, 1), 3.0 * (1.0 / 2 + 1.0 / 4));
}

TEST(FloatTemplSetList, InsertsBehindTheHeadUnlessLarger) {
    TFTemplSetList list;
    for (const int c : {5, 7, 3, 7, 5, 1, 5}) list.InsertByObjCount(SetWithCount(c));
    // 5; 7 5 (larger than the head); 7 5 3; 7 7 5 3 (not larger: behind the head);
    // 7 7 5 5 3 (in front of the first 5 after the head); ...
    EXPECT_EQ(Counts(list), (std::vector<int>{7, 7, 5, 5, 5, 3, 1}));

    TFTemplSetList order;
    auto a = SetWithCount(4);
    auto b = SetWithCount(4);
    auto c = SetWithCount(4);
    const TFTemplSet* pa = a.get();
    const TFTemplSet* pb = b.get();
    const TFTemplSet* pc = c.get();
    order.InsertByObjCount(std::move(a));
    order.InsertByObjCount(std::move(b));
    order.InsertByObjCount(std::move(c));
    EXPECT_EQ(order.GetNth(1), pa);  // equal counts: the newest right behind the head
    EXPECT_EQ(order.GetNth(2), pc);
    EXPECT_EQ(order.GetNth(3), pb);
    EXPECT_EQ(order.GetNth(0), nullptr);
    EXPECT_EQ(order.GetNth(4), nullptr);

    order.Reset();
    EXPECT_EQ(order.GetCurrent(), pa);
    order.Next();
    std::unique_ptr<TFTemplSet> taken = order.Remove(pa);  // the cursor keeps its set
    EXPECT_EQ(taken.get(), pa);
    EXPECT_EQ(order.GetNoElem(), 2);
    EXPECT_EQ(order.GetCurrent(), pc);
    EXPECT_EQ(order.Remove(pa), nullptr);
    order.Next();
    order.Next();
    order.Next();
    EXPECT_TRUE(order.IsEnd());
    EXPECT_EQ(order.GetCurrent(), nullptr);
}

// A batch goes where inserting its sets one by one puts them, and the cursor stays on its
// set (or at the end): random lists and batches with many equal counts, the head displaced
// now and then, against the one-by-one insertion.
TEST(FloatTemplSetList, BatchInsertionEqualsOneByOne) {
    std::mt19937 gen(17);
    for (int round = 0; round < 400; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        const int range = 1 + static_cast<int>(gen() % 6);
        std::vector<int> before(gen() % 8);
        std::vector<int> batch(gen() % 12);
        for (int& c : before) c = static_cast<int>(gen() % range);
        for (int& c : batch) c = static_cast<int>(gen() % (range + 2));
        TFTemplSetList single;
        TFTemplSetList all;
        std::vector<const TFTemplSet*> ids;  // the same set's place in both lists
        std::vector<const TFTemplSet*> others;
        auto twins = [&](int c) {
            auto a = SetWithCount(c);
            auto b = SetWithCount(c);
            ids.push_back(a.get());
            others.push_back(b.get());
            return std::make_pair(std::move(a), std::move(b));
        };
        for (int c : before) {
            auto [a, b] = twins(c);
            single.InsertByObjCount(std::move(a));
            all.InsertByObjCount(std::move(b));
        }
        const int steps = static_cast<int>(gen() % (before.size() + 2));
        single.Reset();
        all.Reset();
        for (int i = 0; i < steps; ++i) {
            single.Next();
            all.Next();
        }
        std::vector<std::unique_ptr<TFTemplSet>> arriving;
        for (int c : batch) {
            auto [a, b] = twins(c);
            single.InsertByObjCount(std::move(a));
            arriving.push_back(std::move(b));
        }
        all.InsertAllByObjCount(std::move(arriving));
        ASSERT_EQ(all.GetNoElem(), single.GetNoElem());
        for (int n = 1; n <= single.GetNoElem(); ++n) {
            const size_t id = static_cast<size_t>(std::find(ids.begin(), ids.end(), single.GetNth(n)) - ids.begin());
            ASSERT_EQ(all.GetNth(n), others.at(id)) << n;
        }
        ASSERT_EQ(all.IsEnd(), single.IsEnd());
        if (!single.IsEnd()) {
            const size_t id = static_cast<size_t>(std::find(ids.begin(), ids.end(), single.GetCurrent()) - ids.begin());
            ASSERT_EQ(all.GetCurrent(), others.at(id));
        }
    }
}

TEST(FloatTemplSetList, PrunesToACoverInListOrder) {
    const auto table = LoadRows(SmallRows());
    auto withList = [](int attribute, std::vector<float> values, int count) {
        auto s = SetWithCount(count);
        s->AddDescriptor(ListOf(attribute, values));
        s->SetLevel(1);
        return s;
    };
    {
        TFTemplSetList list;
        list.InsertByObjCount(withList(0, {1, 2, 3}, 6));
        list.InsertByObjCount(withList(0, {1}, 2));
        list.PruneToCover(*table);
        ASSERT_EQ(list.GetNoElem(), 1);
        EXPECT_EQ(list.GetNth(1)->GetNoObj(), 6);
    }
    {
        // The head covers nothing and goes; a set covering only what an earlier one covered
        // goes; once all are covered the rest goes.
        TFTemplSetList list;
        list.InsertByObjCount(withList(0, {9}, 9));
        list.InsertByObjCount(withList(1, {0.5f}, 3));
        list.InsertByObjCount(withList(1, {0.5f}, 3));
        list.InsertByObjCount(withList(0, {1}, 2));
        list.InsertByObjCount(withList(0, {3}, 2));
        list.InsertByObjCount(withList(0, {2}, 2));
        list.InsertByObjCount(withList(1, {1.5f}, 1));
        list.PruneToCover(*table);
        EXPECT_EQ(Counts(list), (std::vector<int>{3, 2, 2, 2}));
        EXPECT_EQ(list.GetNth(1)->GetDescriptor(0).GetAttr(), 1);
    }

    // Random lists against a plain recount, for covers of 1 to 3.
    std::mt19937 gen(11);
    for (int round = 0; round < 60; ++round) {
        const int k = 1 + round % 3;
        TFTemplSetList list;
        const int n = 1 + static_cast<int>(gen() % 8);
        for (int i = 0; i < n; ++i) {
            std::vector<float> values;
            for (float v = 1; v <= 3; ++v) {
                if (gen() % 2) values.push_back(v);
            }
            list.InsertByObjCount(withList(0, values, static_cast<int>(gen() % 5)));
        }
        std::vector<const TFTemplSet*> before;
        for (int i = 1; i <= list.GetNoElem(); ++i) before.push_back(list.GetNth(i));
        std::vector<const TFTemplSet*> kept;
        std::vector<int> covers(6, 0);
        for (const TFTemplSet* s : before) {
            if (std::all_of(covers.begin(), covers.end(), [&](int c) { return c >= k; })) break;
            bool useful = false;
            for (int o = 0; o < 6; ++o) {
                if (covers[o] < k && s->Matches(*table, o)) {
                    useful = true;
                    ++covers[o];
                }
            }
            if (useful) kept.push_back(s);
        }
        list.PruneToKCover(*table, k);
        std::vector<const TFTemplSet*> after;
        for (int i = 1; i <= list.GetNoElem(); ++i) after.push_back(list.GetNth(i));
        EXPECT_EQ(after, kept) << round;
    }
}

namespace {

// One list set (with an inactive third descriptor) and one interval set.
TFTemplSetList TwoSets() {
    TFTemplSetList list;
    auto listSet = SetWithCount(7);
    listSet->AddDescriptor(ListOf(2, {1, 2.5f}, 1, 9));
    listSet->AddDescriptor(ListOf(0, {0.25f}, 2, 7));
    listSet->AddDescriptor(ListOf(3, {4}, 3, 2));
    listSet->SetLevel(2);
    listSet->SetBestLevel(3);
    listSet->SetDecValue(1.5f);
    auto intervalSet = SetWithCount(4);
    intervalSet->AddDescriptor(Interval(1, -0.5f, 100000, 1, 4));
    intervalSet->SetLevel(1);
    intervalSet->SetBestLevel(1);
    intervalSet->SetDecValue(2);
    list.InsertByObjCount(std::move(intervalSet));
    list.InsertByObjCount(std::move(listSet));
    return list;
}

}  // namespace

TEST(FloatTemplSetList, WritersGiveTheLayoutsByteForByte) {
    ScratchDir dir;
    const TFTemplSetList list = TwoSets();
    std::string out;
    WithStdout([&] { list.Save(dir.File("short").c_str()); return 0; }, out);
    EXPECT_EQ(out, "Saving rule... \n");
    EXPECT_EQ(ReadFileBytes(dir.File("short")),
              "2\n"
              "2\n"
              " 0 1 0.25 \n"
              " 2 2 1 2.5 \n"
              "1.5 7\n"
              "1\n"
              " 1 0 -0.5  100000\n"
              "2 4\n");
    WithStdout([&] { list.SaveFull(dir.File("full").c_str()); return 0; }, out);
    EXPECT_EQ(out, "Saving rule... ");
    EXPECT_EQ(ReadFileBytes(dir.File("full")),
              "2\n"
              "\n3\n3\n2\n"
              "2\n7\n0 \n1 0.25 \n\n"
              "1\n9\n2 \n2 1 2.5 \n\n"
              "3\n2\n3 \n1 4 \n\n"
              "\n1\n1\n1\n"
              "1\n4\n1 \n0 -0.5  100000\n\n");
    std::string all;
    list.GetNth(1)->PrintAll(all);
    EXPECT_EQ(all, "3\n 0 1 0.25 \n 2 2 1 2.5 \n 3 1 4 \n1.5 7\n");
    std::string readable;
    for (int i = 0; i < list.GetNth(1)->GetNoDescriptors(); ++i) list.GetNth(1)->GetDescriptor(i).PrintReadable(readable);
    list.GetNth(2)->GetDescriptor(0).PrintReadable(readable);
    EXPECT_EQ(readable, "0 {0.25 }\n2 {1 2.5 }\n3 {4 }\n1 [-0.5 100000]\n");

    // No descriptor at the set's level: the objects value written is 0.
    TFTemplSetList gap;
    auto s = SetWithCount(3);
    s->AddDescriptor(ListOf(0, {1}, 1, 5));
    s->SetLevel(2);
    gap.InsertByObjCount(std::move(s));
    WithStdout([&] { gap.Save(dir.File("gap").c_str()); return 0; }, out);
    EXPECT_EQ(ReadFileBytes(dir.File("gap")), "1\n2\n 0 1 1 \n0 0\n");
}

TEST(FloatTemplSetList, FullAndReadableLayoutsLoadBack) {
    ScratchDir dir;
    const TFTemplSetList list = TwoSets();
    std::string out;
    WithStdout([&] { list.SaveFull(dir.File("full").c_str()); return 0; }, out);
    TFTemplSetList loaded;
    loaded.LoadFull(dir.File("full").c_str());
    ASSERT_EQ(loaded.GetNoElem(), 2);
    // The object count is not stored: both load with 0, in file order for two sets.
    for (int i = 1; i <= 2; ++i) {
        TFTemplSet expected(*list.GetNth(i));
        expected.SetNoObj(0);
        EXPECT_EQ(Describe(*loaded.GetNth(i)), Describe(expected)) << i;
    }
    WithStdout([&] { loaded.SaveFull(dir.File("again").c_str()); return 0; }, out);
    EXPECT_EQ(ReadFileBytes(dir.File("again")), ReadFileBytes(dir.File("full")));

    // Three sets S1, S2, S3 come back as S1, S3, S2.
    TFTemplSetList three;
    for (int a = 0; a < 3; ++a) {
        auto s = SetWithCount(10 - a);
        s->AddDescriptor(ListOf(a, {1}));
        s->SetLevel(1);
        three.InsertByObjCount(std::move(s));
    }
    WithStdout([&] { three.SaveFull(dir.File("three").c_str()); return 0; }, out);
    TFTemplSetList back;
    back.LoadFull(dir.File("three").c_str());
    ASSERT_EQ(back.GetNoElem(), 3);
    EXPECT_EQ(back.GetNth(1)->GetDescriptor(0).GetAttr(), 0);
    EXPECT_EQ(back.GetNth(2)->GetDescriptor(0).GetAttr(), 2);
    EXPECT_EQ(back.GetNth(3)->GetDescriptor(0).GetAttr(), 1);

    // Readable: "{" lists and "[" intervals; levels 1..n and the set at level n.
    WriteFileBytes(dir.File("readable"),
                   "2\n"
                   "2\n3 [0.5 1.25]\n0 {1 2.5 }\n1 0 0.75\n"
                   "1\n4 {7}\n0 9 0.5\n");
    TFTemplSetList read;
    read.LoadReadable(dir.File("readable").c_str());
    ASSERT_EQ(read.GetNoElem(), 2);
    // best level / level / objects / descriptors / accuracy : the sets, then each
    // descriptor's level and objects.
    EXPECT_EQ(Describe(*read.GetNth(1)), "0/1/9/1/0.500000:0\n 4 1 7 \n0 9\n1,0;");
    EXPECT_EQ(Describe(*read.GetNth(2)), "0/2/0/2/0.750000:0\n 0 2 1 2.5 \n 3 0 0.5  1.25\n1 0\n2,0;1,0;");
    const TFTemplSet& second = *read.GetNth(2);

    // What PrintReadable writes reads back.
    std::string text = "1\n" + std::to_string(second.GetNoDescriptors()) + "\n";
    for (int i = 0; i < second.GetNoDescriptors(); ++i) second.GetDescriptor(i).PrintReadable(text);
    text += "1 0 0.75\n";
    WriteFileBytes(dir.File("reprinted"), text);
    TFTemplSetList reread;
    reread.LoadReadable(dir.File("reprinted").c_str());
    ASSERT_EQ(reread.GetNoElem(), 1);
    std::string a;
    std::string b;
    second.PrintAll(a);
    reread.GetNth(1)->PrintAll(b);
    EXPECT_EQ(a, b);
}

TEST(FloatTemplSetList, LoadingStopsAtTheFirstFailedRead) {
    ScratchDir dir;
    // The second set ends early: only the first is kept. A count far above what follows
    // reads what is there.
    WriteFileBytes(dir.File("cut"), "1000000000\n\n1\n1\n1\n1\n5\n0 \n1 2 \n\n\n1\n3\n1\n1\n");
    TFTemplSetList list;
    list.LoadFull(dir.File("cut").c_str());
    ASSERT_EQ(list.GetNoElem(), 1);
    EXPECT_EQ(list.GetNth(1)->GetDescriptor(0).Values(), (std::vector<float>{2}));

    WriteFileBytes(dir.File("negative"), "-3\n\n1\n1\n1\n");
    TFTemplSetList none;
    none.LoadFull(dir.File("negative").c_str());
    EXPECT_EQ(none.GetNoElem(), 0);

    // A negative descriptor count reads as none; a value list that never closes is cut.
    WriteFileBytes(dir.File("readable"), "3\n-2 0 4 1\n1\n0 {1 2\n");
    TFTemplSetList readable;
    readable.LoadReadable(dir.File("readable").c_str());
    ASSERT_EQ(readable.GetNoElem(), 1);
    EXPECT_EQ(readable.GetNth(1)->GetNoDescriptors(), 0);
    EXPECT_EQ(readable.GetNth(1)->GetNoObj(), 4);

    WriteFileBytes(dir.File("words"), "1\n1\n0 (1 2)\n");
    TFTemplSetList words;
    words.LoadReadable(dir.File("words").c_str());  // "(" opens the interval [1, 2]; no decision follows
    EXPECT_EQ(words.GetNoElem(), 0);
}

TEST(FloatTemplSetList, FilesThatCannotBeOpened) {
    ScratchDir dir;
    const std::string missing = dir.File("missing");
    TFTemplSetList list;
    Failure f = FailureOf([&] { list.LoadFull(missing.c_str()); });
    EXPECT_EQ(f.code, 6);
    EXPECT_EQ(f.out, " Can't open a file!");
    EXPECT_NE(f.message.find(missing), std::string::npos);
    f = FailureOf([&] { list.LoadReadable(missing.c_str()); });
    EXPECT_EQ(f.code, 6);
    EXPECT_EQ(f.out, " Can't open a file!");

    const TFTemplSetList two = TwoSets();
    const std::string noFolder = dir.File("no/such/file");
    f = FailureOf([&] { two.Save(noFolder.c_str()); });
    EXPECT_EQ(f.code, 7);
    EXPECT_EQ(f.out, "Saving rule... \nCan't open a file! ");
    f = FailureOf([&] { two.SaveFull(noFolder.c_str()); });
    EXPECT_EQ(f.code, 7);
    EXPECT_EQ(f.out, "Saving rule... Can't open a file! ");
    EXPECT_FALSE(FileExists(noFolder));
}
