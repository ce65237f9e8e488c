#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "ltfc/labelled_file.h"
#include "ltfc/net.h"
#include "tests/support/test_files.h"

// Networks for tests, written as the compact labelled text a person would type and read
// through the real reader, so that a test sets exactly the neurons it reasons about.
struct NeuronText {
    NeuronText(int cls, std::vector<float> weights, std::vector<float> recip, int life = 0,
               double usefulness = 0.5, std::string extra = "")
        : cls(cls), weights(std::move(weights)), recip(std::move(recip)), life(life),
          usefulness(usefulness), extra(std::move(extra)) {}

    int cls;
    std::vector<float> weights;
    std::vector<float> recip;
    int life;
    double usefulness;
    std::string extra;  // further labels of the section, e.g. "@Height 2"
};

inline std::string Exact(double v) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.17g", v);
    return buf;
}

inline std::string NetworkText(int inputs, int outputs, const std::vector<NeuronText>& neurons,
                               int sumCycles = 0) {
    std::string t = "@Inputs " + std::to_string(inputs) + " @Outputs " + std::to_string(outputs) +
                    " @Neurons " + std::to_string(neurons.size()) + " @SumCycles " +
                    std::to_string(sumCycles) + "\n";
    for (size_t i = 0; i < neurons.size(); ++i) {
        const NeuronText& n = neurons[i];
        t += "@<Neuron" + std::to_string(i) + " @Class " + std::to_string(n.cls) + " @Life " +
             std::to_string(n.life) + " @AvgUsefuln " + Exact(n.usefulness) + " @EtaEta 1 " + n.extra +
             "\n @Weights";
        for (float v : n.weights) t += " " + Exact(v);
        t += "\n @RecipOfRadii";
        for (float v : n.recip) t += " " + Exact(v);
        t += "\n@>\n";
    }
    return t;
}

// Reads a network from `text` through a file in `dir`.
inline std::unique_ptr<CNet> ReadNetwork(const ScratchDir& dir, const std::string& text) {
    static int files = 0;
    const std::string name = dir.File("net" + std::to_string(++files) + ".txt");
    WriteFileBytes(name, text);
    mfstream in(name.c_str());
    return std::make_unique<CNet>(in);
}
