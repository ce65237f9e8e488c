#pragma once

#include <utility>
#include <vector>

class CDatabaseBase;

// The order in which training sees its examples: random passes over data set 0, each a
// fresh permutation, for a fixed number of draws; and a plain sequential pass over one data
// set. Every construction re-seeds the generators from the clock.
class CObjSampler {
public:
    // A drawn item: (data set, sample index).
    using Item = std::pair<int, int>;

    // Random draws over data set 0, at most maxDraws of them.
    CObjSampler(const CDatabaseBase& source, int maxDraws);
    // Sequential passes only: random draws yield nothing.
    explicit CObjSampler(const CDatabaseBase& source);
    virtual ~CObjSampler() = default;

    // 0: size of data set 0; 1: of data set 1; 2: of the data set of the sequential pass.
    virtual int GetCount(int which) const;
    // 0 when there is no such data set.
    virtual int GetSetSize(int i) const;
    // The data set of the sequential pass: 0 or 1, and it must exist (EValueNotAllowed).
    virtual void SetMode(int m);
    virtual bool NextRandom(Item& out);
    virtual bool NextSequential(Item& out);

protected:
    std::vector<int> sizes;
    std::vector<int> order;
    int current = 1;
    int cursor = 0;
    int position = 0;
    int maxDraws = 0;
    int draws = 0;

private:
    void Init(const CDatabaseBase& source);
};

// A k-fold split of data set 0: fold f trains on the indices i with i mod k != f and tests
// on the others. Random draws go over the training indices of the current fold.
class CCrossValSampler : public CObjSampler {
public:
    // EValueNotAllowed when k < 2.
    CCrossValSampler(const CDatabaseBase& source, int maxDraws, int k);

    // 0: training count; 1: test count; 2: the count of the current mode.
    int GetCount(int which) const override;
    // 0 training pass, 1 test pass; 2 is refused (EValueNotAllowed).
    void SetMode(int m) override;
    // The pass of the current mode over data set 0.
    bool Next(Item& out);
    bool NextSequential(Item& out) override { return Next(out); }
    // Moves to the next fold; false once every fold has been used.
    bool NextFold();

private:
    int k;
    int fold = -1;
    int mode = 0;
    int foldPosition = 0;
};
