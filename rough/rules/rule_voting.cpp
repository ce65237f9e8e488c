#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "core/alloc_guard.h"
#include "core/decision_values.h"
#include "core/random.h"
#include "core/report.h"
#include "core/table.h"
#include "core/tree_walk.h"
#include "rough/rules/rul_memory.h"
#include "rough/rules/rule_matcher.h"

using tree_walk::VisitPreOrder;

namespace {

constexpr int kNotRead = -2;  // s(r) not read yet
constexpr int kNoTree = -1;   // the rule has no positive object tree

int Decision(const TTable& t, int o) { return t.GetTable(o, t.GetNoAttr() - 1); }

// s(r), the number of distinct objects in the rule's positive object tree, remembered after
// the first read. A rule without a tree warns at every read, as the accessor does.
int PositiveObjects(const TRuleComp& r, int& remembered) {
    if (remembered >= 0) return remembered;
    const TIntTree* tree = r.GetRecPosObjInfo();
    remembered = tree == nullptr ? kNoTree : tree->GetNoNodes();
    return std::max(remembered, 0);
}

void AppendKeys(const TIntTree& tree, std::vector<int>& keys) {
    OrOutOfMemory([&] { VisitPreOrder(&tree, [&](const TIntTree& node) { keys.push_back(node.GetKey()); }); });
}

// The number of distinct values; the list is sorted on the way.
int DistinctCount(std::vector<int>& keys) {
    std::sort(keys.begin(), keys.end());
    return static_cast<int>(std::unique(keys.begin(), keys.end()) - keys.begin());
}

// The number of distinct objects in the positive object trees of the rules.
int CoveredObjects(const std::vector<const TRuleComp*>& voters) {
    std::vector<int> keys;
    for (const TRuleComp* r : voters) {
        if (const TIntTree* tree = r->GetRecPosObjInfo()) AppendKeys(*tree, keys);
    }
    return DistinctCount(keys);
}

// The objects covered by the voting rules of a class depend on those rules alone, and objects
// alike are voted for by the same rules: over a table each list of voters is counted once.
// The lists kept are bounded; past that, a list is counted every time. A rule without a tree
// warns at each read, so a known count still reads the missing trees of its voters.
//
// A count walks the voters' trees once each (kept flat up to a bound, as a table's objects
// meet the same rules again and again) and marks their objects, so that no list of all the
// keys is sorted: keys that are no object number of a table in memory (negative, or from a
// file) are sorted apart, giving the same number of distinct keys.
class CoveredCounts {
public:
    int Of(const std::vector<const TRuleComp*>& voters) {
        auto at = counts.find(voters);
        if (at != counts.end()) {
            for (const TRuleComp* r : voters) {
                if (r->PosObjInfoIfAny() == nullptr) r->GetRecPosObjInfo();
            }
            return at->second;
        }
        const int n = Count(voters);
        if (kept + voters.size() <= kMaxKept) {
            OrOutOfMemory([&] { counts.emplace(voters, n); });
            kept += voters.size();
        }
        return n;
    }

private:
    static constexpr size_t kMaxKept = size_t{1} << 22;
    static constexpr size_t kMaxFlatKeys = size_t{1} << 24;
    static constexpr int kMarkedKeys = 1 << 20;

    int Count(const std::vector<const TRuleComp*>& voters) {
        if (++stamp == 0) {
            std::fill(marks.begin(), marks.end(), 0);
            stamp = 1;
        }
        int distinct = 0;
        apart.clear();
        for (const TRuleComp* r : voters) {
            const TIntTree* tree = r->GetRecPosObjInfo();
            if (tree == nullptr) continue;
            for (int key : KeysOf(r, *tree)) {
                if (key < 0 || key >= kMarkedKeys) {
                    OrOutOfMemory([&] { apart.push_back(key); });
                    continue;
                }
                if (static_cast<size_t>(key) >= marks.size()) {
                    OrOutOfMemory([&] { marks.resize(std::max(marks.size() * 2, static_cast<size_t>(key) + 1)); });
                }
                uint32_t& mark = marks[static_cast<size_t>(key)];
                if (mark == stamp) continue;
                mark = stamp;
                ++distinct;
            }
        }
        return distinct + DistinctCount(apart);
    }

    const std::vector<int>& KeysOf(const TRuleComp* r, const TIntTree& tree) {
        auto at = flat.find(r);
        if (at != flat.end()) return at->second;
        scratch.clear();
        AppendKeys(tree, scratch);
        if (flatKeys + scratch.size() > kMaxFlatKeys) return scratch;
        flatKeys += scratch.size();
        return OrOutOfMemory([&]() -> const std::vector<int>& { return flat.emplace(r, std::move(scratch)).first->second; });
    }

    std::map<std::vector<const TRuleComp*>, int> counts;
    size_t kept = 0;
    std::unordered_map<const TRuleComp*, std::vector<int>> flat;
    size_t flatKeys = 0;
    std::vector<int> scratch;
    std::vector<uint32_t> marks;
    uint32_t stamp = 0;
    std::vector<int> apart;
};

// Whether the rule matches the object: tested on the spot, or known from a RuleMatcher.
enum class Match { Test, Yes, No };

// One rule of the class being scored, looked at for one object.
struct Ballot {
    const TRuleComp& rule;
    int& support;  // s(r) as far as read
    const TTable& t;
    int o;
    double h;
    int kind;
    Match match = Match::Test;

    bool Matches() const { return match == Match::Test ? rule.TestObj(t, o) != 0 : match == Match::Yes; }
    bool Votes() const { return Matches() && (h <= 0.0 || rule.CheckWeight(kind, h)); }
    int S() const { return PositiveObjects(rule, support); }
};

// What one method gathers from the rules of one class, in walk order, for one object.
class Tally {
public:
    // covered: where method 2 counts its objects (null: counted on the spot).
    explicit Tally(int method, CoveredCounts* covered = nullptr) : method(method), counts(covered) {}

    // The divisor of methods 0 and 8 takes every rule of the class, whether it matches or
    // not: the same for every object. Known beforehand, it is taken as it is, and the rules
    // added after this add their votes only.
    void StartFrom(double knownTotal) {
        total = knownTotal;
        totalKnown = true;
    }
    double Total() const { return total; }

    void Add(const Ballot& b) {
        const TRuleComp& r = b.rule;
        const double w = r.GetWeight();
        switch (method) {
            case 0: {
                // The divisor takes every rule of the class, whether it matches or not.
                const int s = b.S();
                if (s > 0 && !totalKnown) total += s;
                if (b.Votes()) sum += s;
                break;
            }
            case 1:
                if (b.Votes()) sum = std::max(sum, static_cast<double>(b.S()));
                break;
            case 2:
                if (b.Votes()) OrOutOfMemory([&] { voters.push_back(&r); });
                break;
            case 3:
                if (b.Votes()) sum = std::max(sum, w);
                break;
            case 4:
                if (b.Votes() && w > 0.0) sum = sum + w - sum * w;
                break;
            case 5: {
                // Partial matches count, and no threshold applies.
                const int p = r.GetPosSupport();
                if (p <= 0) break;
                const int holding = r.TestObjEx(b.t, b.o);
                if (holding > 0) sum += static_cast<double>(p) * r.GetBlock()->GetNoDesc() * holding;
                break;
            }
            case 7:
                if (b.Votes() && w > 0.0) {
                    const int s = b.S();
                    if (s > 0) sum = std::max(sum, s * w);
                }
                break;
            case 8:
                if (w > 0.0) {
                    const int s = b.S();
                    if (s <= 0) break;
                    if (!totalKnown) total += s * w;
                    if (b.Votes()) sum += s * w;
                }
                break;
            default:
                break;
        }
    }

    // The score before any division by the class size.
    double Raw() {
        switch (method) {
            case 0:
            case 8:
                return total > 0.0 ? sum / total : 0.0;
            case 2:
                return counts != nullptr ? counts->Of(voters) : CoveredObjects(voters);
            default:
                return sum;
        }
    }

private:
    int method;
    double sum = 0.0;
    double total = 0.0;
    bool totalKnown = false;
    std::vector<const TRuleComp*> voters;
    CoveredCounts* counts;
};

// Methods 1, 2 and 7 weigh their raw score by the class size |d|; a class without objects
// scores 0 (a division by it would make the score infinite or NaN).
double ScoreOf(int method, double raw, int classSize) {
    switch (method) {
        case 1:
        case 2:
        case 7:
            if (raw > 0.0) return classSize > 0 ? raw / classSize : 0.0;
            return raw;
        case 0:
        case 3:
        case 4:
        case 5:
        case 8:
            return raw;
        default:
            return 0.0;
    }
}

// The methods a single object is classified by; method 5 belongs to whole tables only.
bool ObjectMethod(int method) { return method >= 0 && method <= 8 && method != 5 && method != 6; }

// The raw score of decision d over the rules of a subtree, in walk order.
double ClassTally(const TLeaf* root, int method, const TTable& t, int o, int d, double h, int kind) {
    Tally tally(method);
    VisitPreOrder(root, [&](const TLeaf& node) {
        const TRuleComp* r = node.GetRule();
        if (r == nullptr || r->GetDecision() != d) return;
        int support = kNotRead;
        tally.Add(Ballot{*r, support, t, o, h, kind});
    });
    return tally.Raw();
}

struct Choice {
    int predicted = TRulMemory::NotSet;
    double best = 0.0;
};

// The class of the highest score above 0. Each further class scoring the best again takes
// over with probability 1 / (number of such classes after the first): the first equal one
// always (RandomInt(1) is still drawn), the next one half of the time, and so on.
Choice ChooseClass(const TDValInfo& info, const std::vector<double>& scores) {
    Choice c;
    int ties = 0;
    for (int k = 0; k < info.GetNoDecVal(); ++k) {
        const double score = scores[static_cast<size_t>(k)];
        if (score > c.best) {
            c.predicted = info.GetDecVal(k);
            c.best = score;
            ties = 0;
        } else if (score > 0.0 && score == c.best) {
            ++ties;
            if (RandomInt(ties) == 0) c.predicted = info.GetDecVal(k);
        }
    }
    return c;
}

// The stored rules in walk order, each with the class of info it votes for and its s(r)
// once read: a table is classified with one pass over them per object instead of a walk of
// the tree per class, and each s(r) is counted once. Every class's sums keep the walk order,
// so the scores are those of the walks.
//
// Over a whole table a RuleMatcher finds each object's matching rules, and only those are
// added to the tallies, in walk order, each class's tally starting from the divisor of
// methods 0 and 8, summed once in walk order (it does not depend on the object). The rules
// left out would have added nothing else: every vote asks Votes(), whose test fails for
// them, before a threshold is looked at. Method 5 counts partial matches and keeps the
// pass over every rule; so do methods 0 and 8 when a rule has no object tree (each read of
// its s(r) warns in the LOG, for every object, where the divisor is summed once), and
// whatever the matcher does not take. Methods 1 and 7 read s(r) of voting rules only, so
// their warnings come in the same number and order either way.
class VotingRules {
public:
    // whole: the table whose objects are to be scored one after the other, for the matcher
    // (none for a single object, which would not repay building one).
    VotingRules(const TLeaf* root, const TDValInfo& info, const TTable* whole = nullptr) : whole(whole) {
        const int classes = info.GetNoDecVal();
        OrOutOfMemory([&] {
            for (int k = 0; k < classes; ++k) {
                const int d = info.GetDecVal(k);
                for (int j = 0; j < k; ++j) {
                    if (info.GetDecVal(j) == d) distinctClasses = false;
                }
            }
            VisitPreOrder(root, [&](const TLeaf& node) {
                const TRuleComp* r = node.GetRule();
                if (r == nullptr) return;
                int klass = -1;
                for (int k = 0; k < classes && klass < 0; ++k) {
                    if (info.GetDecVal(k) == r->GetDecision()) klass = k;
                }
                if (klass >= 0) rules.push_back(Entry{r, klass, kNotRead});
            });
        });
    }

    // Every class's score for object o; class k's rules vote under thresholds[k] (none when
    // thresholds is null).
    void Scores(const TDValInfo& info, int method, const TTable& t, int o, const double* thresholds, int kind,
                std::vector<double>& scores) {
        const int classes = info.GetNoDecVal();
        OrOutOfMemory([&] { scores.assign(static_cast<size_t>(classes), 0.0); });
        if (!distinctClasses) {
            // Two classes of one decision value share their rules: each gets its own pass.
            for (int k = 0; k < classes; ++k) {
                scores[static_cast<size_t>(k)] = Score(info, k, method, t, o, thresholds, kind);
            }
            return;
        }
        std::vector<Tally> tallies =
            OrOutOfMemory([&] { return std::vector<Tally>(static_cast<size_t>(classes), Tally(method, &covered)); });
        if (Indexed(info, method, t, o)) {
            if (SumsOverEveryRule(method)) {
                for (int k = 0; k < classes; ++k) tallies[static_cast<size_t>(k)].StartFrom(totals[static_cast<size_t>(k)]);
            }
            for (int p : matcher->Match(t, o)) {
                Entry& e = rules[static_cast<size_t>(p)];
                const Ballot b{*e.rule, e.support, t, o, ThresholdOf(e.klass, thresholds), kind, Match::Yes};
                tallies[static_cast<size_t>(e.klass)].Add(b);
            }
        } else {
            for (Entry& e : rules) {
                const Ballot b{*e.rule, e.support, t, o, ThresholdOf(e.klass, thresholds), kind};
                tallies[static_cast<size_t>(e.klass)].Add(b);
            }
        }
        for (int k = 0; k < classes; ++k) {
            scores[static_cast<size_t>(k)] = ScoreOf(method, tallies[static_cast<size_t>(k)].Raw(), info.GetDCNoObj(k));
        }
    }

    // The score of class k alone.
    double Score(const TDValInfo& info, int k, int method, const TTable& t, int o, const double* thresholds, int kind) {
        const int d = info.GetDecVal(k);
        Tally tally(method, &covered);
        if (Indexed(info, method, t, o)) {
            if (SumsOverEveryRule(method)) tally.StartFrom(totals[static_cast<size_t>(k)]);
            for (int p : matcher->Match(t, o)) {
                Entry& e = rules[static_cast<size_t>(p)];
                if (e.rule->GetDecision() == d) {
                    tally.Add(Ballot{*e.rule, e.support, t, o, ThresholdOf(k, thresholds), kind, Match::Yes});
                }
            }
        } else {
            for (Entry& e : rules) {
                if (e.rule->GetDecision() == d) {
                    tally.Add(Ballot{*e.rule, e.support, t, o, ThresholdOf(k, thresholds), kind});
                }
            }
        }
        return ScoreOf(method, tally.Raw(), info.GetDCNoObj(k));
    }

private:
    static bool SumsOverEveryRule(int method) { return method == 0 || method == 8; }

    // Whether object o is scored through the matcher; the divisors of the method are then in
    // totals, one per class of info.
    bool Indexed(const TDValInfo& info, int method, const TTable& t, int o) {
        if (whole == nullptr || !ObjectMethod(method)) return false;
        if (!built) {
            built = true;
            std::vector<const TBlock*> blocks;
            OrOutOfMemory([&] {
                blocks.reserve(rules.size());
                for (const Entry& e : rules) {
                    blocks.push_back(e.rule->BlockIfAny());
                    if (e.rule->PosObjInfoIfAny() == nullptr) everyTree = false;
                }
            });
            matcher = RuleMatcher::Build(blocks, *whole);
        }
        if (matcher == nullptr || !matcher->Serves(t, o)) return false;
        if (!SumsOverEveryRule(method)) return true;
        if (!everyTree) return false;
        if (totalsMethod != method) {
            // Each class's divisor as an object's tally sums it: the rules of its decision in
            // walk order, none of them matching.
            OrOutOfMemory([&] { totals.assign(static_cast<size_t>(info.GetNoDecVal()), 0.0); });
            for (int k = 0; k < info.GetNoDecVal(); ++k) {
                Tally tally(method);
                for (Entry& e : rules) {
                    if (e.rule->GetDecision() == info.GetDecVal(k)) {
                        tally.Add(Ballot{*e.rule, e.support, t, o, 0.0, 0, Match::No});
                    }
                }
                totals[static_cast<size_t>(k)] = tally.Total();
            }
            totalsMethod = method;
        }
        return true;
    }

    static double ThresholdOf(int k, const double* thresholds) {
        return thresholds == nullptr ? 0.0 : thresholds[k];
    }

    struct Entry {
        const TRuleComp* rule;
        int klass;
        int support;
    };
    std::vector<Entry> rules;
    bool distinctClasses = true;
    CoveredCounts covered;

    const TTable* whole;
    bool built = false;
    std::unique_ptr<RuleMatcher> matcher;
    bool everyTree = true;
    std::vector<double> totals;
    int totalsMethod = -1;
};

// Object o classified as ClassifyObject does it, the scores left in info.
int ClassifyWith(VotingRules& rules, TDValInfo& info, int method, const TTable& t, int o, int& predicted) {
    std::vector<double> scores;
    if (ObjectMethod(method)) {
        rules.Scores(info, method, t, o, nullptr, 0, scores);
    } else {
        scores.assign(static_cast<size_t>(info.GetNoDecVal()), 0.0);
    }
    for (int k = 0; k < info.GetNoDecVal(); ++k) info.SetDecInfo(k, scores[static_cast<size_t>(k)]);
    const Choice c = ChooseClass(info, scores);
    predicted = c.predicted;
    if (c.best <= 0.0) return -1;
    return Decision(t, o) == c.predicted ? 1 : 0;
}

// The per-class thresholds of a table classification: none with kind -1 or for method 5.
std::vector<double> TableThresholds(const TDValInfo& info, int method, int kind, const double* thresholds) {
    std::vector<double> h(static_cast<size_t>(info.GetNoDecVal()), 0.0);
    if (kind != -1 && method != 5 && thresholds != nullptr) {
        for (size_t k = 0; k < h.size(); ++k) h[k] = thresholds[k];
    }
    return h;
}

// The start of a table classification: every class's distribution and coverage entry
// 0.0; then each object's choice, in table order, goes to `each`(object, choice).
template <class Each>
void ChooseForEachObject(const TLeaf* root, TDValInfo& info, int method, const TTable& t, int kind,
                         const double* thresholds, Each each) {
    for (int k = 0; k < info.GetNoDecVal(); ++k) {
        info.SetDecInfo(k, 0.0);
        info.SetDecValCov(k, 0.0);
    }
    const std::vector<double> h = TableThresholds(info, method, kind, thresholds);
    VotingRules rules(root, info, &t);
    std::vector<double> scores;
    for (int o = 0; o < t.GetNoObj(); ++o) {
        CheckBreak();
        rules.Scores(info, method, t, o, h.data(), kind, scores);
        each(o, ChooseClass(info, scores));
    }
}

}  // namespace

// ---- TLeaf

double TLeaf::VoteSumSupport(const TTable& t, int o, int d, double h, int kind) const {
    return ClassTally(this, 0, t, o, d, h, kind);
}

double TLeaf::VoteMaxSupport(const TTable& t, int o, int d, double h, int kind) const {
    return ClassTally(this, 1, t, o, d, h, kind);
}

void TLeaf::CollectCoveredObjects(const TTable& t, int o, int d, double h, int kind, std::vector<int>& objects) const {
    VisitPreOrder(this, [&](const TLeaf& node) {
        const TRuleComp* r = node.GetRule();
        if (r == nullptr || r->GetDecision() != d) return;
        int support = kNotRead;
        if (!Ballot{*r, support, t, o, h, kind}.Votes()) return;
        if (const TIntTree* tree = r->GetRecPosObjInfo()) AppendKeys(*tree, objects);
    });
}

double TLeaf::VoteMaxWeight(const TTable& t, int o, int d, double h, int kind) const {
    return ClassTally(this, 3, t, o, d, h, kind);
}

double TLeaf::VoteProbSum(const TTable& t, int o, int d, double h, int kind) const {
    return ClassTally(this, 4, t, o, d, h, kind);
}

double TLeaf::VoteMaxSupportWeight(const TTable& t, int o, int d, double h, int kind) const {
    return ClassTally(this, 7, t, o, d, h, kind);
}

double TLeaf::VoteSumSupportWeight(const TTable& t, int o, int d, double h, int kind) const {
    return ClassTally(this, 8, t, o, d, h, kind);
}

double TLeaf::VoteSupportLength(const TTable& t, int o, int d) const { return ClassTally(this, 5, t, o, d, 0.0, 0); }

// A rule whose decision is no class of info has no threshold to meet: the caller built the
// thresholds for another rule set, and the process stops.
int TLeaf::GetNoRule(const TDValInfo& info, int kind, const double* thresholds) const {
    int count = 0;
    VisitPreOrder(this, [&](const TLeaf& node) {
        const TRuleComp* r = node.GetRule();
        if (r == nullptr) return;
        int k = 0;
        while (k < info.GetNoDecVal() && info.GetDecVal(k) != r->GetDecision()) ++k;
        if (k == info.GetNoDecVal()) {
            WriteStdoutLine("BLAD TLeaf::GetNoRule");
            EndProcess(144);
        }
        count += r->CheckWeight(kind, thresholds[k]);
    });
    return count;
}

// ---- TRulMemory

double TRulMemory::VoteSumSupport(const TTable& t, int o, int d, double h, int kind) const {
    return root == nullptr ? 0.0 : root->VoteSumSupport(t, o, d, h, kind);
}

double TRulMemory::VoteMaxSupport(const TTable& t, int o, int d, double h, int kind) const {
    return root == nullptr ? 0.0 : root->VoteMaxSupport(t, o, d, h, kind);
}

double TRulMemory::VoteCoveredObjects(const TTable& t, int o, int d, double h, int kind) const {
    if (root == nullptr) return 0.0;
    std::vector<int> objects;
    root->CollectCoveredObjects(t, o, d, h, kind, objects);
    return DistinctCount(objects);
}

double TRulMemory::VoteMaxWeight(const TTable& t, int o, int d, double h, int kind) const {
    return root == nullptr ? 0.0 : root->VoteMaxWeight(t, o, d, h, kind);
}

double TRulMemory::VoteProbSum(const TTable& t, int o, int d, double h, int kind) const {
    return root == nullptr ? 0.0 : root->VoteProbSum(t, o, d, h, kind);
}

double TRulMemory::VoteMaxSupportWeight(const TTable& t, int o, int d, double h, int kind) const {
    return root == nullptr ? 0.0 : root->VoteMaxSupportWeight(t, o, d, h, kind);
}

double TRulMemory::VoteSumSupportWeight(const TTable& t, int o, int d, double h, int kind) const {
    return root == nullptr ? 0.0 : root->VoteSumSupportWeight(t, o, d, h, kind);
}

double TRulMemory::VoteSupportLength(const TTable& t, int o, int d) const {
    return root == nullptr ? 0.0 : root->VoteSupportLength(t, o, d);
}

int TRulMemory::ClassifyObject(TDValInfo& info, int method, const TTable& t, int o, int& predicted) const {
    if (NoRules == 0) {
        for (int k = 0; k < info.GetNoDecVal(); ++k) info.SetDecInfo(k, 0.0);
        return -1;
    }
    VotingRules rules(root, info);
    return ClassifyWith(rules, info, method, t, o, predicted);
}

void TRulMemory::ClassifyTable(TDValInfo& info, int method, const TTable& t, int& errors, int kind,
                               const double* thresholds) const {
    const int classes = info.GetNoDecVal();
    errors = 0;
    int unclassified = 0;
    ChooseForEachObject(root, info, method, t, kind, thresholds, [&](int o, const Choice& c) {
        if (c.best <= 0.0) {
            ++unclassified;
            return;
        }
        const int a = Decision(t, o);
        int k = 0;
        while (k < classes && info.GetDecVal(k) != a) ++k;
        if (k == classes) {
            // Its prediction is some class of info and so cannot be right.
            ++errors;
            return;
        }
        info.SetDecValCov(k, info.GetDecValCov(k) + 1.0);
        if (c.predicted == a) {
            info.SetDecInfo(k, info.GetDistrib(k) + 1.0);
        } else {
            ++errors;
        }
    });
    for (int k = 0; k < classes; ++k) {
        int members = 0;
        for (int o = 0; o < t.GetNoObj(); ++o) members += Decision(t, o) == info.GetDecVal(k) ? 1 : 0;
        const double classified = info.GetDecValCov(k);
        info.SetDecInfo(k, classified > 0.0 ? info.GetDistrib(k) / classified : 0.0);
        info.SetDecValCov(k, members >= 1 ? classified / members : 0.0);
    }
    const int noObj = t.GetNoObj();
    const int classifiedObjects = noObj - unclassified;
    info.SetCoverage(noObj > 0 ? static_cast<double>(classifiedObjects) / noObj : 0.0);
    info.SetAccuracy(classifiedObjects > 0 ? static_cast<double>(classifiedObjects - errors) / classifiedObjects : 0.0);
}

void TRulMemory::LabelTable(TDValInfo& info, int method, TTable& t, int kind, const double* thresholds) const {
    ChooseForEachObject(root, info, method, t, kind, thresholds,
                        [&](int o, const Choice& c) { t.SetTable(o, t.GetNoAttr() - 1, c.predicted); });
}

int TRulMemory::EvaluateVoteMethods(const TTable& t, TDValInfo& info, double& bestAcc) const {
    double best = 0.0;
    int bestMethod = 1;
    VotingRules rules(root, info, &t);
    for (int method : {0, 1, 2, 3, 4, 7, 8}) {
        int correct = 0;
        int unclassified = 0;
        for (int o = 0; o < t.GetNoObj(); ++o) {
            int predicted = NotSet;
            const int result = NoRules == 0 ? ClassifyObject(info, method, t, o, predicted)
                                            : ClassifyWith(rules, info, method, t, o, predicted);
            if (result == 1) ++correct;
            if (result == -1) ++unclassified;
        }
        const int classified = t.GetNoObj() - unclassified;
        const double accuracy = classified > 0 ? static_cast<double>(correct) / classified : 0.0;
        if (accuracy > best) {
            best = accuracy;
            bestMethod = method;
        }
    }
    bestAcc = best;
    return bestMethod;
}

int TRulMemory::GetNoRule(const TDValInfo& info, int kind, const double* thresholds) const {
    return root == nullptr ? 0 : root->GetNoRule(info, kind, thresholds);
}

void TRulMemory::GetMinMaxWeight(int kind, int d, double& min, double& max) const {
    if (root == nullptr) {
        min = 0.0;
        max = 0.0;
        return;
    }
    VisitPreOrder(static_cast<const TLeaf*>(root), [&](const TLeaf& node) {
        const TRuleComp* r = node.GetRule();
        if (r != nullptr && r->GetDecision() == d) r->GetMinMaxWeight(kind, min, max);
    });
}

// ---- Class thresholds

double TRulMemory::ClassScore(const TDValInfo& info, int k, const TTable& t, int o, int method) const {
    if (!ObjectMethod(method) || root == nullptr) return 0.0;
    return ScoreOf(method, ClassTally(root, method, t, o, info.GetDecVal(k), 0.0, 0), info.GetDCNoObj(k));
}

namespace {

struct RocPoint {
    double x = 0.0;  // 1 - specificity
    double y = 0.0;  // sensitivity
};

double Share(long long part, long long whole) { return whole == 0 ? 0.0 : static_cast<double>(part) / whole; }

}  // namespace

// A class score does not depend on the threshold, so every object is scored once and the
// thresholds sweep the stored scores.
void TRulMemory::CalcClassThresholds(const TDValInfo& info, int k, const TTable& t, int method, int steps,
                                     double& sensitivity, double& specificity, double& accuracy, double& area) const {
    const int n = steps > 1 ? steps : 250;
    const int classValue = info.GetDecVal(k);
    const int noObj = t.GetNoObj();
    std::vector<double> scores = OrOutOfMemory([&] { return std::vector<double>(static_cast<size_t>(noObj), 0.0); });
    if (ObjectMethod(method)) {
        VotingRules rules(root, info, &t);
        for (int o = 0; o < noObj; ++o) scores[static_cast<size_t>(o)] = rules.Score(info, k, method, t, o, nullptr, 0);
    }
    std::vector<int> member = OrOutOfMemory([&] { return std::vector<int>(static_cast<size_t>(noObj), 0); });
    for (int o = 0; o < noObj; ++o) member[static_cast<size_t>(o)] = Decision(t, o) == classValue ? 1 : 0;

    // Point 0 is (0, 0), point n - 1 is (1, 1), and the points between are those the
    // falling threshold reaches before it passes 0; the loop may stop short of n - 2 of
    // them, and an unreached point would be one more (0, 0), which adds nothing to the area:
    // only the reached ones are kept.
    std::vector<RocPoint> points;
    OrOutOfMemory([&] { points.push_back(RocPoint{}); });
    const float step = 1.0f / static_cast<float>(n - 1);
    float theta = 1.0f - step;
    double bestDistance = 10.0;
    sensitivity = 0.0;
    specificity = 0.0;
    accuracy = 0.0;
    for (int i = 1; theta > 0.0f; ++i) {
        long long tp = 0, fp = 0, fn = 0, tn = 0;
        for (int o = 0; o < noObj; ++o) {
            const bool positive = scores[static_cast<size_t>(o)] >= theta;
            if (member[static_cast<size_t>(o)]) {
                ++(positive ? tp : fn);
            } else {
                ++(positive ? fp : tn);
            }
        }
        const double sens = Share(tp, tp + fn);
        const double spec = Share(tn, tn + fp);
        const double acc = Share(tp + tn, tp + tn + fp + fn);
        if (i < n - 1) OrOutOfMemory([&] { points.push_back(RocPoint{1.0 - spec, sens}); });
        const double distance = std::sqrt((spec - 1.0) * (spec - 1.0) + (1.0 - sens) * (1.0 - sens));
        if (distance < bestDistance) {
            bestDistance = distance;
            sensitivity = sens;
            specificity = spec;
            accuracy = acc;
        }
        // A step below half the spacing of floats near the threshold would leave it where
        // it is for ever.
        const float next = theta - step;
        if (next == theta) break;
        theta = next;
    }
    OrOutOfMemory([&] { points.push_back(RocPoint{1.0, 1.0}); });
    // Equal x in order of y: the curve climbs before it moves right.
    std::sort(points.begin(), points.end(), [](const RocPoint& a, const RocPoint& b) {
        return a.x < b.x || (a.x == b.x && a.y < b.y);
    });
    double sum = 0.0;
    for (size_t i = 0; i + 1 < points.size(); ++i) {
        sum += std::fabs(points[i + 1].x - points[i].x) * (points[i + 1].y + points[i].y);
    }
    area = sum / 2.0;
}
