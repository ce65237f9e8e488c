#include "ltfc/net.h"

#include <algorithm>
#include <cmath>

#include "core/random.h"
#include "ltfc/net_params.h"

float FastExpTable[kFastExpEntries];

namespace {

// Runs before main, so no activation ever meets an empty table.
struct FastExpTableFiller {
    FastExpTableFiller() {
        for (int i = 0; i < kFastExpEntries; ++i) FastExpTable[i] = static_cast<float>(std::exp(-0.01 * i));
    }
} fastExpTableFiller;

constexpr float kMinRecipOfRadius = 0.001f;
constexpr float kMaxCoordinate = 1000.0f;
// A neuron whose activation is at most this does not learn (unless it has momentum).
constexpr float kSilentOutput = 0.01f;

float ClampCoordinate(float v) { return std::clamp(v, -kMaxCoordinate, kMaxCoordinate); }

// u in [0, 1] from the program's 15-bit generator; 1 itself can come out.
double DrawUnit() { return Rand() / 32767.0; }

}  // namespace

float FastExp(float x) {
    if (x >= 0.0f) return 1.0f;
    if (!(x >= -5.0f)) return 0.0f;  // below the table, or NaN
    return FastExpTable[static_cast<int>(-100.0f * x)];
}

CNeuron::CNeuron(int nInputs, int nOutputs, const float* centre, int cls, std::vector<float> recipRadii,
                 double usefulness, double activity, float moment)
    : nInputs(nInputs),
      nOutputs(nOutputs),
      Class(cls),
      Weights(centre, centre + nInputs),
      RecipOfRadii(std::move(recipRadii)),
      UseMoment(moment > 0.0f),
      Moment(moment),
      AvgUsefuln(usefulness),
      AvgActiv(activity) {
    if (UseMoment) {
        MomentRadii.assign(static_cast<size_t>(nInputs), 0.0f);
        MomentWeights.assign(static_cast<size_t>(nInputs), 0.0f);
    }
}

void CNeuron::ComputeOut(const float* x) {
    float d = 0.0f;
    for (int i = 0; i < nInputs; ++i) {
        const float t = (x[i] - Weights[i]) * RecipOfRadii[i];
        d += t * t;
    }
    OutRaw = FastExp(-d);
    Out = Height * OutRaw;
}

void CNeuron::Learn(const float* x, int cls, float rPlus, float rMinus, float rGrPlus, float rGrMinus,
                    bool varHeight, float rHPlus, float rHMinus, int decay) {
    if (OutRaw > kSilentOutput || UseMoment) {
        float kw, kr, kh;
        if (cls == Class) {
            kw = rPlus * EtaEta * OutRaw;
            kr = rGrPlus * EtaEta * OutRaw;
            kh = rHPlus * EtaEta * OutRaw;
        } else {
            kw = -(rMinus * EtaEta) * OutRaw;
            kr = -(rGrMinus * EtaEta) * OutRaw;
            kh = -(rHMinus * EtaEta) * OutRaw;
        }
        if (UseMoment) {
            LearnWithMoment(x, kw, kr);
        } else {
            LearnPlain(x, kw, kr);
        }
        if (varHeight) Height *= std::exp(kh);
    }
    if (decay > 0) EtaEta = EtaEta * static_cast<float>(decay - 1) / static_cast<float>(decay);
    ++Life;
}

// The radii see the centre from before this step's move.
void CNeuron::LearnPlain(const float* x, float kw, float kr) {
    for (int i = 0; i < nInputs; ++i) {
        const float r = RecipOfRadii[i] / std::exp(kr * std::fabs((x[i] - Weights[i]) * RecipOfRadii[i]));
        RecipOfRadii[i] = std::max(r, kMinRecipOfRadius);
    }
    for (int i = 0; i < nInputs; ++i) Weights[i] = ClampCoordinate(Weights[i] + kw * (x[i] - Weights[i]));
}

void CNeuron::LearnWithMoment(const float* x, float kw, float kr) {
    const float mu = Moment;
    for (int i = 0; i < nInputs; ++i) {
        float& mr = MomentRadii[i];
        mr = mu * mr + (1.0f - mu) * kr * std::fabs((x[i] - Weights[i]) * RecipOfRadii[i]);
        RecipOfRadii[i] = std::max(RecipOfRadii[i] / std::exp(mr), kMinRecipOfRadius);
    }
    for (int i = 0; i < nInputs; ++i) {
        float& mw = MomentWeights[i];
        mw = mu * mw + (1.0f - mu) * kw * (x[i] - Weights[i]);
        Weights[i] = ClampCoordinate(Weights[i] + mw);
    }
}

CNet::CNet(CProblemType type) : Inputs(type.inputs), Outputs(type.outputs) {}

CNet::~CNet() = default;

CProblemType CNet::GetProblemType() const { return {Inputs, Outputs}; }

void CNet::ComputeOutputs(const float* x, float* out) {
    std::fill(out, out + Outputs, 0.0f);
    for (auto& n : neurons) {
        n->ComputeOut(x);
        out[n->Class] += n->Out;
    }
}

float CNet::Margin(const float* out, int cls) const {
    float other = -1.0f;
    for (int k = 0; k < Outputs; ++k) {
        if (k != cls && out[k] > other) other = out[k];
    }
    return out[cls] - other;
}

double CNet::ErrorWeight(float margin, const CNetParams& p) {
    const double m = margin;
    const double e = m > p.Delta0 ? (m - p.Delta0) / (static_cast<double>(p.DeltaMax) - p.Delta0)
                                   : (m - p.Delta0) / (static_cast<double>(p.DeltaMin) - p.Delta0);
    return std::exp(-2.0 * e * e);
}

void CNet::Learn(const float* x, int cls, int stepsLeft, float fraction, const CNetParams& p) {
    sums.assign(static_cast<size_t>(Outputs), 0.0f);
    float* out = sums.data();
    ComputeOutputs(x, out);
    const double w = ErrorWeight(Margin(out, cls), p);

    // From the last slot down, so that the neuron a removal moves into the hole has already
    // had its turn. The sums are not recomputed after a removal.
    for (int j = GetNeuronCount() - 1; j >= 0; --j) {
        CNeuron& n = *neurons[static_cast<size_t>(j)];
        out[n.Class] -= n.Out;
        const double wj = ErrorWeight(Margin(out, cls), p);
        out[n.Class] += n.Out;
        const double r = p.AlgNeurRemv == 1 ? static_cast<double>(p.EtaUse * n.OutRaw) : p.EtaUse;
        n.AvgUsefuln += r * ((wj - w) - n.AvgUsefuln);
        double a = p.ActTr + 1.0;
        if (p.AlgNeurRemv != 0) {
            n.AvgActiv += p.EtaActiv * (n.Out - n.AvgActiv);
            a = n.AvgActiv;
        }
        if (n.Life > p.MinLife2Remv && (n.AvgUsefuln < p.UseTr || a < p.ActTr)) RemoveNeuron(j);
    }

    const float rPlus = static_cast<float>(w * p.EtaPlus);
    const float rMinus = static_cast<float>(w * p.EtaMinus);
    const float rGrPlus = static_cast<float>(w * p.EtaGrPlus);
    const float rGrMinus = static_cast<float>(w * p.EtaGrMinus);
    const float rHPlus = static_cast<float>(w * p.EtaHPlus);
    const float rHMinus = static_cast<float>(w * p.EtaHMinus);
    const int decay = p.DecrsEta ? stepsLeft : 0;
    for (auto& n : neurons) {
        // Young neurons (Life at most MinLife2Remv) learn twice as fast.
        const float k = n->Life <= p.MinLife2Remv ? 2.0f : 1.0f;
        n->Learn(x, cls, k * rPlus, k * rMinus, k * rGrPlus, k * rGrMinus, p.VarHeight, k * rHPlus,
                 k * rHMinus, decay);
    }

    double s = 1.0;
    if (p.DecrsEta) s = fraction < p.NeurInsTime ? 1.0 - fraction / p.NeurInsTime : 0.0;
    InsertNeuron(x, cls, w, s * w * p.Probab, p);
    ++SumCycles;
}

void CNet::RemoveNeuron(int j) {
    neurons[static_cast<size_t>(j)] = std::move(neurons.back());
    neurons.pop_back();
}

void CNet::InsertNeuron(const float* x, int cls, double w, double p, const CNetParams& params) {
    // Drawn in every step, inserted or not, so the draws that follow depend on it.
    const double u0 = DrawUnit();
    if (GetNeuronCount() >= std::min(params.MaxNeur, kMaxNeurons)) return;
    if (u0 >= p && !neurons.empty()) return;

    const float base = static_cast<float>(params.InitRadCoef / std::sqrt(static_cast<double>(Inputs)));
    float lo = base, hi = base;
    for (const auto& n : neurons) {
        for (float v : n->RecipOfRadii) {
            if (v < lo) {
                lo = v;
            } else if (v > hi) {
                hi = v;
            }
        }
    }
    const double rMin = 1.0 / (hi + 0.000001);
    const double rMax = 1.0 / (lo + 0.000001);
    auto drawRecip = [&] { return static_cast<float>(1.0 / (rMin + DrawUnit() * (rMax - rMin))); };

    std::vector<float> recip(static_cast<size_t>(Inputs));
    if (DrawUnit() < params.EqualRadProb) {
        std::fill(recip.begin(), recip.end(), drawRecip());
    } else {
        for (float& r : recip) r = drawRecip();
    }

    double usefulness = 0.0;
    if (params.AlgNeurRemv == 0) {
        usefulness = 8 * params.UseTr;
    } else if (params.AlgNeurRemv == 1) {
        usefulness = w;
    }
    neurons.push_back(std::make_unique<CNeuron>(Inputs, Outputs, x, cls, std::move(recip), usefulness,
                                                8 * params.ActTr, params.Moment));
}

void CNet::Classify(const float* x, float threshold, int& result, float& margin) {
    sums.assign(static_cast<size_t>(Outputs), 0.0f);
    ComputeOutputs(x, sums.data());
    float best = -1.0f, second = -1.0f;
    int winner = -1;
    for (int k = 0; k < Outputs; ++k) {
        const float v = sums[static_cast<size_t>(k)];
        if (v > best) {
            second = best;
            best = v;
            winner = k;
        } else if (v > second) {
            second = v;
        }
    }
    margin = best - second;
    result = margin > threshold ? winner : -winner - 1;
}

void CNet::ResetEtaEta() {
    for (auto& n : neurons) n->EtaEta = 1.0f;
}
