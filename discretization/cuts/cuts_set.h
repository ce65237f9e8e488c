#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TextScanner;
class TTable;

// A single cut: a condition column, a value and the number of object pairs it separates.
class TCut {
public:
    TCut() = default;
    TCut(int attribute, float value) : attribute(attribute), value(value) {}

    int GetAttr() const { return attribute; }
    float GetValue() const { return value; }
    std::int64_t GetQuality() const { return quality; }
    // For callers that count the qualities of many cuts of a column in one pass.
    void SetQuality(std::int64_t q) { quality = q; }

    // quality := the unordered pairs of objects with different decisions (last column) whose
    // values of the attribute lie strictly on opposite sides of the cut; a value equal to the
    // cut is on neither side. 64-bit: the count passes 2^31 from about 92,700 objects. An
    // attribute outside 0 .. columns - 2: LOG line and CalcError 5.
    void ComputeQuality(const TTable& table);

    // "attribute value quality", the value with 6 significant digits, no line end.
    void Write(std::string& out) const;
    // Attribute and value (quality 0) / attribute, value and quality: 1 when every number was
    // read, also when the last one ends the text without a line end; 0 otherwise.
    int Read(TextScanner& in);
    int ReadWithQuality(TextScanner& in);

private:
    int attribute = -1;
    float value = 0.0f;
    std::int64_t quality = 0;
};

// An owning, growable array of cuts, kept in the order they were added: scored, saved,
// loaded and applied to a table in place. The capacity is the visible arithmetic of the
// array: it starts at 10 and grows by 10 when count + 1 reaches it, so one slot stays free.
class TCutsSet {
public:
    TCutsSet();
    TCutsSet(const TCutsSet&) = delete;
    // Holds new cuts of the other's attributes and values, quality 0, and its capacity.
    TCutsSet& operator=(const TCutsSet& other);

    int GetNoCuts() const { return static_cast<int>(cuts.size()); }
    int GetCapacity() const { return capacity; }

    void Clear();
    void AddCut(std::unique_ptr<TCut> cut);
    // i outside 0 .. count - 1: LOG line and CalcError 5.
    TCut* GetCut(int i) const;

    // One "attribute value quality" line per cut; the file is replaced. A file that cannot be
    // written: LOG line and CalcErrorText 7 with the name.
    void Save(const char* fileName) const;
    // Replace the cuts by those of a file, in file order: Load reads the lines Save writes,
    // LoadQMV the two-field cuts file of the scaler (quality 0). Reading stops quietly at the
    // first record that is not complete. A file that cannot be read: LOG line and
    // CalcErrorText 6 with the name, the set unchanged.
    void Load(const char* fileName);
    void LoadQMV(const char* fileName);

    // The cuts that keep the table's generalized decision, found by the scaler through the
    // file "TMP_CUTS" in the working folder (left there), loaded into the set: 1. A table of
    // fewer than two generalized-decision classes needs none: the set is emptied, 0. The
    // decision column is the table's own again afterwards, also when the scaler fails.
    int DiscretizeDecision(TTable& table);
    // Scales the table in place by the cuts in set order (see ApplyCutGroups). A cut whose
    // attribute is outside 0 .. columns - 2: LOG line and CalcError 5, the table unchanged.
    void Discretize(TTable& table) const;

private:
    static constexpr int kStep = 10;

    void Grow();
    void LoadFrom(const char* fileName, const char* failure, int (TCut::*read)(TextScanner&));

    std::vector<std::unique_ptr<TCut>> cuts;
    int capacity = kStep;
};
