// The training parameters block of a network file, read as the network loader reads it (into
// fresh parameters, at the top level of the file), written and read back: the second writing
// must give the bytes of the first. Values the block leaves out when writing (say the
// activity rate without a removal algorithm) are dropped by design, so the comparison is
// between written files.
#include <sstream>

#include "fuzz/fuzz_support.h"
#include "ltfc/labelled_file.h"
#include "ltfc/net_params.h"

namespace {

std::string Written(const CNetParams& params) {
    std::ostringstream out;
    params.Write(out);
    return out.str();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TempFile input(InputBytes(data, size));
    CNetParams params;
    if (!ReadsOrFailsByDesign([&] {
            mfstream in(input.Path());
            params.Read(in);
        })) {
        return 0;
    }
    const std::string first = Written(params);
    TempFile written(first);
    CNetParams reread;
    Require(ReadsOrFailsByDesign([&] {
                mfstream in(written.Path());
                reread.Read(in);
            }),
            "written parameters read back");
    Require(Written(reread) == first, "parameter block bytes");
    return 0;
}
