#pragma once

#include <memory>
#include <string>
#include <vector>

// The per-class tables of the database hold this many classes; a file naming more is refused.
inline constexpr int kMaxBinaryDbClasses = 1000;

// A training database in one binary file: a name and, per class, rows of real values, each
// row a first block of widthA values followed by a second block of widthB. It hands out
// columns and column statistics and draws rows of class 0 at random without replacement.
// Every failure while opening throws EOpenDBError.
class CBinaryDB {
public:
    // Selects the second form of GetColumn, which counts columns within the second block.
    struct SecondBlock {};
    static constexpr SecondBlock kSecondBlock{};

    // Reads the file, computes the statistics, leaves both pools empty and re-seeds the
    // random generators from the clock.
    explicit CBinaryDB(const char* file);
    CBinaryDB(const CBinaryDB&) = delete;
    CBinaryDB& operator=(const CBinaryDB&) = delete;

    // 0: the size of the pool of class 0; 1: of class 1; any other: 0.
    int GetCount(int which) const;
    // 0 for a class outside the file.
    int GetClassSize(int c) const;
    // A new array of value j (0..widthA + widthB - 1) of every row of class c, in file
    // order, and its length; null and 0 for an invalid class or column.
    void GetColumn(int c, int j, std::unique_ptr<float[]>& out, int& n) const;
    // The same for value j (0..widthB - 1) of the second block.
    void GetColumn(SecondBlock, int c, int j, std::unique_ptr<float[]>& out, int& n) const;
    // New arrays: mean and standard deviation of the first block's columns, then of the
    // second block's.
    void AllocBuffers(std::unique_ptr<float[]>& meanA, std::unique_ptr<float[]>& stddevA,
                      std::unique_ptr<float[]>& meanB, std::unique_ptr<float[]>& stddevB) const;
    // Fills the pool of class 0 with its rows in file order and starts a cycle; with two
    // classes or more also the pool of class 1.
    void PreparePool();
    // A row of class 0 not yet drawn in this cycle (a new cycle begins once all have been):
    // first points at the row, second at its second block. Returns the rows left in the
    // cycle. Before PreparePool both pointers are null and the result is 0.
    int DrawExample(float*& first, float*& second);

private:
    void Read(const char* file);
    void ComputeStatistics();
    void Column(int c, int column, std::unique_ptr<float[]>& out, int& n) const;

    std::string name;  // with its terminating byte, as read
    int widthA = 0;
    int widthB = 0;
    int width = 0;
    int classes = 0;
    unsigned char flag = 0;
    int extra = 0;
    std::vector<std::vector<float>> rows;  // per class: count[c] rows of width values
    std::vector<int> count;
    int total = 0;
    std::vector<float> mean;
    std::vector<float> stddev;
    std::vector<float*> poolA;
    std::vector<float*> poolB;
    int sizeA = 0;
    int sizeB = 0;
    int leftA = 0;
    int leftB = 0;
};
