#include "core/error.h"
#include "driver/handler_frame.h"
#include "driver/handlers.h"
#include "ltfc/controller.h"

void DoCreateLTFC(const TStringSack& config) {
    CommandParams p(config);
    const std::string dataFile = p.Text(1);
    const int automatic = p.Int(2);
    const int steps = p.Int(3);
    const float x = static_cast<float>(p.Real(4));
    const std::string networkFile = p.Text(5);
    const std::string logFile = p.Text(6);
    const std::vector<std::string> lines = {"Constructing neural networks for table: " + dataFile,
                                            "Networks will be saved to: " + networkFile};
    RunCommand(kNetworkCommand, lines, logFile, lines, [&] {
        CLtfcController controller;
        CNetParams params;
        if (automatic == 0) params.SetDefaultsEtaUse(x);
        controller.steps = steps;
        controller.LoadDatabase(dataFile.c_str());
        controller.Train(params, automatic != 0, x);
        controller.SaveNetwork(networkFile.c_str());
        controller.Clear();
    });
}

void DoTestTableLTFC(const TStringSack& config) {
    CommandParams p(config);
    const std::string dataFile = p.Text(1);
    const std::string networkFile = p.Text(2);
    const std::string resultsFile = p.Text(3);
    const std::string logFile = p.Text(4);
    throw CalcErrorText(11, "TEST_TABLE_LTFC");
}
