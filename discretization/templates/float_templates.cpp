#include "discretization/templates/float_templates.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "core/alloc_guard.h"
#include "core/data_table.h"
#include "core/error.h"
#include "core/file_io.h"
#include "core/report.h"
#include "core/table.h"
#include "core/text_scan.h"

namespace {

// A real as a stream writes it by default: six significant digits, no trailing zeros.
void AppendReal(std::string& out, double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    out += text;
}

bool ReadIntOk(TextScanner& in, int& value) { return in.ReadInt(value) != TextScanner::Read::Fail; }
bool ReadFloatOk(TextScanner& in, float& value) { return in.ReadFloat(value) != TextScanner::Read::Fail; }

// A count read from a file: a negative one reads as nothing to read.
bool ReadCount(TextScanner& in, int& count) {
    if (!ReadIntOk(in, count)) return false;
    count = std::max(count, 0);
    return true;
}

std::string ReadListFile(const char* fileName) {
    std::string text;
    if (!ReadWholeFile(fileName, text)) {
        WriteStdout(" Can't open a file!");
        throw CalcErrorText(6, fileName);
    }
    return text;
}

void WriteListFile(const char* fileName, const std::string& text) {
    if (!ReplaceWholeFile(fileName, text)) {
        WriteStdout("Can't open a file! ");
        throw CalcErrorText(7, fileName);
    }
}

}  // namespace

// ---------------------------------------------------------------------------------------
// TFDescriptor

void TFDescriptor::SetInterval(float lo, float hi) {
    isInterval = 1;
    low = lo;
    high = hi;
}

void TFDescriptor::AddValue(float value) {
    OrOutOfMemory([&] { values.push_back(value); });
    if (values.size() > 1 && value < values[values.size() - 2]) ascending = false;
    ++valueCount;
    isInterval = 0;
}

// On an ascending list the first value not below v is found by bisection; a list in any
// other order is walked, which is what the rule means for it.
bool TFDescriptor::MatchesValue(float v) const {
    if (isInterval == 1) return low <= v && v <= high;
    if (ascending) {
        const auto at = std::lower_bound(values.begin(), values.end(), v);
        return at != values.end() && *at == v;
    }
    for (const float x : values) {
        if (x >= v) return x == v;
    }
    return false;
}

bool TFDescriptor::Matches(const TDataTable& table, int object) const {
    return MatchesValue(table.GetValue(object, attribute));
}

bool TFDescriptor::MatchesInt(const TTable& table, int object) const {
    return MatchesValue(static_cast<float>(table.GetTable(object, attribute)));
}

void TFDescriptor::PrintBody(std::string& out) const {
    if (isInterval == 1) {
        out += "0 ";
        AppendReal(out, low);
        out += "  ";
        AppendReal(out, high);
        return;
    }
    AppendInt(out, valueCount);
    out += ' ';
    for (const float v : values) {
        AppendReal(out, v);
        out += ' ';
    }
}

void TFDescriptor::Print(std::string& out) const {
    out += ' ';
    AppendInt(out, attribute);
    out += ' ';
    PrintBody(out);
    out += '\n';
}

void TFDescriptor::PrintReadable(std::string& out) const {
    AppendInt(out, attribute);
    out += ' ';
    if (isInterval == 1) {
        out += '[';
        AppendReal(out, low);
        out += ' ';
        AppendReal(out, high);
        out += ']';
    } else {
        out += '{';
        for (const float v : values) {
            AppendReal(out, v);
            out += ' ';
        }
        out += '}';
    }
    out += '\n';
}

void TFDescriptor::Write(std::string& out) const {
    AppendInt(out, level);
    out += '\n';
    AppendInt(out, objects);
    out += '\n';
    AppendInt(out, attribute);
    out += " \n";
    PrintBody(out);
    out += "\n\n";
}

// A count of values above 0 announces a list, 0 an interval. The values are taken one read
// at a time, so a count larger than the file holds ends at the file's end.
bool TFDescriptor::Read(TextScanner& in) {
    int count = 0;
    if (!ReadIntOk(in, level) || !ReadIntOk(in, objects) || !ReadIntOk(in, attribute) || !ReadCount(in, count)) {
        return false;
    }
    if (count == 0) {
        float lo = 0.0f;
        float hi = 0.0f;
        if (!ReadFloatOk(in, lo) || !ReadFloatOk(in, hi)) return false;
        SetInterval(lo, hi);
        return true;
    }
    for (int i = 0; i < count; ++i) {
        float v = 0.0f;
        if (!ReadFloatOk(in, v)) return false;
        AddValue(v);
    }
    return true;
}

// After the attribute, "{" opens a value list that runs to "}"; any other character opens
// an interval: low, high and one closing character.
bool TFDescriptor::ReadReadable(TextScanner& in) {
    char open = 0;
    if (!ReadIntOk(in, attribute) || !in.ReadChar(open)) return false;
    if (open == '{') {
        isInterval = 0;
        for (;;) {
            TextScanner ahead = in;
            char c = 0;
            if (!ahead.ReadChar(c)) return false;
            if (c == '}') {
                in = ahead;
                return true;
            }
            float v = 0.0f;
            if (!ReadFloatOk(in, v)) return false;
            AddValue(v);
        }
    }
    float lo = 0.0f;
    float hi = 0.0f;
    char close = 0;
    if (!ReadFloatOk(in, lo) || !ReadFloatOk(in, hi) || !in.ReadChar(close)) return false;
    SetInterval(lo, hi);
    return true;
}

// ---------------------------------------------------------------------------------------
// TFTemplSet

TFTemplSet::TFTemplSet(const TFTemplSet& other)
    : bestLevel(other.bestLevel), level(other.level), objectCount(other.objectCount) {
    OrOutOfMemory([&] { descriptors = other.descriptors; });
    descriptorCount = static_cast<int>(descriptors.size());
}

std::size_t TFTemplSet::AddDescriptor(TFDescriptor descriptor) {
    const auto at = std::upper_bound(descriptors.begin(), descriptors.end(), descriptor.GetAttr(),
                                     [](int a, const TFDescriptor& d) { return a < d.GetAttr(); });
    const std::size_t position = static_cast<std::size_t>(at - descriptors.begin());
    OrOutOfMemory([&] { descriptors.insert(at, std::move(descriptor)); });
    descriptorCount = static_cast<int>(descriptors.size());
    return position;
}

TFDescriptor TFTemplSet::RemoveDescriptorAt(std::size_t position) {
    if (position >= descriptors.size()) throw CalcError(5);
    TFDescriptor d = std::move(descriptors[position]);
    descriptors.erase(descriptors.begin() + static_cast<std::ptrdiff_t>(position));
    descriptorCount = static_cast<int>(descriptors.size());
    return d;
}

bool TFTemplSet::Matches(const TDataTable& table, int object) const {
    if (descriptors.empty()) return false;
    for (const TFDescriptor& d : descriptors) {
        if (IsActive(d) && !d.Matches(table, object)) return false;
    }
    return true;
}

bool TFTemplSet::MatchesInt(const TTable& table, int object) const {
    if (descriptors.empty()) return false;
    for (const TFDescriptor& d : descriptors) {
        if (IsActive(d) && !d.MatchesInt(table, object)) return false;
    }
    return true;
}

int TFTemplSet::CountMatches(const TDataTable& table) const {
    int n = 0;
    for (int o = 0; o < table.GetNoObj(); ++o) n += Matches(table, o) ? 1 : 0;
    return n;
}

float TFTemplSet::CalcAccuracy(const TDataTable& table) {
    int matched = 0;
    int right = 0;
    for (int o = 0; o < table.GetNoObj(); ++o) {
        if (!Matches(table, o)) continue;
        ++matched;
        if (table.GetDecision(o) == decision) ++right;
    }
    accuracy = matched == 0 ? 0.0f : static_cast<float>(right) / static_cast<float>(matched);
    return accuracy;
}

// A set of level 0 has no share to give: 0, not a division by zero.
double TFTemplSet::Coverage(const TDataTable& table, int object) const {
    if (descriptors.empty() || level == 0) return 0.0;
    int matched = 0;
    for (const TFDescriptor& d : descriptors) {
        if (IsActive(d) && d.Matches(table, object)) ++matched;
    }
    return static_cast<double>(matched) / level;
}

void TFTemplSet::CountDecisions(const std::vector<char>& flags, const TDataTable& table) {
    const int n = table.GetNoObj();
    if (flags.size() < static_cast<std::size_t>(n)) throw CalcError(5);
    OrOutOfMemory([&] { decisionCounts.assign(static_cast<std::size_t>(table.GetNoDec()) + 1, 0); });
    decisionCounts.back() = -1;
    for (int o = 0; o < n; ++o) {
        if (flags[static_cast<std::size_t>(o)] != 0) ++decisionCounts[table.GetDecIndex(table.GetDecision(o))];
    }
}

// No count above another (all 0, or none taken) gives the first index.
int TFTemplSet::MajorityDecision() const {
    int best = 0;
    for (std::size_t d = 0; d < decisionCounts.size() && decisionCounts[d] != -1; ++d) {
        if (decisionCounts[d] > decisionCounts[static_cast<std::size_t>(best)]) best = static_cast<int>(d);
    }
    return best;
}

bool TFTemplSet::HasActiveAttr(int attribute) const {
    for (const TFDescriptor& d : descriptors) {
        if (IsActive(d) && d.GetAttr() == attribute) return true;
    }
    return false;
}

void TFTemplSet::SetLevelByObjects(int n) {
    int reached = 1;
    for (const TFDescriptor& d : descriptors) {
        if (d.GetObjects() == n) {
            level = d.GetLevel();
            return;
        }
        if (d.GetObjects() > n) reached = std::max(reached, d.GetLevel());
    }
    level = reached;
}

// Weighted, each descriptor counts by how narrow it is: one over the distinct table values
// its interval holds, or over the length of its list; a descriptor that holds none adds 0.
double TFTemplSet::Size(const TDataTable& table, int weighted) const {
    if (weighted == 0) return static_cast<double>(objectCount) * bestLevel;
    double sum = 0.0;
    for (const TFDescriptor& d : descriptors) {
        const int n = d.IsInterval() == 1 ? table.CountValuesInRange(d.GetLow(), d.GetHigh(), d.GetAttr())
                                          : d.GetValueCount();
        if (n > 0) sum += 1.0 / n;
    }
    return objectCount * sum;
}

void TFTemplSet::PrintShort(std::string& out) const {
    AppendInt(out, level);
    out += '\n';
    int lastObjects = 0;
    for (const TFDescriptor& d : descriptors) {
        if (!IsActive(d)) continue;
        d.Print(out);
        if (d.GetLevel() == level) lastObjects = d.GetObjects();
    }
    AppendReal(out, decision);
    out += ' ';
    AppendInt(out, lastObjects);
    out += '\n';
}

void TFTemplSet::PrintAll(std::string& out) const {
    AppendInt(out, bestLevel);
    out += '\n';
    for (const TFDescriptor& d : descriptors) d.Print(out);
    AppendReal(out, decision);
    out += ' ';
    AppendInt(out, objectCount);
    out += '\n';
}

void TFTemplSet::WriteFull(std::string& out) const {
    out += '\n';
    AppendInt(out, bestLevel);
    out += '\n';
    AppendInt(out, descriptorCount);
    out += '\n';
    AppendInt(out, level);
    out += '\n';
    for (const TFDescriptor& d : descriptors) d.Write(out);
}

bool TFTemplSet::ReadSet(TextScanner& in) {
    int count = 0;
    if (!ReadIntOk(in, bestLevel) || !ReadCount(in, count) || !ReadIntOk(in, level)) return false;
    for (int i = 0; i < count; ++i) {
        TFDescriptor d;
        if (!d.Read(in)) return false;
        AddDescriptor(std::move(d));
    }
    return true;
}

bool TFTemplSet::ReadReadable(TextScanner& in) {
    int count = 0;
    if (!ReadCount(in, count)) return false;
    for (int i = 0; i < count; ++i) {
        TFDescriptor d;
        if (!d.ReadReadable(in)) return false;
        d.SetLevel(i + 1);
        AddDescriptor(std::move(d));
    }
    level = count;
    return ReadFloatOk(in, decision) && ReadIntOk(in, objectCount) && ReadFloatOk(in, accuracy);
}

// ---------------------------------------------------------------------------------------
// TFTemplSetList

// The list never increases, so the first set after the head whose count is not larger is
// found by bisection.
void TFTemplSetList::InsertByObjCount(std::unique_ptr<TFTemplSet> set) {
    const int count = set->GetNoObj();
    std::size_t position = 0;
    if (!sets.empty() && count <= sets.front()->GetNoObj()) {
        const auto at = std::partition_point(sets.begin() + 1, sets.end(),
                                             [&](const std::unique_ptr<TFTemplSet>& s) { return s->GetNoObj() > count; });
        position = static_cast<std::size_t>(at - sets.begin());
    }
    OrOutOfMemory([&] { sets.insert(sets.begin() + static_cast<std::ptrdiff_t>(position), std::move(set)); });
    if (position <= cursor) ++cursor;  // the cursor stays on its set, or at the end
}

// One by one, a set with a larger count than the head's becomes the head and the old head
// goes in right behind it, that is in front of every other set, as any set with its count
// would then. Every other set goes in front of the first set after the head whose count is
// not larger. So behind the head the sets stand by decreasing count, and among equal counts
// the later arrival (a displaced head arriving when it is displaced) first, the sets already
// there last. A file of many sets is thus placed by one sort instead of a shift per set.
void TFTemplSetList::InsertAllByObjCount(std::vector<std::unique_ptr<TFTemplSet>> batch) {
    if (batch.empty()) return;
    const TFTemplSet* current = IsEnd() ? nullptr : sets[cursor].get();
    // Room first, so that nothing has moved when it cannot be had (stable_sort does without
    // its buffer).
    std::vector<std::unique_ptr<TFTemplSet>> arrivals;  // behind the head, in order of arrival
    std::vector<std::unique_ptr<TFTemplSet>> merged;
    OrOutOfMemory([&] {
        arrivals.reserve(batch.size() + 1);
        merged.reserve(sets.size() + batch.size());
    });
    std::unique_ptr<TFTemplSet> head;
    auto old = sets.begin();
    if (!sets.empty()) head = std::move(*old++);
    for (auto& set : batch) {
        if (!head) {
            head = std::move(set);
        } else if (set->GetNoObj() > head->GetNoObj()) {
            arrivals.push_back(std::move(head));
            head = std::move(set);
        } else {
            arrivals.push_back(std::move(set));
        }
    }
    std::reverse(arrivals.begin(), arrivals.end());
    std::stable_sort(arrivals.begin(), arrivals.end(),
                     [](const auto& a, const auto& b) { return a->GetNoObj() > b->GetNoObj(); });
    merged.push_back(std::move(head));
    auto fresh = arrivals.begin();
    while (fresh != arrivals.end() || old != sets.end()) {
        if (old == sets.end() || (fresh != arrivals.end() && (*fresh)->GetNoObj() >= (*old)->GetNoObj())) {
            merged.push_back(std::move(*fresh++));
        } else {
            merged.push_back(std::move(*old++));
        }
    }
    sets.swap(merged);
    cursor = sets.size();
    for (std::size_t i = 0; current != nullptr && i < sets.size(); ++i) {
        if (sets[i].get() == current) cursor = i;
    }
}

TFTemplSet* TFTemplSetList::GetNth(int n) const {
    if (n < 1 || n > GetNoElem()) return nullptr;
    return sets[static_cast<std::size_t>(n) - 1].get();
}

void TFTemplSetList::EraseAt(std::size_t position) {
    sets.erase(sets.begin() + static_cast<std::ptrdiff_t>(position));
    if (position < cursor) --cursor;
}

std::unique_ptr<TFTemplSet> TFTemplSetList::Remove(const TFTemplSet* set) {
    for (std::size_t i = 0; i < sets.size(); ++i) {
        if (sets[i].get() != set) continue;
        std::unique_ptr<TFTemplSet> taken = std::move(sets[i]);
        EraseAt(i);
        return taken;
    }
    return nullptr;
}

// A set stays when it matches an object still covered fewer than k times; once every
// object is covered k times the sets after it go. The head is dropped like any other.
void TFTemplSetList::PruneToKCover(const TDataTable& table, int k) {
    const int n = table.GetNoObj();
    std::vector<int> covers;
    OrOutOfMemory([&] { covers.assign(static_cast<std::size_t>(n), 0); });
    int finished = k <= 0 ? n : 0;  // no cover asked for: every object is done already
    std::size_t i = 0;
    while (i < sets.size()) {
        if (finished == n) {
            while (sets.size() > i) EraseAt(sets.size() - 1);
            break;
        }
        bool kept = false;
        for (int o = 0; o < n; ++o) {
            int& c = covers[static_cast<std::size_t>(o)];
            if (c >= k || !sets[i]->Matches(table, o)) continue;
            kept = true;
            if (++c == k) ++finished;
        }
        if (kept) {
            ++i;
        } else {
            EraseAt(i);
        }
    }
    if (cursor > sets.size()) cursor = sets.size();
}

void TFTemplSetList::Save(const char* fileName) const {
    WriteStdoutLine("Saving rule... ");
    std::string text;
    OrOutOfMemory([&] {
        AppendInt(text, GetNoElem());
        text += '\n';
        for (const auto& s : sets) s->PrintShort(text);
    });
    WriteListFile(fileName, text);
}

void TFTemplSetList::SaveFull(const char* fileName) const {
    WriteStdout("Saving rule... ");
    std::string text;
    OrOutOfMemory([&] {
        AppendInt(text, GetNoElem());
        text += '\n';
        for (const auto& s : sets) s->WriteFull(text);
    });
    WriteListFile(fileName, text);
}

namespace {

// The sets of a list file, each read by `read` and inserted by object count, until the
// announced count or the first read that fails; a set cut short is dropped.
template <class ReadOne>
void LoadSets(TFTemplSetList& list, const char* fileName, ReadOne readOne) {
    const std::string text = ReadListFile(fileName);
    TextScanner in(text.data(), text.data() + text.size());
    int count = 0;
    if (!ReadCount(in, count)) return;
    std::vector<std::unique_ptr<TFTemplSet>> read;
    try {
        for (int i = 0; i < count; ++i) {
            auto set = OrOutOfMemory([] { return std::make_unique<TFTemplSet>(); });
            if (!readOne(*set, in)) break;
            OrOutOfMemory([&] { read.push_back(std::move(set)); });
        }
    } catch (...) {
        list.InsertAllByObjCount(std::move(read));
        throw;
    }
    list.InsertAllByObjCount(std::move(read));
}

}  // namespace

void TFTemplSetList::LoadFull(const char* fileName) {
    LoadSets(*this, fileName, [](TFTemplSet& s, TextScanner& in) { return s.ReadSet(in); });
}

void TFTemplSetList::LoadReadable(const char* fileName) {
    LoadSets(*this, fileName, [](TFTemplSet& s, TextScanner& in) { return s.ReadReadable(in); });
}
