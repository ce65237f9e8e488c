#pragma once

#include <vector>

class TDataTable;
class TFTemplSet;
class TFTemplSetList;

// Classifies the objects of a real-valued table with a list of template sets used as
// decision rules, and reports how many objects got a decision and how many the right one.
// A set scores an object by its distance (TFTemplSet::Distance): 0 when the object matches
// it completely, and only such sets vote. Consecutive sets of the list that point to the
// same decision value form a group (sets of one decision apart from each other form groups
// of their own); the voting rules turn the groups into one decision. A decision of -1.0 is
// no decision.
//
// The table and the list stay their owners' and must outlive the classifier; the list must
// not change meanwhile.
class TTemplSetClassifier {
public:
    static constexpr float kNoDecision = -1.0f;
    static constexpr float kUnscored = 2.0f;

    struct Entry {
        const TFTemplSet* set;  // null in the terminating entry
        float score;
    };
    // What a group evaluator gives: the group's decision (-1.0 when nothing in it votes),
    // its value, and the entry after the group.
    struct Group {
        float decision;
        double value;
        int next;
    };
    using Matrix = std::vector<std::vector<int>>;

    TTemplSetClassifier(const TDataTable& table, const TFTemplSetList& list);

    // One entry per set in list order, then the terminator (no set, score -1.0).
    const std::vector<Entry>& GetEntries() const { return entries; }

    void ScoreAll(int object);
    // The smallest score of the sets; 2.0 (no set scored) for an empty list.
    float MinScore() const;

    // The group that starts at entry `start` (the terminator: an empty group, decision -1.0,
    // value 0, next = start; a start outside the entries is CalcError 5).
    // Votes: the sum over the group's sets with score 0 of accuracy x objectCount, each
    // truncated toward zero; 0 votes is no decision.
    Group GroupVotes(int start) const;
    // Mean / smallest accuracy of the group's sets with score 0; none is value 0, no decision.
    Group GroupMeanAccuracy(int start) const;
    Group GroupMinAccuracy(int start) const;

    // The decision of the group of greatest value, a later group winning a tie with an
    // earlier one; when no set matches, the last group's -1.0.
    float ClassifyByVotes(int object);
    float ClassifyByMeanAccuracy(int object);
    float ClassifyByMinAccuracy(int object);
    // The decision of the first set with score 0, else -1.0.
    float ClassifyFirstMatch(int object);

    // Classify every object of the table ("Test object: " o and a carriage return each),
    // print the confusion matrix (row: true decision, column: the answer, both by decision
    // index) and the shares of objects classified and classified correctly; return the share
    // of correct answers among the classified objects, 0.0 when none is. An answer that is no
    // decision value of the table counts as classified and wrong and enters no cell.
    double TestByVotes();
    double TestByMeanAccuracy();  // a line end before the matrix
    double TestByMinAccuracy();
    double TestFirstMatch();

    // Each row's counts, each followed by a blank, one row per line.
    static void PrintConfusion(const Matrix& matrix);

private:
    using Evaluator = Group (TTemplSetClassifier::*)(int) const;
    using Classifier = float (TTemplSetClassifier::*)(int);

    // The group from start: its entries' range [start, end) and its decision value.
    int GroupEnd(int start) const;
    float ClassifyByGroups(int object, Evaluator evaluate);
    double Test(Classifier classify, bool lineEndFirst);

    const TDataTable& table;
    const TFTemplSetList& list;
    std::vector<Entry> entries;
};
