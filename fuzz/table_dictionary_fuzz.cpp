// The table dictionary file: loaded (a failure keeps what was read before it), then saved,
// loaded back and saved again (RequireTableDictionaryRoundTrip).
#include "core/dictio_set.h"
#include "fuzz/table_dictionary_files.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TempFile input(InputBytes(data, size));
    TDictioSet set;
    ReadsOrFailsByDesign([&] { set.Load(input.Path()); });
    RequireTableDictionaryRoundTrip(set);
    return 0;
}
