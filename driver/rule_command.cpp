#include "driver/rule_command.h"

#include <memory>
#include <vector>

#include "core/table.h"
#include "driver/handler_frame.h"
#include "rough/rules/rul_memory.h"

void RunRuleCommand(const std::string& title, const std::string& tableName, const std::string& rulesFile,
                    const std::string& logName, const std::function<void(TTable&, TRulMemory&)>& generate) {
    const std::vector<std::string> lines = {title + tableName, "Rules will be saved to: " + rulesFile};
    RunCommand(kRuleCommand, lines, logName, lines, [&] {
        RuleBufferScope ruleBuffer;
        auto table = std::make_unique<TTable>();
        table->Load(tableName.c_str());
        ruleBuffer.Allocate(static_cast<long long>(table->GetNoAttr()) + 2);
        auto memory = std::make_unique<TRulMemory>();
        generate(*table, *memory);
    }, {{tableName}, {}});
}
