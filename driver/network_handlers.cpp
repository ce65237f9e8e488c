#include "core/error.h"
#include "driver/handler_frame.h"
#include "driver/handlers.h"

void DoCreateLTFC(const TStringSack& config) {
    CommandParams p(config);
    const std::string dataFile = p.Text(1);
    const int automatic = p.Int(2);
    const int steps = p.Int(3);
    const float x = static_cast<float>(p.Real(4));
    const std::string networkFile = p.Text(5);
    const std::string logFile = p.Text(6);
    (void)automatic, (void)steps, (void)x;
    throw CalcErrorText(11, "CREATE_LTFC");
}

void DoTestTableLTFC(const TStringSack& config) {
    CommandParams p(config);
    const std::string dataFile = p.Text(1);
    const std::string networkFile = p.Text(2);
    const std::string resultsFile = p.Text(3);
    const std::string logFile = p.Text(4);
    throw CalcErrorText(11, "TEST_TABLE_LTFC");
}
