#include "core/table.h"
#include "driver/handler_frame.h"
#include "driver/handlers.h"
#include "driver/rule_command.h"
#include "rough/rules/rul_memory.h"

void DoCalculateGeneticRules(const TStringSack& config) {
    CommandParams p(config);
    const std::string table = p.Text(1);
    const int reductLimit = p.Int(2);
    const int speed = p.Int(3);
    const std::string rulesFile = p.Text(4);
    const std::string logFile = p.Text(5);
    RunRuleCommand("Generating genetic rules for table: ", table, rulesFile, logFile,
                   [&](TTable& t, TRulMemory& memory) {
                       memory.SetReductLimit(reductLimit);
                       memory.SetSpeedLevel(speed);
                       memory.CalculateGeneticRules(&t);
                   });
}
