#include <cfloat>
#include <cmath>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "core/alloc_guard.h"
#include "core/clock.h"
#include "core/decision_values.h"
#include "core/dictio_set.h"
#include "core/error.h"
#include "core/file_io.h"
#include "core/report.h"
#include "core/table.h"
#include "discretization/cuts/scaler.h"
#include "experiments/lazy_classifier.h"
#include "experiments/lazy_support.h"
#include "experiments/rule_classifier.h"
#include "experiments/test_maker.h"
#include "rough/reducts/dynamic_reducts.h"
#include "rough/reducts/red_memory.h"
#include "rough/rules/rul_memory.h"

namespace {

char Letter(const char* method) { return method != nullptr ? method[0] : '\0'; }

// Object lists and rules files are written unless the name is none or begins with "NO".
bool WritesFiles(const char* name) { return name != nullptr && !(name[0] == 'N' && name[1] == 'O'); }

[[noreturn]] void BadParameters(const char* where) {
    LogMessage(std::string("Bad parameters in TTestMaker::") + where);
    throw CalcError(5);
}

bool RuleVoting(int v) { return (v >= 0 && v <= 4) || v == 7 || v == 8; }

bool LazyVoting(int v) { return v == 2 || v == 9 || v == 10; }

std::string Number(long long v) { return std::to_string(v); }

// The figures of a classification made with the statistics `from`, in the order of `to`; a
// value `from` lacks (a class the training part did not hold) gets 0.
void CopyFigures(const TDValInfo& from, TDValInfo& to) {
    for (int i = 0; i < to.GetNoDecVal(); ++i) {
        const int k = ValueIndex(from, to.GetDecVal(i));
        to.SetDecInfo(i, k >= 0 ? from.GetDistrib(k) : 0.0);
        to.SetDecValCov(i, k >= 0 ? from.GetDecValCov(k) : 0.0);
    }
    to.SetAccuracy(from.GetAccuracy());
    to.SetCoverage(from.GetCoverage());
}

// The objects a table classification left unclassified, read back from its total coverage.
int Rejected(const TDValInfo& figures, const TTable& t) {
    const int n = t.GetNoObj();
    return n - static_cast<int>(std::llround(figures.GetCoverage() * n));
}

double Clamped(double t) { return t < 0.0 ? 0.0 : (t >= 1.0 ? 1.0 : t); }

void Add(TTestResult& sums, const TTestResult& run) {
    sums.trainError += run.trainError;
    sums.trainCoverage += run.trainCoverage;
    sums.testError += run.testError;
    sums.testCoverage += run.testCoverage;
    sums.rules += run.rules;
}

TTestResult Divided(const TTestResult& sums, int n) {
    TTestResult mean;
    mean.trainError = sums.trainError / n;
    mean.trainCoverage = sums.trainCoverage / n;
    mean.testError = sums.testError / n;
    mean.testCoverage = sums.testCoverage / n;
    mean.rules = sums.rules / n;
    return mean;
}

// "Number of objects: " and the sizes of the whole, of a training part and of a test part.
void PrintSizes(const char* label, int n, int s) {
    WriteStdoutLine(label + Number(n) + "  " + Number(n - s) + " " + Number(s));
}

// extra stands for train during a run only: MakeFold replaces train afterwards, and a
// pointer left behind would make the next Discretize scale a table that is gone.
class ExtraScope {
public:
    explicit ExtraScope(TTestMaker& maker) : maker(maker) { maker.SetExtra(nullptr); }
    ~ExtraScope() { maker.SetExtra(nullptr); }
    ExtraScope(const ExtraScope&) = delete;
    ExtraScope& operator=(const ExtraScope&) = delete;

private:
    TTestMaker& maker;
};

}  // namespace

double TTestMaker::ElapsedTime() const {
    const long long start = startSeconds * 1000 + startMilliseconds;
    return static_cast<double>((ClockMilliseconds() - start) / 10) / 100.0;
}

void TTestMaker::RequireTables(const char* where) const {
    if (!train || !test) BadParameters(where);
}

void TTestMaker::BuildRules(TRuleClassifier& classifier, const TTestMethods& methods, const char* calcMessage) {
    const char reducts = Letter(methods.reducts);
    if (reducts != 'N') {
        if (reducts != 'D' && reducts != 'G') {
            WriteStdoutLine("Niemily blad w TTestMaker::CalcDynamicReduct!");
            EndProcess(0);
        }
        TDynamicReducts dynamic;
        std::unique_ptr<TRedMemory> memory = OrOutOfMemory([] { return std::make_unique<TRedMemory>(); });
        if (reducts == 'D') {
            dynamic.CalcDynamicReductsAll(train.get(), memory.get());
        } else {
            dynamic.CalcLocalDynamicReducts(train.get(), memory.get());
        }
        int count = 0;
        const std::vector<int> selected = dynamic.GetBestReduct(0, &count, memory.get());
        WriteStdoutLine("Number of selected dynamic reducts: " + Number(count));
        WriteStdoutLine(calcMessage);
        const int decision = train->GetNoAttr() - 1;
        for (int i = 0; i < count; ++i) {
            WriteStdoutLine("*");
            const TRed& red = *memory->GetRed(selected[static_cast<size_t>(i)]);
            std::unique_ptr<TTable> reduced = red.GetReducedTable(train.get());
            classifier.GenerateSecondRules(*reduced, methods.rules);
            classifier.RemapSecondRules(red);
            classifier.MoveSecondRules(decision);
        }
        // No reduct selected leaves no rules; shortening and voting need a set all the same.
        classifier.EnsureRules();
    } else {
        classifier.GenerateRules(*train, methods.rules);
    }
    classifier.ShortenRules(*train, methods.alfa);
    if (!RuleVoting(methods.voting)) {
        WriteStdoutLine("NIE ZAIMPLEMTOWANO WAGI:" + Number(methods.voting));
        EndProcess(0);
    }
    classifier.CalcRulesInfo(*train, methods.voting, methods.thresholdW);
}

void TTestMaker::Run(TDValInfo& info, const TTestMethods& methods, const char* ruleFile, TTestResult& result,
                     double* times, const char* calcMessage) {
    result = TTestResult{};
    const double start = ElapsedTime();
    if (times != nullptr) times[0] = start;
    ExtraScope scope(*this);
    if (Letter(methods.scaling) != 'N') Discretize(methods.scaling);
    extra = train.get();
    TDValInfo classes;
    classes.CalcFromTable(*extra);
    TDValInfo figures = classes;
    if (Letter(methods.rules) == 'N') {
        if (!LazyVoting(methods.voting)) {
            WriteStdoutLine("ERROR: TrainAndTest - NOT IMPLEMENTED!");
            EndProcess(0);
        }
        result.testError = TLazyClassifier::QuickExamplesTest(*train, figures, *test, methods.voting, 1.0, nullptr);
        CopyFigures(figures, info);
        if (times != nullptr) {
            times[1] = 0.0;
            times[2] = ElapsedTime() - start;
        }
        return;
    }
    TRuleClassifier classifier;
    BuildRules(classifier, methods, calcMessage);
    TRulMemory& rules = *classifier.GetRules();
    int errors = 0;
    result.trainError = classifier.ClassifyTable(figures, methods.voting, *extra, errors, -1, nullptr);
    result.trainCoverage = figures.GetCoverage();
    if (WritesFiles(ruleFile)) rules.SaveRules(ruleFile, nullptr, 0);
    const double rulesDone = ElapsedTime();
    if (times != nullptr) times[1] = rulesDone - start;
    result.rules = rules.GetNoRules();
    figures = classes;
    if (methods.thresholdW == -1) {
        result.testError = classifier.ClassifyTable(figures, methods.voting, *test, errors, -1, nullptr);
    } else {
        // Thresholds of 0 filter no rule: the start is the classification without them.
        std::vector<double> thresholds =
            OrOutOfMemory([&] { return std::vector<double>(static_cast<size_t>(classes.GetNoDecVal()), 0.0); });
        double best =
            classifier.ClassifyTable(figures, methods.voting, *test, errors, methods.thresholdW, thresholds.data());
        const int rejected = Rejected(figures, *test);
        WriteStdoutLine("min_result_neg=" + Number(rejected));
        WriteStdoutLine("Thresholds optimalization...");
        std::vector<double> bestThresholds = thresholds;
        OptimizeThresholds(classifier, 0, thresholds, rejected, best, bestThresholds, figures, methods.voting,
                           methods.thresholdW);
        classifier.CalcRulesInfo(*extra, methods.voting, methods.thresholdW);
        WriteStdoutLine("TestResult=" + StreamReal(best));
        result.testError = best;
    }
    result.testCoverage = figures.GetCoverage();
    CopyFigures(figures, info);
    if (times != nullptr) times[2] = ElapsedTime() - rulesDone;
}

void TTestMaker::TrainAndTest(TDValInfo& info, const TTestMethods& methods, const char* ruleFile,
                              TTestResult& result, double* times) {
    RequireTables("TrainAndTest");
    std::string values;
    for (int i = 0; i < info.GetNoDecVal(); ++i) {
        values += Number(info.GetDecVal(i)) + "=" + Number(info.GetDCNoObj(i)) + " ";
    }
    WriteStdoutLine("Decision values: ");
    WriteStdoutLine(values);
    if (methods.thresholdW < -1 || methods.thresholdW > 2) {
        WriteStdoutLine("Z metody TTestMaker::TrainAndTest...");
        WriteStdoutLine("NIE ZAIMPLEMTOWANO WAGI ThresholdW=" + Number(methods.thresholdW));
        EndProcess(0);
    }
    Run(info, methods, ruleFile, result, times, "Calculation of rules for selected reducts..");
}

int TTestMaker::CalcDynamicReduct(TDValInfo& info, const TTestMethods& methods, TTestResult& result) {
    RequireTables("CalcDynamicReduct");
    Run(info, methods, nullptr, result, nullptr, "Calculation of rules for selected reducts...");
    return result.rules;
}

void TTestMaker::OptimizeThresholds(TRuleClassifier& classifier, int depth, std::vector<double>& thresholds,
                                    int rejectLimit, double& bestError, std::vector<double>& bestThresholds,
                                    TDValInfo& info, int method, int kind) {
    const int values = info.GetNoDecVal();
    if (!test || depth < 0 || static_cast<int>(thresholds.size()) < values) BadParameters("OptimizeThresholds");
    if (depth < values) {
        // The range starts from the class's first rule: no rule of the class, no range.
        double min = DBL_MAX;
        double max = -DBL_MAX;
        if (classifier.GetRules() != nullptr) classifier.GetRules()->GetMinMaxWeight(kind, info.GetDecVal(depth), min, max);
        if (min > max) min = max = 0.0;
        const size_t at = static_cast<size_t>(depth);
        if (max == min) {
            thresholds[at] = Clamped(min);
            OptimizeThresholds(classifier, depth + 1, thresholds, rejectLimit, bestError, bestThresholds, info,
                               method, kind);
            return;
        }
        // Each value from min itself: a sum of steps could pass max + step by a rounding and
        // lose the last one.
        const double step = (max - min) / 10;
        for (int i = 0; i <= 12; ++i) {
            thresholds[at] = Clamped(min + (i - 1) * step);
            OptimizeThresholds(classifier, depth + 1, thresholds, rejectLimit, bestError, bestThresholds, info,
                               method, kind);
        }
        return;
    }
    TDValInfo figures = info;
    int errors = 0;
    const double error = classifier.ClassifyTable(figures, method, *test, errors, kind, thresholds.data());
    if (Rejected(figures, *test) <= rejectLimit && error < bestError) {
        bestError = error;
        bestThresholds = thresholds;
        info = figures;
    }
}

void TTestMaker::CrossValidation(TDValInfo& info, int k, int shuffle, const char* name,
                                 const TTestMethods& methods, TTestResult& mean) {
    // More folds than objects would leave every fold's test part empty.
    if (!train || k < 1 || k > train->GetNoObj()) BadParameters("CrossValidation");
    WriteStdoutLine("Testing by Cross-Validation method... ");
    WriteStdoutLine("Number of fold: " + Number(k));
    const bool files = WritesFiles(name);
    std::vector<int> ids;
    if (files) OrOutOfMemory([&] { ids.resize(static_cast<size_t>(train->GetNoObj())); });
    std::unique_ptr<TTable> source;
    if (shuffle == 0) {
        source = std::move(train);
        for (size_t i = 0; i < ids.size(); ++i) ids[i] = static_cast<int>(i);
    } else {
        source = MakeCrossValidationTable(*train, files ? ids.data() : nullptr);
        train.reset();
    }
    const int n = source->GetNoObj();
    const int s = n / k;
    PrintSizes("Number of objects: ", n, s);
    const size_t values = static_cast<size_t>(info.GetNoDecVal());
    std::vector<double> distrib(values, 0.0);
    std::vector<double> coverage(values, 0.0);
    double accuracy = 0.0;
    double totalCoverage = 0.0;
    TTestResult sums;
    for (int f = 0; f < k; ++f) {
        WriteStdoutLine("Current fold: " + Number(f));
        FoldNumber = f;
        MakeFold(f, *source, files ? ids.data() : nullptr, name, s);
        const std::string ruleFile = files ? name + Number(f) : std::string();
        TTestResult run;
        TrainAndTest(info, methods, files ? ruleFile.c_str() : nullptr, run, nullptr);
        Add(sums, run);
        for (size_t i = 0; i < values; ++i) {
            distrib[i] += info.GetDistrib(static_cast<int>(i));
            coverage[i] += info.GetDecValCov(static_cast<int>(i));
        }
        accuracy += info.GetAccuracy();
        totalCoverage += info.GetCoverage();
    }
    mean = Divided(sums, k);
    for (size_t i = 0; i < values; ++i) {
        info.SetDecInfo(static_cast<int>(i), distrib[i] / k);
        info.SetDecValCov(static_cast<int>(i), coverage[i] / k);
    }
    info.SetAccuracy(accuracy / k);
    info.SetCoverage(totalCoverage / k);
}

// The original table stays aside: a repetition shuffles the whole of it, not the training
// part of the last fold that MakeFold left in train.
void TTestMaker::MultiCrossValidation(TDValInfo& info, int t, int k, const TTestMethods& methods, int selected,
                                      TTestResult& sums) {
    if (!train || t < 1 || k < 1 || k > train->GetNoObj()) BadParameters("MultiCrossValidation");
    WriteStdoutLine("Testing by Multi-Cross-Validation method... ");
    WriteStdoutLine("Number of Cross-Validation tests: " + Number(t));
    WriteStdoutLine("Number of fold: " + Number(k));
    WriteStdoutLine("Selected d.v.=" + Number(selected));
    WriteStdoutLine("Number sel d.v.=" + Number(ValueIndex(info, selected)));
    const std::unique_ptr<TTable> original = std::move(train);
    const int n = original->GetNoObj();
    const int s = n / k;
    PrintSizes("Number of objects: ", n, s);
    // The runs add to what the caller's sums hold already, and all of it is divided.
    TTestResult total = sums;
    for (int j = 1; j <= t; ++j) {
        WriteStdoutLine("TEST: " + Number(j) + " (" + Number(t) + ")");
        const std::unique_ptr<TTable> shuffled = MakeCrossValidationTable(*original, nullptr);
        for (int f = 0; f < k; ++f) {
            WriteStdoutLine("Current fold: " + Number(f));
            MakeFold(f, *shuffled, nullptr, nullptr, s);
            TTestResult run;
            CalcDynamicReduct(info, methods, run);
            Add(total, run);
        }
    }
    sums = Divided(total, t * k);
}

void TTestMaker::LeaveOneOut(TDValInfo& info, const char* name, const TTestMethods& methods, double& accuracy) {
    if (!train) BadParameters("LeaveOneOut");
    const int n = train->GetNoObj();
    WriteStdoutLine("Testing by Leave-One-Out method... ");
    PrintSizes("Num. of objects: ", n, 1);
    info.CalcFromTable(*train);
    const std::unique_ptr<TTable> source = std::move(train);
    const bool files = WritesFiles(name);
    std::vector<int> classHits(static_cast<size_t>(info.GetNoDecVal()), 0);
    int hits = 0;
    for (int i = 0; i < n; ++i) {
        WriteStdoutLine("");
        WriteStdoutLine("CURRENT OBJECT: " + Number(i));
        MakeFold(i, *source, nullptr, nullptr, 1);
        const std::string ruleFile = files ? name + ("_" + Number(i)) : std::string();
        if (TestOneObject(methods, files ? ruleFile.c_str() : nullptr) == 0) {
            ++hits;
            ++classHits[static_cast<size_t>(ValueIndex(info, DecisionOf(*source, i)))];
        }
    }
    for (int v = 0; v < info.GetNoDecVal(); ++v) {
        info.SetDecInfo(v, Share(classHits[static_cast<size_t>(v)], info.GetDCNoObj(v)));
    }
    accuracy = Share(hits, n);
}

// The tables are cut before the rule method is looked at, as in a run of TrainAndTest.
int TTestMaker::TestOneObject(const TTestMethods& methods, const char* ruleFile) {
    RequireTables("TestOneObject");
    if (test->GetNoObj() < 1) BadParameters("TestOneObject");
    if (Letter(methods.scaling) != 'N') Discretize(methods.scaling);
    TDValInfo classes;
    classes.CalcFromTable(*train);
    if (Letter(methods.rules) == 'N') {
        WriteStdoutLine("ERROR: RuleMethod<>'N' is NOT IMPLEMENTED!");
        EndProcess(0);
    }
    TRuleClassifier classifier;
    BuildRules(classifier, methods, "Calculation of rules for selected reducts..");
    if (WritesFiles(ruleFile)) classifier.GetRules()->SaveRules(ruleFile, nullptr, 0);
    return classifier.ClassifyObject(classes, methods.voting, *test, 0) == 1 ? 0 : 1;
}

void TTestMaker::PrepareTable(const char* tableFile, const char* dictFile, const int* order, TDictioSet& dict,
                              const char* where) {
    LoadTrainTable(tableFile);
    dict.Load(dictFile);
    const int columns = train->GetNoAttr();
    if (dict.GetNoAttr() != columns) BadParameters(where);
    if (order == nullptr) return;
    std::vector<int> seen(static_cast<size_t>(columns), 0);
    for (int j = 0; j < columns; ++j) {
        if (order[j] < 0 || order[j] >= columns || seen[static_cast<size_t>(order[j])]++ != 0) BadParameters(where);
    }
    const int rows = train->GetNoObj();
    auto arranged = OrOutOfMemory([&] {
        auto t = std::make_unique<TTable>();
        t->CreateTable(rows, columns);
        return t;
    });
    for (int o = 0; o < rows; ++o) {
        const int* from = train->Row(o);
        int* to = arranged->Row(o);
        for (int j = 0; j < columns; ++j) to[j] = from[order[j]];
    }
    train = std::move(arranged);
    // The dictionary by swaps: position j takes the attribute order[j] wherever it stands now.
    std::vector<int> at(static_cast<size_t>(columns));
    for (int j = 0; j < columns; ++j) at[static_cast<size_t>(j)] = j;
    for (int j = 0; j < columns; ++j) {
        int pos = j;
        while (at[static_cast<size_t>(pos)] != order[j]) ++pos;
        if (pos == j) continue;
        dict.SwapAttr(j, pos);
        std::swap(at[static_cast<size_t>(j)], at[static_cast<size_t>(pos)]);
    }
}

void TTestMaker::PipelineRules(TRuleClassifier& classifier, float alfa) {
    WriteStdoutLine("Skalowanie...");
    const std::string cuts = "CIECIA" + Number(FoldNumber);
    TScaler().ScaleTable(*train, cuts.c_str(), 0, 1);
    ApplyCutsFile(*train, cuts.c_str());
    WriteStdoutLine("Obliczanie regul...");
    classifier.GenerateRules(*train, "A");
    WriteStdoutLine("Skracanie regul...");
    classifier.ShortenRules(*train, alfa);
    WriteStdoutLine("Obliczanie wag....");
    // Supports and weights both: the rules file shows them.
    classifier.CalcRulesInfo(*train, 8, -1);
}

void TTestMaker::RulePipeline(const char* tableFile, const char* dictFile, const int* order, float alfa,
                              const char* rulesFile) {
    TDictioSet dict;
    PrepareTable(tableFile, dictFile, order, dict, "RulePipeline");
    TRuleClassifier classifier;
    PipelineRules(classifier, alfa);
    classifier.GetRules()->SaveRules(rulesFile, &dict, 2);
}

void TTestMaker::CoveringPipeline(const char* tableFile, const char* dictFile, const int* order, float alfa,
                                  const char* rulesFile) {
    TDictioSet dict;
    PrepareTable(tableFile, dictFile, order, dict, "CoveringPipeline");
    TDValInfo info;
    info.CalcFromTable(*train);
    WriteStdoutLine("Informacje o wartosciach decyzji:");
    for (int k = 0; k < info.GetNoDecVal(); ++k) {
        WriteStdoutLine(Number(info.GetDecVal(k)) + " (" + Number(info.GetDCNoObj(k)) + ")");
    }
    TRuleClassifier classifier;
    PipelineRules(classifier, alfa);
    TRulMemory& rules = *classifier.GetRules();
    rules.SaveRules(rulesFile, &dict, 2);
    std::ostringstream coverings;
    for (int k = 0; k < info.GetNoDecVal(); ++k) {
        const int d = info.GetDecVal(k);
        WriteStdoutLine(" COVERINGS FOR DECISION CLASS: " + Number(d));
        coverings << std::string(34, '_') << '\n' << "COVERINGS FOR DECISION CLASS: " << d << '\n';
        rules.SaveCoverings(coverings, *train, d, info.GetDCNoObj(k), &dict, 2);
    }
    if (!AppendToFile(rulesFile, coverings.str())) {
        LogMessage("Error: Can't save file with rules");
        throw CalcErrorText(7, rulesFile);
    }
}

// The class is read from the first 12 columns of every object: a narrower table has none
// to read and is refused.
void TTestMaker::MakeTwoClassTable(const char* in, const char* out) {
    LoadTrainTable(in);
    const int columns = train->GetNoAttr();
    if (columns < 12) BadParameters("MakeTwoClassTable");
    const int rows = train->GetNoObj();
    const int width = columns - 12 + 1;
    TTable result;
    OrOutOfMemory([&] { result.CreateTable(rows, width); });
    for (int o = 0; o < rows; ++o) {
        const int* from = train->Row(o);
        int* to = result.Row(o);
        bool any = false;
        for (int a = 0; a < 12; ++a) any = any || from[a] == 1;
        for (int j = 12; j < columns; ++j) to[j - 12] = from[j];
        to[width - 1] = any ? 1 : 2;
    }
    result.Save(out);
}
