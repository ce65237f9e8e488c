#include "rough/reducts/dynamic_reducts.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <string>

#include "core/alloc_guard.h"
#include "core/decision_values.h"
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

// "No answer" must be no decision value: one below the smallest, or, when that is the least
// int, the least int that is none of them. With no values at all, -1.
int NoAnswerValue(const TDValInfo* values) {
    const int n = values->GetNoDecVal();
    if (n == 0) return -1;
    int smallest = values->GetDecVal(0);
    for (int i = 1; i < n; ++i) smallest = std::min(smallest, values->GetDecVal(i));
    if (smallest > INT_MIN) return smallest - 1;
    const auto taken = [&](int v) {
        for (int i = 0; i < n; ++i)
            if (values->GetDecVal(i) == v) return true;
        return false;
    };
    int none = INT_MIN;
    while (taken(none)) ++none;  // at most n steps: there are n values
    return none;
}

}  // namespace

TDynamicReducts::TDynamicReducts() = default;

TDynamicReducts::~TDynamicReducts() = default;

// The size is drawn again while it is 0 and raised to 2, a subtable needing two objects to
// tell anything apart; a table of one object gives its one object. A negative bound gives
// that bound as the size, raised to 2 likewise; only a bound of 0 would be drawn for ever.
// Object numbers are drawn over the whole table, with the wide draw beyond what RandomInt
// reaches.
void TDynamicReducts::RandomSubtable(const TTable* t, int maxSize) {
    const int n = t->GetNoObj();
    if (n == 0 || maxSize == 0) {
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
    // Below the last threshold the most stable reduct is still the one to take: only an
    // empty memory has nothing to give.
    if (selected.empty() && n > 0) {
        double stability = 0.0;
        const TRed* best = m->GetBestReduct(&stability);
        const auto at = std::find(reducts.begin(), reducts.begin() + n, best);
        OrOutOfMemory([&] { selected.push_back(static_cast<int>(at - reducts.begin())); });
    }
    *count = static_cast<int>(selected.size());
    if (selected.empty()) WriteStdoutLine("UWAGA: BRAK REDUKTOW!!!");
    return selected;
}

std::vector<int> AnswerByReducts(TRed* const* reducts, int n, const TTable* train, const TTable* test, int none) {
    std::vector<int> answers =
        OrOutOfMemory([&] { return std::vector<int>(static_cast<size_t>(test->GetNoObj()), none); });
    int remaining = test->GetNoObj();
    for (int r = 0; r < n && remaining > 0; ++r) {
        WriteStdout(std::to_string(r) + " ");
        for (int o = 0; o < test->GetNoObj(); ++o) {
            int& answer = answers[static_cast<size_t>(o)];
            if (answer != none) continue;
            answer = reducts[r]->ClassifyObject(train, test, o, none);
            if (answer != none) --remaining;
        }
    }
    return answers;
}

// Nothing answered gives accuracy 0 and error 1 rather than 0 / 0; an empty test table gives
// shares of 0.
void TDynamicReducts::TestReducts(const TTable* train, const TDValInfo* values, const TTable* test) {
    // A table without objects has no columns either; the cells are read only when both
    // tables hold objects, and then they must agree on the columns.
    const bool bothHoldObjects = train->GetNoObj() > 0 && test->GetNoObj() > 0;
    const int noAttr = test->GetNoAttr();
    if (bothHoldObjects && train->GetNoAttr() != noAttr) throw CalcError(9);
    memory.reset();
    memory = OrOutOfMemory([] { return std::make_unique<TRedMemory>(); });
    memory->LoadReducts("TEST.RED");
    WriteStdoutLine("Liczba reduktow: " + std::to_string(memory->GetNoRed()));

    std::vector<TRed*> reducts =
        OrOutOfMemory([&] { return std::vector<TRed*>(static_cast<size_t>(memory->GetNoRed())); });
    int n = 0;
    memory->GetRedArray(reducts.data(), &n);
    for (const TRed* r : reducts) {
        for (int a : *r->GetAttributes())
            if (bothHoldObjects && (a < 0 || a >= noAttr)) throw CalcError(5);
    }
    SortByStability(reducts.data(), 0, n - 1);

    const int none = NoAnswerValue(values);
    const std::vector<int> answers = AnswerByReducts(reducts.data(), n, train, test, none);
    const int objects = test->GetNoObj();
    int correct = 0;
    int unanswered = 0;
    for (int o = 0; o < objects; ++o) {
        const int answer = answers[static_cast<size_t>(o)];
        if (answer == none)
            ++unanswered;
        else if (answer == test->Value(o, noAttr - 1))
            ++correct;
    }
    const int answered = objects - unanswered;
    const float accuracy = answered == 0 ? 0.0f : static_cast<float>(correct) / static_cast<float>(answered);
    const float error = 1.0f - accuracy;
    const float unansweredShare = objects == 0 ? 0.0f : static_cast<float>(unanswered) / static_cast<float>(objects);
    const float correctShare = objects == 0 ? 0.0f : static_cast<float>(correct) / static_cast<float>(objects);
    WriteStdoutLine("");
    WriteStdoutLine("Results: " + Real(accuracy) + " " + Real(error) + " " + Real(unansweredShare) + " " +
                    Real(correctShare));
}
