// The real-valued table file: no writer exists, so a table that loads is checked against its
// own values (data_table_checks.h).
#include <memory>

#include "fuzz/data_table_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TempFile input(InputBytes(data, size));
    SilentStdout quiet;
    std::unique_ptr<TDataTable> table;
    if (ReadsOrFailsByDesign([&] { table = std::make_unique<TDataTable>(input.Path()); })) CheckDataTable(*table);
    return 0;
}
