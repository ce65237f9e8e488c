#pragma once

// Shared by the targets of the template-set list files: a list as a multiset of its sets'
// texts. Loading inserts by object count, and a set whose count equals the head's goes
// behind it, so the order of equal counts changes from one load to the next: written and
// reread lists are compared as multisets.
#include <algorithm>
#include <string>
#include <vector>

#include "discretization/templates/float_templates.h"
#include "fuzz/fuzz_support.h"

template <class Text>
std::vector<std::string> SetTexts(const TFTemplSetList& list, Text text) {
    std::vector<std::string> texts;
    for (int i = 1; i <= list.GetNoElem(); ++i) texts.push_back(text(*list.GetNth(i)));
    std::sort(texts.begin(), texts.end());
    return texts;
}

// The short layout has no reader; writing it must still succeed for whatever was read.
inline void RequireShortLayoutWritten(const TFTemplSetList& list) {
    TempFile written;
    list.Save(written.Path());
    Require(!written.Bytes().empty(), "the short layout is written");
}
