#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

class TDataTable;
class TTable;
class TextScanner;

// One condition of a template over real values: an attribute restricted to a finite list of
// admissible values or to a closed interval. A descriptor remembers the search level that
// added it and how many objects its template matched then, so that a template can be cut
// back to any earlier level.
class TFDescriptor {
public:
    TFDescriptor() = default;
    explicit TFDescriptor(int attribute) : attribute(attribute) {}

    int GetAttr() const { return attribute; }
    int GetValueCount() const { return valueCount; }
    // 1 interval, 0 value list, -1 neither yet.
    int IsInterval() const { return isInterval; }
    int GetLevel() const { return level; }
    int GetObjects() const { return objects; }
    float GetLow() const { return low; }
    float GetHigh() const { return high; }

    void SetAttr(int a) { attribute = a; }
    void SetLevel(int l) { level = l; }
    void SetObjects(int n) { objects = n; }
    // Makes the descriptor the interval [lo, hi].
    void SetInterval(float lo, float hi);
    // Appends to the value list (which the search keeps ascending) and makes the descriptor
    // a list.
    void AddValue(float value);

    // Read cursor over the listed values; Current is -1.0 at the end.
    void Reset() { cursor = 0; }
    void Next() {
        if (cursor < values.size()) ++cursor;
    }
    bool IsEnd() const { return cursor >= values.size(); }
    float Current() const { return IsEnd() ? -1.0f : values[cursor]; }
    const std::vector<float>& Values() const { return values; }

    // Interval: low <= v <= high. List: the first listed value that is not below v must be
    // v itself.
    bool MatchesValue(float v) const;
    bool Matches(const TDataTable& table, int object) const;
    bool MatchesInt(const TTable& table, int object) const;

    // Short layout line: " a n v1 v2 ... " or " a 0 low  high", then a line end.
    void Print(std::string& out) const;
    // " a {v1 v2 }" or " a [low high]" without the leading blank, then a line end.
    void PrintReadable(std::string& out) const;
    // Full layout: level, objects, attribute, the body line and an empty line.
    void Write(std::string& out) const;
    // The full layout of Write; false at the first read that fails.
    bool Read(TextScanner& in);
    // The readable layout of PrintReadable; false at the first read that fails.
    bool ReadReadable(TextScanner& in);

private:
    // The body of a descriptor line: "n v1 v2 ... " or "0 low  high".
    void PrintBody(std::string& out) const;

    int attribute = -1;
    int valueCount = 0;
    int isInterval = -1;
    std::vector<float> values;
    bool ascending = true;  // lets a match bisect the list; a list read from a file may not be
    std::size_t cursor = 0;
    float low = 0.0f;
    float high = 0.0f;
    int level = 0;
    int objects = 0;
};

// A conjunction of descriptors, built up in levels, with the decision value it points to
// and how well it does: a decision rule when the decision matters, a template when not.
// Only descriptors of a level not above the set's level take part in matching, coverage
// and the short layout.
class TFTemplSet {
public:
    TFTemplSet() = default;
    // Takes the descriptors, objectCount, bestLevel and level; the decision, the accuracy
    // and the counts start afresh.
    TFTemplSet(const TFTemplSet& other);
    TFTemplSet& operator=(const TFTemplSet&) = delete;

    // Inserted after every descriptor of a smaller or equal attribute; returns its position.
    std::size_t AddDescriptor(TFDescriptor descriptor);
    TFDescriptor RemoveDescriptorAt(std::size_t position);
    int GetNoDescriptors() const { return static_cast<int>(descriptors.size()); }
    const TFDescriptor& GetDescriptor(int i) const { return descriptors.at(static_cast<std::size_t>(i)); }
    TFDescriptor& GetDescriptor(int i) { return descriptors.at(static_cast<std::size_t>(i)); }

    bool Matches(const TDataTable& table, int object) const;
    bool MatchesInt(const TTable& table, int object) const;
    int CountMatches(const TDataTable& table) const;
    float CalcAccuracy(const TDataTable& table);
    // Share of the active descriptors the object satisfies, against the set's level.
    double Coverage(const TDataTable& table, int object) const;
    double Distance(const TDataTable& table, int object) const { return 1.0 - Coverage(table, object); }

    // Counts per decision index over the objects with a non-zero flag, ended by -1.
    void CountDecisions(const std::vector<char>& flags, const TDataTable& table);
    const std::vector<int>& GetDecisionCounts() const { return decisionCounts; }
    int MajorityDecision() const;

    bool HasActiveAttr(int attribute) const;
    void SetLevelByObjects(int n);
    double Size(const TDataTable& table, int weighted) const;

    float GetDecValue() const { return decision; }
    float GetAccuracy() const { return accuracy; }
    int GetNoObj() const { return objectCount; }
    int GetLevel() const { return level; }
    int GetBestLevel() const { return bestLevel; }
    int GetDescriptorCount() const { return descriptorCount; }
    void SetDecValue(float d) { decision = d; }
    void SetAccuracy(float a) { accuracy = a; }
    void SetNoObj(int n) { objectCount = n; }
    void SetLevel(int l) { level = l; }
    void SetBestLevel(int l) { bestLevel = l; }

    void PrintShort(std::string& out) const;
    void PrintAll(std::string& out) const;
    void WriteFull(std::string& out) const;
    // Full layout; false at the first read that fails (the set is then incomplete).
    bool ReadSet(TextScanner& in);
    // Readable layout; its descriptors get the levels 1..n and the set the level n, so
    // that every descriptor read takes part.
    bool ReadReadable(TextScanner& in);

private:
    bool IsActive(const TFDescriptor& d) const { return d.GetLevel() <= level; }

    std::vector<TFDescriptor> descriptors;  // ascending attribute
    float decision = 0.0f;
    int bestLevel = 0;
    // The number of descriptors: kept with the list, so that the full layout always
    // announces as many descriptors as it holds.
    int descriptorCount = 0;
    int level = 0;
    int objectCount = 0;
    float accuracy = 0.0f;
    std::vector<int> decisionCounts;  // empty: none taken
};

// Template sets in decreasing object count, owned by the list, with a read cursor.
class TFTemplSetList {
public:
    TFTemplSetList() = default;
    TFTemplSetList(TFTemplSetList&&) = default;
    TFTemplSetList& operator=(TFTemplSetList&&) = default;
    TFTemplSetList(const TFTemplSetList&) = delete;
    TFTemplSetList& operator=(const TFTemplSetList&) = delete;

    // In front of the first set after the head whose count is not larger; in front of the
    // head only with a larger count than the head's.
    void InsertByObjCount(std::unique_ptr<TFTemplSet> set);
    // The same as inserting the sets one by one in their order, the cursor included.
    void InsertAllByObjCount(std::vector<std::unique_ptr<TFTemplSet>> batch);

    void Reset() { cursor = 0; }
    void Next() {
        if (cursor < sets.size()) ++cursor;
    }
    bool IsEnd() const { return cursor >= sets.size(); }
    TFTemplSet* GetCurrent() const { return IsEnd() ? nullptr : sets[cursor].get(); }
    int GetNoElem() const { return static_cast<int>(sets.size()); }
    // 1-based; null outside 1..count.
    TFTemplSet* GetNth(int n) const;
    // Unlinks the set's entry and hands the set back to the caller (null when absent).
    std::unique_ptr<TFTemplSet> Remove(const TFTemplSet* set);

    void PruneToCover(const TDataTable& table) { PruneToKCover(table, 1); }
    void PruneToKCover(const TDataTable& table, int k);

    // Savers print "Can't open a file! " and throw CalcErrorText 7 when the file cannot be
    // written; loaders print " Can't open a file!" and throw CalcErrorText 6 when it cannot
    // be read. Loaders keep the sets read completely before the first read that fails.
    void Save(const char* fileName) const;
    void SaveFull(const char* fileName) const;
    void LoadFull(const char* fileName);
    void LoadReadable(const char* fileName);

private:
    void EraseAt(std::size_t position);

    std::vector<std::unique_ptr<TFTemplSet>> sets;
    std::size_t cursor = 0;
};
