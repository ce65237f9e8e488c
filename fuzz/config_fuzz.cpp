// The configuration file and the parameters each command reads from it. The input is the
// configuration: it is read as the program reads it (and, written back line by line as the
// front end writes it, read the same), then the command it names runs as the program runs it
// on small files of a private folder: "t" (a decision table, also a dense one), "d.dst" (two
// inputs, two classes) and "n.net" (a network for it). So the engines see every value the
// parameter lines can spell, but never a large input.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/file_io.h"
#include "core/random.h"
#include "core/report.h"
#include "core/string_sack.h"
#include "core/table.h"
#include "core/text_number.h"
#include "discretization/cuts/cut_list.h"
#include "driver/entry.h"
#include "fuzz/database_files.h"
#include "fuzz/fuzz_support.h"
#include "ltfc/controller.h"
#include "ltfc/universal_random.h"

namespace {

const char kTable[] =
    "14 5\n0 0 0 1 1\n0 0 0 0 1\n1 0 0 1 0\n2 1 0 1 0\n2 2 1 1 0\n2 2 1 0 1\n1 2 1 0 0\n"
    "0 1 0 1 1\n0 2 1 1 0\n2 1 1 1 0\n0 1 1 0 0\n1 1 0 0 0\n1 0 1 1 0\n2 1 0 0 1\n";

const char kNetwork[] =
    "@NetType LTF-C\n@FileType net\n@Inputs 2 @Neurons 2 @Outputs 2\n"
    "@EtaPlus 1 @EtaMinus 1 @EtaGrPlus 0.8 @EtaGrMinus 1 @Probab 0.05\n"
    "@Delta0 -0.5 @DeltaMin -1 @DeltaMax 0.5 @UseTr 0.001 @EtaUse 0.001 @DecrsEta 1\n"
    "@<Neuron1\n @RecipOfRadii 1 1\n @Weights 3 3\n @EtaEta 1 @AvgUsefuln 0.5 @Class 1\n@>\n"
    "@<Neuron0 @Class 0 @AvgUsefuln 0.5 @EtaEta 1\n @Weights 0.25 0.25 @RecipOfRadii 1 1 @>\n";

// Parameters that set the amount of work rather than what is computed: above these a run
// on the small files takes seconds to hours by design (generations grow with the square of
// the speed level, training steps are counted one by one), which is no finding.
struct WorkBound {
    const char* command;
    int position;
    int most;
};
const WorkBound kWorkBounds[] = {
    {"CALCULATE_GENETIC_REDUCTS", 4, 1000},  // reducts wanted (raises the speed level)
    {"CALCULATE_GENETIC_REDUCTS", 5, 3},     // speed level
    {"CALCULATE_GENETIC_RULES", 2, 1000},    // reduct limit (raises the speed level)
    {"CREATE_LTFC", 3, 2000},                // training steps
};
// Each leading digit of a direction pattern is one more search.
constexpr size_t kMostPatternDigits = 4;

bool WithinWorkBounds(const TStringSack& config) {
    const std::string command = config.GetElem(0);
    for (const WorkBound& bound : kWorkBounds) {
        if (command == bound.command && bound.position < config.GetNoElem() &&
            TextToInt(config.GetElem(bound.position)) > bound.most) {
            return false;
        }
    }
    if (command == "GENERATE_DIRECTIONS" && config.GetNoElem() > 2) {
        const char* pattern = config.GetElem(2);
        if (std::strspn(pattern, "123456789") > kMostPatternDigits) return false;
    }
    return true;
}

// Names with a "/" could reach outside the private folder, so such a configuration is only
// read, never run.
bool NamesStayInFolder(const TStringSack& config) {
    for (int i = 1; i < config.GetNoElem(); ++i) {
        if (std::strchr(config.GetElem(i), '/') != nullptr) return false;
    }
    return true;
}

void Put(const char* name, const char* text) {
    if (!WriteWholeFile(name, text)) {
        std::perror("fuzz: cannot write a data file");
        std::abort();
    }
}

// A command that ended in success must have written result files that their readers take
// back: success with a file the next command refuses would be a failure reported as success.
// The inputs those readers need are loaded before the command runs, as the command may
// write over them.
class ResultCheck {
public:
    explicit ResultCheck(const TStringSack& config) : config(config), command(config.GetElem(0)) {
        if (command == "CREATE_LTFC") {
            inputsLoad = ReadsOrFailsByDesign([&] { controller.LoadDatabase(config.GetElem(1)); });
        } else if (command == "SCALL_TABLE") {
            inputsLoad = ReadsOrFailsByDesign([&] { table.Load(config.GetElem(1)); });
        }
    }

    void AfterSuccess() {
        if (!inputsLoad) return;
        if (command == "CREATE_LTFC") {
            Require(ReadsOrFailsByDesign([&] { controller.LoadNetwork(config.GetElem(5)); }),
                    "the network a successful training wrote loads");
        } else if (command == "SCALL_TABLE") {
            TCutList cuts;
            Require(ReadsOrFailsByDesign([&] { cuts.Load(config.GetElem(2), table.GetNoAttr() - 1); }),
                    "the cuts a successful scaling wrote load");
        }
    }

private:
    const TStringSack& config;
    const std::string command;
    bool inputsLoad = false;
    CLtfcController controller;
    TTable table;
};

// Runs the command in a fresh folder holding the small files, and comes back.
void RunInPrivateFolder(const TStringSack& config, CommandHandler handler) {
    ScratchWorkingFolder scratch;
    Put("t", kTable);
    Put("d.dst", kTwoInputDatabase);
    Put("n.net", kNetwork);
    ResetRandomForTests();
    ResetRanmarForTests();
    {
        SilentStdout quiet;
        ResultCheck results(config);
        const bool succeeded = ReadsOrFailsByDesign([&] { handler(config); });
        LogFile.Close();
        if (succeeded) results.AfterSuccess();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TempFile input(InputBytes(data, size));
    TStringSack config;
    if (!ReadsOrFailsByDesign([&] { config.Load(input.Path()); })) return 0;
    std::string lines;
    for (int i = 0; i < config.GetNoElem(); ++i) {
        const std::string line = config.GetElem(i);
        Require(!line.empty() && line.find('\n') == std::string::npos, "a configuration line");
        lines += line + "\r\n";
    }
    TempFile written(lines);
    TStringSack reread;
    Require(ReadsOrFailsByDesign([&] { reread.Load(written.Path()); }), "written lines read back");
    Require(reread.GetNoElem() == config.GetNoElem(), "number of configuration lines");
    for (int i = 0; i < config.GetNoElem(); ++i) {
        Require(std::strcmp(reread.GetElem(i), config.GetElem(i)) == 0, "configuration lines");
    }
    if (config.GetNoElem() == 0) return 0;
    const CommandHandler handler = FindCommand(config.GetElem(0));
    if (handler == nullptr || !NamesStayInFolder(config) || !WithinWorkBounds(config)) return 0;
    RunInPrivateFolder(config, handler);
    return 0;
}
