#pragma once

#include <memory>

class TIntSack;
class TTable;

// The number of the cross-validation fold under way, process-wide: it names the fold's cuts
// file ("CIECIA%d"). 0 until a cross-validation sets it.
extern int FoldNumber;

// The driver of train-and-test experiments on decision tables: a training and a test table
// (owned), discretized with one set of cuts, shuffled, split into the parts of a fold, or
// cut into sub-tables. Progress goes to standard output. A third table, extra, not owned,
// is discretized with the other two when it is set.
class TTestMaker {
public:
    // Takes the time stamp from the millisecond clock.
    TTestMaker();
    ~TTestMaker();
    TTestMaker(const TTestMaker&) = delete;
    TTestMaker& operator=(const TTestMaker&) = delete;

    // The table is replaced by the file's and the file name printed; when the file cannot be
    // loaded the table is none (the loader's error passes on).
    void LoadTrainTable(const char* file);
    void LoadTestTable(const char* file);

    // destination := the selected rows (objects, in list order) and columns (attributes, in
    // list order) of source; a null list selects all. Exactly that shape, whatever the
    // destination held. Both lists null, or an entry out of range: LOG line and CalcError 5,
    // the destination unchanged.
    void ExtractTable(const TTable& source, const TIntSack* objects, const TIntSack* attributes,
                      TTable& destination);

    // Every condition value becomes its interval number among the cuts of a cuts file (see
    // ApplyCutsFile of the cuts folder).
    void ApplyCutsFile(TTable& table, const char* cutsFile);
    // Keeps the cuts of cutsIn that the most stable dynamic reduct of the table, recoded by
    // them (one 0/1 column per cut: 1 when the value is greater than the cut), selects, and
    // writes them to cutsOut as "attribute    value" lines in input order. A file that cannot
    // be written: LOG line and CalcErrorText 7 with the name.
    void ReduceCutsDynamically(TTable& table, const char* cutsIn, const char* cutsOut);
    // Cuts of train by the method's first letter ("S": the scaler's cuts, one per step; "D":
    // those cuts, as many per step as train has condition attributes, reduced dynamically),
    // written to the fold's cuts file and applied to train and test ("D": and extra). Another
    // letter prints its message and ends the process with code 0. Train and test must be set
    // (else LOG line and CalcError 5).
    void Discretize(const char* method);

    // A new table with the rows of source in random order: row i takes the r-th row not yet
    // taken, r drawn with RandomInt. order[i] (when order is given) receives the source row
    // of row i.
    std::unique_ptr<TTable> MakeCrossValidationTable(const TTable& source, int* order);
    // train and test become the two parts of fold f of source: rows f * s .. f * s + s - 1
    // test, the others train, each in source order. With ids, the fold's object lists are
    // appended to file ("Fold: " f + 1, "Train: ", "Test: "); a file that cannot be written:
    // LOG line and CalcErrorText 7 with the name. f < 0, s < 0 or (f + 1) * s above the rows
    // of source: LOG line and CalcError 5 before anything changes.
    void MakeFold(int fold, const TTable& source, const int* ids, const char* file, int foldSize);

    TTable* GetTrain() const { return train.get(); }
    TTable* GetTest() const { return test.get(); }
    TTable* GetExtra() const { return extra; }
    void SetExtra(TTable* table) { extra = table; }
    // The time stamp of construction: whole seconds and the milliseconds beyond them.
    long long GetStartSeconds() const { return startSeconds; }
    int GetStartMilliseconds() const { return startMilliseconds; }

private:
    std::unique_ptr<TTable> train;
    TTable* extra = nullptr;
    std::unique_ptr<TTable> test;
    long long startSeconds = 0;
    int startMilliseconds = 0;
};
