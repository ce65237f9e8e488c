#include "discretization/directions/hyperplane.h"

#include <algorithm>
#include <string>

#include "core/alloc_guard.h"
#include "core/error.h"
#include "core/key_index.h"
#include "core/random.h"
#include "core/report.h"
#include "core/table.h"
#include "discretization/fittest.h"

namespace {

[[noreturn]] void Fail(const char* text, int code) {
    LogMessage(text);
    throw CalcError(code);
}

long long PairsOf(long long n) { return n * (n - 1) / 2; }

// A table of objects without columns has no decision to read; it is the shape no hyperplane
// can be checked on either.
int DecisionOf(const TTable& table, int o) {
    if (table.GetNoAttr() < 1) Fail("Bad number in THyper::CheckHyperplane ", 5);
    return table.Value(o, table.GetNoAttr() - 1);
}

// Pairs of objects of different decisions that lie in different groups: every such pair, less
// those that share a group. Counted from group and decision sizes instead of pair by pair.
long long SeparatedPairs(const TTable& table, const std::vector<int>& group, TKeyIndex& index) {
    const int n = table.GetNoObj();
    index.Reset(n);
    for (int o = 0; o < n; ++o) index.Index(TKeyIndex::Key(0, DecisionOf(table, o)));
    const long long different = PairsOf(n) - index.GetEqualPairs();
    index.Reset(n);
    for (int o = 0; o < n; ++o) index.Index(TKeyIndex::Key(group[static_cast<size_t>(o)], 0));
    const long long inside = index.GetEqualPairs();
    index.Reset(n);
    for (int o = 0; o < n; ++o) index.Index(TKeyIndex::Key(group[static_cast<size_t>(o)], DecisionOf(table, o)));
    return different - (inside - index.GetEqualPairs());
}

// Objects whose group holds one decision only: nothing groups them with an object of another
// decision.
int ObjectsOfPureGroups(const TTable& table, const std::vector<int>& group) {
    const int n = table.GetNoObj();
    std::vector<int> size;
    for (int g : group) {
        if (static_cast<size_t>(g) >= size.size()) OrOutOfMemory([&] { size.resize(static_cast<size_t>(g) + 1, 0); });
        ++size[static_cast<size_t>(g)];
    }
    TKeyIndex index;
    index.Reset(n);
    std::vector<int> withDecision = OrOutOfMemory([&] { return std::vector<int>(static_cast<size_t>(n)); });
    for (int o = 0; o < n; ++o)
        withDecision[static_cast<size_t>(o)] = index.Index(TKeyIndex::Key(group[static_cast<size_t>(o)], DecisionOf(table, o)));
    int pure = 0;
    for (int o = 0; o < n; ++o)
        if (index.GetCount(withDecision[static_cast<size_t>(o)]) == size[static_cast<size_t>(group[static_cast<size_t>(o)])])
            ++pure;
    return pure;
}

std::unique_ptr<THyper> RandomHyper(const TTable& table) {
    auto hyper = OrOutOfMemory([] { return std::make_unique<THyper>(); });
    for (int a = 0; a < table.GetNoAttr() - 1; ++a) hyper->AddCoef(RandomInt(2000) - 1000);
    hyper->AddCoef(RandomInt(2000) - 1000);
    return hyper;
}

}  // namespace

// ---- THyper

void THyper::CopyFrom(const THyper& other) {
    coefficients.Clear();
    for (int c : other.coefficients) coefficients.AddElem(c);
    fitness = other.fitness;
}

void THyper::CheckShape(const TTable& table) const {
    if (table.GetNoAttr() < 2 || GetNoCoef() != table.GetNoAttr()) Fail("Bad number in THyper::CheckHyperplane ", 5);
}

// Coefficients reach 1000 in size and values 2147483647 (the missing value): the sum needs 64
// bits.
int THyper::CheckHyperplane(const TTable& table, int object) const {
    CheckShape(table);
    if (object < 0 || object >= table.GetNoObj()) Fail("Bad number in THyper::CheckHyperplane ", 5);
    const int conditions = table.GetNoAttr() - 1;
    const int* row = table.Row(object);
    long long sum = coefficients[conditions];
    for (int a = 0; a < conditions; ++a) sum += static_cast<long long>(coefficients[a]) * row[a];
    return sum >= 0 ? 1 : 0;
}

void THyper::Sides(const TTable& table, std::vector<char>& side) const {
    CheckShape(table);
    OrOutOfMemory([&] { side.assign(static_cast<size_t>(table.GetNoObj()), 0); });
    for (int o = 0; o < table.GetNoObj(); ++o) side[static_cast<size_t>(o)] = static_cast<char>(CheckHyperplane(table, o));
}

void THyper::Print() const {
    std::string text = "HIPER: ";
    for (int c : coefficients) {
        text += std::to_string(c);
        text += ' ';
    }
    WriteStdoutLine(text);
}

// ---- THyperSet

void THyperSet::Clear() {
    hypers.clear();
    capacity = 10;
}

void THyperSet::Add(std::unique_ptr<THyper> hyper) {
    if (GetNoElem() + 1 >= capacity) capacity += 10;
    OrOutOfMemory([&] { hypers.push_back(std::move(hyper)); });
}

THyper& THyperSet::GetHyper(int i) const {
    if (i < 0 || i >= GetNoElem()) Fail("Bad number of element in THyperSet::GetHyper ", 5);
    return *hypers[static_cast<size_t>(i)];
}

long long THyperSet::GetFitness(int i) const {
    if (i < 0 || i >= GetNoElem()) Fail("Bad number of element in THyperSet::GetFitness ", 5);
    return hypers[static_cast<size_t>(i)]->GetFitness();
}

std::vector<int> THyperSet::SideGroups(const TTable& table) const {
    std::vector<int> group = OrOutOfMemory([&] { return std::vector<int>(static_cast<size_t>(table.GetNoObj()), 0); });
    TKeyIndex index;
    std::vector<char> side;
    for (const auto& h : hypers) {
        h->Sides(table, side);
        RefineGroups(group, index, [&](size_t o) { return static_cast<int>(side[o]); });
    }
    return group;
}

// The pairs the chosen hyperplanes separate and those the candidate separates besides are
// together the pairs of different decisions that the chosen hyperplanes and the candidate,
// taken as one set, put in different groups of sides.
long long THyperSet::Fitness(const TTable& table, THyper& candidate, const THyperSet& chosen) const {
    return FitnessInGroups(table, candidate, chosen.SideGroups(table));
}

long long THyperSet::FitnessInGroups(const TTable& table, THyper& candidate, const std::vector<int>& chosenGroups) const {
    std::vector<char> side;
    candidate.Sides(table, side);
    std::vector<int> group = OrOutOfMemory([&] { return chosenGroups; });
    TKeyIndex index;
    RefineGroups(group, index, [&](size_t o) { return static_cast<int>(side[o]); });
    candidate.SetFitness(SeparatedPairs(table, group, index));
    return candidate.GetFitness();
}

void THyperSet::EvaluateFrom(const TTable& table, int start, const THyperSet& chosen) {
    if (std::max(start, 0) < GetNoElem()) EvaluateFrom(table, start, chosen.SideGroups(table));
}

void THyperSet::EvaluateFrom(const TTable& table, int start, const std::vector<int>& chosenGroups) {
    for (int i = std::max(start, 0); i < GetNoElem(); ++i) FitnessInGroups(table, *hypers[static_cast<size_t>(i)], chosenGroups);
}

THyper& THyperSet::GetMaximalHyper() const {
    if (hypers.empty()) Fail("Bad number of element in THyperSet::GetMaximalHyper() ", 5);
    return *FirstFittest(hypers);
}

int THyperSet::CountPositiveRegion(const TTable& table) const {
    return ObjectsOfPureGroups(table, SideGroups(table));
}

long long THyperSet::CountSeparatedPairs(const TTable& table) const {
    TKeyIndex index;
    return SeparatedPairs(table, SideGroups(table), index);
}

void THyperSet::MakeTable(const TTable& table, TTable& target, const THyper* extra) const {
    const int columns = GetNoElem() + (extra != nullptr ? 2 : 1);
    target.CreateTable(table.GetNoObj(), columns);
    std::vector<char> side;
    auto fill = [&](const THyper& h, int column) {
        h.Sides(table, side);
        for (int o = 0; o < table.GetNoObj(); ++o) target.Row(o)[column] = side[static_cast<size_t>(o)];
    };
    for (int i = 0; i < GetNoElem(); ++i) fill(*hypers[static_cast<size_t>(i)], i);
    if (extra != nullptr) fill(*extra, GetNoElem());
    for (int o = 0; o < table.GetNoObj(); ++o) target.Row(o)[columns - 1] = table.GetTable(o, table.GetNoAttr() - 1);
}

void THyperSet::KeepFittest(int keep) { ::KeepFittest(hypers, keep); }

// ---- THyperGA

void THyperGA::Mutate(const TTable& /*table*/) {
    const int n = population.GetNoElem();
    for (int i = 0; i < n; ++i) {
        const bool mutate = mutationRate <= 0 ? false : mutationRate >= 100 ? true : RandomInt(100) < mutationRate;
        if (!mutate) continue;
        const THyper& parent = population.GetHyper(i);
        if (parent.GetNoCoef() == 0) continue;
        auto child = OrOutOfMemory([] { return std::make_unique<THyper>(); });
        child->CopyFrom(parent);
        const int k = RandomInt(parent.GetNoCoef());
        child->SetCoef(k, RandomInt(2000) - 1000);
        population.Add(std::move(child));
    }
}

void THyperGA::Select() {
    if (population.GetNoElem() >= populationSize) population.KeepFittest(populationSize);
}

// A generation mutates, evaluates the new copies (which carry their parents' fitness until
// then) and selects. A table whose random hyperplanes separate no pair at all (one decision
// value) would keep step 2 drawing for ever: it ends after kMaxTries draws.
void THyperGA::Run(const TTable& table, THyper& result) {
    int draws = 0;
    if (!Round(table, chosen.SideGroups(table), result, draws)) throw CalcError(4);
}

bool THyperGA::Round(const TTable& table, const std::vector<int>& chosenGroups, THyper& result, int& draws) {
    population.Clear();
    draws = 0;
    for (int i = 0; i < populationSize; ++i) {
        for (int tries = 1;; ++tries) {
            std::unique_ptr<THyper> hyper = RandomHyper(table);
            ++draws;
            const long long fitness = population.FitnessInGroups(table, *hyper, chosenGroups);
            WriteStdoutLine(std::to_string(i) + ". Fit= " + std::to_string(fitness));
            if (fitness > 0) {
                population.Add(std::move(hyper));
                break;
            }
            if (tries >= kMaxTries) return false;
        }
    }
    for (int g = 0; g < generations; ++g) {
        const int start = population.GetNoElem();
        Mutate(table);
        population.EvaluateFrom(table, start, chosenGroups);
        Select();
        WriteStdoutLine("                   Najlepsze fitness: " +
                        std::to_string(population.GetMaximalHyper().GetFitness()));
    }
    result.CopyFrom(population.GetMaximalHyper());
    return true;
}

// Objects that some object of another decision equals on every condition can never join the
// region, so the goal is lowered to the objects that can; a table of one decision value holds
// its goal before any search. A round whose best hyperplane separates no new pair adds
// nothing, and the search draws again: where values span wide ranges, random hyperplanes
// that part close objects are rare but keep coming. Over 400 searches on registers of 1,000
// credit records the longest run of draws without a new pair was 1,375 (and 50 over 300 on
// 846 silhouette measures), so one empty round says little about a table. The search gives
// up only after kMaxTries draws in a row separate no new pair, some seven times that run and
// the bound step 2 of a round already has, and says so on standard output: "Koniec: " (the
// end), the draws, " losowan z rzedu bez nowej pary, " (draws in a row without a new pair),
// then "obszar pozytywny " with the region reached, " z " (of) and the goal.
void THyperGA::FindHyperplanes(const TTable& table) {
    chosen.Clear();
    int reachable = 0;
    if (table.GetNoAttr() > 0) {
        std::vector<int> group = OrOutOfMemory([&] { return std::vector<int>(static_cast<size_t>(table.GetNoObj()), 0); });
        TKeyIndex index;
        for (int a = 0; a < table.GetNoAttr() - 1; ++a)
            RefineGroups(group, index, [&](size_t o) { return table.Value(static_cast<int>(o), a); });
        reachable = ObjectsOfPureGroups(table, group);
    }
    const int goal = std::min(kRegionGoal, reachable);
    // The groups of the chosen set grow with it, one hyperplane at a time, instead of being
    // made again from every chosen hyperplane for every candidate.
    std::vector<int> groups = chosen.SideGroups(table);
    int region = ObjectsOfPureGroups(table, groups);
    long long separated = 0;
    int idle = 0;
    TKeyIndex index;
    std::vector<char> side;
    while (region < goal) {
        auto hyper = OrOutOfMemory([] { return std::make_unique<THyper>(); });
        int draws = 0;
        const bool found = Round(table, groups, *hyper, draws);
        if (!found || hyper->GetFitness() <= separated) {
            // Step 2 gives up only while nothing is chosen, after its own kMaxTries draws.
            idle = found ? idle + draws : kMaxTries;
            if (idle < kMaxTries) continue;
            WriteStdoutLine("             Koniec: " + std::to_string(idle) + " losowan z rzedu bez nowej pary, " +
                            "obszar pozytywny " + std::to_string(region) + " z " + std::to_string(goal));
            return;
        }
        idle = 0;
        separated = hyper->GetFitness();
        hyper->Sides(table, side);
        RefineGroups(groups, index, [&](size_t o) { return static_cast<int>(side[o]); });
        chosen.Add(std::move(hyper));
        region = ObjectsOfPureGroups(table, groups);
        WriteStdoutLine("             Obszar pozytywny: " + std::to_string(region));
    }
}

void THyperGA::MakeTable(const TTable& table, TTable& target) const { chosen.MakeTable(table, target, nullptr); }
