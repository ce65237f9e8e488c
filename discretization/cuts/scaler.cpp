#include "discretization/cuts/scaler.h"

#include <new>

#include "core/table.h"
#include "discretization/cuts/cut_list.h"
#include "discretization/cuts/cut_search.h"
#include "discretization/cuts/scal_error.h"

namespace {

enum class CutSource { Search, SearchAndSave, File };

std::unique_ptr<TTable> Scale(const TTable& table, int method, CutSource source,
                              const char* cutsFileName, int cutsPerStep) {
    if (method != 0) throw ScalError(11);
    try {
        TScalTable work;
        work.Load(table);
        TCutList cuts;
        TCutSearch search(work, cuts);
        if (source == CutSource::File) {
            cuts.Load(cutsFileName, table.GetNoAttr() - 1);
        } else {
            search.Search(cutsPerStep);
            if (source == CutSource::SearchAndSave) cuts.Save(cutsFileName);
        }
        search.ScaleTable();
        return work.MakeTable();
    } catch (const std::bad_alloc&) {
        throw ScalError(2);
    }
}

}  // namespace

std::unique_ptr<TTable> TScaler::ScaleTable(const TTable& table, const char* cutsFileName, int method,
                                            int cutsPerStep) {
    return Scale(table, method, CutSource::SearchAndSave, cutsFileName, cutsPerStep);
}

std::unique_ptr<TTable> TScaler::ScaleTableWithoutSave(const TTable& table, int method, int cutsPerStep) {
    return Scale(table, method, CutSource::Search, nullptr, cutsPerStep);
}

std::unique_ptr<TTable> TScaler::ScaleTableFromCuts(const TTable& table, const char* cutsFileName,
                                                    int method) {
    return Scale(table, method, CutSource::File, cutsFileName, 1);
}
