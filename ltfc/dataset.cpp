#include "ltfc/dataset.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

#include "core/file_io.h"
#include "ltfc/dat_reader.h"
#include "ltfc/exceptions.h"
#include "ltfc/labelled_file.h"

CSample::CSample(std::vector<float> inputs, int cls, int nClasses)
    : inputs(std::move(inputs)), cls(cls), nClasses(nClasses) {
    nInputs = static_cast<int>(this->inputs.size());
}

CProblemType CSample::GetProblemType() const { return {nInputs, nClasses}; }

void CSample::GetSample(float*& in, int& c) {
    in = inputs.data();
    c = cls;
}

CDataset::CDataset(int numClasses) : numClasses(numClasses) {}

CDataset::~CDataset() {
    while (!samples.empty()) samples.pop_back();  // last to first
}

CProblemType CDataset::GetProblemType() const {
    if (samples.empty()) throw ENoData();
    return samples[0]->GetProblemType();
}

int CDataset::GetNumClasses() const { return numClasses; }

void CDataset::SetNumClasses(int n) {
    numClasses = n;
    for (auto& s : samples) s->nClasses = n;
}

int CDataset::GetNumSamples() const { return static_cast<int>(samples.size()); }

void CDataset::GetSample(int i, float*& inputs, int& cls) {
    if (i < 0 || i >= GetNumSamples()) throw EValueNotAllowed();
    samples[static_cast<size_t>(i)]->GetSample(inputs, cls);
}

void CDataset::AddSample(std::unique_ptr<CSample> sample) { samples.push_back(std::move(sample)); }

CDatabase::CDatabase(const char* file, const char* extension) {
    if (std::strcmp(extension, "dst") == 0) {
        LoadDst(file);
    } else if (std::strcmp(extension, "dat") == 0) {
        LoadDat(file);
    } else {
        throw EValueNotAllowed();
    }
}

CDatabase::~CDatabase() = default;

void CDatabase::GetSampleCounts(std::vector<int>& counts) const {
    counts.clear();
    for (const auto& d : datasets) counts.push_back(d->GetNumSamples());
}

void CDatabase::GetSample(int set, int i, float*& inputs, int& cls) {
    if (set < 0 || set >= static_cast<int>(datasets.size())) throw EValueNotAllowed();
    datasets[static_cast<size_t>(set)]->GetSample(i, inputs, cls);
}

CProblemType CDatabase::GetProblemType() const {
    if (datasets.empty()) throw ENoData();
    return datasets[0]->GetProblemType();
}

void CDatabase::LoadDst(const char* file) {
    mfstream in(file);
    in.CheckValue("FileType", "data");
    in.CheckValue("DataType", "classification");
    int numInputs = 0, numClasses = 0, numDatasets = 0;
    in.ReadValue("NumInputs", numInputs);
    in.ReadValue("NumClasses", numClasses);
    in.ReadValue("NumDatasets", numDatasets);
    if (numInputs < 1 || numClasses < 1 || numDatasets <= 0 || numClasses > kMaxClasses) {
        throw EIOError();
    }
    // Nothing is sized from the counts: data sets, samples and inputs grow as they are read,
    // so a count the file does not back fails at the first missing value.
    std::vector<float> inputs;
    for (int d = 0; d < numDatasets; ++d) {
        in.EnterLabel("Dataset" + std::to_string(d));
        auto set = std::make_unique<CDataset>(numClasses);
        int numSamples = 0;
        in.ReadValue("NumSamples", numSamples);
        if (numSamples < 0) throw EIOError();
        in.SeekLabel("Data");
        for (int s = 0; s < numSamples; ++s) {
            inputs.clear();
            for (int k = 0; k < numInputs; ++k) {
                float v = 0;
                in.ReadNext(v);
                inputs.push_back(v);
            }
            int cls = 0;
            in.ReadNext(cls);
            if (cls < 0 || cls >= numClasses) throw EIOError();
            set->AddSample(std::make_unique<CSample>(inputs, cls, numClasses));
        }
        datasets.push_back(std::move(set));
        in.LeaveLabel();
    }
}

void CDatabase::LoadDat(const char* file) {
    std::string bytes;
    if (!ReadWholeFile(file, bytes)) throw EIOError();
    DatReader<EIOError> r(bytes);
    // Bytes of the smallest sample record: number of inputs, class, one input.
    constexpr size_t kMinSampleBytes = 12;
    int nInputs = -1;
    int numClasses = 1;
    for (int d = 0; d < 2; ++d) {
        const std::int32_t count = r.Int();
        r.Int();  // two fields the loader does not use
        r.Int();
        if (count <= 0 || static_cast<size_t>(count) > r.Left() / kMinSampleBytes) throw EIOError();
        auto set = std::make_unique<CDataset>(1);
        int largest = -1;
        for (std::int32_t s = 0; s < count; ++s) {
            const std::int32_t n = r.Int();
            const std::int32_t cls = r.Int();
            // The problem type comes from the first sample, so all must agree with it.
            if (n < 1 || (nInputs != -1 && n != nInputs)) throw EIOError();
            nInputs = n;
            if (cls < 0 || cls >= kMaxClasses) throw EIOError();
            if (static_cast<size_t>(n) > r.Left() / 4) throw EIOError();
            std::vector<float> inputs(static_cast<size_t>(n));
            for (float& v : inputs) {
                v = r.Float();
                if (!std::isfinite(v)) throw EIOError();
            }
            largest = std::max(largest, static_cast<int>(cls));
            set->AddSample(std::make_unique<CSample>(std::move(inputs), cls, cls + 1));
        }
        set->SetNumClasses(std::max(largest + 1, 1));
        numClasses = std::max(numClasses, set->GetNumClasses());
        datasets.push_back(std::move(set));
    }
    for (auto& d : datasets) d->SetNumClasses(numClasses);
}
