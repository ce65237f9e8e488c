#include "rough/rules/significance_rules.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <new>
#include <sstream>
#include <string>

#include "core/error.h"
#include "core/report.h"
#include "core/table.h"

namespace {

constexpr int kAny = TGARules::kAnyValue;

void WriteStderr(const std::string& text) {
    std::fputs(text.c_str(), stderr);
    std::fflush(stderr);
}

// Numbers as the default stream format writes them (six significant digits).
template <class T>
std::string StreamText(T value) {
    std::ostringstream out;
    out << value;
    return out.str();
}

// Out of memory the rule says so on standard output and the search stops with the engine's
// allocation code, rather than carry on without its values.
[[noreturn]] void OutOfMemory() {
    WriteStdout("Error: memory ");
    throw GA_errors(2);
}

template <class T>
std::vector<T> WorkArray(size_t length, T initial) {
    try {
        return std::vector<T>(length, initial);
    } catch (const std::bad_alloc&) {
        OutOfMemory();
    }
}

// The row is read before anything else: an object outside the table would be read past it.
void CheckObject(const TTable& table, int object) {
    if (object < 0 || object >= table.GetNoObj()) throw CalcError(5);
}

// P and S of the significance. A count below 40 multiplies P by 1 - 2^-k; a larger one,
// whose factor would round to 1.0, adds 2^-k to S instead, so that it still counts.
class SignificanceTerms {
public:
    static double Power(int k) { return k >= 1000 ? 0.0 : std::ldexp(1.0, -k); }
    void Apply(int k) {
        if (k < 40)
            p *= 1.0 - Power(k);
        else
            s += Power(k);
    }
    double Result(int against) const { return (1.0 - s) * (p * Power(against)); }

private:
    double p = 1.0;
    double s = 0.0;
};

// The counts of the rule's conditions as the significance takes them: specified conditions
// only, in attribute order.
void SpecifiedCounts(const int* values, int conditions, const std::vector<int>& c, std::vector<int>& out) {
    out.clear();
    for (int i = 0; i < conditions; ++i)
        if (values[i] != kAny) out.push_back(c[static_cast<size_t>(i)]);
}

// The counts Evaluate would find for the rule of one object, kept up to date as conditions are
// added: per row the number of failing conditions and the one that fails when it is alone.
// A condition added can only turn rows from matching to failing once, and a row of another
// decision failing a second condition no longer singles out the first, so each addition is
// one pass over the rows.
class GrowingCounts {
public:
    GrowingCounts(const TTable& table, int decision)
        : table(table),
          decisionColumn(table.GetNoAttr() - 1),
          decision(decision),
          fails(WorkArray<int>(static_cast<size_t>(table.GetNoObj()), 0)),
          lone(WorkArray<int>(static_cast<size_t>(table.GetNoObj()), -1)),
          c(WorkArray<int>(static_cast<size_t>(decisionColumn), 0)) {
        for (int r = 0; r < table.GetNoObj(); ++r) {
            if (table.Value(r, decisionColumn) == decision)
                ++support;
            else
                ++against;
        }
    }

    void Add(int attribute, int value) {
        for (int r = 0; r < table.GetNoObj(); ++r) {
            const int* row = table.Row(r);
            if (row[attribute] == value) continue;
            const int failed = ++fails[static_cast<size_t>(r)];
            const bool same = row[decisionColumn] == decision;
            if (failed == 1) {
                if (same) {
                    --support;
                } else {
                    --against;
                    ++c[static_cast<size_t>(attribute)];
                    lone[static_cast<size_t>(r)] = attribute;
                }
            } else if (failed == 2 && !same) {
                --c[static_cast<size_t>(lone[static_cast<size_t>(r)])];
            }
        }
    }

    double Score(const int* values) {
        SpecifiedCounts(values, decisionColumn, c, scratch);
        return TGARules::Significance(support, against, scratch);
    }
    int Support() const { return support; }

private:
    const TTable& table;
    int decisionColumn;
    int decision;
    int support = 0;
    int against = 0;
    std::vector<int> fails;
    std::vector<int> lone;
    std::vector<int> c;
    std::vector<int> scratch;
};

struct SearchSize {
    int population;
    int generations;
};

SearchSize SizeOfSpeed(int level) {
    switch (level) {
        case 1: return {10, 15};
        case 2: return {25, 30};
        case 3: return {40, 60};
        default: return {5, 5};
    }
}

}  // namespace

// ---------------------------------------------------------------------------- TGARules

void TGARules::Allocate(int length) {
    int* made = new (std::nothrow) int[static_cast<size_t>(length)];
    if (made == nullptr) OutOfMemory();
    values.reset(made);
    n = length;
}

void TGARules::CopyValues(const int* from, int length) {
    if (from == nullptr || length <= 0) {
        values.reset();
        n = 0;
        return;
    }
    Allocate(length);
    std::copy(from, from + length, values.get());
}

TGARules::TGARules(const int* from, int length) { CopyValues(from, length); }

TGARules::TGARules(const TGARules& other) : score(other.score), support(other.support) {
    CopyValues(other.values.get(), other.n);
}

TGARules& TGARules::operator=(const TGARules& other) {
    if (this == &other) return *this;
    CopyValues(other.values.get(), other.n);
    score = other.score;
    support = other.support;
    return *this;
}

TGARules::TGARules(const TTable& table, int object, const std::vector<int>& permutation) {
    CheckObject(table, object);
    const int length = table.GetNoAttr();
    const int conditions = length - 1;
    auto inRange = [&](int i) {
        return static_cast<size_t>(i) < permutation.size() && permutation[static_cast<size_t>(i)] >= 0 &&
               permutation[static_cast<size_t>(i)] < conditions;
    };
    if (!inRange(0)) {
        WriteStderr("TGARules constr. error: permut. val. out of range ");
        return;
    }
    const int* row = table.Row(object);
    Allocate(length);
    std::fill(values.get(), values.get() + conditions, kAny);
    values[static_cast<size_t>(conditions)] = row[conditions];

    GrowingCounts counts(table, row[conditions]);
    // A condition met again, or one whose own value reads as "any", changes nothing.
    auto add = [&](int attribute) {
        if (values[static_cast<size_t>(attribute)] != kAny || row[attribute] == kAny) return;
        values[static_cast<size_t>(attribute)] = row[attribute];
        counts.Add(attribute, row[attribute]);
    };

    add(permutation[0]);
    double best = counts.Score(values.get());
    int bestLength = 0;
    int bestSupport = counts.Support();
    // The first prefix of the best score wins over longer ones of the same score. The growth
    // stops past a later prefix that scores 0.0: a condition that no object of another
    // decision needs stays unneeded in every longer rule (only a thousand or more
    // contradicting objects, which a longer rule might shed, also score 0.0).
    for (int i = 1; i < conditions; ++i) {
        if (!inRange(i)) {
            values.reset();
            n = 0;
            return;
        }
        add(permutation[static_cast<size_t>(i)]);
        const double s = counts.Score(values.get());
        if (s > best) {
            best = s;
            bestLength = i;
            bestSupport = counts.Support();
        }
        if (s == 0.0) break;
    }

    std::fill(values.get(), values.get() + conditions, kAny);
    for (int i = 0; i <= bestLength; ++i) {
        const int a = permutation[static_cast<size_t>(i)];
        values[static_cast<size_t>(a)] = row[a];
    }
    score = best;
    support = bestSupport;
}

TGARules::TGARules(const TTable& table, int object, int speedLevel) {
    std::vector<TGARules> found = GeneticRuleSearch(table, object, speedLevel, 1);
    if (!found[0].values) return;
    CopyValues(found[0].values.get(), found[0].n);
    support = found[0].support;
    Evaluate(table, 0);
}

int TGARules::operator[](int i) const {
    if (i < 0 || i >= n) {
        WriteStderr("Operator []: improper value: " + std::to_string(i) + " " + std::to_string(n));
        return 0;
    }
    return values[static_cast<size_t>(i)];
}

int TGARules::Match(const int* row) const {
    if (!values) return 0;
    const bool same = row[n - 1] == values[static_cast<size_t>(n - 1)];
    int failing = -1;
    for (int i = 0; i < n - 1; ++i) {
        const int v = values[static_cast<size_t>(i)];
        if (v == kAny || row[i] == v) continue;
        if (same || failing >= 0) return 0;
        failing = i;
    }
    if (same) return -2;
    return failing < 0 ? -1 : failing + 1;
}

double TGARules::Significance(int supporting, int against, const std::vector<int>& counts) {
    if (supporting < 1) return 0.0;
    SignificanceTerms terms;
    terms.Apply(supporting);
    // A rule of one condition needs no second one to tell it from the other decisions.
    if (counts.size() != 1) {
        for (int k : counts) {
            if (k < 1) return 0.0;
            terms.Apply(k);
        }
    }
    return terms.Result(against);
}

double TGARules::Evaluate(const TTable& table, int verbose) {
    if (!values) {
        WriteStderr("Evaluation of NULL rule");
        return 0.0;
    }
    if (score != -1.0 && !verbose) return score;
    // Rows of another width would be read past their end, or their decision taken from a
    // condition column.
    if (table.GetNoAttr() != n) throw CalcError(5);

    int supporting = 0;
    int against = 0;
    std::vector<int> c = WorkArray<int>(static_cast<size_t>(n), 0);
    for (int o = 0; o < table.GetNoObj(); ++o) {
        const int m = Match(table.Row(o));
        if (m == -2) {
            ++supporting;
        } else if (m == -1) {
            ++against;
        } else if (m > 0) {
            if (m > n)
                WriteStderr("Improper index in eval() ");
            else
                ++c[static_cast<size_t>(m - 1)];
        }
    }
    std::vector<int> counts;
    SpecifiedCounts(values.get(), n - 1, c, counts);
    score = Significance(supporting, against, counts);
    support = supporting;
    if (verbose) {
        WriteStdoutLine("Za: " + std::to_string(supporting) + ", przeciw: " + std::to_string(against));
        WriteStdoutLine("");
        WriteStdoutLine("Ocena: " + StreamText(score));
    }
    return score;
}

std::ostream& operator<<(std::ostream& out, const TGARules& rule) {
    // A rule without values has no decision to print either.
    if (!rule.values) return out;
    bool first = true;
    for (int i = 0; i < rule.n - 1; ++i) {
        const int v = rule.values[static_cast<size_t>(i)];
        if (v == kAny) continue;
        if (!first) out << " & ";
        out << "(a" << i + 1 << "==" << v << ")";
        first = false;
    }
    if (first) out << "true";
    out << " => (dec:=" << rule.values[static_cast<size_t>(rule.n - 1)] << ")\t  (" << rule.score << ")("
        << rule.support << ")";
    return out;
}

// ---------------------------------------------------------------------------- GA_rule

GA_rule::GA_rule(const TTable* table, int object)
    : GA_permutation(table->GetNoAttr() - 1, 0), table(table), object(object) {}

std::unique_ptr<GA_individual> GA_rule::Clone() const {
    std::unique_ptr<GA_rule> copy = NewIndividual<GA_rule>(table, object);
    copy->CopyFrom(*this);
    return copy;
}

void GA_rule::CopyFrom(const GA_individual& other) {
    const GA_rule* from = dynamic_cast<const GA_rule*>(&other);
    if (from == nullptr) throw GA_errors(0);
    if (from == this) return;
    GA_permutation::CopyFrom(other);
    rule = from->rule;
}

void GA_rule::Evaluate() {
    rule = TGARules(*table, object, genes);
    const double s = rule.GetScore();
    fitness = std::max(0.0, s * s * s);
}

// Lexicographic over the value arrays; of two that agree as far as the shorter goes, the
// shorter is the smaller.
int GA_rule::Compare(const GA_individual& other) const {
    const GA_rule* that = dynamic_cast<const GA_rule*>(&other);
    if (that == nullptr) return GA_individual::Compare(other);
    const int* a = rule.GetValues();
    const int* b = that->rule.GetValues();
    const int na = rule.GetNoValues();
    const int nb = that->rule.GetNoValues();
    for (int i = 0; i < std::min(na, nb); ++i)
        if (a[i] != b[i]) return a[i] < b[i] ? 0 : 2;
    if (na == nb) return 1;
    return na < nb ? 0 : 2;
}

// ---------------------------------------------------------------------------- search

std::vector<TGARules> GeneticRuleSearch(const TTable& table, int object, int speedLevel, int count) {
    CheckObject(table, object);
    std::vector<TGARules> rules = MakeGeneticArray<TGARules>(count);
    // Without condition attributes there is no permutation to grow a rule along.
    if (table.GetNoAttr() < 2) return rules;
    const SearchSize size = SizeOfSpeed(speedLevel);
    GA_population population;
    population.Init(NewIndividual<GA_rule>(&table, object), size.population, count);
    population.SetParams(0.22, 0.45, 0.01, 1, 0, 0);
    for (int g = 0; g < size.generations; ++g) population.Generation();
    for (int i = 0; i < count; ++i) {
        const auto* best = dynamic_cast<const GA_rule*>(population.GetBest(i));
        if (best != nullptr) rules[static_cast<size_t>(i)] = best->GetRule();
    }
    return rules;
}
