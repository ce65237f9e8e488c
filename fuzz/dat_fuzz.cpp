// The binary ".dat" database, loaded as the network commands load it, then written back both
// as a ".dat" file and as a ".dst" description and loaded again: every load must give the
// same examples bit for bit.
#include "fuzz/database_files.h"
#include "fuzz/fuzz_support.h"
#include "ltfc/controller.h"

namespace {

DatabaseContents Reload(CLtfcController& controller, const std::string& bytes, const char* suffix) {
    TempFile written(bytes, suffix);
    DatabaseContents reread;
    Require(LoadContents(controller, written.Path(), reread), "a written database loads");
    return reread;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TempFile input(InputBytes(data, size), ".dat");
    CLtfcController controller;
    DatabaseContents read;
    if (!LoadContents(controller, input.Path(), read)) return 0;
    Require(read.inputsOf.size() == 2, "a binary database holds two data sets");
    Require(Reload(controller, DatBytes(read), ".dat") == read, "examples of a binary database");
    Require(Reload(controller, DstText(read), ".dst") == read, "examples of a binary database as a description");
    return 0;
}
