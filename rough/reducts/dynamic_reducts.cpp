#include "rough/reducts/dynamic_reducts.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "core/alloc_guard.h"
#include "core/error.h"
#include "core/random.h"
#include "core/report.h"
#include "core/table.h"
#include "rough/reducts/pos_region.h"
#include "rough/reducts/red_memory.h"
#include "rough/reducts/subset_size.h"

namespace {

void Ruler(int samples, char c) { WriteStdoutLine(std::string(static_cast<size_t>(samples), c)); }

std::string Real(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", v);
    return text;
}

}  // namespace

TDynamicReducts::TDynamicReducts() = default;

TDynamicReducts::~TDynamicReducts() = default;

// The size is drawn again while it is 0 and raised to 2, a subtable needing two objects to
// tell anything apart; a table of one object gives its one object. Object numbers are drawn
// over the whole table, with the wide draw beyond what RandomInt reaches.
void TDynamicReducts::RandomSubtable(const TTable* t, int maxSize) {
    const int n = t->GetNoObj();
    if (n == 0 || maxSize < 1) {
        LogMessage("Critical error in: TDynamicReducts::RandomSubtable");
        throw CalcError(9);
    }
    const int k = std::min(maxSize, n);
    int size = 0;
    while (size == 0) size = RandomSubsetSize(n, k);
    size = std::min(std::max(size, 2), n);
    OrOutOfMemory([&] {
        subtable = std::make_unique<TTable>();
        subtable->CreateTable(size, t->GetNoAttr());
        std::vector<bool> drawn(static_cast<size_t>(n), false);
        for (int r = 0; r < size; ++r) {
            int o = 0;
            do {
                o = static_cast<int>(RandomIntWide(n));
            } while (drawn[static_cast<size_t>(o)]);
            drawn[static_cast<size_t>(o)] = true;
            std::copy(t->Row(o), t->Row(o) + t->GetNoAttr(), subtable->Row(r));
        }
    });
}

void TDynamicReducts::Sample(const TTable* t, int maxSize, char mark, TPosRegion& region, TRedMemory& m,
                             int* list) {
    WriteStdout(std::string(1, mark));
    subtable.reset();
    RandomSubtable(t, maxSize);
    const int k = subtable->GetNoAttr() - 1;
    for (int i = 0; i < k; ++i) list[i] = i;
    const int c = region.CountPosRegion(subtable.get(), list, k, 0);
    m.CountPosRegion(subtable.get(), &region, list, c);
}

void TDynamicReducts::Samples(int count, const TTable* t, int maxSize, char mark, TRedMemory& m) {
    TPosRegion region(t, 0);
    std::vector<int> list = OrOutOfMemory([&] { return std::vector<int>(static_cast<size_t>(t->GetNoAttr()) + 1); });
    for (int i = 0; i < count; ++i) Sample(t, maxSize, mark, region, m, list.data());
}

void TDynamicReducts::ReportBest(int* list, int* len) const {
    double stability = 0.0;
    const TRed* best = memory->GetBestReduct(&stability);
    WriteStdoutLine("WSPOLCZYNNIK STABILNOSCI NAJLEPSZEGO REDUKTU=" + Real(stability));
    *len = 0;
    if (best == nullptr) return;
    for (int a : *best->GetAttributes()) list[(*len)++] = a;
}

// The reducts of the whole table are the genetic ones, as for the sister procedure below:
// a memory left empty would never be sampled.
void TDynamicReducts::CalcDynamicReducts(TTable* t, int* list, int* len) {
    memory = OrOutOfMemory([] { return std::make_unique<TRedMemory>(); });
    WriteStdoutLine("Obliczam redukty dynamiczne.");
    WriteStdoutLine("Obliczam redukty dla calej tablicy...");
    memory->CalculateGeneticReducts(t, 0, 1, 100, 1);
    if (memory->GetNoRed() >= 2) {
        Ruler(300, '*');
        Samples(300, t, 10000, '-', *memory);
        memory->SetTotal(301);
    } else {
        memory->SetTotal(1);
    }
    WriteStdoutLine("");
    WriteStdoutLine("Ilosc reduktow tablicy redukowanej dynamicznie: " + std::to_string(memory->GetNoRed()));
    ReportBest(list, len);
    memory.reset();
}

void TDynamicReducts::CalcDynamicReductsGenetic(TTable* t, int* list, int* len) {
    memory = OrOutOfMemory([] { return std::make_unique<TRedMemory>(); });
    WriteStdoutLine("Obliczam redukty dynamiczne.");
    memory->CalculateGeneticReducts(t, 0, 1, 100, 1);
    memory->SetCounters(0, 0);
    WriteStdoutLine("Liczba wyznaczonych reduktow= " + std::to_string(memory->GetNoRed()));
    WriteStdoutLine("Aktualizuje wspolczynniki stabilnosci...");
    Ruler(250, '$');
    Samples(250, t, 1000, '+', *memory);
    memory->SetTotal(250);
    WriteStdoutLine("");
    ReportBest(list, len);
    memory->SaveReducts("DYNAMIC_LARGE.RED");
}

// Every reduct comes in with its found flag set, so the first sample counts each as an
// occurrence without testing it.
void TDynamicReducts::CalcDynamicReductsAll(TTable* t, TRedMemory* m) {
    WriteStdoutLine("Obliczam redukty dynamiczne...");
    m->CalculateGlobalReducts(t, 1, 0);
    WriteStdoutLine("Liczba wyliczonych reduktow=" + std::to_string(m->GetNoRed()));
    const int samples = m->GetNoRed() < 2 ? 0 : 300;
    if (samples > 0) {
        Ruler(samples, '*');
        Samples(samples, t, t->GetNoObj(), '-', *m);
        WriteStdoutLine("");
    }
    m->SetTotal(samples + 1);
    WriteStdoutLine("Po reduktach dynamicznych");
}

// When the genetic search of a subtable leaves the memory empty, Boolean reasoning fills it.
void TDynamicReducts::CalcLocalDynamicReducts(TTable* t, TRedMemory* m) {
    WriteStdoutLine("Obliczam lokalne redukty dynamiczne...");
    Ruler(300, '*');
    for (int i = 0; i < 300; ++i) {
        WriteStdout("-");
        RandomSubtable(t, t->GetNoObj());
        m->CalculateGeneticReducts(subtable.get(), 0, 1, 10, 0);
        if (m->GetNoRed() == 0) {
            WriteStdout("|");
            m->CalculateGlobalReducts(subtable.get(), 1, 0);
        }
    }
    WriteStdoutLine("");
    WriteStdoutLine("Weryfikuje wspolczynnik stabilnosci policzonych reduktow...");
    Samples(300, t, t->GetNoObj(), '-', *m);
    m->SetTotal(300);
    WriteStdoutLine("");
    WriteStdoutLine("Po lokalnych reduktach dynamicznych");
}

std::vector<int> TDynamicReducts::GetBestReduct(int /*a*/, int* count, TRedMemory* m) {
    std::vector<TRed*> reducts = OrOutOfMemory([&] { return std::vector<TRed*>(static_cast<size_t>(m->GetNoRed())); });
    int n = 0;
    m->GetRedArray(reducts.data(), &n);
    std::vector<int> selected;
    // Tenths as i / 10.0, so that a stability of 9 in 10 meets the threshold 0.9.
    for (int i = 10; i >= 1 && selected.size() <= 1; --i) {
        const double threshold = i / 10.0;
        selected.clear();
        for (int r = 0; r < n; ++r) {
            if (reducts[static_cast<size_t>(r)]->GetStability() >= threshold) OrOutOfMemory([&] { selected.push_back(r); });
        }
    }
    *count = static_cast<int>(selected.size());
    if (selected.empty()) WriteStdoutLine("UWAGA: BRAK REDUKTOW!!!");
    return selected;
}
