#include "rough/reducts/genetic_reducts.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <new>
#include <string>

#include "core/int_sack.h"
#include "core/random.h"
#include "core/report.h"
#include "core/table.h"
#include "core/alloc_guard.h"
#include "rough/decision/dec_mem.h"
#include "rough/reducts/red_memory.h"
#include "rough/reducts/reduct_evaluator.h"

using genetic_subsets::Subset;

namespace {

void ErrorLine(const std::string& line) {
    std::fprintf(stderr, "%s\n", line.c_str());
    std::fflush(stderr);
}

// The attributes of a stored reduct, ascending, as the receivers take them.
std::unique_ptr<TIntSack> ReductSack(const Subset& reduct) {
    auto sack = std::make_unique<TIntSack>();
    for (int a = 0; a < reduct.GetSize(); ++a)
        if (reduct.IsSet(a)) sack->AddElem(a);
    return sack;
}

// The m best reducts of the evaluator, m = min(stored, maxReducts).
void HandOver(const ReductEvaluator& evaluator, TDecMemory* receiver, int m, int local, int object) {
    for (int i = 0; i < m; ++i) {
        const Subset* reduct = evaluator.GetReduct(i);
        if (reduct != nullptr) receiver->AddRed(ReductSack(*reduct), local, object);
    }
}

int Percent(long long done, long long total) {
    return static_cast<int>(static_cast<__int128>(done) * 100 / total);
}

}  // namespace

// ---------------------------------------------------------------------------- GA_reduct

std::unique_ptr<GA_individual> GA_reduct::Clone() const {
    std::unique_ptr<GA_reduct> copy = NewIndividual<GA_reduct>(n, evaluator);
    copy->CopyFrom(*this);
    return copy;
}

void GA_reduct::Evaluate() {
    const std::vector<int>& attrs = evaluator->GetConditionAttributes();
    const int noAttr = evaluator->GetTable()->GetNoAttr();
    Subset s(evaluator->GetConditions());
    for (int i = 0; i < n; ++i) {
        const int g = genes[static_cast<size_t>(i)];
        const int j = g >= 0 && g < static_cast<int>(attrs.size()) ? attrs[static_cast<size_t>(g)] : -1;
        if (j < 0 || j >= noAttr) ErrorLine("Fitness: j=" + std::to_string(j));
        s.Reset(j);
        if (!evaluator->IsValid(s)) s.Set(j);
    }
    // When no attribute could go, the whole condition set is the reduct, but it has not been
    // through the evaluator yet: without this it would be neither stored nor scored.
    if (evaluator->GetCost(s) == 0.0) evaluator->IsValid(s);
    fitness = evaluator->GetCost(s);
    if (fitness < 0.0) ErrorLine("GA_reduct: fitness error");
}

// ---------------------------------------------------------------------------- TGenRed

void GuardedGeneration(ReductEvaluator& evaluator, int populationSize) {
    try {
        evaluator.NextGeneration(populationSize);
    } catch (const GA_errors& err) {
        LogMessage(err.GetMessage());
    } catch (const MemError&) {
        LogMessage("Memory Error!");
    }
}

// A negative level keeps the values set before. Each level that is too slow for the number
// of reducts wanted is raised by one, with a warning.
void TGenRed::SetSpeed(int level, int maxReducts) {
    for (;;) {
        if (level == 0) {
            generations = 10;
            populationSize = 10;
        } else if (level == 1) {
            generations = 20;
            populationSize = 20;
        } else if (level == 2) {
            generations = 60;
            populationSize = 50;
        } else if (level > 2) {
            // 10 x L x L passes 64 bits near L = 960 million; beyond that the run is endless
            // anyway, so the count stays at the largest one rather than wrap.
            const __int128 l = level;
            generations = static_cast<long long>(std::min<__int128>(10 * l * l, LLONG_MAX));
            populationSize = 50;
        }
        const long long reach =
            static_cast<long long>(static_cast<__int128>(generations) * populationSize / 3);
        if (maxReducts <= reach) return;
        ++level;
        LogFormat("Warning: Too many reducts to find. Speed decreased to level %d.", level);
    }
}

int TGenRed::Calculate(TTable* table, TDecMemory* receiver, int maxReducts, int speedLevel,
                       int relative, int local, int object) {
    RandomInt(2);  // seeds the generator from the clock on the first call of the process
    LogMessage("Genetic reducts");
    LogMessage("Initializing table...");
    std::unique_ptr<ReductEvaluator> evaluator;
    try {
        if (relative == 0)
            evaluator = std::make_unique<PlainReductEvaluator>(table);
        else
            evaluator = std::make_unique<DecReductEvaluator>(table);
    } catch (const std::bad_alloc&) {
        throw MemError();
    }

    if (local == 0) object = -1;
    evaluator->SetMode(relative != 0 && local == 0 ? 1 : 0);
    SetSpeed(speedLevel, maxReducts);

    const int noObj = table->GetNoObj();
    if (local != 0 && object == -1) {
        for (int o = 0; o < noObj; ++o) {
            evaluator->SetObject(o);
            if (o == 0) LogMessage("Working...");
            ShowProgress(Percent(o, noObj));
            for (long long g = 0; g < generations; ++g) {
                GuardedGeneration(*evaluator, populationSize);
                if (!CheckBreak()) {
                    LogMessage("Stopped.");
                    break;
                }
                HandOver(*evaluator, receiver, std::min(evaluator->GetNoReducts(), maxReducts), 1, o);
            }
        }
        return 1;
    }

    LogFormat("Table initialized: %ld objects, %ld attributes", static_cast<long>(noObj),
              static_cast<long>(table->GetNoAttr()));
    if (local != 0) evaluator->SetObject(object);
    LogMessage("Working...");
    for (long long g = 0; g < generations; ++g) {
        ShowProgress(Percent(g, generations));
        GuardedGeneration(*evaluator, populationSize);
        if (!CheckBreak()) {
            LogMessage("Stopped.");
            break;
        }
    }
    const int m = std::min(evaluator->GetNoReducts(), maxReducts);
    LogFormat("Number of reducts: %d", m);
    HandOver(*evaluator, receiver, m, local != 0 ? 1 : 0, object);
    return 1;
}

// ---------------------------------------------------------------------------- TRedMemory

void TRedMemory::CalculateGeneticReducts(TTable* table, int local, int relative, int limit, int speed) {
    // Only the flags' exact values 0 and 1 choose a narrower kind; anything else asks for
    // decision-relative local reducts.
    int kind = 1;
    int localFlag = 1;
    if (local == 0 && relative == 0) {
        kind = 0;
        localFlag = 0;
    } else if (local == 0 && relative == 1) {
        localFlag = 0;
    } else if (local == 1 && relative == 0) {
        kind = 0;
    }
    auto search = OrOutOfMemory([] { return std::make_unique<TGenRed>(); });
    search->Calculate(table, this, limit, speed, kind, localFlag, -1);
}
