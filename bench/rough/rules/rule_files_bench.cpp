// Rule files of large memories. A file reproduces the shape of its tree, so rules written in
// rule order load into a list as deep as the file; each load must still find its insertion
// points without walking the list. Likewise one rule whose object list is long, in ascending
// order as the evaluation builds it. Each size is run at n and 2n: the times should about
// double. For contrast, the same sorted rules inserted one by one from the root.
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "bench/bench_util.h"
#include "core/file_io.h"
#include "core/report.h"
#include "rough/rules/rul_memory.h"

namespace {

// n rules on two attributes in ascending rule order.
std::string SortedRules(int n) {
    std::string text = "DECISION RULES (" + std::to_string(n) + ")\n";
    for (int i = 0; i < n; ++i) {
        text += "(0=" + std::to_string(i / 1000) + ")&(1=" + std::to_string(i % 1000) + ")=>(2=" +
                std::to_string(i % 2) + ") 3 1 0.75\n";
    }
    return text;
}

std::string OneRuleWithObjects(int n) {
    std::string text = "DECISION RULES:\n(0=1)&(1=2)=>(2=1)\n" + std::to_string(n) + "\n";
    for (int i = 0; i < n; ++i) text += std::to_string(i) + " ";
    text += "\n1\n" + std::to_string(n) + " \n0.5 1 \n";
    return text;
}

void Check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "%s failed\n", what);
        std::exit(1);
    }
}

void RoundTrip(const std::string& label, const std::string& text, bool objects, int expectedRules) {
    const std::string in = "/tmp/varnel_rule_files_bench_in";
    const std::string out = "/tmp/varnel_rule_files_bench_out";
    Check(WriteWholeFile(in.c_str(), text), "writing the input");
    TRulMemory m;
    BenchTimer load;
    if (objects) {
        m.LoadRulesWithObjInfo(in.c_str());
    } else {
        m.LoadRules(in.c_str());
    }
    const double loaded = load.Seconds();
    Check(m.GetNoRules() == expectedRules, "rule count");
    BenchTimer save;
    if (objects) {
        m.SaveRulesWithObjInfo(out.c_str());
    } else {
        m.SaveRules(out.c_str(), nullptr, 0);
    }
    const double saved = save.Seconds();
    std::string written;
    Check(ReadWholeFile(out.c_str(), written) && written == text, "the same bytes back");
    BenchReport(label + " load", loaded);
    BenchReport(label + " save", saved);
    std::remove(in.c_str());
    std::remove(out.c_str());
}

void WalkFromTheRoot(int n) {
    QuietModeGuard quiet;
    TRulMemory m;
    BenchTimer t;
    for (int i = 0; i < n; ++i) {
        auto block = std::make_unique<TBlock>();
        block->AddDescriptor(0, i / 1000);
        block->AddDescriptor(1, i % 1000);
        auto rule = std::make_unique<TRuleComp>(std::move(block), -1);
        rule->SetDecision(i % 2);
        m.InsertRule(std::move(rule));
    }
    BenchReport("sorted rules " + std::to_string(n) + " inserted from the root", t.Seconds());
}

}  // namespace

int main(int argc, char** argv) {
    const std::string only = argc > 1 ? argv[1] : "";
    std::vector<BenchCase> cases;
    for (int n : {100000, 200000}) {
        cases.push_back({"sorted " + std::to_string(n),
                         [n] { RoundTrip("sorted rules " + std::to_string(n), SortedRules(n), false, n); }});
        cases.push_back({"objects " + std::to_string(n),
                         [n] { RoundTrip("one rule, objects " + std::to_string(n), OneRuleWithObjects(n), true, 1); }});
    }
    for (int n : {10000, 20000}) cases.push_back({"walk " + std::to_string(n), [n] { WalkFromTheRoot(n); }});
    RunCasesApart(cases, only);
    return 0;
}
