// The rules file ("DECISION RULES (" layout): read, written in every layout, and read back,
// which must give the same file byte for byte. The rules read carry no object lists, so the
// file with object lists written from them lists none and reads back the same as well. The
// first block of the input is also read from a stream: both forms of the block reader must
// agree.
#include <sstream>
#include <string>

#include "core/text_scan.h"
#include "fuzz/fuzz_support.h"
#include "rough/rules/block.h"
#include "rough/rules/rul_memory.h"

namespace {

std::string Descriptors(const TBlock& block) {
    std::string out;
    for (int i = 0; i < block.GetNoDesc(); ++i) {
        out += std::to_string(block.GetAttr(i)) + "=" + std::to_string(block.GetValue(i)) + " ";
    }
    return out;
}

// The result, the descriptors and the next character after the block, from either reader.
void RequireBlockReadersAgree(const std::string& text) {
    const std::string::size_type line = text.find('\n');
    const std::string body = line == std::string::npos ? std::string() : text.substr(line + 1);
    TBlock fromText;
    TextScanner scanner(body.data(), body.data() + body.size());
    const int textResult = fromText.Read(scanner);
    char textNext = 0;
    scanner.ReadChar(textNext);
    TBlock fromStream;
    std::istringstream stream(body);
    const int streamResult = fromStream.Read(stream);
    stream.clear();
    char streamNext = 0;
    stream >> streamNext;
    Require(textResult == streamResult, "block read result");
    Require(Descriptors(fromText) == Descriptors(fromStream), "block read descriptors");
    Require(textNext == streamNext, "block read end");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes = InputBytes(data, size);
    ReadsOrFailsByDesign([&] { RequireBlockReadersAgree(bytes); });
    TempFile input(bytes);
    TRulMemory memory;
    if (!ReadsOrFailsByDesign([&] { memory.LoadRules(input.Path()); })) return 0;
    TempFile rules, listed, compact, named, rulesAgain, listedAgain;
    TRulMemory reread;
    TRulMemory rereadListed;
    Require(ReadsOrFailsByDesign([&] {
                memory.SaveRules(rules.Path(), nullptr, 0);
                memory.SaveRules(named.Path(), nullptr, 2);
                memory.SaveRulesWithObjInfo(listed.Path());
                memory.SaveRulesCompact(compact.Path());
                reread.LoadRules(rules.Path());
                reread.SaveRules(rulesAgain.Path(), nullptr, 0);
                rereadListed.LoadRulesWithObjInfo(listed.Path());
                rereadListed.SaveRulesWithObjInfo(listedAgain.Path());
            }),
            "written rules read back");
    Require(reread.GetNoRules() == memory.GetNoRules(), "rule count");
    Require(rereadListed.GetNoRules() == memory.GetNoRules(), "rule count with object lists");
    Require(rules.Bytes() == rulesAgain.Bytes(), "rules file bytes");
    Require(listed.Bytes() == listedAgain.Bytes(), "object-list file bytes");
    return 0;
}
