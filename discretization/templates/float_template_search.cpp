#include "discretization/templates/float_template_search.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>

#include "core/alloc_guard.h"
#include "core/data_table.h"
#include "core/error.h"
#include "core/report.h"

namespace {

// Each object's decision index.
std::vector<int> DecisionIndexes(const TDataTable& table) {
    std::vector<int> indexes;
    OrOutOfMemory([&] {
        indexes.resize(static_cast<std::size_t>(table.GetNoObj()));
        for (int o = 0; o < table.GetNoObj(); ++o) {
            indexes[static_cast<std::size_t>(o)] = table.GetDecIndex(table.GetDecision(o));
        }
    });
    return indexes;
}

// The attribute's objects with a non-zero flag (all without flags), in its sorted order.
std::vector<TValueDistList::Item> ItemsInOrder(const TDataTable& table, int attribute, const std::vector<char>* flags) {
    const int n = table.GetNoObj();
    if (flags != nullptr && flags->size() < static_cast<std::size_t>(n)) throw CalcError(5);
    const int* sorted = table.GetSortedIndex(attribute);
    std::vector<TValueDistList::Item> items;
    OrOutOfMemory([&] {
        for (int k = 0; k < n; ++k) {
            if (flags == nullptr || (*flags)[static_cast<std::size_t>(sorted[k])] != 0) {
                items.push_back({table.GetValue(sorted[k], attribute), sorted[k]});
            }
        }
    });
    return items;
}

// Keeps the items whose object's flag equals `kept`, in their order.
void KeepObjects(std::vector<TValueDistList::Item>& items, const std::vector<char>& flags, char kept) {
    items.erase(std::remove_if(items.begin(), items.end(),
                               [&](const TValueDistList::Item& item) {
                                   return flags[static_cast<std::size_t>(item.object)] != kept;
                               }),
                items.end());
}

void CheckCondition(const TDataTable& table, int attribute) {
    if (attribute < 0 || attribute >= table.GetNoAttr()) throw CalcError(5);
}

}  // namespace

// ---------------------------------------------------------------------------------------
// TValueDistList

TValueDistList::TValueDistList(const TDataTable& table, int attribute)
    : table(table), attribute(attribute), width(table.GetNoDec() + 1) {}

void TValueDistList::Build(const std::vector<char>& flags) {
    BuildFromItems(ItemsInOrder(table, attribute, &flags), DecisionIndexes(table));
}

// Equal values are neighbours in an ascending order, so each run of them is one node.
void TValueDistList::BuildFromItems(const std::vector<Item>& items, const std::vector<int>& decIndex) {
    const std::size_t decisions = static_cast<std::size_t>(width) - 1;
    OrOutOfMemory([&] {
        values.clear();
        counts.clear();
        decCounts.clear();
        for (const Item& item : items) {
            const float v = item.value;
            if (values.empty() || v != values.back()) {
                values.push_back(v);
                counts.push_back(0);
                decCounts.resize(decCounts.size() + decisions, 0);
            }
            ++counts.back();
            ++decCounts[decCounts.size() - decisions + static_cast<std::size_t>(decIndex[static_cast<std::size_t>(item.object)])];
        }
        dists.assign(values.size() * static_cast<std::size_t>(width), -1.0f);
    });
    for (std::size_t node = 0; node < values.size(); ++node) {
        for (std::size_t d = 0; d < decisions; ++d) {
            dists[node * static_cast<std::size_t>(width) + d] =
                static_cast<float>(decCounts[node * decisions + d]) / static_cast<float>(counts[node]);
        }
    }
}

double TValueDistList::Distance(const float* a, const float* b) {
    double sum = 0.0;
    for (; *a != -1.0f; ++a, ++b) {
        const double d = static_cast<double>(*a) - static_cast<double>(*b);
        sum += d * d;
    }
    return std::sqrt(sum);
}

bool TValueDistList::MostFrequent(float& value, int& count) const {
    if (values.empty()) return false;
    std::size_t best = 0;
    for (std::size_t node = 1; node < values.size(); ++node) {
        if (counts[node] > counts[best]) best = node;
    }
    value = values[best];
    count = counts[best];
    return true;
}

int TValueDistList::Find(float value) const {
    const auto at = std::lower_bound(values.begin(), values.end(), value);
    if (at == values.end() || *at != value) return -1;
    return static_cast<int>(at - values.begin());
}

const float* TValueDistList::DistAt(float value) const {
    const int node = Find(value);
    return node < 0 ? nullptr : GetDist(node);
}

const float* TValueDistList::GetDist(int node) const {
    if (node < 0 || node >= GetNoNodes()) throw CalcError(5);
    return dists.data() + static_cast<std::size_t>(node) * static_cast<std::size_t>(width);
}

int TValueDistList::GetDecCount(int node, int decIndex) const {
    if (node < 0 || node >= GetNoNodes() || decIndex < 0 || decIndex >= width - 1) throw CalcError(5);
    return decCounts[static_cast<std::size_t>(node) * static_cast<std::size_t>(width - 1) + static_cast<std::size_t>(decIndex)];
}

// Every node before the value's own whose distribution is at least the threshold away moves
// the bound past it, so the bound ends just after the last such node.
float TValueDistList::LowerBound(float value, float threshold) const {
    const int at = Find(value);
    if (at < 0) return value;
    const float* own = GetDist(at);
    int candidate = 0;
    for (int node = 0; node < at; ++node) {
        if (Distance(GetDist(node), own) >= threshold) candidate = node + 1;
    }
    return values[static_cast<std::size_t>(candidate)];
}

float TValueDistList::UpperBound(float value, float threshold) const {
    const int at = Find(value);
    if (at < 0) return value;
    const float* own = GetDist(at);
    for (int node = at + 1; node < GetNoNodes(); ++node) {
        if (Distance(GetDist(node), own) >= threshold) return values[static_cast<std::size_t>(node) - 1];
    }
    return values.back();
}

// ---------------------------------------------------------------------------------------
// TFTemplSearch: builders and scorers

TFTemplSearch::TFTemplSearch(const TDataTable& table) : TFTemplSearch(table, 0, 0.0f) { intervals = 0; }

TFTemplSearch::TFTemplSearch(const TDataTable& table, int targetSize, float threshold)
    : table(table), decIndex(DecisionIndexes(table)), intervals(1), targetSize(targetSize), threshold(threshold) {
    OrOutOfMemory([&] {
        sortedItems.resize(static_cast<std::size_t>(table.GetNoAttr()));
        distinctValues.resize(static_cast<std::size_t>(table.GetNoAttr()));
        for (int a = 0; a < table.GetNoAttr(); ++a) {
            const std::size_t at = static_cast<std::size_t>(a);
            sortedItems[at] = ItemsInOrder(table, a, nullptr);
            for (const TValueDistList::Item& item : sortedItems[at]) {
                if (distinctValues[at].empty() || item.value != distinctValues[at].back()) {
                    distinctValues[at].push_back(item.value);
                }
            }
        }
    });
}

int TFTemplSearch::DistinctInRange(int attribute, float lo, float hi) const {
    const std::vector<float>& values = distinctValues[static_cast<std::size_t>(attribute)];
    const auto first = std::lower_bound(values.begin(), values.end(), lo);
    const auto last = std::upper_bound(values.begin(), values.end(), hi);
    return last > first ? static_cast<int>(last - first) : 0;
}

namespace {

// Around value v of the list: for a numeric attribute the interval between the bounds of
// its run of similar neighbours, otherwise every value whose distribution lies within the
// threshold of v's, in ascending order. A value no node holds stands alone.
TFDescriptor Grouped(bool numeric, const TValueDistList& list, float v, float threshold) {
    TFDescriptor d(list.GetAttr());
    if (numeric) {
        d.SetInterval(list.LowerBound(v, threshold), list.UpperBound(v, threshold));
        return d;
    }
    const float* own = list.DistAt(v);
    if (own == nullptr) {
        d.AddValue(v);
        return d;
    }
    for (int node = 0; node < list.GetNoNodes(); ++node) {
        const float x = list.GetValue(node);
        if (x == v || TValueDistList::Distance(list.GetDist(node), own) <= threshold) d.AddValue(x);
    }
    return d;
}

}  // namespace

TFDescriptor TFTemplSearch::SingleValueDescriptor(const TValueDistList& list) const {
    TFDescriptor d(list.GetAttr());
    float v = 0.0f;
    int count = 0;
    if (list.MostFrequent(v, count)) d.AddValue(v);
    return d;
}

TFDescriptor TFTemplSearch::GroupedDescriptor(bool numeric, const TValueDistList& list) const {
    float v = 0.0f;
    int count = 0;
    if (!list.MostFrequent(v, count)) return TFDescriptor(list.GetAttr());
    return Grouped(numeric, list, v, threshold);
}

TFDescriptor TFTemplSearch::SeedValueDescriptor(int attribute) const {
    TFDescriptor d(attribute);
    d.AddValue(table.GetValue(seed, attribute));
    return d;
}

TFDescriptor TFTemplSearch::SeedGroupedDescriptor(bool numeric, int attribute, const TValueDistList& list) const {
    return Grouped(numeric, list, table.GetValue(seed, attribute), threshold);
}

// The objects matched (and, seeded, those among them with the seed's decision) are summed
// over the nodes: a descriptor matches an object by its value alone. An interval is weighed
// by the distinct table values it holds, a list by its length.
double TFTemplSearch::Evaluate(int attribute, const std::vector<TValueDistList::Item>& items, bool seeded,
                               TFDescriptor& descriptor) const {
    TValueDistList list(table, attribute);
    list.BuildFromItems(items, decIndex);
    const bool numeric = table.GetAttrType(attribute) != 0;
    if (seeded) {
        descriptor = intervals != 0 ? SeedGroupedDescriptor(numeric, attribute, list) : SeedValueDescriptor(attribute);
    } else {
        descriptor = intervals != 0 ? GroupedDescriptor(numeric, list) : SingleValueDescriptor(list);
    }
    const int seedDec = seeded ? decIndex[static_cast<std::size_t>(seed)] : -1;
    long long n = 0;
    long long m = 0;
    for (int node = 0; node < list.GetNoNodes(); ++node) {
        if (!descriptor.MatchesValue(list.GetValue(node))) continue;
        n += list.GetCount(node);
        if (seeded) m += list.GetDecCount(node, seedDec);
    }
    if (intervals == 0) return static_cast<double>(n);
    const long long k = descriptor.IsInterval() == 1
                            ? DistinctInRange(attribute, descriptor.GetLow(), descriptor.GetHigh())
                            : descriptor.GetValueCount();
    if (k == 0) return 0.0;
    if (!seeded) return static_cast<double>(n) / static_cast<double>(k);
    if (n == 0) return 0.0;
    return static_cast<double>(m) * static_cast<double>(m) / (static_cast<double>(k) * static_cast<double>(n));
}

double TFTemplSearch::EvaluateAttribute(int attribute, const std::vector<char>& flags, TFDescriptor& descriptor) const {
    CheckCondition(table, attribute);
    return Evaluate(attribute, ItemsInOrder(table, attribute, &flags), false, descriptor);
}

double TFTemplSearch::EvaluateAttributeForSeed(int attribute, const std::vector<char>& flags,
                                               TFDescriptor& descriptor) const {
    CheckCondition(table, attribute);
    if (seed < 0 || seed >= table.GetNoObj()) throw CalcError(5);
    return Evaluate(attribute, ItemsInOrder(table, attribute, &flags), true, descriptor);
}

double TFTemplSearch::Purity(double a, double b) { return a + b == 0.0 ? 0.0 : a * a / (a + b); }

double TFTemplSearch::Share(double n, double k) { return n == 0.0 ? 0.0 : k / n; }

double TFTemplSearch::Power(double x, double y) { return std::pow(x, y); }

// ---------------------------------------------------------------------------------------
// TFTemplSearch: growing one set

struct TFTemplSearch::Candidate {
    int attribute = -1;
    double quality = 0.0;
    TFDescriptor descriptor;
};

// The state of one growing set: which attributes are still free, the objects in play kept
// in ascending order of every free attribute (so that an evaluation walks them without a
// sort and a step narrows them in one pass), and the objects of the whole table the set
// matches so far (its count is the set's count, and a new descriptor only filters it).
class TFTemplSearch::Growth {
public:
    using Items = std::vector<TValueDistList::Item>;

    // `start`: every attribute's objects in play, ascending in it. They are read from there
    // until the first step narrows them, so a set that stops at once copies nothing.
    Growth(const TDataTable& table, const std::vector<Items>& start, std::vector<char> freeAttr)
        : table(table), freeAttr(std::move(freeAttr)), start(start) {
        const int n = table.GetNoObj();
        OrOutOfMemory([&] {
            matched.resize(static_cast<std::size_t>(n));
            for (int o = 0; o < n; ++o) matched[static_cast<std::size_t>(o)] = o;
            mark.assign(static_cast<std::size_t>(n), 0);
        });
    }

    int NoAttr() const { return static_cast<int>(freeAttr.size()); }
    bool IsFree(int a) const { return freeAttr[static_cast<std::size_t>(a)] != 0; }
    bool AnyFree() const { return std::find(freeAttr.begin(), freeAttr.end(), 1) != freeAttr.end(); }
    const Items& InPlay(int a) const {
        return narrowed ? inPlay[static_cast<std::size_t>(a)] : start[static_cast<std::size_t>(a)];
    }
    const std::vector<int>& Matched() const { return matched; }

    std::vector<int> MatchedWith(const TFDescriptor& d) const {
        std::vector<int> kept;
        OrOutOfMemory([&] {
            for (const int o : matched) {
                if (d.Matches(table, o)) kept.push_back(o);
            }
        });
        return kept;
    }

    void Consume(int a) {
        freeAttr[static_cast<std::size_t>(a)] = 0;
        if (narrowed) Items().swap(inPlay[static_cast<std::size_t>(a)]);
    }

    // The step stands: the set now matches `now` (the objects it matched that also match the
    // new descriptor), and the objects in play are those of them still in play.
    void Narrow(std::vector<int> now) {
        matched = std::move(now);
        for (const int o : matched) mark[static_cast<std::size_t>(o)] = 1;
        OrOutOfMemory([&] {
            if (!narrowed) inPlay.resize(freeAttr.size());
            for (std::size_t a = 0; a < freeAttr.size(); ++a) {
                if (freeAttr[a] == 0) continue;
                if (narrowed) {
                    KeepObjects(inPlay[a], mark, 1);
                    continue;
                }
                for (const TValueDistList::Item& item : start[a]) {
                    if (mark[static_cast<std::size_t>(item.object)] != 0) inPlay[a].push_back(item);
                }
            }
        });
        narrowed = true;
        for (const int o : matched) mark[static_cast<std::size_t>(o)] = 0;
    }

private:
    const TDataTable& table;
    std::vector<char> freeAttr;
    const std::vector<Items>& start;
    bool narrowed = false;
    std::vector<Items> inPlay;  // per free attribute, ascending in it, once narrowed
    std::vector<int> matched;
    std::vector<char> mark;
};

// The free attribute with the strictly largest quality; the first on ties.
TFTemplSearch::Candidate TFTemplSearch::BestCandidate(const Growth& growth, bool seeded) const {
    Candidate best;
    for (int a = 0; a < growth.NoAttr(); ++a) {
        if (!growth.IsFree(a)) continue;
        TFDescriptor d;
        const double quality = Evaluate(a, growth.InPlay(a), seeded, d);
        if (best.attribute < 0 || quality > best.quality) {
            best.attribute = a;
            best.quality = quality;
            best.descriptor = std::move(d);
        }
    }
    return best;
}

int TFTemplSearch::Target() const {
    const int n = table.GetNoObj();
    return n > targetSize ? targetSize : n - 1;
}

// An empty set matches nothing: its count is 0 whatever the growth counted.
void TFTemplSearch::Finish(TFTemplSet& set, const std::vector<int>& matched, int decIndex) const {
    const int n = table.GetNoObj();
    std::vector<char> flags;
    OrOutOfMemory([&] { flags.assign(static_cast<std::size_t>(n), 0); });
    const bool matches = set.GetNoDescriptors() > 0;
    if (matches) {
        for (const int o : matched) flags[static_cast<std::size_t>(o)] = 1;
    }
    const int objectCount = matches ? static_cast<int>(matched.size()) : 0;
    set.SetNoObj(objectCount);
    set.CountDecisions(flags, table);
    if (decIndex < 0) {
        decIndex = set.MajorityDecision();
        if (table.GetNoDec() > 0) set.SetDecValue(table.GetDecValue(decIndex));
    }
    const int right = set.GetDecisionCounts()[static_cast<std::size_t>(decIndex)];
    set.SetAccuracy(objectCount == 0 ? 0.0f : static_cast<float>(right) / static_cast<float>(objectCount));
}

// Each step adds the best descriptor at the next level; it stays while it narrows the
// set (towards the target, never below it). The active level follows the growth, so the
// count of every step is that of all descriptors kept.
std::unique_ptr<TFTemplSet> TFTemplSearch::SearchTemplSet(const std::vector<char>& excluded) const {
    if (excluded.size() < static_cast<std::size_t>(table.GetNoObj())) throw CalcError(5);
    std::vector<std::vector<TValueDistList::Item>> inPlay = sortedItems;
    for (auto& items : inPlay) KeepObjects(items, excluded, 0);
    return GrowTemplSet(inPlay);
}

std::unique_ptr<TFTemplSet> TFTemplSearch::GrowTemplSet(const std::vector<std::vector<TValueDistList::Item>>& inPlay) const {
    const int n = table.GetNoObj();
    Growth growth(table, inPlay, std::vector<char>(static_cast<std::size_t>(table.GetNoAttr()), 1));
    auto set = OrOutOfMemory([] { return std::make_unique<TFTemplSet>(); });
    const int target = Target();
    int count = n + 1;
    int level = 0;
    while (growth.AnyFree() && (target <= 0 || count > target)) {
        Candidate best = BestCandidate(growth, false);
        if (!(best.quality > 0.0)) break;
        const int previous = count;
        std::vector<int> now = growth.MatchedWith(best.descriptor);
        count = static_cast<int>(now.size());
        ++level;
        best.descriptor.SetLevel(level);
        best.descriptor.SetObjects(count);
        const std::size_t at = set->AddDescriptor(std::move(best.descriptor));
        set->SetLevel(level);
        if (!(count < previous && (target <= 0 || count >= target))) {
            set->RemoveDescriptorAt(at);
            set->SetLevel(--level);
            count = previous;
            break;
        }
        growth.Consume(best.attribute);
        growth.Narrow(std::move(now));
    }
    set->SetBestLevel(level);
    Finish(*set, growth.Matched(), -1);
    return set;
}

// Only attributes with more than one value in the table are tried, each once. Without a
// target a step stands when it narrows the set, by no more than nine tenths unless it is
// the first, and does not shrink the set's weighted size; with a target it stands when it
// narrows the set and stays above the target. A step that does not stand is taken back.
std::unique_ptr<TFTemplSet> TFTemplSearch::SearchRule() const {
    const int n = table.GetNoObj();
    if (seed < 0 || seed >= n) throw CalcError(5);
    std::vector<char> freeAttr(static_cast<std::size_t>(table.GetNoAttr()), 0);
    for (int a = 0; a < table.GetNoAttr(); ++a) freeAttr[static_cast<std::size_t>(a)] = table.GetAttrRange(a) > 1 ? 1 : 0;
    Growth growth(table, sortedItems, std::move(freeAttr));
    auto set = OrOutOfMemory([] { return std::make_unique<TFTemplSet>(); });
    set->SetDecValue(table.GetDecision(seed));
    const int target = Target();
    int count = n + 1;
    int level = 0;
    double largest = 0.0;
    while (growth.AnyFree() && (target <= 0 || count > target)) {
        Candidate best = BestCandidate(growth, true);
        if (!(best.quality > 0.0)) break;
        growth.Consume(best.attribute);
        const bool first = set->GetNoDescriptors() == 0;
        const int previousObjects = set->GetNoObj();
        std::vector<int> now = growth.MatchedWith(best.descriptor);
        const int newCount = static_cast<int>(now.size());
        best.descriptor.SetLevel(level + 1);
        best.descriptor.SetObjects(newCount);
        const std::size_t at = set->AddDescriptor(std::move(best.descriptor));
        set->SetBestLevel(level + 1);
        set->SetLevel(level + 1);
        set->SetNoObj(newCount);
        bool stands = newCount < count;
        if (target <= 0) {
            stands = stands && (first || newCount >= 0.1 * count);
            if (stands) {
                const double size = set->Size(table, intervals);
                stands = size >= largest;
                if (stands) largest = size;
            }
        } else {
            stands = stands && newCount > target;
        }
        if (!stands) {
            set->RemoveDescriptorAt(at);
            set->SetBestLevel(level);
            set->SetLevel(level);
            set->SetNoObj(previousObjects);
            continue;
        }
        ++level;
        count = newCount;
        growth.Narrow(std::move(now));
    }
    Finish(*set, growth.Matched(), table.GetDecIndex(set->GetDecValue()));
    return set;
}

// ---------------------------------------------------------------------------------------
// TFTemplSearch: drivers

namespace {

// Marks the uncovered objects the set matches; returns how many there were.
int CoverWith(const TFTemplSet& set, const TDataTable& table, std::vector<char>& covered) {
    int newly = 0;
    for (int o = 0; o < table.GetNoObj(); ++o) {
        if (covered[static_cast<std::size_t>(o)] == 0 && set.Matches(table, o)) {
            covered[static_cast<std::size_t>(o)] = 1;
            ++newly;
        }
    }
    return newly;
}

}  // namespace

TFTemplSetList TFTemplSearch::CoverWithTemplates() {
    const int n = table.GetNoObj();
    WriteStdoutLine("Number of objects: " + std::to_string(n));
    TFTemplSetList list;
    std::vector<char> covered(static_cast<std::size_t>(n), 0);
    // The uncovered objects in every attribute's order, thinned after each pass, so that a
    // pass starts from what is left rather than from the whole table.
    std::vector<std::vector<TValueDistList::Item>> uncovered = sortedItems;
    int left = n;
    for (int pass = 1; left > 0; ++pass) {
        WriteStdoutLine("Searching for " + std::to_string(pass) + "-th template");
        std::unique_ptr<TFTemplSet> set = GrowTemplSet(uncovered);
        const int newly = CoverWith(*set, table, covered);
        for (auto& items : uncovered) KeepObjects(items, covered, 0);
        left -= newly;
        list.InsertByObjCount(std::move(set));
        WriteStdoutLine("Rest of objects: " + std::to_string(left));
        if (newly == 0) break;
    }
    list.PruneToCover(table);
    return list;
}

TFTemplSetList TFTemplSearch::CoverBySeeds(const std::function<int(const std::vector<char>& covered)>& pick,
                                           const std::function<void(const TFTemplSet& set)>& seen) {
    const int n = table.GetNoObj();
    TFTemplSetList list;
    std::vector<char> covered(static_cast<std::size_t>(n), 0);
    int left = n;
    for (int pass = 1; left > 0; ++pass) {
        WriteStdout(std::to_string(pass) + "\r");
        seed = pick(covered);
        std::unique_ptr<TFTemplSet> set = SearchRule();
        seen(*set);
        const int newly = CoverWith(*set, table, covered);
        left -= newly;
        list.InsertByObjCount(std::move(set));
        if (newly == 0) break;
    }
    list.PruneToCover(table);
    return list;
}

// Each pass seeds at the object farthest from every set found so far.
TFTemplSetList TFTemplSearch::CoverByDistance() {
    WriteStdoutLine("Searching for a template set...");
    const int n = table.GetNoObj();
    std::vector<double> distance(static_cast<std::size_t>(n) + 1, 1.0);
    distance.back() = -1.0;
    return CoverBySeeds(
        [&](const std::vector<char>&) {
            return static_cast<int>(std::max_element(distance.begin(), distance.end() - 1) - distance.begin());
        },
        [&](const TFTemplSet& set) {
            for (int o = 0; o < n; ++o) {
                double& d = distance[static_cast<std::size_t>(o)];
                d = std::min(d, set.Distance(table, o));
            }
        });
}

// Each pass seeds at the uncovered object that shares most values with the others.
TFTemplSetList TFTemplSearch::CoverByWeights() {
    WriteStdoutLine("Searching for a template set...");
    const std::vector<float> weights = table.CountObjWeights();
    return CoverBySeeds(
        [&](const std::vector<char>& covered) {
            int best = -1;
            for (int o = 0; o < table.GetNoObj(); ++o) {
                if (covered[static_cast<std::size_t>(o)] != 0) continue;
                if (best < 0 || weights[static_cast<std::size_t>(o)] > weights[static_cast<std::size_t>(best)]) best = o;
            }
            return best;
        },
        [](const TFTemplSet&) {});
}

TFTemplSetList TFTemplSearch::RulesForObjects(int count) {
    WriteStdoutLine("Number of objects: ");
    TFTemplSetList list;
    const int rules = std::min(count, table.GetNoObj());
    for (int k = 1; k <= rules; ++k) {
        WriteStdoutLine("Searching for " + std::to_string(k) + "-th rule");
        seed = k - 1;
        list.InsertByObjCount(SearchRule());
    }
    return list;
}

// ---------------------------------------------------------------------------------------
// File drivers

namespace {

void SearchToFile(const TFSearchFiles& files, const TFSearchParams& params,
                  const std::function<TFTemplSetList(TFTemplSearch&)>& run) {
    const std::unique_ptr<TDataTable> table =
        files.typesFile != nullptr ? std::make_unique<TDataTable>(files.tableFile, files.typesFile)
                                   : std::make_unique<TDataTable>(files.tableFile);
    TFTemplSearch search = params.intervals != 0 ? TFTemplSearch(*table, params.targetSize, params.threshold)
                                                 : TFTemplSearch(*table);
    run(search).Save(files.listFile);
}

}  // namespace

void CoverWithTemplatesToFile(const TFSearchFiles& files, const TFSearchParams& params) {
    SearchToFile(files, params, [](TFTemplSearch& s) { return s.CoverWithTemplates(); });
}

void CoverByDistanceToFile(const TFSearchFiles& files, const TFSearchParams& params) {
    SearchToFile(files, params, [](TFTemplSearch& s) { return s.CoverByDistance(); });
}

void CoverByWeightsToFile(const TFSearchFiles& files, const TFSearchParams& params) {
    SearchToFile(files, params, [](TFTemplSearch& s) { return s.CoverByWeights(); });
}

void RulesForObjectsToFile(const TFSearchFiles& files, const TFSearchParams& params, int count) {
    SearchToFile(files, params, [count](TFTemplSearch& s) { return s.RulesForObjects(count); });
}
