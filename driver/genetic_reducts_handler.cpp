#include <memory>

#include "core/table.h"
#include "driver/handler_frame.h"
#include "driver/handlers.h"
#include "rough/reducts/red_memory.h"

void DoCalculateGeneticReducts(const TStringSack& config) {
    CommandParams p(config);
    const std::string table = p.Text(1);
    const int local = p.Int(2);
    const int relative = p.Int(3);
    const int number = p.Int(4);
    const int speed = p.Int(5);
    const std::string reductFile = p.Text(6);
    const std::string logFile = p.Text(7);
    const std::string saved = "Reduct set will be saved to: " + reductFile;
    RunCommand(kReductCommand,
               {"Calculating genetic reducts: " + table + " (" + std::to_string(relative) + ")", saved},
               logFile, {"Calculating genetic reducts: " + table, saved}, [&] {
                   auto loaded = std::make_unique<TTable>();
                   auto memory = std::make_unique<TRedMemory>();
                   loaded->Load(table.c_str());
                   memory->CalculateGeneticReducts(loaded.get(), local, relative, number, speed);
                   memory->SaveReductsCompact(reductFile.c_str());
               },
               {{table}, {{reductFile, [&] { TRedMemory::SaveFailed(reductFile.c_str()); }}}});
}
