#pragma once

#include <functional>
#include <string>

class TRulMemory;
class TTable;

// The run the three rule commands share: the echo and LOG title lines "<title>" + table and
// "Rules will be saved to: " + rules file (a name that is only echoed: the rules go out as
// RULE lines); the table loaded, the rule buffer of NoAttr + 2 ints allocated, a rule memory
// created, and `generate` run on them. Everything is released on every path.
void RunRuleCommand(const std::string& title, const std::string& tableName, const std::string& rulesFile,
                    const std::string& logName, const std::function<void(TTable&, TRulMemory&)>& generate);
