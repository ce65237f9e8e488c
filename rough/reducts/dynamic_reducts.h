#pragma once

#include <memory>
#include <vector>

class TDValInfo;
class TPosRegion;
class TRed;
class TRedMemory;
class TTable;

// Dynamic reducts: reducts of a table that stay reducts in many random subtables of it. The
// reducts are computed, random subtables drawn, and every reduct counts the subtables in
// which it still keeps the positive region; the most stable one is reported.
//
// The procedures print their progress on standard output: a ruler of one character per
// sample, then a mark per sample, each flushed as it comes.
class TDynamicReducts {
public:
    TDynamicReducts();
    ~TDynamicReducts();
    TDynamicReducts(const TDynamicReducts&) = delete;
    TDynamicReducts& operator=(const TDynamicReducts&) = delete;

    // A new subtable of at least two (at most all) distinct objects of t, at most maxSize,
    // rows in drawing order; the size is drawn as the size of a random subset (a negative
    // maxSize gives two objects). An empty t or a maxSize of 0 is CalcError 9: no subtable
    // can be drawn.
    void RandomSubtable(const TTable* t, int maxSize);

    // The most stable of t's genetic reducts over 300 samples of at most 10,000 objects:
    // its attributes to list (room for the condition attributes) and their number to *len,
    // 0 when no reduct has a stability above 0. The memory is dropped afterwards.
    void CalcDynamicReducts(TTable* t, int* list, int* len);
    // The same over 250 samples of at most 1,000 objects; the reducts and their counts are
    // written to "DYNAMIC_LARGE.RED" in the working folder and stay in the memory.
    void CalcDynamicReductsGenetic(TTable* t, int* list, int* len);
    // All global reducts of t into m, with their stability over 300 samples of any size
    // (none when m holds fewer than two reducts).
    void CalcDynamicReductsAll(TTable* t, TRedMemory* m);
    // Reducts of 300 random subtables into m, then their stability over 300 more samples.
    void CalcLocalDynamicReducts(TTable* t, TRedMemory* m);

    // The pre-order positions in m of the most stable reducts: those of stability at least
    // t for the first of t = 1.0, 0.9, ... 0.1 that selects more than one, else those of
    // 0.1 and above. *count gets their number; none, and "UWAGA: BRAK REDUKTOW!!!", when no
    // reduct reaches 0.1. a is not used.
    std::vector<int> GetBestReduct(int a, int* count, TRedMemory* m);

    // The test objects classified by the reducts of "TEST.RED" in the working folder, which
    // replace the memory: the most stable reduct first (AnswerByReducts), "no answer" being
    // one below the smallest decision value. Prints "Liczba reduktow: " and their number,
    // each reduct tried, an empty line and "Results: " with the accuracy over the answered
    // objects, the error, the unanswered share and the correct share. Tables that both hold
    // objects but differ in their columns are CalcError 9, a reduct naming a column they lack
    // CalcError 5.
    void TestReducts(const TTable* train, const TDValInfo* values, const TTable* test);

    TRedMemory* GetMemory() const { return memory.get(); }
    TTable* GetSubtable() const { return subtable.get(); }

private:
    // One sample: the mark, a new subtable, and every reduct of m counted on it. list needs
    // room for t's attributes.
    void Sample(const TTable* t, int maxSize, char mark, TPosRegion& region, TRedMemory& m, int* list);
    void Samples(int count, const TTable* t, int maxSize, char mark, TRedMemory& m);
    // The best reduct of the memory: its stability printed, its attributes to list / len.
    void ReportBest(int* list, int* len) const;

    std::unique_ptr<TRedMemory> memory;
    std::unique_ptr<TTable> subtable;
};

// The answer of each test object by reducts taken in the given order: the first whose
// matching training objects agree on a decision other than none (TRed::ClassifyObject);
// none where no reduct answers. While objects remain without an answer, each reduct tried
// prints its position and a blank.
std::vector<int> AnswerByReducts(TRed* const* reducts, int n, const TTable* train, const TTable* test, int none);
