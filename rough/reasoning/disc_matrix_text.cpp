#include <algorithm>
#include <cstdint>
#include <string>

#include "core/alloc_guard.h"
#include "core/error.h"
#include "core/file_io.h"
#include "core/report.h"
#include "core/table.h"
#include "rough/reasoning/boole.h"

// The matrix as text, for looking at it: on standard output or in a file.

namespace {

const char kHeader[] = "Discernibilty matrix:\n";

// The set bits of a mask below `columns` (32 at most: a mask has no further bits), each
// followed by a blank.
void AppendMaskAttributes(std::string& out, int mask, int columns) {
    const int bits = std::min(columns, 32);
    for (int a = 0; a < bits; ++a) {
        if (static_cast<uint32_t>(mask) & (uint32_t{1} << a)) {
            AppendInt(out, a);
            out += ' ';
        }
    }
}

std::string MaskLines(const TIntSack* masks, int columns) {
    return OrOutOfMemory([&] {
        std::string out = kHeader;
        for (int i = 0; masks != nullptr && i < masks->GetNoElem(); ++i) {
            out += "[ ";
            AppendMaskAttributes(out, (*masks)[i], columns);
            out += "]\n";
        }
        return out;
    });
}

}  // namespace

void TBoole::PrintDiscMatrix() const {
    const std::string text = OrOutOfMemory([&] {
        std::string out = kHeader;
        for (int i = 0; matrix != nullptr && i < matrix->GetNoElem(); ++i) {
            out += "[ ";
            if (const TIntSack* clause = matrix->GetElem(i)) {
                for (int a : *clause) {
                    AppendInt(out, a);
                    out += ' ';
                }
            }
            out += "]\n";
        }
        return out;
    });
    WriteStdout(text);
}

void TBoole31::PrintDiscMatrix(TTable* t) const { PrintMasks(matrix.get(), t); }

void TBoole31::PrintMasks(const TIntSack* masks, TTable* t) { WriteStdout(MaskLines(masks, t->GetNoAttr())); }

void TBoole31::SaveDiscMatrix(TTable* t, const char* file) const {
    const std::string text = OrOutOfMemory([&] {
        const int clauses = matrix != nullptr ? matrix->GetNoElem() : 0;
        std::string out = "Size=";
        AppendInt(out, clauses);
        out += '\n';
        for (int i = 0; i < clauses; ++i) {
            AppendMaskAttributes(out, (*matrix)[i], t->GetNoAttr());
            out += '\n';
        }
        return out;
    });
    if (!ReplaceWholeFile(file, text)) {
        LogMessage("Error: Can't save file with matrix");
        throw CalcErrorText(7, file);
    }
}
