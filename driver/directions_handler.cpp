#include "core/error.h"
#include "driver/handler_frame.h"
#include "driver/handlers.h"

void DoGenerateDirections(const TStringSack& config) {
    CommandParams p(config);
    const std::string table = p.Text(1);
    const std::string pattern = p.Text(2);
    const int measureType = p.Int(3);
    const std::string outputFile = p.Text(4);
    const std::string logFile = p.Text(5);
    (void)measureType;
    throw CalcErrorText(11, "GENERATE_DIRECTIONS");
}
