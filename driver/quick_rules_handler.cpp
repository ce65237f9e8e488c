#include "core/table.h"
#include "driver/handler_frame.h"
#include "driver/handlers.h"
#include "driver/rule_command.h"
#include "rough/rules/rul_memory.h"

void DoCalculateQuickRules(const TStringSack& config) {
    CommandParams p(config);
    const std::string table = p.Text(1);
    const double fraction = p.Real(2);
    const std::string rulesFile = p.Text(3);
    const std::string logFile = p.Text(4);
    RunRuleCommand("Generating quick rules for table: ", table, rulesFile, logFile,
                   [&](TTable& t, TRulMemory& memory) { memory.CalculateQuickRules(&t, fraction); });
}
