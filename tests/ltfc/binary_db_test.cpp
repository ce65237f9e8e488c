#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <fstream>
#include <new>
#include <random>
#include <set>
#include <string>
#include <sys/resource.h>
#include <vector>

#include "ltfc/binary_db.h"
#include "ltfc/exceptions.h"
#include "ltfc/universal_random.h"
#include "tests/ltfc/fresh_generators.h"
#include "tests/support/network_data.h"
#include "tests/support/test_files.h"

namespace {

using Rows = std::vector<std::vector<float>>;

class BinaryDbTest : public FreshGeneratorsTest {
protected:
    std::string Write(const std::string& bytes) {
        const std::string name = dir.File("db" + std::to_string(++files));
        WriteFileBytes(name, bytes);
        return name;
    }
    std::string Write(const BinaryDbContent& content) { return Write(BinaryDbBytes(content)); }

    ScratchDir dir;
    int files = 0;
};

std::vector<float> ColumnOf(const Rows& rows, int j) {
    std::vector<float> column;
    for (const auto& row : rows) column.push_back(row[static_cast<size_t>(j)]);
    return column;
}

std::vector<float> Taken(const std::unique_ptr<float[]>& values, int n) {
    return values ? std::vector<float>(values.get(), values.get() + n) : std::vector<float>{};
}

TEST_F(BinaryDbTest, ReadsTheLayoutByteByByte) {
    // Spelled out by hand: field order, byte order and the extra word behind a set flag.
    const std::string bytes = std::string("\0\0\0\0" "\2\0\0\0" "ab\0" "\0\0\0\0", 15) +
                              std::string("\1\0\0\0" "\2\0\0\0" "\1\0\0\0" "\x80" "\4\3\2\1" "\2\0\0\0", 21) +
                              std::string("\0\0\xc0\x3f" "\0\0\0\xc0" "\0\0\x80\x3e", 12) +  // 1.5 -2 0.25
                              std::string("\0\0\x20\x41" "\0\0\0\0" "\0\0\x80\xbf", 12);    // 10 0 -1
    CBinaryDB db(Write(bytes).c_str());
    EXPECT_EQ(db.GetClassSize(0), 2);
    EXPECT_EQ(db.GetClassSize(1), 0);
    EXPECT_EQ(db.GetClassSize(-1), 0);
    std::unique_ptr<float[]> column;
    int n = -1;
    db.GetColumn(0, 2, column, n);
    EXPECT_EQ(Taken(column, n), (std::vector<float>{0.25f, -1.0f}));
    db.GetColumn(CBinaryDB::kSecondBlock, 0, 0, column, n);
    EXPECT_EQ(Taken(column, n), (std::vector<float>{-2.0f, 0.0f}));
    std::unique_ptr<float[]> meanA, stddevA, meanB, stddevB;
    db.AllocBuffers(meanA, stddevA, meanB, stddevB);
    EXPECT_EQ(meanA[0], 5.75f);
    EXPECT_FLOAT_EQ(stddevA[0], static_cast<float>(std::sqrt(2 * 4.25 * 4.25)));
    EXPECT_EQ(meanB[1], -0.375f);
    EXPECT_FLOAT_EQ(stddevB[1], static_cast<float>(std::sqrt(2 * 0.625 * 0.625)));
}

// One to three classes, with and without the extra word, odd widths: every column holds what
// was written, and the statistics match a sum of squares in long double (class 0 alone when
// there are exactly two classes; class 1 lies far away so that mixing it in shows).
TEST_F(BinaryDbTest, ColumnsAndStatisticsOfGeneratedFiles) {
    std::mt19937 gen(32);
    std::uniform_real_distribution<float> value(-50.0f, 50.0f);
    for (int classes = 1; classes <= 3; ++classes) {
        for (unsigned char flag : {0, 1, 0xFF}) {
            for (auto [widthA, widthB] : std::vector<std::pair<int, int>>{{1, 1}, {3, 5}, {7, 2}}) {
                SCOPED_TRACE(std::to_string(classes) + " " + std::to_string(flag) + " " + std::to_string(widthA));
                BinaryDbContent content{"gen", widthA, widthB, flag, 777, {}};
                const int width = widthA + widthB;
                for (int c = 0; c < classes; ++c) {
                    Rows rows(2 + gen() % 30, std::vector<float>(static_cast<size_t>(width)));
                    for (auto& row : rows) {
                        for (float& v : row) v = (c == 1 ? 1000.0f : 0.0f) + value(gen);
                    }
                    content.classes.push_back(rows);
                }
                CBinaryDB db(Write(content).c_str());
                std::unique_ptr<float[]> column;
                int n = -1;
                for (int c = 0; c < classes; ++c) {
                    const Rows& rows = content.classes[static_cast<size_t>(c)];
                    EXPECT_EQ(db.GetClassSize(c), static_cast<int>(rows.size()));
                    for (int j = 0; j < width; ++j) {
                        db.GetColumn(c, j, column, n);
                        EXPECT_EQ(Taken(column, n), ColumnOf(rows, j));
                        if (j >= widthA) db.GetColumn(CBinaryDB::kSecondBlock, c, j - widthA, column, n);
                        EXPECT_EQ(Taken(column, n), ColumnOf(rows, j));
                    }
                }
                for (auto [c, j] : std::vector<std::pair<int, int>>{{-1, 0}, {classes, 0}, {0, -1}, {0, width}}) {
                    db.GetColumn(c, j, column, n);
                    EXPECT_TRUE(column == nullptr && n == 0);
                    db.GetColumn(CBinaryDB::kSecondBlock, c, j == width ? widthB : j, column, n);
                    EXPECT_TRUE(column == nullptr && n == 0);
                }

                std::unique_ptr<float[]> stats[4];
                db.AllocBuffers(stats[0], stats[1], stats[2], stats[3]);
                for (int j = 0; j < width; ++j) {
                    long double sum = 0, squares = 0, count = 0;
                    for (size_t c = 0; c < (classes == 2 ? 1u : static_cast<size_t>(classes)); ++c) {
                        for (float v : ColumnOf(content.classes[c], j)) {
                            sum += v;
                            squares += static_cast<long double>(v) * v;
                            ++count;
                        }
                    }
                    const auto mean = static_cast<double>(sum / count);
                    const auto stddev = static_cast<double>(std::sqrt((squares - sum * sum / count) / (count - 1)));
                    const size_t block = j < widthA ? 0 : 2, k = static_cast<size_t>(j < widthA ? j : j - widthA);
                    const double tolerance = 4e-7 * (std::fabs(mean) + stddev + 1);
                    EXPECT_NEAR(stats[block][k], mean, tolerance) << j;
                    EXPECT_NEAR(stats[block + 1][k], stddev, tolerance) << j;
                }
            }
        }
    }
}

// Two classes, the second with three rows; offsets below are of this file's fields.
const BinaryDbContent kSmall{"small", 2, 1, 1, -5, {{{1, 2, 3}, {4, 5, 6}}, {{7, 8, 9}, {1, 1, 1}, {2, 2, 2}}}};
constexpr size_t kAfterName = 8 + 6;

std::string Patched(std::string bytes, size_t at, std::int32_t value) {
    std::string word;
    AppendInt32(word, value);
    return bytes.replace(at, 4, word);
}

TEST_F(BinaryDbTest, ShortFilesAndBadFieldsAreRefused) {
    const std::string good = BinaryDbBytes(kSmall);
    EXPECT_NO_THROW(CBinaryDB(Write(good).c_str()));
    for (size_t cut = 0; cut < good.size(); ++cut) {
        EXPECT_THROW(CBinaryDB(Write(good.substr(0, cut)).c_str()), EOpenDBError) << cut;
    }
    EXPECT_THROW(CBinaryDB(dir.File("absent").c_str()), EOpenDBError);
    EXPECT_THROW(CBinaryDB(dir.Path().c_str()), EOpenDBError);

    // Fixed words, name length, widthA, widthB, classes, and the row count of class 0.
    const std::pair<size_t, std::int32_t> bad[] = {
        {0, 1}, {0, INT_MIN}, {4, -1}, {kAfterName, 3}, {kAfterName + 4, 0}, {kAfterName + 4, -2},
        {kAfterName + 8, 0}, {kAfterName + 12, 0}, {kAfterName + 12, -1}, {kAfterName + 21, 1},
        {kAfterName + 21, 0}, {kAfterName + 21, -2}};
    for (const auto& [at, value] : bad) {
        EXPECT_THROW(CBinaryDB(Write(Patched(good, at, value)).c_str()), EOpenDBError) << at << " " << value;
    }
    // The flag cleared but the extra word left in: it is read as the row count of class 0.
    std::string noFlag = good;
    noFlag[kAfterName + 16] = '\0';
    EXPECT_THROW(CBinaryDB(Write(noFlag).c_str()), EOpenDBError);

    BinaryDbContent lastShort = kSmall;
    lastShort.classes.push_back({{0, 0, 0}});
    EXPECT_THROW(CBinaryDB(Write(lastShort).c_str()), EOpenDBError);
    BinaryDbContent many{"", 1, 1, 0, 0, std::vector<Rows>(1000, Rows{{1, 2}, {3, 4}})};
    EXPECT_EQ(CBinaryDB(Write(many).c_str()).GetClassSize(999), 2);
    many.classes.push_back(Rows{{1, 2}, {3, 4}});
    EXPECT_THROW(CBinaryDB(Write(many).c_str()), EOpenDBError);
}

// Fields of the small file set to names, widths or counts far beyond the bytes of the file.
const std::pair<size_t, std::int32_t> kOversized[] = {{4, INT_MAX}, {4, 1 << 30}, {kAfterName + 4, INT_MAX},
                                                      {kAfterName + 8, 1 << 27}, {kAfterName + 12, 1000},
                                                      {kAfterName + 21, INT_MAX}, {kAfterName + 21, 1 << 28}};

#if !defined(__SANITIZE_ADDRESS__)  // the sanitizer's shadow memory cannot live under a cap
// Loads every file with the address space held to a little above what the process has, so
// that a buffer sized from a header's numbers would fail: 0 when all were refused.
int LoadEachUnderAnAddressCap(const std::vector<std::string>& names) {
    std::ifstream status("/proc/self/status");
    std::string line;
    long long kb = -1;
    while (std::getline(status, line)) {
        if (line.rfind("VmSize:", 0) == 0) kb = std::stoll(line.substr(7));
    }
    struct rlimit cap;
    cap.rlim_cur = cap.rlim_max = static_cast<rlim_t>(kb + 64 * 1024) * 1024;
    if (kb < 0 || setrlimit(RLIMIT_AS, &cap) != 0) return 3;
    for (const std::string& name : names) {
        try {
            CBinaryDB db(name.c_str());
            return 4;
        } catch (const EOpenDBError&) {
        } catch (const std::bad_alloc&) {
            return 5;
        }
    }
    return 0;
}
#endif

TEST_F(BinaryDbTest, OversizedHeadersAreRefusedWithoutAllocatingForThem) {
    std::vector<std::string> names;
    for (const auto& [at, value] : kOversized) {
        names.push_back(Write(Patched(BinaryDbBytes(kSmall), at, value)));
        EXPECT_THROW(CBinaryDB(names.back().c_str()), EOpenDBError);
    }
#if !defined(__SANITIZE_ADDRESS__)
    EXPECT_EXIT(std::_Exit(LoadEachUnderAnAddressCap(names)), ::testing::ExitedWithCode(0), "");
#endif
}

TEST_F(BinaryDbTest, PoolsOfOneAndOfSeveralClasses) {
    CBinaryDB single(Write(BinaryDbContent{"", 1, 1, 0, 0, {{{1, 2}, {3, 4}, {5, 6}}}}).c_str());
    EXPECT_EQ(single.GetCount(0), 0);  // no pool yet: a draw yields nothing
    float stale = 0;
    float *first = &stale, *second = &stale;
    EXPECT_EQ(single.DrawExample(first, second), 0);
    EXPECT_TRUE(first == nullptr && second == nullptr);
    single.PreparePool();
    EXPECT_EQ(single.GetCount(0), 3);
    for (int which : {1, 2, -1}) EXPECT_EQ(single.GetCount(which), 0);

    CBinaryDB several(Write(kSmall).c_str());
    several.PreparePool();
    EXPECT_EQ(several.GetCount(0), 2);
    EXPECT_EQ(several.GetCount(1), 3);
}

// Class 0 rows of 1 + 2 values, value k of row i being 100 i + k; class 1 is filler.
CBinaryDB NumberedRows(const std::string& file, int n) {
    BinaryDbContent content{"", 1, 2, 0, 0, {{}, {{-1, -1, -1}, {-2, -2, -2}}}};
    for (int i = 0; i < n; ++i) content.classes[0].push_back({100.0f * i, 100.0f * i + 1, 100.0f * i + 2});
    WriteFileBytes(file, BinaryDbBytes(content));
    return CBinaryDB(file.c_str());
}

TEST_F(BinaryDbTest, DrawsAreTheSwapToTheEndWithoutReplacement) {
    const int n = 11;
    CBinaryDB db = NumberedRows(Write(""), n);
    db.PreparePool();
    std::vector<int> drawn;
    for (int cycle = 0; cycle < 3; ++cycle) {
        std::set<int> seen;
        for (int left = n - 1; left >= 0; --left) {
            float *first = nullptr, *second = nullptr;
            EXPECT_EQ(db.DrawExample(first, second), left);
            EXPECT_EQ(second, first + 1);
            drawn.push_back(static_cast<int>(first[0]) / 100);
            seen.insert(drawn.back());
        }
        EXPECT_EQ(seen.size(), static_cast<size_t>(n));
    }

    // The construction seeded the generator from the pinned clock; seed it the same way.
    ResetRanmarForTests();
    RanmarRandomize();
    std::vector<int> pool(n), expected;
    for (int i = 0; i < n; ++i) pool[static_cast<size_t>(i)] = i;
    for (int k = 0, left = 0; k < 3 * n; ++k) {
        if (left < 1) left = n;
        const auto j = static_cast<size_t>(RanmarInt(left--));
        expected.push_back(pool[j]);
        std::swap(pool[j], pool[static_cast<size_t>(left)]);
    }
    EXPECT_EQ(drawn, expected);
    // The generator really drew: a cycle in neither file order nor its reverse.
    EXPECT_FALSE(std::is_sorted(drawn.begin(), drawn.begin() + n));
    EXPECT_FALSE(std::is_sorted(drawn.rbegin() + 2 * n, drawn.rend()));
}

}  // namespace
