#pragma once

#include <string>
#include <vector>

class CDatabase;
class CLtfcController;

// The examples a database holds, for comparing two loads: per data set, per sample, the
// inputs and the class. Empty when data set 0 has no sample, as then nothing tells the
// number of inputs.
struct DatabaseContents {
    int inputs = 0;
    int classes = 0;
    std::vector<std::vector<std::vector<float>>> inputsOf;  // [set][sample]
    std::vector<std::vector<int>> classOf;                  // [set][sample]
    bool operator==(const DatabaseContents&) const = default;
};

// A ".dst" description of three examples with two inputs and two classes: the database the
// network targets load networks over.
extern const char kTwoInputDatabase[];

DatabaseContents ContentsOf(CDatabase& database);

// Loads a database file as the network commands do and takes its contents; false when the
// load failed by design.
bool LoadContents(CLtfcController& controller, const char* file, DatabaseContents& contents);

// The contents as a ".dst" description and as the binary ".dat" file (which holds exactly
// two data sets). Values are written exactly, so a reread must give them back bit for bit.
std::string DstText(const DatabaseContents& contents);
std::string DatBytes(const DatabaseContents& contents);
