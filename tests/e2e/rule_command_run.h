#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "core/table.h"
#include "tests/e2e/process_runner.h"
#include "tests/support/test_files.h"

// One run of a rule command on a public table copied into a fresh folder, the rules file
// named "rules.txt" and the LOG "LOG".
struct RuleCommandRun {
    RunResult run;
    std::string log;
    bool rulesFileExists = false;
};

inline RuleCommandRun RunRuleCommand(const std::string& config, const std::string& table) {
    ScratchDir work;
    std::filesystem::copy_file(std::string(VARNEL_TABLES) + "/" + table, work.File(table));
    WriteFileBytes(work.File("config"), config);
    RunOptions options;
    options.workDir = work.Path();
    RuleCommandRun r;
    r.run = RunProgram(VarnelBinary(), {"config"}, options);
    if (FileExists(work.File("LOG"))) r.log = ReadFileBytes(work.File("LOG"));
    r.rulesFileExists = FileExists(work.File("rules.txt"));
    return r;
}

inline std::unique_ptr<TTable> LoadPublicTable(const std::string& name) {
    auto t = std::make_unique<TTable>();
    t->Load((std::string(VARNEL_TABLES) + "/" + name).c_str());
    return t;
}
