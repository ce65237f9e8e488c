// The ".dst" data description, loaded as the network commands load a database, written back
// as a description and loaded again: the same examples must come back bit for bit.
#include "fuzz/database_files.h"
#include "fuzz/fuzz_support.h"
#include "ltfc/controller.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TempFile input(InputBytes(data, size), ".dst");
    CLtfcController controller;
    DatabaseContents read;
    if (!LoadContents(controller, input.Path(), read) || read.inputsOf.empty()) return 0;
    TempFile written(DstText(read), ".dst");
    DatabaseContents reread;
    Require(LoadContents(controller, written.Path(), reread), "a written description loads");
    Require(reread == read, "examples of a description");
    return 0;
}
