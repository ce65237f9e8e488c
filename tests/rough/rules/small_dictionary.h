#pragma once

#include <memory>

#include "core/dictio_set.h"
#include "tests/support/test_files.h"

// A table dictionary read from its file: attribute 0 "x" (code 0 "lo"), attribute 1 "y"
// without entries, decision attribute 2 "cls" (code 0 "no").
inline std::unique_ptr<TDictioSet> SmallDictionary() {
    ScratchDir dir;
    WriteFileBytes(dir.File("dict"), "x\n\tlo\t0\ny\ncls\n\tno\t0\n");
    auto dict = std::make_unique<TDictioSet>();
    dict->Load(dir.File("dict").c_str());
    return dict;
}
