#include "core/error.h"
#include "driver/handler_frame.h"
#include "driver/handlers.h"

void DoCalculateAllReducts(const TStringSack& config) {
    CommandParams p(config);
    const std::string table = p.Text(1);
    const int discMatrixType = p.Int(2);
    const int relative = p.Int(3);
    const int notDiscernNull = p.Int(4);
    const std::string reductFile = p.Text(5);
    const std::string logFile = p.Text(6);
    (void)discMatrixType, (void)relative, (void)notDiscernNull;
    throw CalcErrorText(11, "CALCULATE_ALL_REDUCTS");
}

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

void DoCalculateAllRules(const TStringSack& config) {
    CommandParams p(config);
    const std::string table = p.Text(1);
    const int notDiscernNull = p.Int(2);
    const std::string rulesFile = p.Text(3);
    const std::string logFile = p.Text(4);
    (void)notDiscernNull;
    throw CalcErrorText(11, "CALCULATE_ALL_RULES");
}

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

void DoCalculateQuickRules(const TStringSack& config) {
    CommandParams p(config);
    const std::string table = p.Text(1);
    const double fraction = p.Real(2);
    const std::string rulesFile = p.Text(3);
    const std::string logFile = p.Text(4);
    (void)fraction;
    throw CalcErrorText(11, "CALCULATE_QUICK_RULES");
}
