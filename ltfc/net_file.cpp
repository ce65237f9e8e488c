// The network and its neurons in the network file (text) and in the binary dump.
#include <bit>
#include <cstdint>
#include <limits>
#include <string>

#include "ltfc/labelled_file.h"
#include "ltfc/net.h"
#include "ltfc/stream_format.h"

static_assert(sizeof(float) == 4 && std::numeric_limits<float>::is_iec559,
              "the binary dump holds IEEE single-precision floats");

namespace {

// Values per line of a vector in the text file.
constexpr int kValuesPerLine = 9;

void WriteVector(std::ostream& out, const std::vector<float>& v) {
    for (size_t i = 0; i < v.size(); ++i) {
        if (i % kValuesPerLine == 0) out << "\n ";
        out << ' ';
        out.width(7);
        out << v[i];
    }
}

// The vector right after `label` in the current section. Values are appended as they are
// read, so a count the file does not back fails at the first missing value.
void ReadVector(mfstream& in, const char* label, int n, std::vector<float>& v) {
    in.SeekLabel(label);
    v.clear();
    for (int i = 0; i < n; ++i) {
        float value = 0.0f;
        in.ReadNext(value);
        v.push_back(value);
    }
}

void PutInt32(std::ostream& out, std::int32_t value) {
    const auto u = static_cast<std::uint32_t>(value);
    const char bytes[4] = {static_cast<char>(u & 0xFF), static_cast<char>((u >> 8) & 0xFF),
                           static_cast<char>((u >> 16) & 0xFF), static_cast<char>((u >> 24) & 0xFF)};
    out.write(bytes, 4);
}

void PutFloat32(std::ostream& out, float value) { PutInt32(out, std::bit_cast<std::int32_t>(value)); }

// The most whitespace-separated values a file can hold: each takes a character and a separator.
long long MaxValuesIn(mfstream& in) {
    in.clear();
    in.seekg(0, std::ios::end);
    const std::streamoff bytes = in.tellg();
    in.clear();
    return bytes < 0 ? 0 : (static_cast<long long>(bytes) + 1) / 2;
}

}  // namespace

CNeuron::CNeuron(mfstream& in, int nInputs, int nOutputs) : nInputs(nInputs), nOutputs(nOutputs) {
    in.ReadValue("Class", Class);
    in.ReadValueIfLabel("Life", Life);
    in.ReadValue("AvgUsefuln", AvgUsefuln);
    in.ReadValue("EtaEta", EtaEta);
    in.ReadValueIfLabel("UseMoment", UseMoment);
    in.ReadValueIfLabel("Moment", Moment);
    in.ReadValueIfLabel("AvgActiv", AvgActiv);
    in.ReadValueIfLabel("Height", Height);
    if (Class < 0 || Class >= nOutputs || Life < 0) throw errinit();
    ReadVector(in, "Weights", nInputs, Weights);
    ReadVector(in, "RecipOfRadii", nInputs, RecipOfRadii);
    if (UseMoment) {
        MomentRadii.assign(static_cast<size_t>(nInputs), 0.0f);
        MomentWeights.assign(static_cast<size_t>(nInputs), 0.0f);
    }
}

void CNeuron::Write(std::ostream& out) const {
    {
        StreamFormat fixed(out, std::ios::fixed, 8);
        out << " @Class \t" << Class << '\n';
        out << " @Life  \t" << Life << '\n';
        out << " @AvgUsefuln\t" << AvgUsefuln << '\n';
        out << " @AvgActiv\t" << AvgActiv << '\n';
    }
    {
        StreamFormat fixed(out, std::ios::fixed, 3);
        out << " @EtaEta\t" << EtaEta << '\n';
        if (UseMoment) {
            out << " @UseMoment\t" << 1 << '\n';
            out << " @Moment\t" << Moment << '\n';
        }
        out << " @Out   \t" << Out << '\n';
        if (Out != OutRaw) out << " @OutRaw\t" << OutRaw << "\n\n";
    }
    StreamFormat fixed(out, std::ios::fixed, 4);
    out << " @Height\t" << Height << "\n\n";
    out << " @Weights";
    WriteVector(out, Weights);
    out << "\n\n";
    out << " @RecipOfRadii";
    WriteVector(out, RecipOfRadii);
    out << '\n';
}

void CNeuron::WriteBinary(std::ostream& out) const {
    for (float v : Weights) PutFloat32(out, v);
    for (float v : RecipOfRadii) PutFloat32(out, v);
    PutInt32(out, Class);
}

CNet::CNet(mfstream& in) {
    int count = 0;
    in.ReadValue("Inputs", Inputs);
    in.ReadValue("Outputs", Outputs);
    in.ReadValue("Neurons", count);
    in.ReadValueIfLabel("SumCycles", SumCycles);
    if (Inputs < 1 || Outputs < 1 || Outputs > kMaxClasses || count < 0 || count > kMaxNeurons) {
        throw mfstream::badvalue();
    }
    // Every neuron carries two vectors of Inputs values; refuse sizes the file cannot back
    // before anything is allocated from them.
    if (count > 0 && 2LL * count * Inputs > MaxValuesIn(in)) throw mfstream::badvalue();
    for (int i = 0; i < count; ++i) {
        in.EnterLabel("Neuron" + std::to_string(i));
        neurons.push_back(std::make_unique<CNeuron>(in, Inputs, Outputs));
        in.LeaveLabel();
    }
}

void CNet::Write(std::ostream& out) const {
    StreamFormat fixed(out, std::ios::fixed, 6);
    out << "@Inputs \t" << Inputs << '\n';
    out << "@Outputs\t" << Outputs << '\n';
    out << "@Neurons\t" << GetNeuronCount() << "\n\n";
    out << "@SumCycles\t" << SumCycles << "\n\n\n";
    for (int i = 0; i < GetNeuronCount(); ++i) {
        out << "@<Neuron" << i << '\n';
        neurons[static_cast<size_t>(i)]->Write(out);
        out << "@>\n\n";
    }
}

void CNet::WriteBinary(std::ostream& out) const {
    PutInt32(out, Inputs);
    PutInt32(out, Outputs);
    PutInt32(out, GetNeuronCount());
    for (const auto& n : neurons) n->WriteBinary(out);
}
