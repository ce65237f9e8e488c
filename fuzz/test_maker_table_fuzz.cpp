// The test maker's tables: the input loaded as the training and as the test table, which must
// give the table the table reader gives, or none at all when that reader refuses the file.
// A small table then goes through the experiments as their procedures run them, in a
// private working folder (the cuts files have fixed names there): a train-and-test run on
// the table against itself (scaled, all rules, the rules file written), and a shuffled
// two-fold cross-validation by the lazy classifier that writes its folds' object lists. Errors
// and coverages must be shares, the rules file must read back with the rules counted, and
// every object must stand once in each fold, in its training or its test part.
#include <sstream>
#include <string>
#include <vector>

#include "core/decision_values.h"
#include "core/file_io.h"
#include "core/random.h"
#include "core/table.h"
#include "experiments/test_maker.h"
#include "fuzz/fuzz_support.h"
#include "rough/rules/rul_memory.h"

namespace {

// All rules of a table grow fast with its size; these keep a run within milliseconds.
constexpr int kMostObjects = 30;
constexpr int kMostColumns = 8;

bool Share(double v) { return v >= 0.0 && v <= 1.0; }

bool Shares(const TTestResult& r, const TDValInfo& info) {
    bool all = Share(r.trainError) && Share(r.trainCoverage) && Share(r.testError) && Share(r.testCoverage) &&
               Share(info.GetAccuracy()) && Share(info.GetCoverage());
    for (int k = 0; k < info.GetNoDecVal(); ++k) all = all && Share(info.GetDistrib(k)) && Share(info.GetDecValCov(k));
    return all;
}

// The lists of "Fold: f", "Train: ids" and "Test: ids" lines: every fold lists each of the n
// objects once.
bool FoldsListEveryObject(const std::string& lists, int folds, int n) {
    std::istringstream in(lists);
    std::string line;
    for (int f = 1; f <= folds; ++f) {
        if (!std::getline(in, line) || line != "Fold: " + std::to_string(f)) return false;
        std::vector<int> seen(static_cast<size_t>(n), 0);
        for (const char* label : {"Train: ", "Test: "}) {
            if (!std::getline(in, line) || line.rfind(label, 0) != 0) return false;
            std::istringstream ids(line.substr(std::string(label).size()));
            int id = 0;
            while (ids >> id) {
                if (id < 0 || id >= n || seen[static_cast<size_t>(id)]++ != 0) return false;
            }
        }
        for (int s : seen) {
            if (s != 1) return false;
        }
    }
    return !std::getline(in, line);
}

void Experiments(TTestMaker& maker, const char* input) {
    TDValInfo info;
    TTestMethods rules;
    rules.scaling = "S";
    TTestResult result;
    const bool ran = ReadsOrFailsByDesign([&] {
        info.CalcFromTable(*maker.GetTrain());
        maker.TrainAndTest(info, rules, "rules", result, nullptr);
    });
    if (ran) {
        Require(Shares(result, info), "a run's errors and coverages are shares");
        TRulMemory written;
        Require(ReadsOrFailsByDesign([&] { written.LoadRules("rules"); }), "a run's rules file reads");
        Require(written.GetNoRules() == result.rules, "a run's rules file holds the rules counted");
    }

    TTestMethods lazy;
    lazy.scaling = "S";
    lazy.rules = "N";
    lazy.voting = 2;
    Require(ReadsOrFailsByDesign([&] { maker.LoadTrainTable(input); }), "a table that loaded loads again");
    const int n = maker.GetTrain()->GetNoObj();
    TTestResult mean;
    if (ReadsOrFailsByDesign([&] {
            info.CalcFromTable(*maker.GetTrain());
            maker.CrossValidation(info, 2, 1, "folds", lazy, mean);
        })) {
        Require(Shares(mean, info), "a cross-validation's errors and coverages are shares");
        // Two folds run only over two objects or more, so every run writes its lists.
        std::string lists;
        Require(ReadWholeFile("folds", lists) && FoldsListEveryObject(lists, 2, n), "each fold lists every object once");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    SilentStdout quiet;
    TempFile input(InputBytes(data, size));
    TTable plain;
    const bool loads = ReadsOrFailsByDesign([&] { plain.Load(input.Path()); });
    TTestMaker maker;
    Require(ReadsOrFailsByDesign([&] { maker.LoadTrainTable(input.Path()); }) == loads, "the training table loads");
    Require(ReadsOrFailsByDesign([&] { maker.LoadTestTable(input.Path()); }) == loads, "the test table loads");
    if (!loads) {
        Require(maker.GetTrain() == nullptr && maker.GetTest() == nullptr, "a table that did not load is none");
        return 0;
    }
    Require(SameTable(*maker.GetTrain(), plain) && SameTable(*maker.GetTest(), plain), "the tables as read");
    if (plain.GetNoObj() > kMostObjects || plain.GetNoAttr() > kMostColumns) return 0;
    ScratchWorkingFolder scratch;
    ResetRandomForTests();
    FoldNumber = 0;
    Experiments(maker, input.Path());
    return 0;
}
