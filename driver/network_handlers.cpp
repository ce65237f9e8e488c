#include <cfloat>
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "core/error.h"
#include "core/report.h"
#include "core/table.h"
#include "driver/handler_frame.h"
#include "driver/handlers.h"
#include "ltfc/controller.h"
#include "ltfc/exceptions.h"

void DoCreateLTFC(const TStringSack& config) {
    CommandParams p(config);
    const std::string dataFile = p.Text(1);
    const int automatic = p.Int(2);
    const int steps = p.Int(3);
    const double xRead = p.Real(4);
    // X is kept in single precision and becomes the usefulness rate: a value that is not a
    // finite float there would train on nan or inf and save a network no reader accepts. It
    // is a bad parameter whether or not the automatic mode then uses it.
    const bool xFits = std::isfinite(xRead) && std::fabs(xRead) <= FLT_MAX;
    const float x = xFits ? static_cast<float>(xRead) : 0.0f;
    const std::string networkFile = p.Text(5);
    const std::string logFile = p.Text(6);
    const std::vector<std::string> lines = {"Constructing neural networks for table: " + dataFile,
                                            "Networks will be saved to: " + networkFile};
    RunCommand(kNetworkCommand, lines, logFile, lines, [&] {
        if (!xFits) throw EValueNotAllowed();
        CLtfcController controller;
        CNetParams params;
        if (automatic == 0) params.SetDefaultsEtaUse(x);
        controller.steps = steps;
        controller.LoadDatabase(dataFile.c_str());
        controller.Train(params, automatic != 0, x);
        controller.SaveNetwork(networkFile.c_str());
        controller.Clear();
    }, {{dataFile}, {{networkFile, [&] { throw CalcErrorText(7, networkFile.c_str()); }}}});
}

void DoTestTableLTFC(const TStringSack& config) {
    CommandParams p(config);
    const std::string dataFile = p.Text(1);
    const std::string networkFile = p.Text(2);
    const std::string resultsFile = p.Text(3);
    const std::string logFile = p.Text(4);
    const std::vector<std::string> lines = {"Testing table: " + dataFile,
                                            "Using neural network: " + networkFile,
                                            "Results will be saved to: " + resultsFile};
    RunCommand(kNetworkCommand, lines, logFile, lines, [&] {
        CLtfcController controller;
        controller.LoadDatabase(dataFile.c_str());
        try {
            controller.LoadNetwork(networkFile.c_str());
        } catch (const EDiffProblemTypes&) {
            LogMessage("Wczytana siec jest innego typu niz dane");
            throw;
        }
        std::vector<int> counts;
        controller.GetDatabase()->GetSampleCounts(counts);
        const int n = counts.at(0);
        TTable results;
        results.CreateTable(n, 1);
        int hits = 0, misses = 0;
        const int licz = 0;  // shown beside the accuracy; nothing in this command counts it
        for (int i = 0; i < n; ++i) {
            ShowProgress(static_cast<int>(100LL * i / n));
            int actual = 0;
            const int predicted = controller.Classify(i, actual);
            results.SetTable(i, 0, predicted);
            if (predicted == actual) {
                ++hits;
            } else {
                ++misses;
            }
        }
        // Without samples there is no accuracy to speak of: shown as 0 rather than nan.
        const double accuracy = hits + misses > 0 ? static_cast<double>(hits) / (hits + misses) : 0.0;
        std::ostringstream acc;
        acc << "Acc=" << accuracy << "         licz=" << licz;
        // No line end: the table writer's "Table saved to" message continues this line.
        LogFile.Write(acc.str().c_str());
        results.Save(resultsFile.c_str());
    }, {{dataFile, networkFile}, {{resultsFile, [&] { TTable::SaveFailed(resultsFile.c_str()); }}}});
}
