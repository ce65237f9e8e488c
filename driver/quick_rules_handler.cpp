#include "core/error.h"
#include "driver/handler_frame.h"
#include "driver/handlers.h"

void DoCalculateQuickRules(const TStringSack& config) {
    CommandParams p(config);
    const std::string table = p.Text(1);
    const double fraction = p.Real(2);
    const std::string rulesFile = p.Text(3);
    const std::string logFile = p.Text(4);
    (void)fraction;
    throw CalcErrorText(11, "CALCULATE_QUICK_RULES");
}
