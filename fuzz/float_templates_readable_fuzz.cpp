// The readable layout of a template-set list: read, written again descriptor by descriptor
// as it is laid out, and read back. Values carry 6 significant digits from the first write
// on (see the full layout's target).
#include <cstdio>
#include <string>

#include "fuzz/float_template_checks.h"

namespace {

void AppendReal(std::string& out, double v) {
    char word[32];
    std::snprintf(word, sizeof word, "%g", v);
    out += word;
}

// One set in the readable layout: the descriptor count, the descriptors, then the decision,
// the object count and the accuracy.
std::string ReadableText(const TFTemplSet& s) {
    std::string text = std::to_string(s.GetNoDescriptors()) + "\n";
    for (int i = 0; i < s.GetNoDescriptors(); ++i) s.GetDescriptor(i).PrintReadable(text);
    AppendReal(text, s.GetDecValue());
    text += " " + std::to_string(s.GetNoObj()) + " ";
    AppendReal(text, s.GetAccuracy());
    return text + "\n";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TempFile input(InputBytes(data, size));
    SilentStdout quiet;
    TFTemplSetList list;
    if (!ReadsOrFailsByDesign([&] { list.LoadReadable(input.Path()); })) return 0;
    std::string text = std::to_string(list.GetNoElem()) + "\n";
    for (int i = 1; i <= list.GetNoElem(); ++i) {
        const TFTemplSet& s = *list.GetNth(i);
        Require(s.GetLevel() == s.GetNoDescriptors(), "every descriptor read is active");
        text += ReadableText(s);
        if (i > 1) Require(list.GetNth(i - 1)->GetNoObj() >= s.GetNoObj(), "sets in decreasing object count");
    }
    TempFile written(text);
    TFTemplSetList again;
    again.LoadReadable(written.Path());
    Require(again.GetNoElem() == list.GetNoElem(), "every set written reads back");
    Require(SetTexts(again, ReadableText) == SetTexts(list, ReadableText), "the sets read back are the sets written");
    RequireShortLayoutWritten(list);
    return 0;
}
