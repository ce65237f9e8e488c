#include "core/table.h"
#include "driver/handler_frame.h"
#include "driver/handlers.h"
#include "driver/rule_command.h"
#include "rough/rules/rul_memory.h"

void DoCalculateAllRules(const TStringSack& config) {
    CommandParams p(config);
    const std::string table = p.Text(1);
    const int notDiscernNull = p.Int(2);
    const std::string rulesFile = p.Text(3);
    const std::string logFile = p.Text(4);
    RunRuleCommand("Generating all rules for table: ", table, rulesFile, logFile,
                   [&](TTable& t, TRulMemory& memory) { memory.CalculateAllRules(&t, notDiscernNull); });
}
