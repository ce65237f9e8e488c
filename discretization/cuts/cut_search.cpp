#include "discretization/cuts/cut_search.h"

#include <algorithm>
#include <climits>
#include <utility>

#include "core/report.h"
#include "core/table.h"
#include "discretization/cuts/cut_list.h"
#include "discretization/cuts/scal_error.h"

namespace {

// The cut between two neighbouring distinct working values: their midpoint in single
// precision. When the two are neighbouring floats the midpoint can round down onto the lower
// value, which scaling would count above the cut; the upper value then serves, so that the
// cut divides the objects exactly as its quality was counted.
float CutBetween(float lower, float upper) {
    const float sum = lower + upper;
    const float mid = sum / 2;
    return mid > lower ? mid : upper;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// TScalTable

int TScalTable::Load(const TTable& table) {
    source = &table;
    N = table.GetNoObj();
    const int columns = table.GetNoAttr();
    // A table without columns (with or without objects) is given one of zeros, so that every
    // array below keeps its shape; its rows hold nothing to read.
    A = columns > 0 ? columns - 1 : 0;
    K = 0;
    const std::size_t cells = static_cast<std::size_t>(A + 1) * static_cast<std::size_t>(N);
    values.assign(cells, 0.0f);
    for (int o = 0; o < N && columns > 0; ++o) {
        const int* row = table.Row(o);
        for (int c = 0; c <= A; ++c) values[static_cast<std::size_t>(c) * N + o] = static_cast<float>(row[c]);
    }
    scaled.assign(static_cast<std::size_t>(A + 1), 0);
    blockOf.assign(static_cast<std::size_t>(N), 0);
    index.assign(cells, 0);
    sorted.assign(cells, 0.0f);
    for (int c = 0; c <= A; ++c) {
        for (int o = 0; o < N; ++o) index[static_cast<std::size_t>(c) * N + o] = o;
    }
    SortAll();

    classOf.assign(static_cast<std::size_t>(N), 0);
    decisionValues.clear();
    const int* objects = SortedObjects(A);
    const float* decisions = SortedValues(A);
    for (int p = 0; p < N; ++p) {
        if (p == 0 || decisions[p] > decisions[p - 1]) decisionValues.push_back(decisions[p]);
        classOf[static_cast<std::size_t>(objects[p])] = static_cast<int>(decisionValues.size()) - 1;
    }
    K = static_cast<int>(decisionValues.size());
    return 1;
}

std::unique_ptr<TTable> TScalTable::MakeTable() const {
    auto result = std::make_unique<TTable>();
    const int columns = source->GetNoAttr();
    try {
        result->CreateTable(N, columns);
    } catch (const Error& e) {
        if (e.GetCode() == 2) throw ScalError(2);
        throw;
    }
    for (int o = 0; o < N && columns > 0; ++o) {
        int* row = result->Row(o);
        const int* in = source->Row(o);
        for (int c = 0; c <= A; ++c) {
            // A scaled value is an interval number; only those are converted from float.
            row[c] = scaled[static_cast<std::size_t>(c)] ? static_cast<int>(GetValue(o, c)) : in[c];
        }
    }
    return result;
}

int TScalTable::GetBlockNo(int object) const {
    if (object < 0 || object >= N) return -1;
    return blockOf[static_cast<std::size_t>(object)];
}

int TScalTable::GetDecision(int object) const {
    const float v = GetValue(object, A);
    if (v >= 2147483648.0f) return INT_MAX;
    if (v < -2147483648.0f) return INT_MIN;
    return static_cast<int>(v);
}

int TScalTable::SetValuesBelow(int start, int attribute, float cut, int code) {
    scaled[static_cast<std::size_t>(attribute)] = 1;
    const int* objects = SortedObjects(attribute);
    float* column = values.data() + static_cast<std::size_t>(attribute) * N;
    int p = start;
    while (p < N && column[objects[p]] < cut) {
        column[objects[p]] = static_cast<float>(code);
        ++p;
    }
    return p;
}

void TScalTable::SetValuesFrom(int start, int attribute, int code) {
    scaled[static_cast<std::size_t>(attribute)] = 1;
    const int* objects = SortedObjects(attribute);
    float* column = values.data() + static_cast<std::size_t>(attribute) * N;
    for (int p = start; p < N; ++p) column[objects[p]] = static_cast<float>(code);
}

void TScalTable::SortAll() {
    for (int c = 0; c <= A; ++c) SortColumn(0, N - 1, c);
}

void TScalTable::SortColumn(int first, int last, int column) {
    if (first > last) return;
    int* objects = index.data() + static_cast<std::size_t>(column) * N;
    float* keys = sorted.data() + static_cast<std::size_t>(column) * N;
    std::vector<std::pair<float, int>> work;
    work.reserve(static_cast<std::size_t>(last - first + 1));
    for (int p = first; p <= last; ++p) work.emplace_back(GetValue(objects[p], column), objects[p]);
    std::sort(work.begin(), work.end(),
              [](const std::pair<float, int>& x, const std::pair<float, int>& y) { return x.first < y.first; });
    for (int p = first; p <= last; ++p) {
        keys[p] = work[static_cast<std::size_t>(p - first)].first;
        objects[p] = work[static_cast<std::size_t>(p - first)].second;
    }
}

// ---------------------------------------------------------------------------------------
// TCutBlockList

TCutBlockList::TCutBlockList(TScalTable& t) : table(t) {
    const int n = table.GetNoObj();
    counterOf.assign(static_cast<std::size_t>(n), 0);
    counterOfClass.assign(static_cast<std::size_t>(table.GetNoClasses()), -1);
    std::vector<int>& all = objects.emplace_back(static_cast<std::size_t>(n));
    for (int o = 0; o < n; ++o) {
        all[static_cast<std::size_t>(o)] = o;
        table.SetBlockNo(o, 0);
    }
    size.push_back(n);
    leftSize.push_back(0);
    firstCounter.push_back(0);
    classesIn.push_back(0);
    mixed.push_back(0);
    Recount(0);
    inconsistent = mixed[0];
}

void TCutBlockList::Recount(int block) {
    const std::size_t b = static_cast<std::size_t>(block);
    const int first = static_cast<int>(classCount.size());
    int classes = 0;
    for (int o : objects[b]) {
        const std::size_t k = static_cast<std::size_t>(table.GetClass(o));
        if (counterOfClass[k] < 0) {
            counterOfClass[k] = first + classes++;
            classCount.push_back(0);
            leftCount.push_back(0);
        }
        counterOf[static_cast<std::size_t>(o)] = counterOfClass[k];
        ++classCount[static_cast<std::size_t>(counterOfClass[k])];
    }
    for (int o : objects[b]) counterOfClass[static_cast<std::size_t>(table.GetClass(o))] = -1;
    size[b] = static_cast<int>(objects[b].size());
    leftSize[b] = 0;
    firstCounter[b] = first;
    classesIn[b] = classes;
    mixed[b] = classes > 1 ? 1 : 0;
}

void TCutBlockList::CompactCounters() {
    std::vector<int>().swap(classCount);
    std::vector<int>().swap(leftCount);
    for (int b = 0; b < GetNoBlocks(); ++b) Recount(b);
}

void TCutBlockList::ResetCounts() {
    for (int block : touched) {
        const std::size_t b = static_cast<std::size_t>(block);
        std::fill_n(leftCount.begin() + firstCounter[b], classesIn[b], 0);
        leftSize[b] = 0;
    }
    touched.clear();
}

int TCutBlockList::Split(float cutValue, int attribute) {
    int result = 0;
    std::vector<int> below;
    std::vector<int> rest;
    for (int number = GetNoBlocks() - 1; number >= 0; --number) {
        if (!mixed[static_cast<std::size_t>(number)]) continue;
        std::vector<int>& members = objects[static_cast<std::size_t>(number)];
        below.clear();
        rest.clear();
        for (int o : members) (table.GetValue(o, attribute) < cutValue ? below : rest).push_back(o);
        if (below.empty() || rest.empty()) continue;

        const int fresh = GetNoBlocks();
        members.swap(rest);
        for (int o : below) table.SetBlockNo(o, fresh);
        objects.push_back(below);
        size.push_back(0);
        leftSize.push_back(0);
        firstCounter.push_back(0);
        classesIn.push_back(0);
        mixed.push_back(0);
        --inconsistent;
        Recount(number);
        Recount(fresh);
        inconsistent += mixed[static_cast<std::size_t>(number)] + mixed[static_cast<std::size_t>(fresh)];
        result = 1;
    }
    // Every recount takes a fresh range and leaves the old one unused.
    if (classCount.size() > 2 * counterOf.size() + 64) CompactCounters();
    return result;
}

// ---------------------------------------------------------------------------------------
// TCutSearch

TCutSearch::TCutSearch(TScalTable& scalTable, TCutList& cutList)
    : bestCuts(static_cast<std::size_t>(scalTable.GetNoAttr())),
      blocks(scalTable),
      cuts(cutList),
      table(scalTable) {}

void TCutSearch::Search(int cutsPerStep) {
    int n = std::max(cutsPerStep, 1);
    n = std::min(n, table.GetNoAttr());
    LogMessage("Searching for cuts...");
    while (!blocks.AllConsistent() && bestQuality >= 1) {
        const std::vector<TCutSlot> slots = ChooseBestCuts(n);
        for (const TCutSlot& slot : slots) ApplyCut(slot.attribute);
    }
}

// A slot keeps the first attribute that beat its quality; a later, better attribute takes
// the first slot it beats and the entry there is lost, not shifted down.
std::vector<TCutSlot> TCutSearch::ChooseBestCuts(int n) {
    std::vector<TCutSlot> slots(static_cast<std::size_t>(n));
    const int attributes = table.GetNoAttr();
    for (int a = 0; a < attributes; ++a) {
        bestCuts[static_cast<std::size_t>(a)] = TBestCut{};
        BestCutOfAttribute(a);
    }
    std::int64_t maxQ = 0;
    for (int a = 0; a < attributes; ++a) {
        const std::int64_t q = bestCuts[static_cast<std::size_t>(a)].quality;
        maxQ = std::max(maxQ, q);
        for (TCutSlot& slot : slots) {
            if (slot.quality < q) {
                slot = TCutSlot{a, q};
                break;
            }
        }
    }
    for (const TCutSlot& slot : slots) LogFormat("Found cut of attribute %d:", slot.attribute);
    bestQuality = maxQ;
    return slots;
}

// One pass in ascending order of the attribute's values: objects move to the left side one
// by one, and after the last object of each value the running sum is the quality of the cut
// between that value and the next. The first highest sum wins; the last value has no cut
// above it.
void TCutSearch::BestCutOfAttribute(int attribute) {
    const int n = table.GetNoObj();
    const int* objects = table.SortedObjects(attribute);
    const float* v = table.SortedValues(attribute);
    std::int64_t sum = 0;
    TBestCut best;
    for (int p = 0; p + 1 < n; ++p) {
        sum += blocks.MoveLeft(objects[p]);
        if (v[p + 1] != v[p] && sum > best.quality) {
            best.quality = sum;
            best.value = CutBetween(v[p], v[p + 1]);
        }
    }
    bestCuts[static_cast<std::size_t>(attribute)] = best;
    blocks.ResetCounts();
}

void TCutSearch::ApplyCut(int attribute) {
    const TBestCut& best = bestCuts[static_cast<std::size_t>(attribute)];
    if (best.quality == 0) return;
    if (blocks.Split(best.value, attribute)) cuts.Add(attribute, best.value);
}

// Attributes without cuts become 0. The LOG line comes once per attribute with cuts and
// once per attribute after the last of those, not for the cut-less attributes in between.
void TCutSearch::ScaleTable() {
    LogMessage("Scaling process... ");
    const int attributes = table.GetNoAttr();
    int last = -1;
    cuts.First();
    while (!cuts.AtEnd()) {
        const int a = cuts.GetAttr();
        for (int b = last + 1; b < a; ++b) table.SetValuesFrom(0, b, 0);
        int pos = 0;
        int code = 0;
        while (!cuts.AtEnd() && cuts.GetAttr() == a) {
            pos = table.SetValuesBelow(pos, a, cuts.GetValue(), code);
            ++code;
            cuts.Next();
        }
        table.SetValuesFrom(pos, a, code);
        last = a;
        LogMessage("Scalling attribute:", a);
    }
    for (int b = last + 1; b < attributes; ++b) {
        table.SetValuesFrom(0, b, 0);
        LogMessage("Scalling attribute:", b);
    }
}
