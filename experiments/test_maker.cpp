#include "experiments/test_maker.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "core/alloc_guard.h"
#include "core/clock.h"
#include "core/error.h"
#include "core/file_io.h"
#include "core/int_sack.h"
#include "core/random.h"
#include "core/report.h"
#include "core/table.h"
#include "discretization/cuts/cut_groups.h"
#include "discretization/cuts/scaler.h"
#include "rough/reducts/dynamic_reducts.h"

int FoldNumber = 0;

namespace {

std::unique_ptr<TTable> NewTable(int rows, int columns) {
    return OrOutOfMemory([&] {
        auto t = std::make_unique<TTable>();
        t->CreateTable(rows, columns);
        return t;
    });
}

void CopyRow(const TTable& from, int fromRow, TTable& to, int toRow) {
    std::copy(from.Row(fromRow), from.Row(fromRow) + from.GetNoAttr(), to.Row(toRow));
}

// Rows not yet taken, counted in a Fenwick tree, so that the r-th of them is found in
// log(rows) steps: the same row a walk over the taken flags would reach.
class UnpickedRows {
public:
    explicit UnpickedRows(int rows) : n(rows), tree(static_cast<size_t>(rows) + 1) {
        // Every row starts as one: node i covers the rows (i - lowbit(i), i].
        for (int i = 1; i <= n; ++i) tree[static_cast<size_t>(i)] = i & -i;
        while (top * 2 <= n) top *= 2;
    }

    // The r-th row not taken (r from 1), taken now; -1 when fewer than r are left.
    int Take(int r) {
        int at = 0;
        for (int step = top; step > 0; step /= 2) {
            const int next = at + step;
            if (next <= n && tree[static_cast<size_t>(next)] < r) {
                at = next;
                r -= tree[static_cast<size_t>(next)];
            }
        }
        if (at >= n) return -1;
        for (int i = at + 1; i <= n; i += i & -i) --tree[static_cast<size_t>(i)];
        return at;
    }

private:
    int n;
    std::vector<int> tree;
    int top = 1;
};

// The old table goes first: a file that cannot be loaded leaves none rather than a stale one.
void LoadSlot(std::unique_ptr<TTable>& slot, const char* file) {
    slot.reset();
    std::unique_ptr<TTable> t = NewTable(0, 0);
    t->Load(file);
    slot = std::move(t);
    WriteStdoutLine(file);
}

}  // namespace

TTestMaker::TTestMaker() {
    const long long now = ClockMilliseconds();
    startSeconds = now / 1000;
    startMilliseconds = static_cast<int>(now % 1000);
}

TTestMaker::~TTestMaker() = default;

void TTestMaker::LoadTrainTable(const char* file) { LoadSlot(train, file); }

void TTestMaker::LoadTestTable(const char* file) { LoadSlot(test, file); }

// Built apart and then copied in, so that a refusal leaves the destination as it was and a
// destination that is the source itself is read whole before it changes.
void TTestMaker::ExtractTable(const TTable& source, const TIntSack* objects, const TIntSack* attributes,
                              TTable& destination) {
    auto refuse = [] {
        LogMessage("Bad parameters in TTestMaker::ExtractTable");
        throw CalcError(5);
    };
    if (objects == nullptr && attributes == nullptr) refuse();
    auto inRange = [](const TIntSack* list, int limit) {
        return list == nullptr || std::all_of(list->begin(), list->end(), [&](int v) { return v >= 0 && v < limit; });
    };
    // A source without objects has no columns either: nothing is read from it, and an
    // attribute list has nothing to be checked against.
    if (!inRange(objects, source.GetNoObj()) ||
        (source.GetNoObj() > 0 && !inRange(attributes, source.GetNoAttr()))) {
        refuse();
    }
    const int rows = objects != nullptr ? objects->GetNoElem() : source.GetNoObj();
    const int columns = attributes != nullptr ? attributes->GetNoElem() : source.GetNoAttr();
    std::unique_ptr<TTable> result = NewTable(rows, columns);
    for (int i = 0; i < rows && columns > 0; ++i) {
        const int* from = source.Row(objects != nullptr ? (*objects)[i] : i);
        int* to = result->Row(i);
        for (int j = 0; j < columns; ++j) to[j] = from[attributes != nullptr ? (*attributes)[j] : j];
    }
    destination = *result;
}

void TTestMaker::ApplyCutsFile(TTable& table, const char* cutsFile) { ::ApplyCutsFile(table, cutsFile); }

// A cell of the recoded table is 1 only for a value strictly above its cut: a value equal
// to the cut is 0 here, although scaling counts it above.
void TTestMaker::ReduceCutsDynamically(TTable& table, const char* cutsIn, const char* cutsOut) {
    const std::vector<TCutPair> cuts = ReadCutsFile(cutsIn, table.GetNoAttr());
    const int n = static_cast<int>(cuts.size());
    const int rows = table.GetNoObj();
    const int decision = table.GetNoAttr() - 1;
    std::unique_ptr<TTable> recoded = NewTable(rows, n + 1);
    for (int o = 0; o < rows; ++o) {
        const int* from = table.Row(o);
        int* to = recoded->Row(o);
        for (int i = 0; i < n; ++i) {
            const TCutPair& c = cuts[static_cast<size_t>(i)];
            to[i] = static_cast<double>(from[c.attribute]) > c.value ? 1 : 0;
        }
        to[n] = from[decision];
    }
    WriteStdoutLine("Number of cuts before reduction: " + std::to_string(n));
    WriteStdoutLine("Dynamic reduction of cuts...");
    std::vector<int> selected = OrOutOfMemory([&] { return std::vector<int>(static_cast<size_t>(n) + 1); });
    int k = 0;
    TDynamicReducts().CalcDynamicReducts(recoded.get(), selected.data(), &k);
    // The reduct lists its columns in its own order; the file keeps the cuts' order, so that
    // the cuts of one attribute stay together and ascending.
    std::sort(selected.begin(), selected.begin() + k);
    std::string text;
    for (int i = 0; i < k; ++i) {
        const TCutPair& c = cuts[static_cast<size_t>(selected[static_cast<size_t>(i)])];
        char line[64];
        std::snprintf(line, sizeof line, "%d    %g\n", c.attribute, c.value);
        OrOutOfMemory([&] { text += line; });
    }
    if (!ReplaceWholeFile(cutsOut, text)) {
        LogMessage("Error: Can't save file with cuts");
        throw CalcErrorText(7, cutsOut);
    }
    WriteStdoutLine("Number of cuts after reduction: " + std::to_string(k));
}

void TTestMaker::Discretize(const char* method) {
    if (!train || !test) {
        LogMessage("Bad parameters in TTestMaker::Discretize");
        throw CalcError(5);
    }
    WriteStdoutLine("Discretization...");
    const std::string cutsFile = "CIECIA" + std::to_string(FoldNumber);
    const char letter = method != nullptr ? method[0] : '\0';
    TScaler scaler;
    if (letter == 'S') {
        scaler.ScaleTable(*train, cutsFile.c_str(), 0, 1);
        ApplyCutsFile(*train, cutsFile.c_str());
        ApplyCutsFile(*test, cutsFile.c_str());
        return;
    }
    scaler.ScaleTable(*train, "CUTS1", 0, train->GetNoAttr() - 1);
    if (letter != 'D') {
        std::string message = "NOT IMLEMENTED scal method:";
        if (letter != '\0') message += letter;
        WriteStdoutLine(message);
        EndProcess(0);
    }
    ReduceCutsDynamically(*train, "CUTS1", cutsFile.c_str());
    ApplyCutsFile(*train, cutsFile.c_str());
    ApplyCutsFile(*test, cutsFile.c_str());
    // Extra may stand for train or test itself; scaling interval numbers a second time would
    // corrupt them.
    if (extra != nullptr && extra != train.get() && extra != test.get()) ApplyCutsFile(*extra, cutsFile.c_str());
}

std::unique_ptr<TTable> TTestMaker::MakeCrossValidationTable(const TTable& source, int* order) {
    const int rows = source.GetNoObj();
    std::unique_ptr<TTable> shuffled = NewTable(rows, source.GetNoAttr());
    UnpickedRows unpicked = OrOutOfMemory([&] { return UnpickedRows(rows); });
    int left = rows;
    for (int i = 0; i < rows; ++i) {
        const int row = unpicked.Take(RandomInt(left) + 1);
        if (row < 0) {
            WriteStdoutLine("ERROR: MakeCrossValidationTable");
            EndProcess(0);
        }
        --left;
        if (order != nullptr) order[i] = row;
        if (shuffled->GetNoObj() > 0) CopyRow(source, row, *shuffled, i);
    }
    return shuffled;
}

// Both parts are built before either replaces the old table: the source may be the old
// training table itself, and it is not read once it may be gone.
void TTestMaker::MakeFold(int fold, const TTable& source, const int* ids, const char* file, int foldSize) {
    const int rows = source.GetNoObj();
    if (fold < 0 || foldSize < 0 || (static_cast<long long>(fold) + 1) * foldSize > rows) {
        LogMessage("Bad parameters in TTestMaker::MakeFold");
        throw CalcError(5);
    }
    const int first = fold * foldSize;
    const int last = first + foldSize - 1;
    std::unique_ptr<TTable> newTrain = NewTable(rows - foldSize, source.GetNoAttr());
    std::unique_ptr<TTable> newTest = NewTable(foldSize, source.GetNoAttr());
    std::string trainIds = "Train: ";
    std::string testIds = "Test: ";
    int toTrain = 0;
    int toTest = 0;
    OrOutOfMemory([&] {
        for (int o = 0; o < rows; ++o) {
            const bool testing = o >= first && o <= last;
            if (source.GetNoAttr() > 0) CopyRow(source, o, testing ? *newTest : *newTrain, testing ? toTest : toTrain);
            (testing ? toTest : toTrain) += 1;
            if (ids != nullptr) {
                std::string& list = testing ? testIds : trainIds;
                AppendInt(list, ids[o]);
                list += ' ';
            }
        }
    });
    train = std::move(newTrain);
    test = std::move(newTest);
    if (ids == nullptr) return;
    const std::string lists = "Fold: " + std::to_string(static_cast<long long>(fold) + 1) + "\n" + trainIds + "\n" +
                              testIds + "\n";
    if (!AppendToFile(file, lists)) {
        LogMessage("Error: Can't save file with objects!");
        throw CalcErrorText(7, file);
    }
}
