// The rules file with object lists ("DECISION RULES:" layout): read, written, and read back,
// which must give the same rules, object sets and file bytes. The plain rules file written
// from the reread memory reads back the same as well.
#include "fuzz/fuzz_support.h"
#include "rough/rules/rul_memory.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TempFile input(InputBytes(data, size));
    TRulMemory memory;
    if (!ReadsOrFailsByDesign([&] { memory.LoadRulesWithObjInfo(input.Path()); })) return 0;
    TempFile listed, listedAgain, rules, rulesAgain, compact;
    TRulMemory reread;
    TRulMemory rereadPlain;
    Require(ReadsOrFailsByDesign([&] {
                memory.SaveRulesWithObjInfo(listed.Path());
                memory.SaveRulesCompact(compact.Path());
                reread.LoadRulesWithObjInfo(listed.Path());
                reread.SaveRulesWithObjInfo(listedAgain.Path());
                reread.SaveRules(rules.Path(), nullptr, 0);
                rereadPlain.LoadRules(rules.Path());
                rereadPlain.SaveRules(rulesAgain.Path(), nullptr, 0);
            }),
            "written rules read back");
    Require(reread.GetNoRules() == memory.GetNoRules(), "rule count");
    Require(reread.GetDecisionAttr() == memory.GetDecisionAttr(), "decision attribute");
    Require(listed.Bytes() == listedAgain.Bytes(), "object-list file bytes");
    Require(rereadPlain.GetNoRules() == reread.GetNoRules(), "plain rule count");
    Require(rules.Bytes() == rulesAgain.Bytes(), "rules file bytes");
    return 0;
}
