#include "discretization/templates/templ_set.h"

#include <algorithm>
#include <utility>

#include "core/alloc_guard.h"
#include "core/error.h"
#include "core/file_io.h"
#include "core/int_tree.h"
#include "core/report.h"
#include "core/table.h"

namespace {

// The values of one column in a counting tree, as the template searches take them: most
// frequent first, the tree's own tie choice deciding, and each value taken out before the
// next is looked for. Removals reshape the tree, and with it the tie choice, so the real
// tree is kept rather than any sorted copy of its counts.
class ColumnValues {
public:
    ColumnValues(const TTable& table, int column) {
        TIntTreeBuilder builder;
        for (int o = 0; o < table.GetNoObj(); ++o) builder.Add(table.Value(o, column));
        root = builder.Release();
        remaining = root != nullptr ? root->GetNoNodes() : 0;
    }

    bool Empty() const { return root == nullptr; }
    int Remaining() const { return remaining; }
    // The first value of the highest count in the tree's pre-order.
    void MostFrequent(int& value, int& count) const {
        count = 0;
        root->GetMostFrequent(value, count);
    }
    void Remove(int value) {
        if (root->Remove(value) == 0) root.reset();
        --remaining;
    }

private:
    std::unique_ptr<TIntTree> root;
    int remaining = 0;
};

// 80% of the objects, truncated: a value held by more would split off almost nothing.
int SupportCap(const TTable& table) { return static_cast<int>(table.GetNoObj() * 0.8); }

bool IsNegated(const TTempl& t) { return t.GetNegated() != 0; }

// Whether the object satisfies the template with its negation.
bool Satisfies(const TTempl& t, const TTable& table, int object) {
    return (t.Match(table, object) == 1) != IsNegated(t);
}

}  // namespace

// ---- TTempl

int TTempl::Match(const TTable& table, int object) const {
    if (attribute < 0 || attribute >= table.GetNoAttr()) {
        LogMessage("Bad element number in TTable::GetTable");
        throw CalcError(5);
    }
    return table.GetTable(object, attribute) == value ? 1 : 0;
}

void TTempl::Print() const {
    WriteStdoutLine("Wzorzec VTW: " + std::to_string(attribute) + "=" + std::to_string(value) + "  " +
                    std::to_string(support));
}

void TTempl::Write(std::string& out) const {
    AppendInt(out, attribute);
    out += ' ';
    AppendInt(out, value);
    out += "  ";
    AppendInt(out, support);
    out += ' ';
    AppendInt(out, negated);
}

TextScanner::Read TTempl::Read(TextScanner& in) {
    TextScanner::Read last = TextScanner::Read::Fail;
    for (int* field : {&attribute, &value, &support, &negated}) {
        last = in.ReadInt(*field);
        if (last == TextScanner::Read::Fail) return last;
    }
    return last;
}

// Counts come most frequent first, so once one is no longer above the best no later value
// of the attribute can replace it: the rest of its values are not looked at.
void TTempl::SearchTemplate(const TTable& table, const TTable& attributeMap, int excludeBad, int badValue) {
    const int cap = SupportCap(table);
    int best = 0;
    int bestValue = 0;
    int bestColumn = -1;
    for (int a = 0; a < table.GetNoAttr() - 1; ++a) {
        ColumnValues values = OrOutOfMemory([&] { return ColumnValues(table, a); });
        while (!values.Empty()) {
            int v = 0;
            int c = 0;
            values.MostFrequent(v, c);
            if (c <= best) break;
            if (c <= cap && !(excludeBad == 1 && v == badValue)) {
                best = c;
                bestValue = v;
                bestColumn = a;
                break;
            }
            if (values.Remaining() < 2) break;
            values.Remove(v);
        }
    }
    if (best == 0) {
        LogMessage("Can't calculate template in TTempl::SearchTemplate");
        throw CalcError(4);
    }
    attribute = attributeMap.GetTable(0, bestColumn);
    value = bestValue;
    support = best;
    negated = 0;
}

// ---- TTemplSet

void TTemplSet::Clear() {
    templates.clear();
    capacity = 3;
    count = 0;
}

void TTemplSet::Truncate(int n) {
    if (n < 1 || n >= count) return;
    templates.resize(static_cast<size_t>(n));
    count = n;
}

void TTemplSet::GrowIfFull() {
    if (count + 1 >= capacity) capacity += 3;
}

void TTemplSet::Add(std::unique_ptr<TTempl> templ) {
    GrowIfFull();
    OrOutOfMemory([&] { templates.push_back(std::move(templ)); });
    ++count;
}

void TTemplSet::InsertSorted(std::unique_ptr<TTempl> templ, int maxCount) {
    if (maxCount < 1) maxCount = 1;
    const bool full = count + 1 > maxCount;
    if (!full) GrowIfFull();
    if (count == 0) {
        Add(std::move(templ));
        return;
    }
    const int support = templ->GetSupport();
    if (templates.back()->GetSupport() >= support) {
        if (!full) Add(std::move(templ));
        return;  // a template not kept goes with its pointer
    }
    const auto at = std::find_if(templates.begin(), templates.end(),
                                 [&](const std::unique_ptr<TTempl>& t) { return t->GetSupport() < support; });
    if (full) {
        // The last one goes and everything from the place on moves down over its slot.
        std::move_backward(at, templates.end() - 1, templates.end());
        *at = std::move(templ);
    } else {
        OrOutOfMemory([&] { templates.insert(at, std::move(templ)); });
        ++count;
    }
}

TTempl& TTemplSet::GetTEMPL(int i) {
    return const_cast<TTempl&>(static_cast<const TTemplSet&>(*this).GetTEMPL(i));
}

const TTempl& TTemplSet::GetTEMPL(int i) const {
    if (i < 0 || i >= count) {
        LogMessage("Bad number of templates in TTemplSet::GetTEMPL ");
        throw CalcError(5);
    }
    return *templates[static_cast<size_t>(i)];
}

TTempl& TTemplSet::GetLastTEMPL() {
    if (count == 0) {
        LogMessage("No tempates TTemplSet::GetLastTEMPL ");
        throw CalcError(5);
    }
    return *templates.back();
}

std::vector<int> TTemplSet::KeptColumns(const TTable& source) const {
    const int columns = source.GetNoAttr();
    std::vector<char> kept = OrOutOfMemory([&] { return std::vector<char>(static_cast<size_t>(columns), 1); });
    for (const auto& t : templates) {
        if (t->GetAttr() < 0 || t->GetAttr() >= columns) {
            LogMessage("Bad number of attributes in TTemplSet::SelectTable");
            throw CalcError(5);
        }
        if (!IsNegated(*t) && t->GetAttr() != columns - 1) kept[static_cast<size_t>(t->GetAttr())] = 0;
    }
    std::vector<int> out;
    for (int a = 0; a < columns; ++a) {
        if (kept[static_cast<size_t>(a)]) OrOutOfMemory([&] { out.push_back(a); });
    }
    return out;
}

std::vector<int> TTemplSet::SatisfyingRows(const TTable& source) const {
    std::vector<int> rows;
    if (source.GetNoObj() == 0) return rows;
    KeptColumns(source);  // every template must name a column of source
    for (int o = 0; o < source.GetNoObj(); ++o) {
        const bool all = std::all_of(templates.begin(), templates.end(),
                                     [&](const std::unique_ptr<TTempl>& t) { return Satisfies(*t, source, o); });
        if (all) OrOutOfMemory([&] { rows.push_back(o); });
    }
    return rows;
}

void TTemplSet::SelectTable(const TTable& source, TTable& target) const {
    SelectRows(source, SatisfyingRows(source), target);
}

void TTemplSet::SelectRows(const TTable& source, const std::vector<int>& rows, TTable& target) const {
    if (rows.empty()) {
        LogMessage("No objects in TTemplSet::SelectTable");
        return;
    }
    if (&source == &target) {
        TTable copy;
        SelectRows(source, rows, copy);
        target = copy;
        return;
    }
    const std::vector<int> columns = KeptColumns(source);
    if (columns.empty()) {
        LogMessage("Bad number of attributes in TTemplSet::SelectTable");
        throw CalcError(5);
    }
    const int width = static_cast<int>(columns.size());
    target.CreateTable(static_cast<int>(rows.size()), width);
    for (size_t i = 0; i < rows.size(); ++i) {
        const int* from = source.Row(rows[i]);
        int* to = target.Row(static_cast<int>(i));
        for (int k = 0; k < width; ++k) to[k] = from[columns[static_cast<size_t>(k)]];
    }
}

void TTemplSet::SearchFamilyOfTempl(const TTable& table, const TTable& attributeMap, int maxCount) {
    Clear();
    const int cap = SupportCap(table);
    for (int a = 0; a < table.GetNoAttr() - 1; ++a) {
        ColumnValues values = OrOutOfMemory([&] { return ColumnValues(table, a); });
        const int n = std::min(values.Remaining(), maxCount);
        int k = 0;
        while (k < n) {
            int v = 0;
            int c = 0;
            values.MostFrequent(v, c);
            if (c <= cap) {
                auto templ = OrOutOfMemory([] { return std::make_unique<TTempl>(); });
                templ->SetAttr(attributeMap.GetTable(0, a));
                templ->SetValue(v);
                templ->SetSupport(c);
                InsertSorted(std::move(templ), n);
                ++k;
            }
            if (values.Remaining() < 2) break;
            values.Remove(v);
        }
    }
    if (count < 2) {
        LogMessage("Can't calculate templates in TTemplSet::SearchFamilyOfTempl");
        throw CalcError(4);
    }
    Truncate(maxCount);
}

int TTemplSet::TestObject(const TTable& table, int object, int pathLength, std::vector<int>* flags) const {
    const int path = std::clamp(pathLength, 0, count);
    for (int i = 0; i < path; ++i) {
        if (!Satisfies(*templates[static_cast<size_t>(i)], table, object)) return 0;
    }
    if (flags == nullptr) {
        for (int i = path; i < count; ++i) {
            if (templates[static_cast<size_t>(i)]->Match(table, object) == 1) return 1;
        }
        return 0;
    }
    OrOutOfMemory([&] { flags->assign(static_cast<size_t>(count - path), 0); });
    int matched = 0;
    for (int i = path; i < count; ++i) {
        const int m = templates[static_cast<size_t>(i)]->Match(table, object);
        (*flags)[static_cast<size_t>(i - path)] = m;
        matched += m;
    }
    return matched;
}

// ---- templates file

void TTemplSet::Save(const char* fileName) const {
    std::string text;
    OrOutOfMemory([&] {
        text = "Templates (VTW):\n";
        AppendInt(text, capacity);
        text += '\n';
        AppendInt(text, count);
        text += '\n';
        for (const auto& t : templates) {
            t->Write(text);
            text += '\n';
        }
    });
    if (!ReplaceWholeFile(fileName, text)) {
        LogMessage("Error: Can't save file with TemplSet");
        throw CalcErrorText(7, fileName);
    }
}

// Every number must be read and followed by more text: the header's line end, the
// records' line ends. A count promising more records than follow, a record cut short or a
// file ending on its last digit is refused, and the set is then left empty. The capacity
// is recorded as the file has it, but storage grows only as records arrive.
void TTemplSet::Load(const char* fileName) {
    std::string text;
    if (!ReadWholeFile(fileName, text)) {
        LogMessage("Error: Can't open file with TemplSet");
        throw CalcErrorText(6, fileName);
    }
    Clear();
    auto refuse = [&] {
        Clear();
        LogMessage("Error: Can't load file with TemplSet");
        throw CalcErrorText(6, fileName);
    };
    TextScanner in(text.data(), text.data() + text.size());
    int fileCapacity = 0;
    int fileCount = 0;
    if (!in.SkipLine(199) || in.ReadInt(fileCapacity) != TextScanner::Read::Ok ||
        in.ReadInt(fileCount) != TextScanner::Read::Ok || fileCapacity < 0 || fileCount < 0) {
        refuse();
    }
    for (int i = 0; i < fileCount; ++i) {
        auto templ = OrOutOfMemory([] { return std::make_unique<TTempl>(); });
        if (templ->Read(in) != TextScanner::Read::Ok) refuse();
        OrOutOfMemory([&] { templates.push_back(std::move(templ)); });
    }
    capacity = std::max(fileCapacity, fileCount);
    count = fileCount;
}
