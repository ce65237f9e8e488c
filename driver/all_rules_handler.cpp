#include "core/error.h"
#include "driver/handler_frame.h"
#include "driver/handlers.h"

void DoCalculateAllRules(const TStringSack& config) {
    CommandParams p(config);
    const std::string table = p.Text(1);
    const int notDiscernNull = p.Int(2);
    const std::string rulesFile = p.Text(3);
    const std::string logFile = p.Text(4);
    (void)notDiscernNull;
    throw CalcErrorText(11, "CALCULATE_ALL_RULES");
}
