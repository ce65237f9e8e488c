#pragma once

class TDValInfo;
class TTable;

// Classifies the objects of a test table by the decisions of their nearest objects in a
// training table. The decision is the last column of both tables; a distance runs over the
// condition attributes of the first table it is given (all columns but its last). The
// decision values, and the order in which they win ties, come from a TDValInfo.
//
// Differences are taken in 64 bits and weighted in double: the missing value 2147483647
// minus a negative value, or times a weight of 2 or more, leaves the int range.
//
// The procedures need two tables of the same columns when both hold objects, and a weights
// array with one entry per condition attribute; tables of different columns are CalcError 9.
// A failed allocation is CalcError 2.
class TKnnClassifier {
public:
    // The answer of an object no decision value votes for.
    static constexpr int NoAnswer = 2147483647;

    TKnnClassifier() = default;

    static long long AbsValue(long long x) { return x < 0 ? -x : x; }
    // Attributes on which object o1 of t1 and object o2 of t2 differ.
    static int HammingDistance(const TTable* t1, int o1, const TTable* t2, int o2);
    // The sum of w[a] x |x - y|.
    static double WeightedDistance(const TTable* t1, int o1, const TTable* t2, int o2, const int* w);
    // The sum of |x - y| raised to the power w[a].
    static double PowerDistance(const TTable* t1, int o1, const TTable* t2, int o2, const int* w);

    // The share of test objects whose k-nearest-neighbour answer is their decision; 0.0 for a
    // k outside 1 .. training objects, or no test object. Test objects 0, 100, 200, ... are
    // reported on standard output as they come.
    double Accuracy(const TTable* train, const TDValInfo* values, const TTable* test, int k, const int* w) const;
    // Writes the answer into each test object's decision; nothing for a k out of range.
    void ClassifyInPlace(const TTable* train, const TDValInfo* values, TTable* test, int k, const int* w) const;
    // Each neighbour votes with 1 / distance (a neighbour at distance 0 with an infinite
    // vote); correct answers over answered objects, 0.0 when none is answered.
    double WeightedVoteAccuracy(const TTable* train, const TDValInfo* values, const TTable* test, int k,
                                const int* w) const;
    // The majority of the training objects within Hamming distance 0, else 1, answers; the
    // radius that answered is printed. accuracy: correct over answered (0 when none is);
    // coverage: answered over test objects.
    void RadiusClassify(const TTable* train, const TDValInfo* values, const TTable* test, double* accuracy,
                        double* coverage) const;
};
