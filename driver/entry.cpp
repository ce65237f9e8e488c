#include "driver/entry.h"

#include <algorithm>
#include <new>
#include <string>

#include "core/error.h"
#include "core/report.h"
#include "core/string_sack.h"
#include "driver/handler_frame.h"
#include "driver/handlers.h"

namespace {

struct Command {
    const char* word;
    void (*handler)(const TStringSack&);
};

// Compared in this order, exactly and case-sensitively.
const Command kCommands[] = {
    {"CALCULATE_ALL_REDUCTS", DoCalculateAllReducts},
    {"CALCULATE_ALL_RULES", DoCalculateAllRules},
    {"CALCULATE_GENETIC_REDUCTS", DoCalculateGeneticReducts},
    {"CALCULATE_GENETIC_RULES", DoCalculateGeneticRules},
    {"CALCULATE_QUICK_RULES", DoCalculateQuickRules},
    {"SCALL_TABLE", DoScaleTable},
    {"GENERATE_DIRECTIONS", DoGenerateDirections},
    {"CREATE_LTFC", DoCreateLTFC},
    {"TEST_TABLE_LTFC", DoTestTableLTFC},
};

}  // namespace

CommandHandler FindCommand(const std::string& word) {
    for (const Command& cmd : kCommands) {
        if (word == cmd.word) return cmd.handler;
    }
    return nullptr;
}

namespace {

[[noreturn]] void Terminated(const Error& err) {
    WriteStdoutLine(std::string("Err.GetMessage()=") + err.GetMessage());
    WriteStdoutLine("Program TERMINATED! ");
    ProcessDown(err.GetCode());
}

}  // namespace

int VarnelMain(int argc, char** argv) {
    if (argc != 2) {
        WriteStdoutLine("This program should be executed by Varnel-GUI!");
        EndProcess(0);
    }
    // The configuration lives until the process ends.
    static TStringSack config;
    // Any length is accepted: the front end's '#' stands for a blank in the path.
    std::string path = argv[1];
    std::replace(path.begin(), path.end(), '#', ' ');
    SetConfigurationFile(path);
    try {
        config.Load(path.c_str());
    } catch (const Error& err) {
        Terminated(err);
    } catch (const std::bad_alloc&) {
        Terminated(CalcError(2));
    }
    if (config.GetNoElem() == 0) {
        WriteStdoutLine("No configuration in file: " + path);
        EndProcess(1);
    }
    // Errors that leave a handler come from reading its parameters: its own guarded region
    // ends the process for everything its computation raises.
    try {
        if (const CommandHandler handler = FindCommand(config.GetElem(0))) {
            handler(config);
            ProcessDown(0);
        }
    } catch (const Error& err) {
        Terminated(err);
    } catch (const std::bad_alloc&) {
        Terminated(CalcError(2));
    }
    ProcessDown(1);
}
