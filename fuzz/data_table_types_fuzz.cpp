// The attribute-types file of the real-valued table, read with a fixed table full of ties:
// whatever types it gives, each range must be what the attribute's type makes of its values.
#include <memory>
#include <string>

#include "fuzz/data_table_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TempFile table(std::string("6 4\n1 0.5 -2 0\n1 2.5 -2 1\n3 0.5 7e3 1\n-0 1.25 -2 2\n0 2.5 1e-3 0\n3 0.5 7e3 2\n"));
    TempFile types(InputBytes(data, size));
    SilentStdout quiet;
    std::unique_ptr<TDataTable> loaded;
    if (ReadsOrFailsByDesign([&] { loaded = std::make_unique<TDataTable>(table.Path(), types.Path()); })) {
        CheckDataTable(*loaded);
    }
    return 0;
}
