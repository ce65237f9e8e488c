#include "core/report.h"
#include "core/table.h"
#include "discretization/cuts/scal_error.h"
#include "discretization/cuts/scaler.h"
#include "driver/handler_frame.h"
#include "driver/handlers.h"
#include "rough/decision/general_dec.h"

// The only result is the cuts file: the scaled table is released unwritten, and the table is
// loaded into memory only, so its file is left as it was.
void DoScaleTable(const TStringSack& config) {
    CommandParams p(config);
    const std::string table = p.Text(1);
    const std::string cutsFile = p.Text(2);
    const std::string logFile = p.Text(3);
    const std::vector<std::string> lines{"Scalling table: " + table, "Cuts will be saved to: " + cutsFile};
    RunCommand(kScalingCommand, lines, logFile, lines, [&] {
        TTable input;
        input.Load(table.c_str());
        // The cuts must tell apart only objects whose generalized decisions differ.
        TGeneralDec dec;
        dec.CalcGenDec(&input);
        dec.CreateGenDec(&input);
        dec.ModifyGenDec(&input);
        LogMessage("Discretization...");
        TScaler scaler;
        const std::unique_ptr<TTable> scaled = scaler.ScaleTable(input, cutsFile.c_str(), 0, 1);
    }, {{table}, {{cutsFile, [&] { throw ScalError(7, cutsFile.c_str()); }}}});
}
