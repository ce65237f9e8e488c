// The full layout of a template-set list: read, written and read back. Values are written
// with 6 significant digits, which a float reads back to the same 6 digits, so from the
// first write on each set's text is exact; the object count is not stored (every set reads
// with 0).
#include <string>

#include "fuzz/float_template_checks.h"

namespace {

std::string FullText(const TFTemplSet& s) {
    std::string text;
    s.WriteFull(text);
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TempFile input(InputBytes(data, size));
    SilentStdout quiet;
    TFTemplSetList list;
    if (!ReadsOrFailsByDesign([&] { list.LoadFull(input.Path()); })) return 0;
    for (int i = 1; i <= list.GetNoElem(); ++i) {
        const TFTemplSet& s = *list.GetNth(i);
        Require(s.GetNoObj() == 0, "the full layout stores no object count");
        Require(s.GetDescriptorCount() == s.GetNoDescriptors(), "the descriptor count is the descriptors read");
    }
    TempFile written;
    list.SaveFull(written.Path());
    TFTemplSetList again;
    again.LoadFull(written.Path());
    Require(again.GetNoElem() == list.GetNoElem(), "every set written reads back");
    Require(SetTexts(again, FullText) == SetTexts(list, FullText), "the sets read back are the sets written");
    RequireShortLayoutWritten(list);
    return 0;
}
