#include "discretization/templates/gen_templ.h"

#include <cassert>
#include <string>

#include "core/alloc_guard.h"
#include "core/error.h"
#include "core/int_tree.h"
#include "core/key_index.h"
#include "core/report.h"
#include "core/table.h"
#include "discretization/fittest.h"

namespace {

[[noreturn]] void Fail(const char* text, int code) {
    LogMessage(text);
    throw CalcError(code);
}

long long PairsOf(long long n) { return n * (n - 1) / 2; }

}  // namespace

// ---- TGenTempl

TGenTempl::TGenTempl() {
    OrOutOfMemory([&] {
        attributes.assign(static_cast<size_t>(capacity), 0);
        values.assign(static_cast<size_t>(capacity), TIntSack());
    });
}

TGenTempl& TGenTempl::operator=(const TGenTempl& other) {
    if (this == &other) return *this;
    OrOutOfMemory([&] {
        attributes = other.attributes;
        values = other.values;
    });
    capacity = other.capacity;
    count = other.count;
    fitness = other.fitness;
    return *this;
}

void TGenTempl::Grow() {
    OrOutOfMemory([&] {
        attributes.resize(static_cast<size_t>(capacity + 3), 0);
        values.resize(static_cast<size_t>(capacity + 3));
    });
    capacity += 3;
}

int TGenTempl::AddDescriptor(int attribute, int value) {
    for (int i = 0; i < count; ++i) {
        if (attributes[static_cast<size_t>(i)] == attribute) {
            values[static_cast<size_t>(i)].AddUnique(value);
            return i;
        }
    }
    if (count + 1 > capacity) Grow();
    attributes[static_cast<size_t>(count)] = attribute;
    TIntSack& sack = values[static_cast<size_t>(count)];
    sack.Clear();
    sack.AddElem(value);
    return count++;
}

void TGenTempl::AddValToDescrip(int i, int value) {
    if (i < 0 || i >= count) Fail("Bad number of element in TGenTempl::AddValToDescrip", 5);
    values[static_cast<size_t>(i)].AddUnique(value);
}

int TGenTempl::GetAttr(int i) const {
    if (i < 0 || i >= count) Fail("Bad number of element in TGenTempl::GetAttr", 5);
    return attributes[static_cast<size_t>(i)];
}

int TGenTempl::GetValue(int i, int k) const {
    if (i < 0 || i >= count) Fail("Bad number of element in TGenTempl::AddValToAttr", 5);
    return values[static_cast<size_t>(i)].GetElem(k);
}

int TGenTempl::GetNoValues(int i) const {
    if (i < 0 || i >= count) Fail("Bad number of element in TGenTempl::AddValToAttr", 5);
    return values[static_cast<size_t>(i)].GetNoElem();
}

const TIntSack& TGenTempl::GetVALUES(int i) const {
    if (i < 0 || i >= count) Fail("Bad number of element in TGenTempl::GetVALUES", 5);
    return values[static_cast<size_t>(i)];
}

int TGenTempl::HasDescriptor(int attribute, int value) const {
    for (int i = 0; i < count; ++i)
        if (attributes[static_cast<size_t>(i)] == attribute) return values[static_cast<size_t>(i)].IsIn(value);
    return 0;
}

// An attribute outside the table is refused as the table refuses a cell outside it.
void TGenTempl::CheckColumns(const TTable& table) const {
    for (int i = 0; i < count; ++i) {
        const int a = attributes[static_cast<size_t>(i)];
        if (a < 0 || a >= table.GetNoAttr()) Fail("Bad element number in TTable::GetTable", 5);
    }
}

int TGenTempl::MatchesRow(const int* row) const {
    for (int i = 0; i < count; ++i)
        if (!values[static_cast<size_t>(i)].IsIn(row[attributes[static_cast<size_t>(i)]])) return 0;
    return 1;
}

int TGenTempl::Matches(const TTable& table, int object) const {
    CheckColumns(table);
    if (table.GetNoAttr() > 0) table.GetTable(object, 0);  // the table's own check of the object
    return MatchesRow(table.Row(object));
}

void TGenTempl::CopyWithoutAttr(const TGenTempl& other, int attribute) {
    TGenTempl fresh;
    for (int i = 0; i < other.count; ++i) {
        const int a = other.attributes[static_cast<size_t>(i)];
        if (a == attribute) continue;
        for (int v : other.values[static_cast<size_t>(i)]) fresh.AddDescriptor(a, v);
    }
    *this = fresh;
}

void TGenTempl::CopyWithoutPair(const TGenTempl& other, int attribute, int value) {
    TGenTempl fresh;
    for (int i = 0; i < other.count; ++i) {
        const int a = other.attributes[static_cast<size_t>(i)];
        for (int v : other.values[static_cast<size_t>(i)])
            if (a != attribute || v != value) fresh.AddDescriptor(a, v);
    }
    *this = fresh;
}

int TGenTempl::CountUncoveredMatches(const TTable& table, const std::vector<int>& covered) const {
    assert(covered.size() >= static_cast<size_t>(table.GetNoObj()));
    CheckColumns(table);
    int n = 0;
    for (int o = 0; o < table.GetNoObj(); ++o)
        if (covered[static_cast<size_t>(o)] == 0 && MatchesRow(table.Row(o))) ++n;
    return n;
}

// Counted rather than paired: with M matching objects the pair loops cost M^2 per call and
// the genetic search calls this thousands of times. With E the pairs of equal decision and D
// those of different decisions (from the decision counts), S = D minus the pairs of different
// decisions inside the groups of objects equal on the other attributes, and the attributes of
// others on which equal-decision pairs differ, summed over those pairs, are, per attribute,
// E minus the equal-decision pairs that share its value. Every count is exact, so the 0.95
// test and the share are decided in integers.
TGenTempl::Share TGenTempl::QualityShare(const TTable& table) const {
    CheckColumns(table);
    std::vector<int> match;
    for (int o = 0; o < table.GetNoObj(); ++o)
        if (MatchesRow(table.Row(o))) OrOutOfMemory([&] { match.push_back(o); });
    const long long m = static_cast<long long>(match.size());
    if (m == 0) return {0, 1};
    if (m == 1) return {1, 1};

    const int dec = table.GetNoAttr() - 1;
    std::vector<int> others;
    for (int a = 0; a < dec; ++a) {
        bool used = false;
        for (int i = 0; i < count && !used; ++i) used = attributes[static_cast<size_t>(i)] == a;
        if (!used) OrOutOfMemory([&] { others.push_back(a); });
    }
    auto decisionOf = [&](size_t i) { return table.Value(match[i], dec); };

    TKeyIndex index;
    index.Reset(static_cast<int>(m));
    for (size_t i = 0; i < match.size(); ++i) index.Index(TKeyIndex::Key(0, decisionOf(i)));
    const long long e = index.GetEqualPairs();
    const long long d = PairsOf(m) - e;

    if (d > 0) {
        std::vector<int> group = OrOutOfMemory([&] { return std::vector<int>(match.size(), 0); });
        long long inside = PairsOf(m);
        for (int a : others) {
            RefineGroups(group, index, [&](size_t i) { return table.Value(match[i], a); });
            inside = index.GetEqualPairs();
        }
        RefineGroups(group, index, decisionOf);
        const long long unseparated = inside - index.GetEqualPairs();
        const long long s = d - unseparated;
        if (static_cast<__int128>(20) * s < static_cast<__int128>(19) * d) return {0, 1};
    }
    if (e == 0) return {1, 1};
    // No attribute left outside the template: no pair differs on one of them.
    if (others.empty()) return {0, 1};

    long long differing = 0;
    for (int a : others) {
        index.Reset(static_cast<int>(m));
        for (size_t i = 0; i < match.size(); ++i)
            index.Index(TKeyIndex::Key(decisionOf(i), table.Value(match[i], a)));
        differing += e - index.GetEqualPairs();
    }
    return {differing, static_cast<long long>(others.size()) * e};
}

double TGenTempl::Quality(const TTable& table) const {
    const Share share = QualityShare(table);
    return static_cast<double>(share.num) / static_cast<double>(share.den);
}

int TGenTempl::CalcFitness(const TTable& table, const std::vector<int>& covered, int& support, int bound) {
    support = CountUncoveredMatches(table, covered);
    if (support < bound) {
        const Share share = QualityShare(table);
        fitness = static_cast<int>(static_cast<__int128>(1000) * share.num / share.den);
    } else {
        fitness = 0;
    }
    return fitness;
}

double TGenTempl::Diversity(const TIntSack& distinctCounts) const {
    double sum = 0.0;
    for (int i = 0; i < count; ++i) {
        const int distinct = distinctCounts.GetElem(attributes[static_cast<size_t>(i)]);
        if (distinct == 1)
            sum += 1.0;
        else
            sum += static_cast<double>(distinct - values[static_cast<size_t>(i)].GetNoElem()) / (distinct - 1);
    }
    return sum;
}

void TGenTempl::Print() const {
    std::string text;
    for (int i = 0; i < count; ++i) {
        text += '(';
        text += std::to_string(attributes[static_cast<size_t>(i)]);
        text += ": ";
        for (int v : values[static_cast<size_t>(i)]) {
            text += std::to_string(v);
            text += ' ';
        }
        text += ')';
    }
    WriteStdoutLine(text);
}

void TGenTempl::ExtractTable(const TTable& table, TTable& target) const {
    CheckColumns(table);
    std::vector<int> rows;
    for (int o = 0; o < table.GetNoObj(); ++o)
        if (MatchesRow(table.Row(o))) OrOutOfMemory([&] { rows.push_back(o); });
    if (rows.empty()) {
        LogMessage("No objects<1 in TGenTempl::ExtractTable");
        return;
    }
    std::vector<int> columns;
    for (int a = 0; a < table.GetNoAttr(); ++a) {
        bool used = false;
        for (int i = 0; i < count && !used; ++i) used = attributes[static_cast<size_t>(i)] == a;
        if (!used) OrOutOfMemory([&] { columns.push_back(a); });
    }
    if (columns.empty()) Fail("Bad number of attributes in TGenTempl::ExtractTable", 5);
    target.CreateTable(static_cast<int>(rows.size()), static_cast<int>(columns.size()));
    for (size_t r = 0; r < rows.size(); ++r) {
        int* to = target.Row(static_cast<int>(r));
        const int* from = table.Row(rows[r]);
        for (size_t c = 0; c < columns.size(); ++c) to[c] = from[columns[c]];
    }
}

// The objects matching the chosen attributes are kept as a list, so a try costs one pass
// over them instead of a pass over the table per descriptor.
void TGenTempl::InitFromObject(const TTable& table, const std::vector<int>& covered, int object, int bound) {
    assert(covered.size() >= static_cast<size_t>(table.GetNoObj()));
    const int conditions = table.GetNoAttr() - 1;
    std::vector<int> seedValues;
    for (int a = 0; a < conditions; ++a) OrOutOfMemory([&] { seedValues.push_back(table.GetTable(object, a)); });
    std::vector<int> current;
    for (int o = 0; o < table.GetNoObj(); ++o)
        if (covered[static_cast<size_t>(o)] == 0) OrOutOfMemory([&] { current.push_back(o); });
    std::vector<bool> chosen(static_cast<size_t>(conditions > 0 ? conditions : 0), false);
    std::vector<int> order;
    int support = static_cast<int>(current.size());
    while (support > bound && static_cast<int>(order.size()) < conditions) {
        int bestAttr = -1;
        int bestSupport = 0;
        for (int a = 0; a < conditions; ++a) {
            if (chosen[static_cast<size_t>(a)]) continue;
            int s = 0;
            for (int o : current)
                if (table.Value(o, a) == seedValues[static_cast<size_t>(a)]) ++s;
            if (s > bestSupport) {
                bestSupport = s;
                bestAttr = a;
            }
        }
        if (bestAttr < 0) break;
        chosen[static_cast<size_t>(bestAttr)] = true;
        OrOutOfMemory([&] { order.push_back(bestAttr); });
        std::erase_if(current, [&](int o) { return table.Value(o, bestAttr) != seedValues[static_cast<size_t>(bestAttr)]; });
        support = bestSupport;
        WriteStdoutLine("*" + std::to_string(support));
    }
    WriteStdoutLine("       PO INIT SUPPORT=" + std::to_string(support));
    for (int a : order) AddDescriptor(a, seedValues[static_cast<size_t>(a)]);
}

int TGenTempl::Shrink(const TTable& table, const std::vector<int>& covered, int object, int& best, int bound) {
    if (count < 2) return 0;
    TGenTempl winner;
    int changed = 0;
    for (int i = 0; i < count; ++i) {
        TGenTempl tried;
        tried.CopyWithoutAttr(*this, attributes[static_cast<size_t>(i)]);
        if (!tried.Matches(table, object)) continue;
        int support = 0;
        if (tried.CalcFitness(table, covered, support, bound) > best) {
            best = tried.fitness;
            winner = tried;
            changed = 1;
        }
    }
    if (changed) *this = winner;
    return changed;
}

int TGenTempl::Expand(const TTable& table, const std::vector<int>& covered, const TInt2Tree* pairTree,
                      int object, int& best, int bound, int minCount) {
    int a = 0;
    int b = 0;
    int f = 0;
    if (!FindBestExtension(pairTree, *this, table, covered, object, bound, minCount, a, b, f)) return 0;
    AddDescriptor(a, b);
    fitness = f;
    best = f;
    return 1;
}

// A copy that did not change takes no part in the comparison.
int TGenTempl::ShrinkOrExpand(const TTable& table, const std::vector<int>& covered, const TInt2Tree* pairTree,
                              int object, int& best, int bound, int minCount) {
    WriteStdoutLine("Shrinking...");
    TGenTempl shrunk(*this);
    int shrunkBest = best;
    const int shrank = shrunk.Shrink(table, covered, object, shrunkBest, bound);
    WriteStdoutLine("Expanding...");
    TGenTempl expanded(*this);
    int expandedBest = 0;
    const int grew = expanded.Expand(table, covered, pairTree, object, expandedBest, bound, minCount);

    const bool shrunkWins = shrank && shrunkBest > best;
    const bool expandedWins = grew && expandedBest > best;
    if (!shrunkWins && !expandedWins) return 0;
    if (shrunkWins && (!grew || shrunkBest >= expandedBest)) {
        *this = shrunk;
        best = shrunkBest;
    } else {
        *this = expanded;
        best = expandedBest;
    }
    return 1;
}

// ---- TGenTemplFamily

void TGenTemplFamily::Clear() {
    templates.clear();
    capacity = 100;
}

void TGenTemplFamily::Add(std::unique_ptr<TGenTempl> templ) {
    if (GetNoElem() + 1 >= capacity) capacity += 100;
    OrOutOfMemory([&] { templates.push_back(std::move(templ)); });
}

TGenTempl& TGenTemplFamily::GetElem(int i) const {
    if (i < 0 || i >= GetNoElem()) Fail("Bad number of templates in TGenTemplFamily::GetElem ", 5);
    return *templates[static_cast<size_t>(i)];
}

int TGenTemplFamily::GetFitness(int i) const {
    if (i < 0 || i >= GetNoElem()) Fail("Bad number of templates in TGenTemplFamily::GetFitness ", 5);
    return templates[static_cast<size_t>(i)]->GetFitness();
}

TGenTempl& TGenTemplFamily::GetTheBestTempl() const {
    if (templates.empty()) Fail("Blad krytyczny  w TGenTemplFamily::GetTheBestTempl", 4);
    return *FirstFittest(templates);
}

void TGenTemplFamily::Print() const {
    WriteStdoutLine("Wzorce: ");
    for (const auto& t : templates) t->Print();
}

void TGenTemplFamily::KeepFittest(int keep) { ::KeepFittest(templates, keep); }

// ---- extension by a frequent pair

int FindBestExtension(const TInt2Tree* tree, const TGenTempl& templ, const TTable& table,
                      const std::vector<int>& covered, int object, int bound, int minCount, int& bestA,
                      int& bestB, int& bestFitness) {
    if (tree == nullptr) return 0;
    int found = 0;
    tree->VisitPairs([&](int a, int b, int pairCount) {
        if (pairCount < minCount || templ.HasDescriptor(a, b)) return;
        TGenTempl tried(templ);
        tried.AddDescriptor(a, b);
        if (!tried.Matches(table, object)) return;
        int support = 0;
        const int f = tried.CalcFitness(table, covered, support, bound);
        if (!found || f > bestFitness) {
            found = 1;
            bestA = a;
            bestB = b;
            bestFitness = f;
        }
    });
    return found;
}
