#pragma once

#include <memory>
#include <string>

class TCutsSet;
class TTable;

// Chooses cuts for a decision table in two stages: per attribute the midpoint cuts that
// separate the most pairs of objects with different decisions, and of those only the cuts
// of the most stable dynamic reduct of the table recoded by them (each cut a 0/1 attribute).
// Intermediate results go to fixed file names in a data folder, progress to standard output.
//
// Files, each replaced: "ALL_CUTS.txt" (the candidates of the attribute processed last),
// "DYN_CUTS.txt" (the cuts kept by quality), "DYN_CUTS_A_DYN_SEL.txt" (the cuts of the best
// dynamic reduct), all in the cuts-set layout, and "DYNAMICZNE.tab" (the reducts file of the
// dynamic reducts). A file that cannot be written is CalcErrorText 7 (after its LOG line).
class TDynCuts {
public:
    static constexpr const char* kDefaultDataDir = "/DANE/DATASET_X1/DANE1/";

    // The files go to dataDir; a folder named without a final '/' gets one, and an empty
    // name means the working folder.
    explicit TDynCuts(const std::string& dataDir = kDefaultDataDir);
    ~TDynCuts();
    TDynCuts(const TDynCuts&) = delete;
    TDynCuts& operator=(const TDynCuts&) = delete;

    // The whole procedure: every condition attribute's candidates, the best of them kept
    // (at least minCuts per attribute where the qualities allow), then the reduct stage.
    void FindDynamicCuts(const TTable& table, int minCuts);
    // allCuts := a cut midway between every two neighbouring distinct values of the column.
    // An attribute outside 0 .. columns - 2: LOG line and CalcError 5.
    void AllMidpointCuts(const TTable& table, int attribute);
    // Every cut of allCuts gets TCut::ComputeQuality's count. A cut whose attribute is
    // outside 0 .. columns - 2 fails as that does, the cuts before it scored.
    void ComputeQualities(const TTable& table);
    // Appends to dynCuts, in allCuts order, the cuts whose quality reaches the highest
    // threshold (counted down by 1 from the greatest quality) that at least minCuts cuts
    // reach; every cut when it comes down to 0; nothing when no quality is above 0.
    void SelectBestCuts(int minCuts);
    // dynCuts := its cuts named by the most stable dynamic reduct of the 0/1 table, in the
    // reduct's order. With no cut, or no reduct, dynCuts stays as it is; the reducts file is
    // written in any case.
    void SelectByDynamicReducts(const TTable& table);
    // Scales the table in place by dynCuts.
    void Discretize(TTable& table) const;

    TCutsSet& GetAllCuts() { return *allCuts; }
    TCutsSet& GetDynCuts() { return *dynCuts; }
    const TCutsSet& GetAllCuts() const { return *allCuts; }
    const TCutsSet& GetDynCuts() const { return *dynCuts; }
    // The path of one of the procedure's files.
    std::string DataFile(const char* name) const { return dataDir + name; }

private:
    std::unique_ptr<TCutsSet> allCuts;
    std::unique_ptr<TCutsSet> dynCuts;
    std::string dataDir;
};
