// The network file, loaded as TEST_TABLE_LTFC loads it (over a database of two inputs and two
// classes, which the seeds match), saved and loaded again: the second save must give the
// bytes of the first. A network of another problem type is refused after it was read.
#include "fuzz/database_files.h"
#include "fuzz/fuzz_support.h"
#include "ltfc/controller.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const TempFile database(kTwoInputDatabase, ".dst");
    TempFile input(InputBytes(data, size));
    CLtfcController controller;
    controller.LoadDatabase(database.Path());
    if (!ReadsOrFailsByDesign([&] { controller.LoadNetwork(input.Path()); })) return 0;
    TempFile first, second;
    CLtfcController reread;
    Require(ReadsOrFailsByDesign([&] {
                controller.SaveNetwork(first.Path());
                reread.LoadDatabase(database.Path());
                reread.LoadNetwork(first.Path());
                reread.SaveNetwork(second.Path());
            }),
            "a saved network loads");
    Require(reread.GetNet()->GetNeuronCount() == controller.GetNet()->GetNeuronCount(), "neuron count");
    Require(first.Bytes() == second.Bytes(), "network file bytes");
    // Classifying uses every neuron the file described (after the saves: it leaves each
    // neuron's last output, which the file shows but does not load).
    int actual = 0;
    for (int i = 0; i < 3; ++i) ReadsOrFailsByDesign([&] { controller.Classify(i, actual); });
    return 0;
}
