#include "core/error.h"
#include "discretization/directions/lin_comb_maker.h"
#include "driver/handler_frame.h"
#include "driver/handlers.h"

void DoGenerateDirections(const TStringSack& config) {
    CommandParams p(config);
    const std::string table = p.Text(1);
    const std::string pattern = p.Text(2);
    const int measureType = p.Int(3);
    const std::string outputFile = p.Text(4);
    const std::string logFile = p.Text(5);
    const std::vector<std::string> lines{"Generating liner combinations: " + table,
                                         "Patterns of linear combinations: " + pattern,
                                         "Liner combinations will be saved to: " + outputFile};
    RunCommand(kScalingCommand, lines, logFile, lines, [&] {
        TLinCombMaker maker;
        maker.GenerateLinComb(table.c_str(), pattern.c_str(), measureType, outputFile.c_str());
    }, {{table}, {{outputFile, [&] { throw CalcErrorText(7, outputFile.c_str()); }}}});
}
