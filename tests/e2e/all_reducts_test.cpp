// CALCULATE_ALL_REDUCTS on every shipped table, as the front end runs it: the protocol on
// standard output, the table written back in its canonical layout, and a results file whose
// reducts are exactly the minimal attribute sets that tell apart what must be told apart
// (checked here from the table itself, with the generalized decision for relative runs).
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tests/e2e/process_runner.h"
#include "tests/support/test_files.h"

namespace {

constexpr int kMissing = 2147483647;

struct Table {
    int objects = 0;
    int columns = 0;
    std::vector<std::vector<int>> rows;
};

Table Parse(const std::string& text) {
    Table t;
    std::istringstream in(text);
    in >> t.objects >> t.columns;
    t.rows.assign(static_cast<size_t>(t.objects), std::vector<int>(static_cast<size_t>(t.columns)));
    for (auto& row : t.rows) {
        for (int& v : row) in >> v;
    }
    return t;
}

std::string Canonical(const Table& t) {
    std::string out = std::to_string(t.objects) + " " + std::to_string(t.columns) + "\n";
    for (const auto& row : t.rows) {
        for (int v : row) out += std::to_string(v) + " ";
        out += "\n";
    }
    return out;
}

using Mask = uint64_t;

// The clause of every pair (global) or of every pair with one object (local), without
// repeats; relative runs compare generalized decisions.
std::set<Mask> Clauses(const Table& t, int relative, int missing, int object) {
    const int k = relative ? t.columns - 1 : t.columns;
    std::vector<int> classOf(static_cast<size_t>(t.objects), 0);
    if (relative) {
        std::map<std::vector<int>, std::set<int>> decisions;
        for (const auto& row : t.rows) decisions[std::vector<int>(row.begin(), row.end() - 1)].insert(row.back());
        std::map<std::set<int>, int> ids;
        for (int o = 0; o < t.objects; ++o) {
            const auto& row = t.rows[static_cast<size_t>(o)];
            const auto& set = decisions[std::vector<int>(row.begin(), row.end() - 1)];
            classOf[static_cast<size_t>(o)] = ids.emplace(set, static_cast<int>(ids.size())).first->second;
        }
    }
    std::set<Mask> out;
    for (int i = 0; i < t.objects; ++i) {
        for (int j = 0; j < i; ++j) {
            if (object >= 0 && i != object && j != object) continue;
            if (relative && classOf[static_cast<size_t>(i)] == classOf[static_cast<size_t>(j)]) continue;
            Mask m = 0;
            for (int a = 0; a < k; ++a) {
                const int x = t.rows[static_cast<size_t>(i)][static_cast<size_t>(a)];
                const int y = t.rows[static_cast<size_t>(j)][static_cast<size_t>(a)];
                if (x == y || (missing == 1 && (x == kMissing || y == kMissing))) continue;
                m |= Mask{1} << a;
            }
            if (m != 0) out.insert(m);
        }
    }
    return out;
}

bool Hits(Mask s, const std::vector<Mask>& clauses) {
    for (Mask c : clauses) {
        if ((s & c) == 0) return false;
    }
    return true;
}

bool MinimalHittingSet(Mask s, const std::vector<Mask>& clauses) {
    if (clauses.empty() || !Hits(s, clauses)) return false;
    for (Mask rest = s; rest != 0; rest &= rest - 1) {
        if (Hits(s & ~(rest & (~rest + 1)), clauses)) return false;
    }
    return true;
}

// Only the clauses that include no other one matter for hitting.
std::vector<Mask> MinimalClauses(const std::set<Mask>& all) {
    std::vector<Mask> sorted(all.begin(), all.end());
    std::sort(sorted.begin(), sorted.end(), [](Mask a, Mask b) { return std::popcount(a) < std::popcount(b); });
    std::vector<Mask> kept;
    for (Mask c : sorted) {
        bool includesOne = false;
        for (Mask m : kept) includesOne = includesOne || (m & c) == m;
        if (!includesOne) kept.push_back(c);
    }
    return kept;
}

std::set<Mask> BruteForce(const std::vector<Mask>& clauses, int k) {
    std::set<Mask> out;
    for (Mask s = 1; s < (Mask{1} << k); ++s) {
        if (MinimalHittingSet(s, clauses)) out.insert(s);
    }
    return out;
}

struct Outcome {
    RunResult run;
    std::string table;
    std::vector<Mask> reducts;
    bool wellFormed = false;
};

// The compact file: the count, then per reduct its size and ascending attributes, every
// number followed by a blank.
Outcome RunReducts(const std::string& name, int type, int relative, int missing) {
    ScratchDir work;
    std::filesystem::copy_file(std::string(VARNEL_TABLES) + "/" + name, work.File("t.tab"));
    WriteFileBytes(work.File("config"), "CALCULATE_ALL_REDUCTS\nt.tab\n" + std::to_string(type) + "\n" +
                                            std::to_string(relative) + "\n" + std::to_string(missing) +
                                            "\nout.red\nLOG\n");
    RunOptions options;
    options.workDir = work.Path();
    Outcome o;
    o.run = RunProgram(VarnelBinary(), {"config"}, options);
    o.table = ReadFileBytes(work.File("t.tab"));
    if (!FileExists(work.File("out.red"))) return o;
    const std::vector<std::string> lines = TextLines(ReadFileBytes(work.File("out.red")));
    if (lines.empty() || lines[0] != std::to_string(lines.size() - 1)) return o;
    for (size_t i = 1; i < lines.size(); ++i) {
        std::istringstream in(lines[i]);
        int size = 0;
        in >> size;
        std::string expected = std::to_string(size) + " ";
        Mask m = 0;
        int last = -1;
        for (int k = 0; k < size; ++k) {
            int a = -1;
            in >> a;
            if (a <= last || a >= 64) return o;
            last = a;
            m |= Mask{1} << a;
            expected += std::to_string(a) + " ";
        }
        if (lines[i] != expected) return o;
        o.reducts.push_back(m);
    }
    o.wellFormed = true;
    return o;
}

std::vector<std::string> ProgressLines(const std::string& out) {
    std::vector<std::string> p;
    for (const std::string& line : TextLines(out)) {
        if (line.rfind("PROGRESS:", 0) == 0) p.push_back(line.substr(9));
    }
    return p;
}

const char* const kTables[] = {"breast-cancer.tab", "contact-lenses.tab", "iris.tab", "labor.tab",
                               "soybean.tab", "vote.tab", "weather.nominal.tab"};

TEST(AllReducts, GlobalReductsOfEveryTable) {
    for (const char* name : kTables) {
        const Table t = Parse(ReadFileBytes(std::string(VARNEL_TABLES) + "/" + name));
        for (int relative : {0, 1}) {
            for (int missing : {0, 1}) {
                SCOPED_TRACE(std::string(name) + " relative " + std::to_string(relative) + " missing " +
                             std::to_string(missing));
                const Outcome o = RunReducts(name, 0, relative, missing);
                ASSERT_EQ(o.run.exitCode, 0) << o.run.err;
                EXPECT_EQ(ProgressLines(o.run.out), (std::vector<std::string>{"0", "5", "30", "70", "100"}));
                EXPECT_EQ(TextLines(o.run.out).back(), "PROCESS_DOWN");
                EXPECT_EQ(o.table, Canonical(t));
                ASSERT_TRUE(o.wellFormed);

                const int k = relative ? t.columns - 1 : t.columns;
                const std::vector<Mask> clauses = MinimalClauses(Clauses(t, relative, missing, -1));
                std::set<Mask> found(o.reducts.begin(), o.reducts.end());
                EXPECT_EQ(found.size(), o.reducts.size()) << "a reduct written twice";
                for (Mask r : o.reducts) EXPECT_TRUE(MinimalHittingSet(r, clauses)) << r;
                if (k <= 20) {
                    EXPECT_EQ(found, BruteForce(clauses, k));
                }
            }
        }
    }
}

// Every object's local reducts, gathered once each; the tables whose attribute subsets are
// few enough to check every object by brute force.
TEST(AllReducts, LocalReductsOfTheSmallerTables) {
    for (const char* name : {"contact-lenses.tab", "weather.nominal.tab", "labor.tab", "iris.tab", "breast-cancer.tab"}) {
        const Table t = Parse(ReadFileBytes(std::string(VARNEL_TABLES) + "/" + name));
        for (int relative : {0, 1}) {
            const int missing = relative;
            SCOPED_TRACE(std::string(name) + " relative " + std::to_string(relative));
            const Outcome o = RunReducts(name, 1, relative, missing);
            ASSERT_EQ(o.run.exitCode, 0) << o.run.err;
            ASSERT_TRUE(o.wellFormed);
            std::vector<std::string> expected;
            long long last = 0;
            for (int i = 0; i < t.objects; ++i) {
                const long long p = (i + 1LL) * 100 / t.objects;
                if (p > last) expected.push_back(std::to_string(p));
                last = std::max(last, p);
            }
            expected.push_back("100");
            EXPECT_EQ(ProgressLines(o.run.out), expected);

            const int k = relative ? t.columns - 1 : t.columns;
            std::set<Mask> all;
            for (int object = 0; object < t.objects; ++object) {
                const auto local = BruteForce(MinimalClauses(Clauses(t, relative, missing, object)), k);
                all.insert(local.begin(), local.end());
            }
            EXPECT_EQ(std::set<Mask>(o.reducts.begin(), o.reducts.end()), all);
            EXPECT_EQ(o.reducts.size(), all.size());
        }
    }
}

}  // namespace
