#pragma once

#include <memory>
#include <vector>

// The examples of the network code: a database of one or more data sets of samples, each
// sample a vector of real inputs and a class. Data set 0 is the one that training and
// classification use. Loaded from a ".dst" description or a ".dat" binary file.

// The numbers of inputs and classes that a network and a database must share.
struct CProblemType {
    int inputs = -1;
    int outputs = -1;

    bool operator==(const CProblemType& other) const {
        return inputs == other.inputs && outputs == other.outputs;
    }
};

class CDataInterface {
public:
    virtual CProblemType GetProblemType() const = 0;

protected:
    ~CDataInterface() = default;
};

// A sample source for the presentation order: the number of samples of each data set.
class CDatabaseBase {
public:
    virtual void GetSampleCounts(std::vector<int>& counts) const = 0;
    virtual ~CDatabaseBase() = default;
};

// A class number sizes per-class arrays (vote sums, class counts), so a file may not name
// more classes than this.
inline constexpr int kMaxClasses = 100000;

class CSample : public CDataInterface {
public:
    CSample(std::vector<float> inputs, int cls, int nClasses);

    CProblemType GetProblemType() const override;
    // Its inputs (not copied) and class.
    void GetSample(float*& inputs, int& cls);

private:
    friend class CDataset;  // a data set gives all its samples one class count
    std::vector<float> inputs;
    int cls;
    int nInputs;
    int nClasses;
};

class CDataset : public CDataInterface {
public:
    explicit CDataset(int numClasses);
    CDataset(const CDataset&) = delete;
    CDataset& operator=(const CDataset&) = delete;

    // ENoData when the data set holds no sample.
    CProblemType GetProblemType() const override;
    virtual ~CDataset();
    virtual int GetNumClasses() const;
    // Every sample takes the class count as well.
    virtual void SetNumClasses(int n);
    virtual int GetNumSamples() const;
    // Sample i's inputs (not copied) and class; EValueNotAllowed outside 0..count-1.
    virtual void GetSample(int i, float*& inputs, int& cls);

    void AddSample(std::unique_ptr<CSample> sample);

private:
    std::vector<std::unique_ptr<CSample>> samples;
    int numClasses;
};

class CDatabase : public CDatabaseBase, public CDataInterface {
public:
    // "dst": a labelled description; "dat": the binary file of two data sets; any other
    // extension: EValueNotAllowed.
    CDatabase(const char* file, const char* extension);
    CDatabase(const CDatabase&) = delete;
    CDatabase& operator=(const CDatabase&) = delete;

    void GetSampleCounts(std::vector<int>& counts) const override;
    ~CDatabase() override;
    // EValueNotAllowed for a set or sample index outside the database.
    virtual void GetSample(int set, int i, float*& inputs, int& cls);
    // The problem type of data set 0; ENoData without one.
    CProblemType GetProblemType() const override;

private:
    void LoadDst(const char* file);
    void LoadDat(const char* file);

    std::vector<std::unique_ptr<CDataset>> datasets;
};
