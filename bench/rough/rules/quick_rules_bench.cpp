// The quick rules of two public tables and of a generated 50,000 x 20 table, and the two
// sorts of the view that keep the generator's passes cheap: a repeated list and a list that
// extends the last one.
#include <memory>
#include <string>
#include <vector>

#include "bench/bench_util.h"
#include "core/random.h"
#include "core/table.h"
#include "rough/decision/dec_mem.h"
#include "rough/rules/quick_rules.h"
#include "rough/decision/table_view.h"

namespace {

class RuleCounter : public TDecMemory {
public:
    void AddRed(std::unique_ptr<TIntSack>, int, int) override {}
    void AddRule(const int*, int) override { ++rules; }
    int GetNoElem() const override { return rules; }
    int rules = 0;
};

void Generate(const std::string& name, TTable& table) {
    SeedRand(1);
    BenchTimer timer;
    ReductGenerator generator(&table);
    RuleCounter counter;
    generator.SetReceiver(&counter);
    generator.Generate(0.0);
    BenchReport("ReductGenerator::Generate(0) " + name, timer.Seconds(),
                std::to_string(counter.rules) + " rules");
}

void Load(TTable& table, const char* name) { table.Load((std::string(VARNEL_TABLES) + "/" + name).c_str()); }

}  // namespace

int main() {
    TTable vote;
    Load(vote, "vote.tab");
    Generate("vote", vote);
    TTable soybean;
    Load(soybean, "soybean.tab");
    Generate("soybean", soybean);

    const int objects = 50000;
    const int attributes = 20;
    TTable big;
    SeedRand(2);
    big.CreateTable(objects, attributes);
    for (int o = 0; o < objects; ++o) {
        for (int a = 0; a < attributes; ++a) big.SetTable(o, a, Rand() % (a % 5 + 2));
    }
    Generate("50,000 x 20", big);

    // The same five-attribute list sorted from scratch, and reached by extending a sorted
    // two-attribute list (only the runs of the two are sorted), then asked for again.
    const int first[] = {3, 7, -1};
    const int extended[] = {3, 7, 11, 15, 18, -1};
    TTableView fresh(&big);
    fresh.MakeGenDecisions();
    const int other[] = {0, -1};
    fresh.SortBy(other);
    BenchTimer whole;
    fresh.SortBy(extended);
    BenchReport("TTableView::SortBy 5 attributes from scratch", whole.Seconds());

    TTableView view(&big);
    view.MakeGenDecisions();
    view.SortBy(first);
    BenchTimer runs;
    view.SortBy(extended);
    BenchReport("TTableView::SortBy 2 attributes extended to 5", runs.Seconds());
    BenchTimer repeated;
    for (int k = 0; k < 1000; ++k) view.SortBy(extended);
    BenchReport("TTableView::SortBy same list x 1000", repeated.Seconds());
    return 0;
}
