#pragma once

#include <cstdint>
#include <vector>

class TDValInfo;
class TIntSack;
class TTable;
class TWIntSack;

// Agreement sets, one per position: the condition attributes on which a training object
// agrees with the test object, one bit per attribute in as many 64-bit words as the table
// has condition attributes, so that tables of any width are classified alike.
class TAgreementMasks {
public:
    // No positions; sets of `attributes` bits from now on.
    void Reset(int attributes);
    int GetSize() const { return count; }
    int GetWords() const { return words; }
    const std::uint64_t* Mask(int i) const { return bits.data() + static_cast<std::size_t>(i) * words; }
    std::uint64_t* Mask(int i) { return bits.data() + static_cast<std::size_t>(i) * words; }
    // Appends an empty set and returns it.
    std::uint64_t* Append();
    void RemoveLast() { --count; }
    int IsEmpty(int i) const;

private:
    int words = 1;
    int count = 0;
    std::vector<std::uint64_t> bits;  // grows, never shrinks: one test object after another
};

// The working arrays of one test object. A position stands for the training objects that
// share an agreement set and a decision (how many: its count); the class is the decision
// the position votes for, or the unclassified mark. Built by hand with every count 1, the
// positions are the training objects themselves.
struct TLazyPositions {
    TAgreementMasks masks;
    std::vector<int> decisions;
    std::vector<int> classes;
    std::vector<int> counts;
    // Positions collected by a propagation step.
    std::vector<int> collected;
    // Slots of the grouping hash (position index + 1, 0 for a free slot).
    std::vector<int> slots;

    int GetSize() const { return masks.GetSize(); }
    void Clear(int attributes);
    // A new position at the end; its class is `mark`.
    void Add(const std::uint64_t* mask, int decision, int count, int mark);
};

// The working arrays of the weighted Johnson method, sized by the tables.
struct TJohnsonWork {
    std::vector<double> objectWeights;    // per training object
    std::vector<double> positionWeights;  // per listed attribute
    std::vector<int> list;
    std::vector<int> candidate;
    std::vector<int> rounded;  // per listed attribute
    std::vector<int> chosen;  // per condition attribute
    std::vector<int> counts;  // per condition attribute
};

// Lazy classifiers: a test object is classified from its agreement with every training
// object, without rules built in advance. The class holds no data.
class TLazyClassifier {
public:
    static constexpr int NoDecision = 2147483647;

    // --- agreement masks and voting ---

    // The positions of test object k: training objects that agree with it on at least one
    // condition attribute, grouped by agreement set and decision in order of first
    // appearance; every class is the unclassified mark.
    static void BuildAgreementMasks(const TTable& train, const TTable& test, int k, int mark, TLazyPositions& positions);
    // One set per training object, in table order, empty sets included.
    static void BuildObjectMasks(const TTable& train, const TTable& test, int k, TAgreementMasks& masks);
    // 1 when the set of position j contains that of position i.
    static int IsSuperMask(int j, int i, const TAgreementMasks& masks);
    static int BitCount(const std::uint64_t* mask, int words);
    static int CountEqualAttrs(const TTable& t, int o1, int o2, const int* attrs, int n);
    // The training objects agreeing with test object k on some condition attribute.
    static void ListAgreeingObjects(const TTable& train, const TTable& test, int k, std::vector<int>& objects,
                                    std::vector<int>& decisions);

    // Methods 2, 10 and 9; `mark` is the unclassified mark.
    static void PropagateConsistent(TLazyPositions& p, int mark);
    static void PropagateByConfidence(TLazyPositions& p, int mark, double threshold);
    static void ClassifyByMargin(TLazyPositions& p, int mark);

    // Classifies every object of test against train and reports on standard output; returns
    // the error share. The distribution entries of info become the per-class error rates;
    // errors (may be null) counts the confusions.
    static double QuickExamplesTest(const TTable& train, TDValInfo& info, const TTable& test, int method,
                                    double threshold, TWIntSack* errors);
    // The decision for test object k, or NoDecision; confidence is the winning score x 10000.
    static int ClassifyObject(const TTable& train, const TDValInfo& info, const TTable& test, int k, int method,
                              double threshold, int smallest, TLazyPositions& work, int& confidence);

    // --- decision elimination ---

    // masks and states hold one entry per training object (the index error otherwise).
    static double CoveredRatio(const TTable& train, const TAgreementMasks& masks, std::vector<int>& work,
                               std::vector<int>& states);
    static double CoveredRatioByConfidence(const TTable& train, const TAgreementMasks& masks, std::vector<int>& work,
                                           std::vector<int>& states, double threshold);
    static int EliminateDecisions(const TTable& train, const TDValInfo& info, std::vector<int>& candidates,
                                  const TAgreementMasks& masks, std::vector<int>& work, std::vector<int>& states,
                                  int smallest, double threshold);
    static double EliminationTest(const TTable& train, const TDValInfo& info, const TTable& test, double threshold);

    // --- weighted Johnson local reducts ---

    static int MatchWithOneDifference(const TTable& train, int o, const TTable& test, int k, const int* list, int n,
                                      int d, int& position);
    // The work arrays must come from PrepareJohnson for this training table.
    static double WeightedQuality(const TTable& train, const TTable& test, int k, const int* list, int n, int d,
                                  TJohnsonWork& work, int& matched);
    static int CountOtherMatching(const TTable& train, const TTable& test, int k, const int* list, int n, int d);
    static int CountSameMatching(const TTable& train, const TTable& test, int k, const int* list, int n, int d);
    static int FindPrefixLength(const TTable& train, const TTable& test, int k, int lo, int hi, const int* list,
                                int target, int d);
    static double JohnsonReductQuality(const TTable& train, const TTable& test, int k, int d, int noCond,
                                       TJohnsonWork& work);
    // Sizes the work arrays and computes the object weights from info.
    static void PrepareJohnson(const TTable& train, const TDValInfo& info, TJohnsonWork& work);
    // Prepares the work arrays itself, for every object.
    static int ClassifyJohnson(const TTable& train, const TDValInfo& info, const TTable& test, int k,
                               TJohnsonWork& work);
    // errors (may be null) gets one per-class error rate per decision value of info.
    static double TestMaxJohnson(const TTable& train, const TDValInfo& info, const TTable& test,
                                 std::vector<double>* errors);

    // --- camera drivers ---

    static void MergeDecisions(TTable& table, const TIntSack& decisions);
    static void CameraTest();
    static void CameraVoteTest();
};
