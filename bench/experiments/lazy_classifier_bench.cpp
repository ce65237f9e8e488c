// The agreement-set classifier on a camera-like table (nine attributes): positions are
// grouped by agreement set and decision, at most 511 sets, so the time per test object grows
// with the training rows only through building the sets. Elimination and the weighted
// Johnson reducts on vote.tab for scale (Johnson: m^3 * n per class and test object).
#include <cstdio>
#include <string>

#include "bench/bench_util.h"
#include "core/decision_values.h"
#include "core/random.h"
#include "core/table.h"
#include "experiments/lazy_classifier.h"

namespace {

// Six classes; each attribute lies near a class-dependent level, so that objects of
// neighbouring classes agree now and then.
// spread 2: two values per attribute whatever the class, so that every one of the 511
// agreement sets occurs with every decision (the most positions there can be).
void CameraTable(TTable& t, int rows, unsigned seed, int spread = 16) {
    SeedRand(seed);
    t.CreateTable(rows, 10);
    for (int o = 0; o < rows; ++o) {
        const int decision = Rand() % 6;
        for (int a = 0; a < 9; ++a) t.SetTable(o, a, spread == 2 ? Rand() % 2 : decision * 4 + (a % 3) + Rand() % spread);
        t.SetTable(o, 9, decision);
    }
}

void CopyRows(const TTable& from, int first, int last, TTable& to) {
    to.CreateTable(last - first, from.GetNoAttr());
    for (int o = first; o < last; ++o) {
        for (int a = 0; a < from.GetNoAttr(); ++a) to.SetTable(o - first, a, from.GetTable(o, a));
    }
}

}  // namespace

int main() {
    // The verdict lines would drown the figures.
    if (std::freopen("/dev/null", "w", stdout) == nullptr) return 1;
    TTable test;
    CameraTable(test, 2000, 99);
    for (int method : {2, 10}) {
        for (int rows : {5000, 10000}) {
            TTable train;
            CameraTable(train, rows, 7);
            TDValInfo info;
            info.CalcFromTable(train);
            BenchTimer timer;
            const double error = TLazyClassifier::QuickExamplesTest(train, info, test, method, 0.9, nullptr);
            const double seconds = timer.Seconds();
            BenchReport("QuickExamplesTest method " + std::to_string(method) + " " + std::to_string(rows) +
                            " x 2000",
                        seconds,
                        std::to_string(seconds / 2000 * 1e6) + " us per test object, error " + std::to_string(error));
        }
    }

    for (int method : {2, 10}) {
        for (int rows : {5000, 10000}) {
            TTable train, worst;
            CameraTable(train, rows, 7, 2);
            CameraTable(worst, 200, 99, 2);
            TDValInfo info;
            info.CalcFromTable(train);
            BenchTimer timer;
            TLazyClassifier::QuickExamplesTest(train, info, worst, method, 0.9, nullptr);
            const double seconds = timer.Seconds();
            BenchReport("QuickExamplesTest method " + std::to_string(method) + ", all sets, " + std::to_string(rows) +
                            " x 200",
                        seconds, std::to_string(seconds / 200 * 1e6) + " us per test object");
        }
    }

    TTable all, train, vote;
    all.Load(VARNEL_TABLES "/vote.tab");
    CopyRows(all, 0, 300, train);
    CopyRows(all, 300, all.GetNoObj(), vote);
    TDValInfo info;
    info.CalcFromTable(train);
    BenchTimer elimination;
    const double eliminationError = TLazyClassifier::EliminationTest(train, info, vote, 1.0);
    BenchReport("EliminationTest vote.tab 300 x 135", elimination.Seconds(), "error " + std::to_string(eliminationError));
    BenchTimer johnson;
    const double johnsonError = TLazyClassifier::TestMaxJohnson(train, info, vote, nullptr);
    BenchReport("TestMaxJohnson vote.tab 300 x 135", johnson.Seconds(), "error " + std::to_string(johnsonError));
    // Twice the training rows: Johnson should take about twice as long.
    TTable doubled;
    doubled.CreateTable(600, all.GetNoAttr());
    for (int o = 0; o < 600; ++o) {
        for (int a = 0; a < all.GetNoAttr(); ++a) doubled.SetTable(o, a, all.GetTable(o % 300, a));
    }
    info.CalcFromTable(doubled);
    BenchTimer johnson2;
    TLazyClassifier::TestMaxJohnson(doubled, info, vote, nullptr);
    BenchReport("TestMaxJohnson vote.tab rows doubled 600 x 135", johnson2.Seconds());
    return 0;
}
