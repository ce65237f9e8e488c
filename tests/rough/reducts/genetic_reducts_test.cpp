#include <gtest/gtest.h>

#include <climits>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "core/error.h"
#include "core/random.h"
#include "core/report.h"
#include "core/table.h"
#include "rough/decision/dec_mem.h"
#include "rough/reasoning/discernibility.h"
#include "rough/reducts/genetic_reducts.h"
#include "rough/reducts/red_memory.h"
#include "rough/reducts/reduct_evaluator.h"
#include "tests/rough/reducts/reduct_builders.h"
#include "tests/rough/table_builders.h"
#include "tests/support/brute_force_reducts.h"
#include "tests/support/failing_allocation.h"
#include "tests/support/fixed_clock.h"
#include "tests/support/test_files.h"

using genetic_subsets::Subset;

namespace {

// Every hand-over as it arrives.
struct Handed {
    std::vector<int> attrs;
    int local;
    int object;
    bool operator==(const Handed&) const = default;
};

class Recorder : public TDecMemory {
public:
    void AddRed(std::unique_ptr<TIntSack> reduct, int local, int object) override {
        calls.push_back({std::vector<int>(reduct->begin(), reduct->end()), local, object});
        if (failAfter > 0 && static_cast<int>(calls.size()) == failAfter) failing.emplace();
    }
    void AddRule(const int*, int) override {}
    int GetNoElem() const override { return static_cast<int>(calls.size()); }

    std::vector<Handed> calls;
    int failAfter = 0;  // from that hand-over on, the subset code cannot allocate
    std::optional<FailingAllocation> failing;
};

// A GA_reduct whose order the test chooses.
class OrderedReduct : public GA_reduct {
public:
    OrderedReduct(ReductEvaluator* ev, std::vector<int> order) : GA_reduct(static_cast<int>(order.size()), ev) {
        genes = std::move(order);
    }
};

// Scripted test results, counted.
class ScriptedFitness : public ReductFitness {
public:
    explicit ScriptedFitness(const TTable* t) : ReductFitness(t) {}
    int Test(const Subset&) override {
        ++tests;
        return answer;
    }
    int answer = 0;
    int tests = 0;
};

std::vector<std::string> Progress(const std::string& out) {
    std::vector<std::string> lines;
    for (const std::string& line : TextLines(out))
        if (line.rfind("PROGRESS:", 0) == 0) lines.push_back(line.substr(9));
    return lines;
}

// The weather table of the examples: outlook, temperature, humidity, windy, play.
void Weather(TTable& t) {
    t.Load(VARNEL_TABLES "/weather.nominal.tab");
}

// ---------------------------------------------------------------------------- ReductFitness

TEST(ReductFitness, ModesWeighClassesAndSizeOverAllColumns) {
    TTable t;
    t.CreateTable(10, 5);
    ScriptedFitness f(&t);
    const Subset s = Of(5, {1, 3});
    EXPECT_EQ(f.GetMode(), 1);
    EXPECT_DOUBLE_EQ(f.Fitness(s, 4), 4.0);  // 5 + 1 - 2
    f.SetMode(0);
    EXPECT_DOUBLE_EQ(f.Fitness(s, 4), 7.8);  // (10 + 1 - 4) + 4 / 5
    f.SetMode(-1);
    EXPECT_DOUBLE_EQ(f.Fitness(s, 4), 1.0);
    f.SetMode(7);
    EXPECT_DOUBLE_EQ(f.Fitness(s, 4), 4.0);
}

TEST(ReductFitness, EvaluateTestsEachSubsetOnceAndPassesSupersetsOfStoredReducts) {
    TTable t;
    t.CreateTable(6, 4);
    ScriptedFitness f(&t);
    f.answer = 3;
    EXPECT_EQ(f.Evaluate(Of(4, {1, 2})), 1);
    EXPECT_EQ(f.tests, 1);
    EXPECT_DOUBLE_EQ(f.GetCost(Of(4, {1, 2})), 3.0);
    EXPECT_EQ(f.Evaluate(Of(4, {0, 1, 2})), 1);  // contains {1, 2}
    EXPECT_EQ(f.tests, 1);

    f.answer = 0;
    EXPECT_EQ(f.Evaluate(Of(4, {0})), 0);
    EXPECT_EQ(f.Evaluate(Of(4, {0})), 0);
    EXPECT_EQ(f.tests, 2);
    EXPECT_EQ(f.GetNoReducts(), 1);

    f.answer = 1;
    EXPECT_EQ(f.Evaluate(Of(4, {1})), 1);  // evicts {1, 2}
    ASSERT_EQ(f.GetNoReducts(), 1);
    EXPECT_TRUE(*f.GetReduct(0) == Of(4, {1}));
}

// ---------------------------------------------------------------------------- GA_reduct

TEST(GAReduct, DropsAttributesInGeneOrderWhileTheRestStillPasses) {
    // Columns 0 and 1 both copy the decision, column 2 is constant: {0} and {1} are the
    // reducts, and the order decides which one is found.
    TTable t;
    FillTable(t, {{0, 0, 5, 0}, {1, 1, 5, 1}, {2, 2, 5, 2}});
    DecReductEvaluator ev(&t);
    OrderedReduct first(&ev, {0, 1, 2});
    first.Evaluate();
    EXPECT_DOUBLE_EQ(first.GetFitness(), 4.0);  // mode 1: 4 + 1 - 1
    ASSERT_EQ(ev.GetNoReducts(), 1);
    EXPECT_EQ(Members(*ev.GetReduct(0)), (std::vector<int>{1}));

    OrderedReduct second(&ev, {1, 2, 0});
    second.Evaluate();
    ASSERT_EQ(ev.GetNoReducts(), 2);
    EXPECT_EQ(Members(*ev.GetReduct(1)), (std::vector<int>{0}));
}

TEST(GAReduct, GenesStandForTheConditionAttributesInAscendingOrder) {
    // Information-system reducts of weather: the only one is {0, 1, 2, 3}; gene 4 is the
    // fifth attribute (the decision column, a condition here) and goes first.
    TTable t;
    Weather(t);
    PlainReductEvaluator ev(&t);
    OrderedReduct r(&ev, {4, 0, 1, 2, 3});
    r.Evaluate();
    ASSERT_EQ(ev.GetNoReducts(), 1);
    EXPECT_EQ(Members(*ev.GetReduct(0)), (std::vector<int>{0, 1, 2, 3}));
}

TEST(GAReduct, AConditionSetOfIndispensableAttributesIsStoredAndScored) {
    // Neither attribute alone tells the decisions apart: the whole set is the one reduct,
    // though no removal ever passed.
    TTable t;
    FillTable(t, {{0, 0, 0}, {1, 0, 1}, {0, 1, 1}});
    DecReductEvaluator ev(&t);
    OrderedReduct r(&ev, {0, 1});
    r.Evaluate();
    EXPECT_DOUBLE_EQ(r.GetFitness(), 2.0);  // 3 + 1 - 2
    ASSERT_EQ(ev.GetNoReducts(), 1);
    EXPECT_EQ(Members(*ev.GetReduct(0)), (std::vector<int>{0, 1}));
}

TEST(GAReduct, EveryDecodedOrderLeavesOnlyReductsInTheStore) {
    for (unsigned seed : {3u, 4u, 5u}) {
        TTable t;
        FillRandomTable(t, seed, 30, 7, 3, 3);
        for (bool relative : {true, false}) {
            std::unique_ptr<ReductEvaluator> ev = NewEvaluator(&t, relative);
            const int n = static_cast<int>(ev->GetConditionAttributes().size());
            SeedRand(seed);
            for (int round = 0; round < 20; ++round) {
                GA_reduct r(n, ev.get());
                r.Evaluate();
                EXPECT_GT(r.GetFitness(), 0.0);
                for (int i = 0; i < ev->GetNoReducts(); ++i)
                    ASSERT_TRUE(brute_force::IsGlobalReduct(t, relative, Members(*ev->GetReduct(i))));
            }
            ev->SetObject(4);
            for (int round = 0; round < 20; ++round) {
                GA_reduct r(n, ev.get());
                r.Evaluate();
                for (int i = 0; i < ev->GetNoReducts(); ++i) {
                    const std::vector<int> attrs = Members(*ev->GetReduct(i));
                    const std::vector<int> cls = brute_force::Classes(t, relative);
                    ASSERT_TRUE(brute_force::DiscernsObject(t, cls, attrs, 4));
                    for (size_t k = 0; k < attrs.size(); ++k)
                        ASSERT_FALSE(brute_force::DiscernsObject(t, cls, brute_force::Without(attrs, k), 4));
                }
            }
        }
    }
}

TEST(GAReduct, CloneIsANewRandomPermutationOverwrittenByACopy) {
    TTable t;
    FillRandomTable(t, 8, 10, 5, 3, 2);
    DecReductEvaluator ev(&t);
    SeedRand(9);
    GA_reduct original(4, &ev);
    original.Evaluate();
    std::unique_ptr<GA_individual> copy = original.Clone();
    const int next = Rand();
    SeedRand(9);
    for (int i = 0; i < 6; ++i) Rand();  // three draws for each of the two permutations
    EXPECT_EQ(next, Rand());

    const auto* same = dynamic_cast<const GA_reduct*>(copy.get());
    ASSERT_NE(same, nullptr);
    EXPECT_EQ(same->Genes(), original.Genes());
    EXPECT_EQ(same->GetFitness(), original.GetFitness());
}

// ---------------------------------------------------------------------------- TGenRed

TEST(GenRedSpeed, LevelsRiseWithAWarningUntilTheReductsCanBeFound) {
    struct Case {
        int level;
        int maxReducts;
        long long generations;
        int population;
        std::string warnings;
    };
    const std::string w = "Warning: Too many reducts to find. Speed decreased to level ";
    const std::vector<Case> cases = {
        {0, 33, 10, 10, ""},
        {0, 100, 20, 20, w + "1.\n"},
        {0, 1000, 60, 50, w + "1.\n" + w + "2.\n"},
        {3, 1, 90, 50, ""},
        {4, 1, 160, 50, ""},
        {-3, 33, 10, 10, ""},
        {-2, 100, 20, 20, w + "-1.\n" + w + "0.\n" + w + "1.\n"},
        {100000, 1, 100000000000LL, 50, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.level);
        LogCapture log;
        TGenRed search;
        search.SetSpeed(c.level, c.maxReducts);
        EXPECT_EQ(search.GetNoGenerations(), c.generations);
        EXPECT_EQ(search.GetPopulationSize(), c.population);
        EXPECT_EQ(log.Text(), c.warnings);
    }

    // The largest request needs level 3590: 10 x 3590 x 3590 x 50 / 3 passes 2^31 - 1.
    LogCapture log;
    TGenRed search;
    search.SetSpeed(0, INT_MAX);
    EXPECT_EQ(search.GetNoGenerations(), 10LL * 3590 * 3590);
    const std::vector<std::string> lines = TextLines(log.Text());
    ASSERT_EQ(lines.size(), 3590u);
    EXPECT_EQ(lines.back(), w + "3590.");

    // A negative level keeps what an earlier call set.
    search.SetSpeed(-1, 1);
    EXPECT_EQ(search.GetNoGenerations(), 10LL * 3590 * 3590);

    // From about level 960 million, 10 x L x L no longer fits 64 bits: the count stays at
    // the largest one, not a wrapped (possibly negative, so zero-generation) value.
    TGenRed high;
    high.SetSpeed(960000000, 1);
    EXPECT_EQ(high.GetNoGenerations(), 9216000000000000000LL);
    for (int level : {961000000, 2000000000, INT_MAX}) {
        SCOPED_TRACE(level);
        high.SetSpeed(level, INT_MAX);
        EXPECT_EQ(high.GetNoGenerations(), LLONG_MAX);
        EXPECT_EQ(high.GetPopulationSize(), 50);
    }
}

TEST(GenRed, AGlobalRunLogsItsStepsShowsProgressPerGenerationAndHandsOverTheBest) {
    TTable t;
    Weather(t);
    ResetRandomForTests();
    SetFixedClockSecond(1000);
    LogCapture log;
    Recorder receiver;
    testing::internal::CaptureStdout();
    TGenRed search;
    EXPECT_EQ(search.Calculate(&t, &receiver, 1, 0, 1, 0, 7), 1);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(log.Text(),
              "Genetic reducts\nInitializing table...\nTable initialized: 14 objects, 5 attributes\n"
              "Working...\nNumber of reducts: 1\n");
    EXPECT_EQ(Progress(out), (std::vector<std::string>{"0", "10", "20", "30", "40", "50", "60", "70", "80", "90"}));
    ASSERT_EQ(receiver.calls.size(), 1u);
    EXPECT_EQ(receiver.calls[0].local, 0);
    EXPECT_EQ(receiver.calls[0].object, -1);
    EXPECT_TRUE(brute_force::IsGlobalReduct(t, true, receiver.calls[0].attrs));
}

TEST(GenRed, RelativeGlobalReductsAreAllFoundBestFirstByFewestAttributes) {
    TTable t;
    FillRandomTable(t, 31, 60, 8, 3, 2);
    ResetRandomForTests();
    SetFixedClockSecond(77);
    LogCapture log;
    Recorder receiver;
    TGenRed search;
    search.Calculate(&t, &receiver, 5, 2, 1, 0, -1);
    ASSERT_FALSE(receiver.calls.empty());
    EXPECT_LE(receiver.calls.size(), 5u);
    for (size_t i = 0; i < receiver.calls.size(); ++i) {
        EXPECT_TRUE(brute_force::IsGlobalReduct(t, true, receiver.calls[i].attrs));
        if (i > 0) {
            EXPECT_LE(receiver.calls[i - 1].attrs.size(), receiver.calls[i].attrs.size());
        }
    }
    EXPECT_NE(log.Text().find("Number of reducts: " + std::to_string(receiver.calls.size()) + "\n"), std::string::npos);
}

TEST(GenRed, EveryObjectInTurnHandsOverItsReductsAfterEachGeneration) {
    TTable t;
    FillTable(t, {{0, 0, 0}, {0, 1, 1}, {1, 1, 1}, {1, 0, 0}});
    ResetRandomForTests();
    SetFixedClockSecond(5);
    LogCapture log;
    Recorder receiver;
    testing::internal::CaptureStdout();
    TGenRed search;
    search.Calculate(&t, &receiver, 10, 0, 1, 1, -1);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(log.Text(), "Genetic reducts\nInitializing table...\nWorking...\n");
    EXPECT_EQ(Progress(out), (std::vector<std::string>{"0", "25", "50", "75"}));
    // Column 1 equals the decision: {1} is the one local reduct of every object, handed
    // over after each of the 10 generations.
    ASSERT_EQ(receiver.calls.size(), 40u);
    for (size_t i = 0; i < receiver.calls.size(); ++i)
        EXPECT_EQ(receiver.calls[i], (Handed{{1}, 1, static_cast<int>(i / 10)}));
}

TEST(GenRed, AOneClassTableGivesTheEmptyReductGloballyAndNothingLocally) {
    TTable t;
    FillTable(t, {{0, 1}, {1, 1}, {2, 1}});
    for (int local : {0, 1}) {
        SCOPED_TRACE(local);
        LogCapture log;
        Recorder receiver;
        testing::internal::CaptureStdout();
        TGenRed().Calculate(&t, &receiver, 10, 0, 1, local, -1);
        testing::internal::GetCapturedStdout();
        if (local == 0) {
            ASSERT_EQ(receiver.calls.size(), 1u);
            EXPECT_EQ(receiver.calls[0], (Handed{{}, 0, -1}));
            EXPECT_NE(log.Text().find("Number of reducts: 1\n"), std::string::npos);
        } else {
            EXPECT_TRUE(receiver.calls.empty());
        }
    }

    // No objects at all: globally the empty reduct, locally nothing to run.
    TTable empty;
    empty.CreateTable(0, 3);
    Recorder global;
    testing::internal::CaptureStdout();
    TGenRed().Calculate(&empty, &global, 10, 0, 0, 0, -1);
    TGenRed().Calculate(&empty, &global, 10, 0, 0, 1, -1);
    EXPECT_EQ(Progress(testing::internal::GetCapturedStdout()).size(), 10u);
    ASSERT_EQ(global.calls.size(), 1u);
    EXPECT_TRUE(global.calls[0].attrs.empty());
}

TEST(GenRed, OneConditionThatDiscernsAllClassesIsTheOneReduct) {
    TTable t;
    FillTable(t, {{0, 0}, {1, 1}, {2, 0}, {3, 2}});
    Recorder receiver;
    testing::internal::CaptureStdout();
    TGenRed().Calculate(&t, &receiver, 10, 0, 1, 0, -1);
    testing::internal::GetCapturedStdout();
    ASSERT_EQ(receiver.calls.size(), 1u);
    EXPECT_EQ(receiver.calls[0].attrs, (std::vector<int>{0}));
}

TEST(GenRed, AGenerationThatFailsIsLoggedAndTheSearchGoesOn) {
    TTable t;
    Weather(t);
    PlainReductEvaluator ev(&t);
    LogCapture log;
    // One member cannot find a crossover partner: the engine refuses with its code 0, in
    // every generation of that population (the size is taken when it is made).
    GuardedGeneration(ev, 1);
    GuardedGeneration(ev, 10);
    EXPECT_EQ(log.Text(), "Unknown genetic error\nUnknown genetic error\n");
    EXPECT_EQ(ev.GetNoReducts(), 0);
    ev.SetObject(-1);
    GuardedGeneration(ev, 10);
    EXPECT_EQ(ev.GetNoReducts(), 1);

    // Out of memory in the subset code from the second hand-over on: every later generation
    // that has to evaluate logs it, and all objects still run.
    ResetRandomForTests();
    SetFixedClockSecond(3);
    LogCapture failing;
    Recorder receiver;
    receiver.failAfter = 2;
    testing::internal::CaptureStdout();
    TGenRed().Calculate(&t, &receiver, 10, 0, 0, 1, -1);
    const std::string out = testing::internal::GetCapturedStdout();
    receiver.failing.reset();
    const std::vector<std::string> lines = TextLines(failing.Text());
    ASSERT_GT(lines.size(), 3u);
    EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + 3),
              (std::vector<std::string>{"Genetic reducts", "Initializing table...", "Working..."}));
    for (size_t i = 3; i < lines.size(); ++i) EXPECT_EQ(lines[i], "Memory Error!");
    EXPECT_EQ(Progress(out).size(), 14u);
}

// Asked for thousands of generations on 3 objects and 34 attributes, the search keeps
// rejecting new subsets; the set of them is held to the term lists' memory share (small
// here) and the run fails as an exhausted allocation does, globally and locally alike.
TEST(GenRed, RejectedSubsetsBeyondTheMemoryShareFailAsExhaustedMemory) {
    TTable t;
    FillRandomTable(t, 17, 3, 34, 3, 2);
    QuietMode = 1;
    for (int local : {0, 1}) {
        ResetRandomForTests();
        SetFixedClockSecond(9);
        discern::SetTermMemoryLimit(64 * 1024);
        TRedMemory memory;
        try {
            memory.CalculateGeneticReducts(&t, local, 0, 10, 20);
            ADD_FAILURE() << "local " << local << ": the search ended";
        } catch (const Error& e) {
            EXPECT_EQ(e.GetCode(), 2) << "local " << local;
        }
        discern::SetTermMemoryLimit(0);
    }
    // Within the share the same kind of search ends as before.
    ResetRandomForTests();
    SetFixedClockSecond(9);
    TRedMemory memory;
    memory.CalculateGeneticReducts(&t, 0, 0, 10, 1);
    EXPECT_GT(memory.GetNoRed(), 0);
    QuietMode = 0;
}

TEST(GenRed, TheSameClockSecondRepeatsTheRun) {
    TTable t;
    FillRandomTable(t, 12, 50, 9, 3, 3);
    auto run = [&](long long second, int local) {
        ResetRandomForTests();
        SetFixedClockSecond(second);
        Recorder receiver;
        testing::internal::CaptureStdout();
        TGenRed().Calculate(&t, &receiver, 20, 1, 0, local, -1);
        testing::internal::GetCapturedStdout();
        return receiver.calls;
    };
    for (int local : {0, 1}) {
        const std::vector<Handed> first = run(42, local);
        EXPECT_FALSE(first.empty());
        EXPECT_EQ(first, run(42, local));
    }
}

// ---------------------------------------------------------------------------- TRedMemory

std::vector<std::vector<int>> Stored(const TRedMemory& memory) {
    std::vector<std::vector<int>> out;
    for (int i = 0; i < memory.GetNoRed(); ++i) {
        const TIntSack* s = memory.GetReduct(i);
        out.emplace_back(s->begin(), s->end());
    }
    return out;
}

TEST(RedMemoryGenetic, FlagsChooseTheKindAndEveryOtherCombinationMeansRelativeLocal) {
    TTable t;
    FillRandomTable(t, 40, 25, 6, 3, 2);
    const std::vector<std::tuple<int, int, int, int>> cases = {
        // local, relative -> kind, local flag of the search
        {0, 0, 0, 0}, {0, 1, 1, 0}, {1, 0, 0, 1}, {1, 1, 1, 1}, {0, 2, 1, 1}, {2, 0, 1, 1}};
    for (const auto& [local, relative, kind, localFlag] : cases) {
        SCOPED_TRACE(std::to_string(local) + " " + std::to_string(relative));
        testing::internal::CaptureStdout();
        ResetRandomForTests();
        SetFixedClockSecond(9);
        TRedMemory viaMemory;
        viaMemory.CalculateGeneticReducts(&t, local, relative, 8, 0);
        ResetRandomForTests();
        SetFixedClockSecond(9);
        TRedMemory direct;
        TGenRed().Calculate(&t, &direct, 8, 0, kind, localFlag, -1);
        testing::internal::GetCapturedStdout();
        EXPECT_GT(direct.GetNoRed(), 0);
        EXPECT_EQ(Stored(viaMemory), Stored(direct));
        for (const std::vector<int>& r : Stored(direct)) {
            if (localFlag) {
                EXPECT_TRUE(brute_force::IsLocalReduct(t, kind == 1, r));
            } else {
                EXPECT_TRUE(brute_force::IsGlobalReduct(t, kind == 1, r));
            }
        }
    }
}

}  // namespace
