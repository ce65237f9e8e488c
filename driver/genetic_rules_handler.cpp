#include "core/error.h"
#include "driver/handler_frame.h"
#include "driver/handlers.h"

void DoCalculateGeneticRules(const TStringSack& config) {
    CommandParams p(config);
    const std::string table = p.Text(1);
    const int reductLimit = p.Int(2);
    const int speed = p.Int(3);
    const std::string rulesFile = p.Text(4);
    const std::string logFile = p.Text(5);
    (void)reductLimit, (void)speed;
    throw CalcErrorText(11, "CALCULATE_GENETIC_RULES");
}
