#include "core/error.h"
#include "driver/handler_frame.h"
#include "driver/handlers.h"

void DoCalculateAllReducts(const TStringSack& config) {
    CommandParams p(config);
    const std::string table = p.Text(1);
    const int discMatrixType = p.Int(2);
    const int relative = p.Int(3);
    const int notDiscernNull = p.Int(4);
    const std::string reductFile = p.Text(5);
    const std::string logFile = p.Text(6);
    (void)discMatrixType, (void)relative, (void)notDiscernNull;
    throw CalcErrorText(11, "CALCULATE_ALL_REDUCTS");
}
