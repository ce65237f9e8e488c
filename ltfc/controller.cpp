#include "ltfc/controller.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "core/error.h"
#include "core/file_io.h"
#include "core/report.h"
#include "ltfc/exceptions.h"
#include "ltfc/labelled_file.h"
#include "ltfc/sampler.h"
#include "ltfc/stream_format.h"

namespace {

// LoadNetwork's mark of a DeltaTr the file does not hold.
constexpr float kNoDeltaTr = -100.0f;

// The at most three characters after the last ".", lower-cased.
std::string Extension(const char* file) {
    const char* dot = std::strrchr(file, '.');
    if (dot == nullptr) throw EInvalidFileFormat();
    std::string ext(dot + 1, std::min<size_t>(std::strlen(dot + 1), 3));
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}

void WriteHeaderBox(std::ostream& out, const CNet& net) {
    const std::string dashes = "$" + std::string(54, '-') + "\n";
    const CProblemType type = net.GetProblemType();
    out << dashes << "$\n$   LTF-C neural network\n$\n$\n";
    out << "$   Number of inputs:   " << type.inputs << '\n';
    out << "$   Number of outputs:  " << type.outputs << '\n';
    out << "$   Number of neurons:  " << net.GetNeuronCount() << '\n';
    out << "$\n" << dashes << "\n\n";
}

}  // namespace

CLtfcController::CLtfcController() = default;

CLtfcController::~CLtfcController() { Clear(); }

bool CLtfcController::IsCompatible(const CDataInterface& network, const CDataInterface& data) {
    return network.GetProblemType() == data.GetProblemType();
}

void CLtfcController::Clear() {
    database.reset();
    net.reset();
}

void CLtfcController::LoadDatabase(const char* file) {
    const std::string ext = Extension(file);
    if (ext != "dst" && ext != "dat") throw EInvalidFileFormat();
    // Dropped before the load, so a failed load leaves no database behind.
    database.reset();
    database = std::make_unique<CDatabase>(file, ext.c_str());
    if (net && !IsCompatible(*net, *database)) net.reset();
}

void CLtfcController::CreateNetwork() {
    if (!database) throw EMustLoadDB();
    net.reset();
    net = std::make_unique<CNet>(database->GetProblemType());
}

void CLtfcController::Train(CNetParams p, bool automatic, float x) {
    if (!database) throw EMustLoadDB();
    if (automatic) {
        std::vector<int> counts;
        database->GetSampleCounts(counts);
        if (counts.empty()) throw ENoData();
        steps = 20 * counts[0];
    }
    if (!net) CreateNetwork();
    CObjSampler sampler(*database, steps);
    params = p;
    // Always, so the parameters handed in never reach training.
    AutoParams(sampler);
    if (!automatic) {
        params.UseTr = x;
        params.EtaUse = static_cast<float>(params.UseTr);
    }
    net->ResetEtaEta();
    TrainLoop(sampler);
}

void CLtfcController::AutoParams(CObjSampler& sampler) {
    const int classes = database->GetProblemType().outputs;
    std::vector<int> counts(static_cast<size_t>(classes), 0);
    sampler.SetMode(0);
    CObjSampler::Item item;
    float* inputs = nullptr;
    int cls = 0;
    while (sampler.NextSequential(item)) {
        database->GetSample(item.first, item.second, inputs, cls);
        ++counts.at(static_cast<size_t>(cls));
    }
    const int largest = *std::max_element(counts.begin(), counts.end());
    const int total = sampler.GetSetSize(0);
    // A network exists here, and none can be sized from an empty data set 0.
    if (total < 1) throw ENoData();
    params.AutoSet(total, static_cast<double>(largest) / total);
}

void CLtfcController::TrainLoop(CObjSampler& sampler) {
    const int total = steps;
    ShowProgress2(0, 0);
    CObjSampler::Item item;
    float* inputs = nullptr;
    int cls = 0;
    while (sampler.NextRandom(item)) {
        const float fraction = static_cast<float>(total - steps) / static_cast<float>(total);
        database->GetSample(item.first, item.second, inputs, cls);
        net->Learn(inputs, cls, steps, fraction, params);
        --steps;
        ShowProgress2(static_cast<int>(fraction * 100.0), 0);
    }
    steps = total;
}

void CLtfcController::LoadNetwork(const char* file) {
    if (!database) throw EMustLoadDB();
    CNetParams read;
    float deltaTr = kNoDeltaTr;
    std::unique_ptr<CNet> loaded;
    {
        mfstream in(file);
        in.CheckValue("FileType", "net");
        in.CheckValue("NetType", "LTF-C");
        read.Read(in);
        in.ReadValueIfLabel("DeltaTr", deltaTr);
        loaded = std::make_unique<CNet>(in);
    }
    if (!IsCompatible(*loaded, *database)) throw EDiffProblemTypes();
    net = std::move(loaded);
    if (deltaTr != kNoDeltaTr) DeltaTr = deltaTr;
    params = read;
}

void CLtfcController::SaveNetwork(const char* file) {
    if (!net) throw EMustCreateNet();
    std::ostringstream out;
    WriteHeaderBox(out, *net);
    out << "@FileType\tnet\n@NetType\tLTF-C\n\n\n";
    params.Write(out);
    {
        StreamFormat notation(out);
        out << "@DeltaTr\t" << DeltaTr << "\n\n\n";
    }
    net->Write(out);
    // An existing network survives a failed write.
    if (!ReplaceWholeFile(file, out.str())) throw CalcErrorText(7, file);
}

int CLtfcController::Classify(int i, int& actual) {
    if (!database) throw EMustLoadDB();
    if (!net) throw EMustCreateNet();
    float* inputs = nullptr;
    database->GetSample(0, i, inputs, actual);
    int result = 0;
    float margin = 0.0f;
    net->Classify(inputs, -1.0f, result, margin);
    return result;
}
