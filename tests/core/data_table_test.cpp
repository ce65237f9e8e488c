#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdio>
#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "core/data_table.h"
#include "core/error.h"
#include "tests/support/test_files.h"

namespace {

const std::string kIris = std::string(VARNEL_TABLES) + "/iris.dense.tab";

// A construction with standard output captured: the table, or the code and message of the
// error that ended it.
struct Loaded {
    std::unique_ptr<TDataTable> table;
    int code = 0;
    std::string message, out;
};

Loaded Load(const std::string& data, const char* types = nullptr) {
    Loaded r;
    testing::internal::CaptureStdout();
    try {
        r.table = types ? std::make_unique<TDataTable>(data.c_str(), types) : std::make_unique<TDataTable>(data.c_str());
    } catch (const Error& e) {
        r.code = e.GetCode();
        r.message = e.GetMessage();
    }
    r.out = testing::internal::GetCapturedStdout();
    return r;
}

std::unique_ptr<TDataTable> Table(const std::string& data, const char* types = nullptr) {
    Loaded r = Load(data, types);
    EXPECT_EQ(r.code, 0) << r.message;
    return std::move(r.table);
}

template <class F>
auto Captured(F f, std::string& out) {
    testing::internal::CaptureStdout();
    auto result = f();
    out = testing::internal::GetCapturedStdout();
    return result;
}

// Every query of the table against plain scans of the values it was written from.
void ExpectMatchesBruteForce(const TDataTable& t, const std::vector<std::vector<float>>& rows,
                             const std::vector<int>& types, const std::vector<float>& bounds) {
    const int n = static_cast<int>(rows.size());
    const int attrs = t.GetNoAttr();
    ASSERT_EQ(t.GetNoObj(), n);
    for (int a = 0; a <= attrs; ++a) {
        std::map<float, int> counts;  // -0.0 and 0.0 are one key, as they are one value
        for (const auto& r : rows) ++counts[r[a]];
        const int* order = t.GetSortedIndex(a);
        std::vector<float> column;
        for (int k = 0; k < n; ++k) column.push_back(rows.at(order[k])[a]);
        EXPECT_EQ(std::set<int>(order, order + n).size(), static_cast<size_t>(n));
        EXPECT_TRUE(std::is_sorted(column.begin(), column.end()));
        if (a < attrs) {
            const float range = n == 0 ? 0.0f
                                : types[a] ? counts.rbegin()->first - counts.begin()->first
                                           : static_cast<float>(counts.size());
            EXPECT_EQ(t.GetAttrRangeF(a), range);
            EXPECT_EQ(t.GetAttrRange(a), static_cast<int>(range));
        } else {
            std::vector<int> perDecision;
            for (const auto& [value, count] : counts) {
                EXPECT_EQ(t.GetDecValue(static_cast<int>(perDecision.size())), value);
                EXPECT_EQ(t.GetDecIndex(value), static_cast<int>(perDecision.size()));
                perDecision.push_back(count);
            }
            perDecision.push_back(-1);
            std::string out;
            EXPECT_EQ(Captured([&] { return t.GetDecDistribution(); }, out), perDecision);
        }
        for (const float b1 : bounds) {
            for (const float b2 : bounds) {
                int objects = 0, values = 0;
                for (const auto& [value, count] : counts) {
                    if (value >= b1 && value <= b2) objects += count, ++values;
                }
                EXPECT_EQ(t.CountObjInRange(b1, b2, a), objects) << a << " " << b1 << " " << b2;
                EXPECT_EQ(t.CountValuesInRange(b1, b2, a), values);
            }
        }
    }
    std::string out;
    const std::vector<float> weights = Captured([&] { return t.CountObjWeights(); }, out);
    EXPECT_EQ(out, "Object weight count...\n");
    ASSERT_EQ(weights.size(), static_cast<size_t>(n) + 1);
    EXPECT_EQ(weights[n], -1.0f);
    for (int i = 0; i < n; ++i) {
        long long sum = 0;
        for (int j = 0; j < n; ++j) {
            int equal = 0;
            for (int a = 0; a < attrs; ++a) equal += rows[i][a] == rows[j][a];
            EXPECT_EQ(t.CountEqualValues(i, j), equal);
            sum += j != i ? equal : 0;
        }
        EXPECT_EQ(weights[i], static_cast<float>(sum));
    }
}

class DataTable : public ::testing::Test {
protected:
    ScratchDir dir;
    std::string Write(const std::string& name, const std::string& bytes) {
        WriteFileBytes(dir.File(name), bytes);
        return dir.File(name);
    }
};

TEST_F(DataTable, IrisLoadsWithItsDecisionsRangesAndWeights) {
    auto t = Table(kIris);
    EXPECT_EQ(t->GetNoObj(), 150);
    EXPECT_EQ(t->GetNoAttr(), 4);
    ASSERT_EQ(t->GetNoDec(), 3);
    EXPECT_EQ(t->GetDecIndex(2.0f), 2);
    EXPECT_EQ(t->GetDecIndex(3.0f), -1);
    std::string out;
    EXPECT_EQ(Captured([&] { return t->GetDecDistribution(); }, out), (std::vector<int>{50, 50, 50, -1}));
    EXPECT_EQ(out, "Decision distribution: [33.3333% 33.3333% 33.3333% ]\n");
    EXPECT_EQ(std::vector<int>({t->GetAttrRange(0), t->GetAttrRange(1), t->GetAttrRange(2), t->GetAttrRange(3)}),
              (std::vector<int>{35, 23, 43, 22}));
    EXPECT_EQ(t->CountObjInRange(5.0f, 6.0f, 0), 67);
    EXPECT_EQ(t->CountValuesInRange(5.0f, 6.0f, 0), 11);
    const std::vector<float> w = Captured([&] { return t->CountObjWeights(); }, out);
    EXPECT_EQ(std::vector<float>(w.begin(), w.begin() + 5), (std::vector<float>{51, 68, 46, 54, 49}));

    auto numeric = Table(kIris, Write("types", "4 1 1 1 1\n").c_str());
    EXPECT_EQ(numeric->GetAttrRangeF(0), 7.9f - 4.3f);
    EXPECT_EQ(numeric->GetAttrRange(0), 3);
    EXPECT_EQ(numeric->GetAttrType(3), 1);
    for (const int a : {-1, 4}) {
        EXPECT_EQ(numeric->GetAttrRange(a), -1);
        EXPECT_EQ(numeric->GetAttrRangeF(a), -1.0f);
        EXPECT_EQ(numeric->GetAttrType(a), -1);
    }

    std::vector<std::vector<float>> rows(150);
    for (int o = 0; o < 150; ++o) for (int a = 0; a < 5; ++a) rows[o].push_back(t->GetValue(o, a));
    EXPECT_EQ(rows[0], (std::vector<float>{5.1f, 3.5f, 1.4f, 0.2f, 0.0f}));
    ExpectMatchesBruteForce(*numeric, rows, {1, 1, 1, 1}, {0.0f, 1.0f, 2.5f, 4.4f, 5.0f, 6.0f, 7.9f});
}

TEST_F(DataTable, SmallCasesOfDecisionsRangesCountsAndWeights) {
    auto t = Table(Write("d", "4 2\n0.5 2\n2.0 1\n1.0 2\n1.0 3\n"), Write("ty", "1 1").c_str());
    EXPECT_EQ(t->GetNoDec(), 3);
    EXPECT_EQ(std::vector<float>({t->GetDecValue(0), t->GetDecValue(1), t->GetDecValue(2)}), (std::vector<float>{1, 2, 3}));
    EXPECT_EQ(t->GetDecIndex(3.0f), 2);
    EXPECT_EQ(t->GetDecIndex(4.0f), -1);
    EXPECT_EQ(t->GetAttrRangeF(0), 1.5f);
    EXPECT_EQ(t->GetAttrRange(0), 1);
    EXPECT_EQ(Table(dir.File("d"))->GetAttrRangeF(0), 3.0f);
    int count = 0;
    EXPECT_EQ(t->GetDecRun(1, count), 3);  // decision order: objects 1, 0, 2, 3
    EXPECT_EQ(count, 2);

    auto five = Table(Write("five", "5 2 0.5 0 1.0 0 1.0 0 2.0 0 2.5 0"));
    EXPECT_EQ(five->CountObjInRange(1.0f, 2.0f, 0), 3);
    EXPECT_EQ(five->CountValuesInRange(1.0f, 2.0f, 0), 2);

    auto three = Table(Write("three", "3 5\n1 9 9 4 0\n1 2 3 4 0\n1 2 3 5 1\n"));
    std::string out;
    EXPECT_EQ(Captured([&] { return three->CountObjWeights(); }, out), (std::vector<float>{3, 5, 4, -1}));

    // Types past the attributes are not read; attributes the types do not reach are symbolic.
    EXPECT_EQ(Table(dir.File("three"), Write("few", "1 1").c_str())->GetAttrRangeF(1), 2.0f);
    auto many = Table(dir.File("three"), Write("many", "9 0 0 0 1 x x").c_str());
    EXPECT_EQ(many->GetAttrType(3), 1);
    EXPECT_EQ(many->GetAttrRangeF(3), 1.0f);
}

TEST_F(DataTable, RandomTablesFullOfTiesMatchPlainScans) {
    const std::vector<float> pool = {-2.5f, -0.0f, 0.0f, 0.1f, 1.0f, 1e-3f, 3.75f, 1e6f};
    std::mt19937 gen(20);
    for (int round = 0; round < 12; ++round) {
        const int n = round == 0 ? 0 : static_cast<int>(gen() % 60) + 1;
        const int attrs = static_cast<int>(gen() % 5);
        std::vector<std::vector<float>> rows(n, std::vector<float>(attrs + 1));
        std::vector<int> types(attrs);
        std::string text = std::to_string(n) + "\n" + std::to_string(attrs + 1) + "\n";
        std::string typeText = std::to_string(attrs);
        for (int& ty : types) typeText += " " + std::to_string(ty = static_cast<int>(gen() % 3) - 1);
        for (auto& r : rows) {
            for (float& v : r) {
                v = gen() % 4 == 0 ? std::ldexp(static_cast<float>(gen() % 1000) - 500, -3) : pool[gen() % pool.size()];
                char word[32];
                std::snprintf(word, sizeof word, "%.9g\t", v);
                text += word;
            }
            text += "\n";
        }
        auto t = Table(Write("r", text), Write("rt", typeText).c_str());
        ExpectMatchesBruteForce(*t, rows, types, {-3.0f, -0.0f, 0.0f, 0.1f, 1.0f, 1e6f, NAN});
    }
}

TEST_F(DataTable, StandardOutputOfAConstruction) {
    const std::string out = Load(Write("d", "3 3\n0.5 1 2\n2.0 1 1\n1.0 2 2\n"), Write("t", "2 1 0").c_str()).out;
    const std::string head = "Loading Data Table " + dir.File("d") + "\n";
    ASSERT_TRUE(out.starts_with(head)) << out;
    size_t pos = head.size();
    for (int row = 0; row < 3; ++row) {  // a counter per row, its numbering not pinned
        const size_t end = out.find_first_not_of("0123456789", pos);
        ASSERT_TRUE(end > pos && end < out.size() && out[end] == '\r') << out;
        pos = end + 1;
    }
    EXPECT_EQ(out.substr(pos), "Loading Attribute Types " + dir.File("t") +
                                   "\nCounting Attribute Ranges \nSorting attribute: 0\rSorting attribute: 1\r"
                                   "Coding decisions \n");
}

TEST_F(DataTable, UnreadableFilesEndTheConstructionWithCodedErrors) {
    const std::string missing = dir.File("none");
    Loaded r = Load(missing);
    EXPECT_EQ(r.code, 6);
    EXPECT_EQ(r.out, "Loading Data Table " + missing + "\n Can't open a file!");
    r = Load(kIris, missing.c_str());
    EXPECT_EQ(r.message, "Error: Can not load the file: " + missing);
    EXPECT_TRUE(r.out.ends_with("Loading Attribute Types " + missing + "\n Can't open a file!")) << r.out;
    for (const char* bad : {"", "x 3", "3", "-1 3", "2 0", "2 -2", "2 2\n1 2 3", "2 2\n1 x 3 4", "1 2 1e99 0",
                            "2 2\n1 2\n3 4\n5", "0 2000000", "1000000 1000\n1 2 3 4"}) {
        EXPECT_EQ(Load(Write("bad", bad)).code, 10) << bad;
    }
    for (const char* bad : {"x", "-1", "3 1"}) EXPECT_EQ(Load(kIris, Write("bt", bad).c_str()).code, 10) << bad;
}

TEST_F(DataTable, EmptyTableHugeRangesAndIndexesOutsideTheTable) {
    auto empty = Table(Write("e", "0 3\n"));
    EXPECT_EQ(empty->GetNoDec(), 0);
    EXPECT_EQ(empty->GetAttrRangeF(1), 0.0f);
    std::string out;
    EXPECT_EQ(Captured([&] { return empty->GetDecDistribution(); }, out), std::vector<int>{-1});
    EXPECT_EQ(out, "Decision distribution: []\n");
    EXPECT_EQ(empty->CountObjInRange(-1.0f, 1.0f, 2), 0);

    auto wide = Table(Write("w", "2 3\n-3e38 1 0\n3e38 1e10 0\n"), Write("t", "2 1 1").c_str());
    EXPECT_TRUE(std::isinf(wide->GetAttrRangeF(0)));
    EXPECT_EQ(wide->GetAttrRange(0), INT_MAX);
    EXPECT_EQ(wide->GetAttrRange(1), INT_MAX);
    int count = 0;
    for (auto f : std::vector<std::function<void()>>{
             [&] { wide->GetValue(2, 0); }, [&] { wide->GetValue(0, 3); }, [&] { wide->GetValue(-1, 0); },
             [&] { wide->GetDecRun(2, count); }, [&] { wide->GetDecValue(1); }, [&] { wide->GetSortedIndex(-1); },
             [&] { wide->CountValuesInRange(0, 1, 3); }, [&] { wide->CountEqualValues(0, 2); }}) {
        EXPECT_THROW(f(), CalcError);
    }
}

}  // namespace
