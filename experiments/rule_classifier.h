#pragma once

#include <memory>
#include <vector>

class TDValInfo;
class TRed;
class TRulMemory;
class TTable;

// The rule sets of the test procedures: a main set that classifies, and a second one that
// shortening fills or that holds the rules of a reduced table until they are renumbered
// onto the full table. Both are owned.
//
// Every operation that generates, moves or shortens rules holds quiet mode meanwhile: only
// then does a rule memory keep its rules (outside it, it publishes and drops each one), and
// no "RULE:" or "PROGRESS:" line reaches standard output. An operation that needs the main
// set while there is none treats it as an empty set.
class TRuleClassifier {
public:
    TRuleClassifier();
    ~TRuleClassifier();
    TRuleClassifier(const TRuleClassifier&) = delete;
    TRuleClassifier& operator=(const TRuleClassifier&) = delete;

    // A new main set from table: type beginning with a capital "A" all rules (missing-value
    // option 0), any other type (an empty one too) genetic rules.
    void GenerateRules(TTable& table, const char* type);
    // genetic != 0: genetic rules with the reduct limit and speed level given; else all rules.
    void GenerateRulesEx(TTable& table, int genetic, int reductLimit, int speedLevel);
    // The same as GenerateRules for the second set.
    void GenerateSecondRules(TTable& table, const char* type);
    // The second set's attributes renumbered through the reduct its table was reduced to.
    void RemapSecondRules(const TRed& map);
    // The rules of the second set go into the main set (created when there is none), whose
    // decision attribute becomes decisionAttr: the rules of several reduced tables gather
    // there against the full table's numbering.
    void MoveSecondRules(int decisionAttr);
    // An empty main set when there is none.
    void EnsureRules();
    // The main set is replaced, the old one deleted.
    void SetRules(std::unique_ptr<TRulMemory> rules);
    // The given set becomes the main set, owned from now on. The set it replaces is not
    // deleted before the classifier is, as a caller may still use it.
    void AttachRules(TRulMemory* rules);

    // The statistics the voting method needs: with classIndex != -1 object sets and weights;
    // otherwise by method, 0-2 object sets and supports, 3-4 weights, 7-8 both; another
    // method prints "NIEZAIMPLEMENTOWANO!!!!!!" and computes nothing.
    void CalcRulesInfo(TTable& table, int method, int classIndex);
    // 1 correct, 0 wrong, -1 not classified.
    int ClassifyObject(TDValInfo& info, int method, const TTable& table, int object);
    // Classifies every object of table (see TRulMemory::ClassifyTable); returns the error
    // rate, 1 - the total accuracy.
    double ClassifyTable(TDValInfo& info, int method, const TTable& table, int& errors, int kind,
                         const double* thresholds);
    void CalcClassThresholds(const TDValInfo& info, int k, const TTable& t, int method, int steps,
                             double& sensitivity, double& specificity, double& accuracy, double& area);
    // The main set is replaced by its rules shortened on table with level alfa. With alfa
    // outside (0, 1] nothing is shortened and the rules stay.
    void ShortenRules(const TTable& table, float alfa);

    TRulMemory* GetRules() const { return rules.get(); }
    TRulMemory* GetSecond() const { return second.get(); }

private:
    // The main set, or an empty stand-in when there is none.
    const TRulMemory& RulesOrEmpty();

    std::unique_ptr<TRulMemory> rules;
    std::unique_ptr<TRulMemory> second;
    std::unique_ptr<TRulMemory> empty;
    // Sets replaced by AttachRules, kept until the end.
    std::vector<std::unique_ptr<TRulMemory>> retired;
};
