#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "discretization/templates/float_templates.h"

class TDataTable;

// The decision distributions along one attribute of a real-valued table: one node per
// distinct value among the objects taken, in ascending value order, with how many of them
// hold the value and the share of each decision among those. Values are grouped into
// descriptors by how close their distributions are.
class TValueDistList {
public:
    TValueDistList(const TDataTable& table, int attribute);

    int GetAttr() const { return attribute; }

    // One object of a walk along the attribute: its value and its number.
    struct Item {
        float value;
        int object;
    };

    // Over the objects with a non-zero flag, walked in the attribute's sorted order.
    void Build(const std::vector<char>& flags);
    // Over the items, which must ascend in value (a part of the sorted order), each object's
    // decision index taken from decIndex: the nodes Build gives for the same objects.
    void BuildFromItems(const std::vector<Item>& items, const std::vector<int>& decIndex);

    // Euclidean distance of two distributions, each ended by -1.0.
    static double Distance(const float* a, const float* b);
    // The value held by the most objects (the first on ties) and their number; false when
    // the list is empty.
    bool MostFrequent(float& value, int& count) const;
    // The node holding exactly the value, or -1.
    int Find(float value) const;
    // The value's distribution (ended by -1.0), or null when no node holds it.
    const float* DistAt(float value) const;
    // The ends of the run of neighbouring values whose distributions lie closer than the
    // threshold to the value's own; a value no node holds is its own bound.
    float LowerBound(float value, float threshold) const;
    float UpperBound(float value, float threshold) const;

    int GetNoNodes() const { return static_cast<int>(values.size()); }
    float GetValue(int node) const { return values.at(static_cast<std::size_t>(node)); }
    int GetCount(int node) const { return counts.at(static_cast<std::size_t>(node)); }
    const float* GetDist(int node) const;
    // Objects of the node whose decision has the index.
    int GetDecCount(int node, int decIndex) const;

private:
    const TDataTable& table;
    int attribute;
    int width;  // decision values + the -1.0 end
    std::vector<float> values;
    std::vector<int> counts;
    std::vector<int> decCounts;  // width - 1 per node
    std::vector<float> dists;    // width per node
};

// Searches for template sets in a real-valued table: a set grows one descriptor at a time,
// each the best one found for some attribute still free among the objects still in play.
// Progress goes to standard output.
class TFTemplSearch {
public:
    // Value lists only.
    explicit TFTemplSearch(const TDataTable& table);
    // Intervals for numeric attributes; sets grow towards targetSize objects (0: as long as
    // a descriptor narrows them); values closer than the threshold are grouped.
    TFTemplSearch(const TDataTable& table, int targetSize, float threshold);

    void SetSeed(int object) { seed = object; }
    int GetSeed() const { return seed; }
    int GetIntervals() const { return intervals; }
    int GetTargetSize() const { return targetSize; }
    float GetThreshold() const { return threshold; }

    // Descriptor builders; an empty list gives a list descriptor without values.
    TFDescriptor SingleValueDescriptor(const TValueDistList& list) const;
    TFDescriptor GroupedDescriptor(bool numeric, const TValueDistList& list) const;
    TFDescriptor SeedValueDescriptor(int attribute) const;
    TFDescriptor SeedGroupedDescriptor(bool numeric, int attribute, const TValueDistList& list) const;

    // The attribute's best descriptor over the flagged objects, and its quality.
    double EvaluateAttribute(int attribute, const std::vector<char>& flags, TFDescriptor& descriptor) const;
    double EvaluateAttributeForSeed(int attribute, const std::vector<char>& flags, TFDescriptor& descriptor) const;

    static double Purity(double a, double b);
    static double Share(double n, double k);
    static double Power(double x, double y);

    // One set grown over the objects not excluded (a non-zero flag excludes).
    std::unique_ptr<TFTemplSet> SearchTemplSet(const std::vector<char>& excluded) const;
    // One set grown around the seed object, pointing to its decision.
    std::unique_ptr<TFTemplSet> SearchRule() const;

    // Drivers. Each pass grows a set; the passes end when every object is covered or a
    // pass covers no object not covered before. The list is then thinned to a cover.
    TFTemplSetList CoverWithTemplates();
    TFTemplSetList CoverByDistance();
    TFTemplSetList CoverByWeights();
    // One seeded set for each of the first `count` objects; no thinning.
    TFTemplSetList RulesForObjects(int count);

private:
    struct Candidate;
    class Growth;

    // The descriptor of one attribute over the items (ascending in it), and its quality;
    // seeded: built around the seed and scored against its decision.
    double Evaluate(int attribute, const std::vector<TValueDistList::Item>& items, bool seeded,
                    TFDescriptor& descriptor) const;
    std::vector<TValueDistList::Item> Flagged(int attribute, const std::vector<char>& flags) const;
    Candidate BestCandidate(const Growth& growth, bool seeded) const;
    // SearchTemplSet over the objects in play given in every attribute's order.
    std::unique_ptr<TFTemplSet> GrowTemplSet(const std::vector<std::vector<TValueDistList::Item>>& inPlay) const;
    int Target() const;
    int DistinctInRange(int attribute, float lo, float hi) const;
    // The decision counts over the objects the set matches, and its accuracy for `decIndex`.
    void Finish(TFTemplSet& set, const std::vector<int>& matched, int decIndex) const;
    // A seeded driver: `pick` chooses each pass's seed among the uncovered objects; `seen`
    // learns every set found.
    TFTemplSetList CoverBySeeds(const std::function<int(const std::vector<char>& covered)>& pick,
                                const std::function<void(const TFTemplSet& set)>& seen);

    const TDataTable& table;
    // Kept for every search: each condition attribute's objects with their values in the
    // sorted order, and each object's decision index. Growing a set walks these instead of
    // reaching into the rows.
    std::vector<std::vector<TValueDistList::Item>> sortedItems;
    std::vector<int> decIndex;
    // Each condition attribute's distinct values, ascending: how many lie in an interval is
    // TDataTable::CountValuesInRange, found by two bisections instead of a walk.
    std::vector<std::vector<float>> distinctValues;
    int seed = 0;
    int intervals = 0;
    int targetSize = 0;
    float threshold = 0.0f;
};

// File drivers: load the table (with an attribute-types file, or none when typesFile is
// null), search with value lists (intervals 0) or intervals (targetSize, threshold), and
// save the list in the short layout.
struct TFSearchFiles {
    const char* tableFile = nullptr;
    const char* typesFile = nullptr;
    const char* listFile = nullptr;
};
struct TFSearchParams {
    int intervals = 0;
    int targetSize = 0;
    float threshold = 0.0f;
};
void CoverWithTemplatesToFile(const TFSearchFiles& files, const TFSearchParams& params);
void CoverByDistanceToFile(const TFSearchFiles& files, const TFSearchParams& params);
void CoverByWeightsToFile(const TFSearchFiles& files, const TFSearchParams& params);
void RulesForObjectsToFile(const TFSearchFiles& files, const TFSearchParams& params, int count);
