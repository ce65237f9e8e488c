#pragma once

#include <exception>
#include <memory>
#include <ostream>
#include <vector>

#include "ltfc/dataset.h"

class mfstream;
struct CNetParams;

// exp(-0.01 * i) for i = 0..501, filled by a static initializer before main runs: every
// activation of every neuron goes through it, so it must never be computed on the way.
inline constexpr int kFastExpEntries = 502;
extern float FastExpTable[kFastExpEntries];

// A step function, not an interpolation: -5 <= x < 0 gives the entry trunc(-100 x), so any x
// above -0.01 gives 1; below -5 (and for NaN) 0; from 0 upwards 1.
float FastExp(float x);

// A network holds at most this many neurons, whatever MaxNeur asks for.
inline constexpr int kMaxNeurons = 10000;

// One local neuron: a bump of height Height around its centre Weights, with a reciprocal
// radius per input, voting for one class. Fields are plain, as the training step and the
// network file work on them directly.
class CNeuron {
public:
    // Thrown for a neuron section whose Class is not a class of the network or whose Life is
    // negative. Deliberately not an EException: it is not one of the reader's format errors.
    class errinit : public std::exception {
    public:
        const char* what() const noexcept override { return "CNeuron::errinit"; }
    };

    // A new neuron centred on `centre`: Height 1, Out = OutRaw = 0, EtaEta 1, Life 0;
    // momentum vectors (zeros) only when moment > 0.
    CNeuron(int nInputs, int nOutputs, const float* centre, int cls, std::vector<float> recipRadii,
            double usefulness, double activity, float moment);
    // Read from the current section of a network file.
    CNeuron(mfstream& in, int nInputs, int nOutputs);

    void ComputeOut(const float* x);
    // One learning step on the example (x, cls) with the network's rates of this step.
    void Learn(const float* x, int cls, float rPlus, float rMinus, float rGrPlus, float rGrMinus,
               bool varHeight, float rHPlus, float rHMinus, int decay);
    void Write(std::ostream& out) const;
    void WriteBinary(std::ostream& out) const;

    int nInputs;
    int nOutputs;
    int Class = 0;
    int Life = 0;
    std::vector<float> Weights;
    std::vector<float> RecipOfRadii;
    float Height = 1.0f;
    float Out = 0.0f;
    float OutRaw = 0.0f;
    float EtaEta = 1.0f;
    bool UseMoment = false;
    float Moment = 0.0f;
    std::vector<float> MomentRadii;    // accumulated radius exponents
    std::vector<float> MomentWeights;  // accumulated centre steps
    double AvgUsefuln = 0.0;
    double AvgActiv = 0.0;

private:
    void LearnPlain(const float* x, float kw, float kr);
    void LearnWithMoment(const float* x, float kw, float kr);
};

// The LTF-C classifier: the outputs of the neurons of each class are summed and the class of
// the largest sum wins. Trained on line, one example per step.
class CNet : public CDataInterface {
public:
    explicit CNet(CProblemType type);
    // Read from a network file, at its top level (Inputs, Outputs, Neurons, SumCycles, then
    // the sections Neuron0, Neuron1, ...).
    explicit CNet(mfstream& in);
    CNet(const CNet&) = delete;
    CNet& operator=(const CNet&) = delete;
    virtual ~CNet();

    CProblemType GetProblemType() const override;

    // out[k] := summed output of the class-k neurons; also leaves every neuron's Out/OutRaw.
    void ComputeOutputs(const float* x, float* out);
    void Learn(const float* x, int cls, int stepsLeft, float fraction, const CNetParams& p);
    // result: the winning class when the margin exceeds threshold, else -winner - 1.
    void Classify(const float* x, float threshold, int& result, float& margin);
    void ResetEtaEta();
    void Write(std::ostream& out) const;
    void WriteBinary(std::ostream& out) const;

    // exp(-2 e^2) of the margin's distance from Delta0, scaled by DeltaMax or DeltaMin.
    static double ErrorWeight(float margin, const CNetParams& p);

    int GetNeuronCount() const { return static_cast<int>(neurons.size()); }
    const CNeuron& GetNeuron(int i) const { return *neurons.at(static_cast<size_t>(i)); }
    int GetSumCycles() const { return SumCycles; }

private:
    // out[cls] minus the largest other sum, that largest starting at -1.
    float Margin(const float* out, int cls) const;
    void RemoveNeuron(int j);
    void InsertNeuron(const float* x, int cls, double w, double p, const CNetParams& params);

    int Inputs = 0;
    int Outputs = 0;
    int SumCycles = 0;
    std::vector<std::unique_ptr<CNeuron>> neurons;  // slots 0..nneur-1, nneur = size()
    std::vector<float> sums;                        // scratch of Learn and Classify
};
