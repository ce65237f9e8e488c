#include "core/error.h"
#include "driver/handler_frame.h"
#include "driver/handlers.h"

void DoCalculateGeneticReducts(const TStringSack& config) {
    CommandParams p(config);
    const std::string table = p.Text(1);
    const int local = p.Int(2);
    const int relative = p.Int(3);
    const int number = p.Int(4);
    const int speed = p.Int(5);
    const std::string reductFile = p.Text(6);
    const std::string logFile = p.Text(7);
    (void)local, (void)relative, (void)number, (void)speed;
    throw CalcErrorText(11, "CALCULATE_GENETIC_REDUCTS");
}
