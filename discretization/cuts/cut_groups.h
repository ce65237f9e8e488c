#pragma once

#include <string>
#include <vector>

class TTable;

// One cut as a cuts file names it: a condition column and a value. Values are held in
// double, so that every integer of a table is compared with the cut exactly.
struct TCutPair {
    int attribute;
    double value;
};

// Scales a table in place by cuts grouped as they stand: a group is a maximal run of
// consecutive cuts of one attribute, and every value of that attribute becomes the position
// in the group of the first cut greater than the value, or the group's size when none is (a
// value equal to a cut goes above it). Groups apply in order, so an attribute whose cuts form
// two groups is scaled twice, the second time on the first's output. Condition columns
// without a cut become 0; the decision column is not touched. Every attribute must lie in
// 0 .. columns - 2 (the callers check and report it in their own words).
void ApplyCutGroups(TTable& table, const std::vector<TCutPair>& cuts);

// The cuts of a cuts file: whitespace-separated pairs of an integer attribute and a real
// value, read until the text ends or a number cannot be read; a complete last pair without a
// line end counts. There is no limit on their number. A file that cannot be read: LOG line
// and CalcErrorText 6 with the name; an attribute outside 0 .. columns - 2 of the table the
// cuts are meant for: LOG line and CalcError 10.
std::vector<TCutPair> ReadCutsFile(const char* fileName, int columns);

// Reads the cuts file and scales the table by it (ApplyCutGroups); on any failure the table
// is left as it was. A table without objects only needs a readable file.
void ApplyCutsFile(TTable& table, const char* fileName);

// A cuts file read once and kept, for a classifier that scales object after object: reading
// the file per object would cost more than classifying. It is read again only for a table of
// another width (the attributes are checked against it). A table without objects has nothing
// to scale, nor a width to check against: it only needs the file readable while it was never
// read.
class TCutsFileCache {
public:
    void Apply(TTable& table, const std::string& fileName);
    // The next Apply reads the file again (it was written anew).
    void Forget();

private:
    std::vector<TCutPair> cuts;
    int columns = -1;  // the width the cuts were checked against; -1 not read
};
