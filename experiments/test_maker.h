#pragma once

#include <memory>
#include <vector>

class TDValInfo;
class TDictioSet;
class TIntSack;
class TRuleClassifier;
class TTable;

// The number of the cross-validation fold under way, process-wide: it names the fold's cuts
// file ("CIECIA%d"). 0 until a cross-validation sets it.
extern int FoldNumber;

// How one experiment run builds its classifier. Texts are read by their first character.
struct TTestMethods {
    // N: none; S or D: TTestMaker::Discretize with it.
    const char* scaling = "N";
    // N: rules of the whole training table; D: of each dynamic reduct selected from all
    // reducts; G: of each local dynamic reduct selected.
    const char* reducts = "N";
    // N: no rules, the lazy classifier; A: all rules; anything else: genetic rules.
    const char* rules = "A";
    // The shortening level of the rules; outside (0, 1] they are not shortened.
    float alfa = 1.0f;
    // Rules: 0, 1, 2, 3, 4, 7 or 8 (TRulMemory's voting methods); lazy: 2, 9 or 10.
    int voting = 0;
    // -1: no class thresholds; 0, 1, 2: the rule score (support, weight, both) whose class
    // thresholds are searched on the test table.
    int thresholdW = -1;
};

// What a run reports: its errors (1 - accuracy over the classified objects) and coverages
// on the training and on the test table, and the number of rules. Cross-validations give
// the means over their runs.
struct TTestResult {
    double trainError = 0.0;
    double trainCoverage = 0.0;
    double testError = 0.0;
    double testCoverage = 0.0;
    int rules = 0;
};

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

    // ---- Experiments. Progress and results go to standard output; a method that is not
    // offered prints its message and ends the process with code 0. Train and test must be
    // set where a procedure reads them (else LOG line and CalcError 5).

    // Seconds since the time stamp of construction, in hundredths.
    double ElapsedTime() const;

    // One run: train discretized (with test), a classifier built on it (see TTestMethods),
    // train and test classified. info holds the decision values to report on; it receives
    // the test table's figures per decision value (0 for a value train lacks) and in total.
    // times (3 entries, may be null): ElapsedTime at the start, the seconds the rules took,
    // the seconds the testing took. The rules are written to ruleFile unless it is null or
    // begins with "NO". With thresholds (thresholdW != -1) the test figures are those of the
    // best thresholds found on the test table itself. A lazy run reports its test error
    // alone, and info its per-class error rates.
    void TrainAndTest(TDValInfo& info, const TTestMethods& methods, const char* ruleFile, TTestResult& result,
                      double* times);
    // A run as TrainAndTest's, without the decision values printed and without a rules
    // file; returns the number of rules.
    int CalcDynamicReduct(TDValInfo& info, const TTestMethods& methods, TTestResult& result);
    // k-fold cross-validation of train (shuffled first unless shuffle is 0): fold f tests
    // rows f * s .. f * s + s - 1, s = n / k, and the rows past k * s train in every fold.
    // Unless name is null or begins with "NO", each fold's object lists are appended to the
    // file name and its rules written to name followed by the fold number. mean and info get
    // the means over the folds. Train and test are the last fold's parts afterwards. k < 1
    // or k above the objects of train: LOG line and CalcError 5.
    void CrossValidation(TDValInfo& info, int k, int shuffle, const char* name, const TTestMethods& methods,
                         TTestResult& mean);
    // t cross-validations of train, each of a fresh shuffle of the whole table, without
    // files; every run is added to sums, which are then divided by t * k (the rules by
    // integer division): from zero sums, the means over the runs.
    // selected is a decision value of info, printed with its place there (-1 when absent).
    // t < 1, k < 1 or k above the objects of train: LOG line and CalcError 5.
    void MultiCrossValidation(TDValInfo& info, int t, int k, const TTestMethods& methods, int selected,
                              TTestResult& sums);
    // One run per object of train, the object the test table; rules files name "_" i unless
    // name is null or begins with "NO". info gets train's decision values and, per value, the
    // share of its objects answered right; accuracy the share of all objects.
    void LeaveOneOut(TDValInfo& info, const char* name, const TTestMethods& methods, double& accuracy);
    // The rules of train classify the first object of test: 0 when right, else 1. Rule
    // method N is not offered here: the tables are discretized, then the process ends.
    int TestOneObject(const TTestMethods& methods, const char* ruleFile);
    // Grid search of one threshold per decision value of info (from depth on), each over 13
    // values from below the smallest to above the largest score of kind `kind` among the
    // class's rules, clamped to [0, 1]; at full depth the test table is classified with the
    // thresholds. A classification rejecting (leaving unclassified) at most rejectLimit
    // objects with an error below bestError becomes the best: its error, thresholds and, in
    // info, its figures. thresholds and bestThresholds hold one entry per value of info.
    void OptimizeThresholds(TRuleClassifier& classifier, int depth, std::vector<double>& thresholds, int rejectLimit,
                            double& bestError, std::vector<double>& bestThresholds, TDValInfo& info, int method,
                            int kind);

    // Two fixed ways from a table file and its dictionary to a rules file: the table is
    // loaded as train, its columns and the dictionary's put in `order` (new column j is old
    // column order[j]; null keeps them), train scaled, all rules computed, shortened with
    // alfa and weighted, and written with names from the dictionary. The second also prints
    // the decision values and appends each class's coverings to the rules file. A
    // dictionary of another number of columns or an order that is no permutation: LOG line
    // and CalcError 5.
    void RulePipeline(const char* tableFile, const char* dictFile, const int* order, float alfa,
                      const char* rulesFile);
    void CoveringPipeline(const char* tableFile, const char* dictFile, const int* order, float alfa,
                          const char* rulesFile);
    // in loaded as train; out gets its columns from 12 on and a last column of 1 where one of
    // the first 12 columns holds 1, else 2. Fewer than 12 columns: LOG line and CalcError 5.
    void MakeTwoClassTable(const char* in, const char* out);

    TTable* GetTrain() const { return train.get(); }
    TTable* GetTest() const { return test.get(); }
    TTable* GetExtra() const { return extra; }
    void SetExtra(TTable* table) { extra = table; }
    // The time stamp of construction: whole seconds and the milliseconds beyond them.
    long long GetStartSeconds() const { return startSeconds; }
    int GetStartMilliseconds() const { return startMilliseconds; }

private:
    // Train and test must be set.
    void RequireTables(const char* where) const;
    // Steps shared by the runs: the rules of train into the classifier (by reducts or
    // not), shortened and given the statistics the voting needs. calcMessage is the line
    // before the rules of the reducts.
    void BuildRules(TRuleClassifier& classifier, const TTestMethods& methods, const char* calcMessage);
    // A run without its header: discretization, classifier, classifications.
    void Run(TDValInfo& info, const TTestMethods& methods, const char* ruleFile, TTestResult& result,
             double* times, const char* calcMessage);
    // The pipelines' first steps: table and dictionary loaded and rearranged, train scaled.
    void PrepareTable(const char* tableFile, const char* dictFile, const int* order, TDictioSet& dict,
                      const char* where);
    // The pipelines' rules: all rules of train, shortened, weighted.
    void PipelineRules(TRuleClassifier& classifier, float alfa);

    std::unique_ptr<TTable> train;
    TTable* extra = nullptr;
    std::unique_ptr<TTable> test;
    long long startSeconds = 0;
    int startMilliseconds = 0;
};
