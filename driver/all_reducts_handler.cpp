#include <string>

#include "core/file_io.h"
#include "core/table.h"
#include "driver/handler_frame.h"
#include "driver/handlers.h"
#include "rough/reducts/red_memory.h"

// The table is written back over its own file in the canonical layout before the reducts are
// computed; the save goes through a temporary file, so a failed save leaves the input as it
// was, and a table that did not load is never saved. A table that is no regular file (a
// named pipe) has no stored layout to renew: writing into it would wait for a reader that
// never comes.
void DoCalculateAllReducts(const TStringSack& config) {
    CommandParams p(config);
    const std::string table = p.Text(1);
    const int discMatrixType = p.Int(2);
    const int relative = p.Int(3);
    const int notDiscernNull = p.Int(4);
    const std::string reductFile = p.Text(5);
    const std::string logFile = p.Text(6);
    RunCommand(kReductCommand,
               {"Calculating all reducts: " + table + " (" + std::to_string(relative) + ")",
                "DiscMatrixType=" + std::to_string(discMatrixType),
                "NOT_DISCERN_NULL=" + std::to_string(notDiscernNull),
                "Reduct set will be saved to: " + reductFile},
               logFile,
               {"Calculating all reducts: " + table, "Reduct set will be saved to: " + reductFile},
               [&] {
                   TTable t;
                   TRedMemory memory;
                   t.Load(table.c_str());
                   if (IsRegularFile(table.c_str())) t.Save(table.c_str());
                   if (discMatrixType == 0) {
                       memory.CalculateGlobalReducts(&t, relative, notDiscernNull);
                   } else {
                       memory.CalculateLocalReducts(&t, relative, notDiscernNull);
                   }
                   memory.SaveReductsCompact(reductFile.c_str());
               },
               {{table}, {{reductFile, [&] { TRedMemory::SaveFailed(reductFile.c_str()); }}}});
}
