#include <climits>
#include <memory>
#include <string>
#include <vector>

#include "core/error.h"
#include "core/table.h"
#include "driver/handler_frame.h"
#include "driver/handlers.h"
#include "rough/rul_memory.h"

void DoCalculateQuickRules(const TStringSack& config) {
    CommandParams p(config);
    const std::string table = p.Text(1);
    const double fraction = p.Real(2);
    const std::string rulesFile = p.Text(3);
    const std::string logFile = p.Text(4);
    // The rules reach the front end as RULE lines; the rules file is only named.
    const std::vector<std::string> lines{"Generating quick rules for table: " + table,
                                         "Rules will be saved to: " + rulesFile};
    RunCommand(kRuleCommand, lines, logFile, lines, [&] {
        TTable t;
        t.Load(table.c_str());
        RuleBufferScope ruleBuffer;
        const long long ints = static_cast<long long>(t.GetNoAttr()) + 2;
        if (ints > INT_MAX) throw CalcError(2);
        ruleBuffer.Allocate(static_cast<int>(ints));
        TRulMemory memory;
        memory.CalculateQuickRules(&t, fraction);
    });
}
