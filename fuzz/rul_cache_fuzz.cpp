// The rule cache as the decomposition trees use it: rule sets of a small table, made and
// stored as a tree leaf makes and stores them, go to slots 0, 1 and 2 (the files RUL0, RUL1
// and RUL2 of the working folder); the input then replaces RUL1, and the slots are fetched,
// at most two loaded, in an order that drops slot 1 and loads it again. Every fetch must
// give what the rules file reader gives for the slot's file read directly (the same rules,
// saved to the same bytes), and the sets stored in slots 0 and 2 read back as they were
// saved. Each fetch of slot 1 also votes on every object of the table, one object at a
// time, by every voting method, as the set read directly does.
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "core/decision_values.h"
#include "core/file_io.h"
#include "core/random.h"
#include "core/report.h"
#include "core/table.h"
#include "fuzz/fuzz_support.h"
#include "rough/rules/rul_cache.h"
#include "rough/rules/rul_memory.h"

namespace {

// Four condition attributes and a decision; objects 12 and 13 clash with 0 and 3.
const int kObjects[][5] = {{0, 0, 0, 1, 1}, {0, 0, 0, 0, 1}, {1, 0, 0, 1, 0}, {2, 1, 0, 1, 0}, {2, 2, 1, 1, 0},
                           {2, 2, 1, 0, 1}, {1, 2, 1, 0, 0}, {0, 1, 0, 1, 1}, {0, 2, 1, 1, 0}, {2, 1, 1, 1, 0},
                           {0, 1, 1, 0, 2}, {1, 1, 0, 0, 2}, {0, 0, 0, 1, 0}, {2, 1, 0, 1, 2}};
constexpr int kRows = sizeof kObjects / sizeof kObjects[0];
constexpr int kColumns = 5;
constexpr int kFuzzedSlot = 1;
// With two sets loaded: slot 1 is loaded, dropped for slot 2 (fewer uses than slot 0) and
// loaded again, dropped again and loaded a third time.
const int kFetches[] = {1, 0, 0, 2, 1, 2, 2, 0, 1};
const int kVotingMethods[] = {0, 1, 2, 3, 4, 7, 8};

void Rows(int from, int to, TTable& t) {
    t.CreateTable(to - from, kColumns);
    for (int o = from; o < to; ++o) {
        for (int a = 0; a < kColumns; ++a) t.SetTable(o - from, a, kObjects[o][a]);
    }
}

const TTable& Whole() {
    static TTable table;
    if (table.GetNoObj() == 0) Rows(0, kRows, table);
    return table;
}

// All rules of the part, shortened and given their statistics, in quiet mode.
std::unique_ptr<TRulMemory> LeafRules(int from, int to, float alfa) {
    QuietModeGuard quiet;
    TTable part;
    Rows(from, to, part);
    TRulMemory rules;
    rules.CalculateAllRules(&part, 0);
    auto shortened = std::make_unique<TRulMemory>();
    rules.ShortenRules(part, alfa, *shortened);
    shortened->CalcRulesInfo(&part, 2);
    return shortened;
}

std::string SavedBytes(const TRulMemory& m) {
    TempFile file;
    m.SaveRulesWithObjInfo(file.Path());
    return file.Bytes();
}

// Every object alone in a table, as a leaf classifies it; the answer, the prediction and the
// distribution left in the decision-value information, per voting method and object, with
// the draws of ties starting from the same state for every set. A rule naming a column the
// object lacks is refused by design.
std::string Votes(const TRulMemory& m) {
    TDValInfo info;
    info.CalcFromTable(Whole());
    std::string votes;
    TTable one;
    one.CreateTable(1, kColumns);
    for (int method : kVotingMethods) {
        for (int o = 0; o < kRows; ++o) {
            for (int a = 0; a < kColumns; ++a) one.SetTable(0, a, kObjects[o][a]);
            ResetRandomForTests();
            int predicted = -7;
            int result = 0;
            if (!ReadsOrFailsByDesign([&] { result = m.ClassifyObject(info, method, one, 0, predicted); })) {
                votes += "refused\n";
                continue;
            }
            votes += std::to_string(result) + ' ' + std::to_string(predicted);
            for (int k = 0; k < info.GetNoDecVal(); ++k) {
                char score[40];
                std::snprintf(score, sizeof score, " %a", info.GetDistrib(k));
                votes += score;
            }
            votes += '\n';
        }
    }
    return votes;
}

struct Expected {
    bool loads = false;
    std::string bytes;
    std::string votes;
};

// What the rules file reader gives for the file; the votes (the costly part) only where
// they are compared.
Expected ReadDirectly(const char* file, bool votes) {
    Expected e;
    TRulMemory direct;
    e.loads = ReadsOrFailsByDesign([&] { direct.LoadRulesWithObjInfo(file); });
    if (e.loads) {
        e.bytes = SavedBytes(direct);
        if (votes) e.votes = Votes(direct);
    }
    return e;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    SilentStdout quiet;
    const std::string bytes = InputBytes(data, size);
    ScratchWorkingFolder scratch;
    TRulCache cache(2);
    Expected expected[3];
    {
        static const std::unique_ptr<TRulMemory> sets[3] = {LeafRules(0, kRows, 1.0f), LeafRules(0, kRows / 2, 0.8f),
                                                            LeafRules(kRows / 2, kRows, 0.6f)};
        for (int slot = 0; slot < 3; ++slot) {
            Require(cache.AddRulMemory(*sets[slot]) == slot, "slot numbers");
            const std::string file = "RUL" + std::to_string(slot);
            if (slot == kFuzzedSlot && !WriteWholeFile(file.c_str(), bytes)) {
                std::perror("fuzz: cannot write a rules file");
                std::abort();
            }
            expected[slot] = ReadDirectly(file.c_str(), slot == kFuzzedSlot);
            if (slot != kFuzzedSlot) {
                Require(expected[slot].loads && expected[slot].bytes == SavedBytes(*sets[slot]),
                        "a stored set reads back as it was");
            }
        }
    }
    for (int slot : kFetches) {
        const bool wasLoaded = cache.IsLoaded(slot);
        TRulMemory* m = nullptr;
        const bool fetched = ReadsOrFailsByDesign([&] { m = cache.GetRulMemory(slot); });
        const Expected& e = expected[slot];
        Require(fetched == (wasLoaded || e.loads), "a fetch fails only where its file does not read");
        Require(cache.GetNoLoaded() <= 2 && cache.IsLoaded(slot), "the fetched slot is loaded, two at most");
        if (!fetched) continue;
        if (!e.loads) {
            Require(m->GetNoRules() == 0, "a set whose file did not read is empty");
            continue;
        }
        Require(SavedBytes(*m) == e.bytes, "a fetched set saves as the set read directly");
        Require(slot != kFuzzedSlot || Votes(*m) == e.votes, "a fetched set votes as the set read directly");
    }
    return 0;
}
