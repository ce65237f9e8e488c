#include "core/error.h"
#include "driver/handler_frame.h"
#include "driver/handlers.h"

void DoScaleTable(const TStringSack& config) {
    CommandParams p(config);
    const std::string table = p.Text(1);
    const std::string cutsFile = p.Text(2);
    const std::string logFile = p.Text(3);
    throw CalcErrorText(11, "SCALL_TABLE");
}
