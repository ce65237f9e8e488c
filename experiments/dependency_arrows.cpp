#include "experiments/dependency_arrows.h"

#include <new>
#include <string>

#include "core/alloc_guard.h"
#include "core/error.h"
#include "core/report.h"
#include "core/table.h"
#include "rough/genetic/ga_engine.h"
#include "rough/reducts/reduct_evaluator.h"

using genetic_subsets::Subset;

namespace {

void CheckSize(const TTable* table, const Subset& s) {
    if (s.GetSize() != table->GetNoAttr()) throw CalcError(9);
}

int Length(const Subset& x, const Subset& y) {
    const int length = y.Count() - x.Count();
    return length < 0 ? 0 : length;
}

}  // namespace

void ArrowList::Add(int from, int to) {
    OrOutOfMemory([&] { arrows.push_front({from, to}); });
    ++count;
}

std::ostream& operator<<(std::ostream& out, const ArrowList& list) {
    out << "{";
    bool first = true;
    for (const Arrow& arrow : list.GetArrows()) {
        out << (first ? "{" : " , {") << arrow.from << "," << arrow.to << "}";
        first = false;
    }
    return out << "}";
}

void FindArrows(ArrowList& list, const Subset& x, const Subset& y, const std::vector<int>& p) {
    const TTable* table = list.GetTable();
    const int noAttr = table->GetNoAttr();
    CheckSize(table, x);
    CheckSize(table, y);
    std::vector<int> unexplained;  // Y \ X, ascending
    for (int a = 0; a < noAttr; ++a)
        if (y.IsSet(a) && !x.IsSet(a)) OrOutOfMemory([&] { unexplained.push_back(a); });
    const int length = Length(x, y);
    if (static_cast<int>(p.size()) < length) throw GA_errors(1);

    Subset t(y);
    const int last = y.Count() - 1;
    for (int i = 0; i < length && i != last; ++i) {
        const int g = p[static_cast<size_t>(i)];
        if (g < 0 || g >= static_cast<int>(unexplained.size())) throw GA_errors(1);
        const int j = unexplained[static_cast<size_t>(g)];
        t.Reset(j);
        Subset target(noAttr);
        target.Set(j);
        ReductEvaluator evaluator(table, target, t, 1);
        for (int generation = 0; generation < 10; ++generation) evaluator.NextGeneration(10);
        if (evaluator.GetNoReducts() == 0) continue;
        const Subset& reduct = *evaluator.GetReduct(0);
        for (int a = 0; a < reduct.GetSize(); ++a)
            if (reduct.IsSet(a)) list.Add(a, j);
    }
    WriteStdoutLine("Wynik: " + std::to_string(list.GetCount()) + " strzalek.");
}

ArrowEvaluator::ArrowEvaluator(const TTable* table, const Subset& x, const Subset& y) : x(x), y(y), table(table) {
    CheckSize(table, x);
    CheckSize(table, y);
    if (y.Count() == 0) this->x.Clear();
}

ArrowEvaluator::ArrowEvaluator(const TTable* table)
    : x(table->GetNoAttr()), y(table->GetNoAttr()), table(table) {
    y.SetAll();
}

ArrowEvaluator::~ArrowEvaluator() = default;

int ArrowEvaluator::GetLength() const { return Length(x, y); }

void ArrowEvaluator::NextGeneration(int populationSize) {
    if (!population) {
        try {
            population = std::make_unique<GA_population>();
        } catch (const std::bad_alloc&) {
            throw MemError();
        }
        try {
            population->SetParams(0.3, 0.5, 0.02, 1, 0, 0);
            population->Init(NewIndividual<GA_arrows>(GetLength(), this), populationSize, 2);
        } catch (...) {
            // The next call starts again rather than breeding an engine without members.
            population.reset();
            throw;
        }
    }
    population->Generation();
    arrows.reset();
    arrows = OrOutOfMemory([this] { return std::make_unique<ArrowList>(table); });
    if (const auto* best = dynamic_cast<const GA_arrows*>(population->GetBest(0))) FindArrows(*arrows, x, y, best->Genes());
}

std::unique_ptr<GA_individual> GA_arrows::Clone() const {
    std::unique_ptr<GA_arrows> copy = NewIndividual<GA_arrows>(n, evaluator);
    copy->CopyFrom(*this);
    return copy;
}

// Each evaluation runs the inner searches afresh, so it prints its own result line.
void GA_arrows::Evaluate() {
    ArrowList list(evaluator->GetTable());
    FindArrows(list, evaluator->GetX(), evaluator->GetY(), genes);
    fitness = 1.0 / (list.GetCount() + 1);
}
