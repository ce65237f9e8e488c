#include "core/dictio_set.h"

#include <algorithm>
#include <string>
#include <utility>

#include "core/alloc_guard.h"
#include "core/file_io.h"
#include "core/report.h"
#include "core/table.h"
#include "core/token_reader.h"

namespace {

// Positions valid for the set and for a table of noAttr columns: a table wider than the
// set must not reach past its dictionaries.
int Bound(int count, const TTable& table) { return std::min(count, table.GetNoAttr()); }

}  // namespace

void TDictioSet::Clear() { attrs.clear(); }

void TDictioSet::AddAttr(std::string_view name) {
    OrOutOfMemory<DictError>([&] { attrs.push_back(std::make_unique<TAttrDict>(name)); });
}

TAttrDict& TDictioSet::Attr(int i) const {
    if (i < 0 || i >= GetNoAttr()) throw DictError(5);
    return *attrs[static_cast<size_t>(i)];
}

TAttrDict& TDictioSet::Attr(int i, const TTable& table) const {
    if (i >= table.GetNoAttr()) throw DictError(5);
    return Attr(i);
}

void TDictioSet::DeleteAttrAt(int i) {
    Attr(i);
    attrs.erase(attrs.begin() + i);
}

void TDictioSet::DeleteAttrAt(int i, const TTable& table) {
    Attr(i, table);
    attrs.erase(attrs.begin() + i);
}

int TDictioSet::FindAttr(std::string_view name, int bound) const {
    for (int i = 0; i < bound; ++i) {
        if (name == attrs[static_cast<size_t>(i)]->GetName()) return i;
    }
    throw DictError(33);
}

void TDictioSet::DeleteAttr(std::string_view name) { DeleteAttrAt(FindAttr(name, GetNoAttr())); }

void TDictioSet::DeleteAttr(std::string_view name, const TTable& table) {
    DeleteAttrAt(FindAttr(name, Bound(GetNoAttr(), table)));
}

void TDictioSet::SwapAttr(int i, int j) {
    Attr(i);
    Attr(j);
    if (i == j) throw DictError(5);
    std::swap(attrs[static_cast<size_t>(i)], attrs[static_cast<size_t>(j)]);
}

void TDictioSet::SwapAttr(int i, int j, const TTable& table) {
    Attr(i, table);
    Attr(j, table);
    SwapAttr(i, j);
}

int TDictioSet::GetNoAttr(const TTable& table) const { return table.GetNoAttr(); }

int TDictioSet::GetAttrIndex(std::string_view name) const { return FindAttr(name, GetNoAttr()); }

int TDictioSet::GetAttrIndex(std::string_view name, const TTable& table) const {
    return FindAttr(name, Bound(GetNoAttr(), table));
}

const char* TDictioSet::GetAttrName(int i) const { return Attr(i).GetName(); }

const char* TDictioSet::GetAttrName(int i, const TTable& table) const {
    return Attr(i, table).GetName();
}

void TDictioSet::SetAttrName(int i, std::string_view name) {
    TAttrDict& attr = Attr(i);
    OrOutOfMemory<DictError>([&] { attr.SetName(name); });
}

void TDictioSet::SetAttrName(int i, std::string_view name, const TTable& table) {
    Attr(i, table);
    SetAttrName(i, name);
}

int TDictioSet::GetCount(int i) const { return Attr(i).GetCount(); }

int TDictioSet::GetCount(int i, const TTable& table) const { return Attr(i, table).GetCount(); }

int TDictioSet::GetCodeAt(int i, int j) const { return Attr(i).GetCodeAt(j); }

int TDictioSet::GetCodeAt(int i, int j, const TTable& table) const {
    return Attr(i, table).GetCodeAt(j);
}

const char* TDictioSet::GetTextAt(int i, int j) const { return Attr(i).GetTextAt(j); }

const char* TDictioSet::GetTextAt(int i, int j, const TTable& table) const {
    return Attr(i, table).GetTextAt(j);
}

int TDictioSet::GetCodeForText(int i, std::string_view text) const {
    return Attr(i).CodeForText(text);
}

int TDictioSet::GetCodeForText(int i, std::string_view text, const TTable& table) const {
    return Attr(i, table).CodeForText(text);
}

int TDictioSet::GetCodeForText(std::string_view attrName, std::string_view text) const {
    return GetCodeForText(GetAttrIndex(attrName), text);
}

int TDictioSet::GetCodeForText(std::string_view attrName, std::string_view text,
                               const TTable& table) const {
    return GetCodeForText(GetAttrIndex(attrName, table), text);
}

const char* TDictioSet::GetTextForCode(int i, int code) const { return Attr(i).TextForCode(code); }

const char* TDictioSet::GetTextForCode(int i, int code, const TTable& table) const {
    return Attr(i, table).TextForCode(code);
}

const char* TDictioSet::GetTextForCode(std::string_view attrName, int code) const {
    return GetTextForCode(GetAttrIndex(attrName), code);
}

const char* TDictioSet::GetTextForCode(std::string_view attrName, int code,
                                       const TTable& table) const {
    return GetTextForCode(GetAttrIndex(attrName, table), code);
}

void TDictioSet::AddItem(int i, const TDictItem& item) { Attr(i).AddItem(item); }

void TDictioSet::AddItem(int i, const TDictItem& item, const TTable& table) {
    Attr(i, table).AddItem(item);
}

int TDictioSet::AddText(int i, std::string_view text) { return Attr(i).AddText(text); }

int TDictioSet::AddText(int i, std::string_view text, const TTable& table) {
    return Attr(i, table).AddText(text);
}

void TDictioSet::PrintFirst(int n) const {
    LogMessage("\n--------Dictionary---------\n");
    for (int i = 0; i < n; ++i) attrs[static_cast<size_t>(i)]->Print();
    LogMessage("\n---------------------------\n");
}

void TDictioSet::Print() const { PrintFirst(GetNoAttr()); }

void TDictioSet::Print(const TTable& table) const { PrintFirst(Bound(GetNoAttr(), table)); }

std::unique_ptr<TDictioSet> TDictioSet::Clone() const {
    return OrOutOfMemory<DictError>([&] {
        auto copy = std::make_unique<TDictioSet>();
        for (const auto& attr : attrs) {
            copy->AddAttr(attr->GetName());
            TAttrDict& target = *copy->attrs.back();
            for (const TDictItem& item : attr->items) target.AddItem(item);
        }
        return copy;
    });
}

void TDictioSet::ImportData(const char* fileName, int mode) {
    Clear();
    OrOutOfMemory<DictError>([&] { ImportTokens(fileName, mode); });
}

void TDictioSet::ImportTokens(const char* fileName, int mode) {
    TTokenConverter in(fileName);
    bool firstLine = true;
    int line = 1;
    int column = 0;
    for (;;) {
        in.Next();
        if (in.IsEndOfData()) break;
        bool value = true;
        if (firstLine) {
            if (in.IsBracketed()) {
                AddAttr(in.GetText());
                value = false;
            } else {
                AddAttr(std::to_string(column));
            }
        }
        if (value) {
            if (column >= GetNoAttr()) throw DictError(32);
            TAttrDict& attr = *attrs[static_cast<size_t>(column)];
            if (in.IsString()) {
                attr.SetHasStrings();
            } else if (in.IsReal()) {
                attr.SetHasReals();
                attr.RaisePrecision(in.GetDecimals());
            } else {
                attr.SetHasIntegers();
            }
            attr.AddText(in.GetText());
        }
        ++column;
        if (in.IsEndOfLine()) {
            firstLine = false;
            if (column != GetNoAttr()) throw DictError(32);
            column = 0;
            if (line % 1000 == 0) LogFormat("Importing %dth line", line);
            ++line;
        }
    }
    if (mode != 0) {
        LogMessage("Encoding...");
        for (const auto& attr : attrs) attr->ConvertToNumbers(mode);
    }
}

void TDictioSet::ImportData(const char* fileName, int mode, const char* outputName) {
    ImportData(fileName, mode);
    WriteCodes(fileName, outputName);
}

// The second pass over the data file: rows of as many tokens as there are columns, each
// token written as its code. Only the first row's bracketed tokens are names; on later rows
// the import took bracketed tokens as values, so they are written as values too.
void TDictioSet::WriteCodes(const char* fileName, const char* outputName) const {
    TTokenConverter in(fileName);
    std::string out;
    OrOutOfMemory<DictError>([&] {
        bool firstRow = true;
        for (;;) {
            for (int c = 0; c < GetNoAttr(); ++c) {
                in.Next();
                if (in.IsEndOfData()) break;
                if (firstRow && in.IsBracketed()) continue;
                AppendInt(out, attrs[static_cast<size_t>(c)]->CodeForText(in.GetText()));
                out += ' ';
            }
            if (in.IsEndOfData() || GetNoAttr() == 0) break;
            out += '\n';
            firstRow = false;
        }
    });
    if (!WriteDictionaryFile(outputName, out)) throw DictError(7, outputName);
}

void TDictioSet::Save(const char* fileName) const {
    std::string out;
    OrOutOfMemory<DictError>([&] {
        for (const auto& attr : attrs) {
            out += attr->GetName();
            out += '\n';
            for (const TDictItem& item : attr->items) {
                out += '\t';
                out += item.GetText();
                out += '\t';
                AppendInt(out, item.GetCode());
                out += '\n';
            }
        }
    });
    if (!WriteDictionaryFile(fileName, out)) throw DictError(7, fileName);
}

void TDictioSet::Load(const char* fileName) {
    Clear();
    OrOutOfMemory<DictError>([&] { LoadTokens(fileName); });
}

void TDictioSet::LoadTokens(const char* fileName) {
    TTokenReader in(fileName, TTokenReader::InNoCreate);
    TToken token;
    std::string entryText;
    int seenOnLine = 0;
    for (;;) {
        in.NextToken(token);
        if (in.NoToken()) break;
        if (token.IsEndOfLine()) {
            if (seenOnLine == 0) {
                AddAttr(token.GetText());
            } else {
                if (attrs.empty()) throw DictError(5);
                const int code = TokenTextToInt(token.GetText().c_str());
                attrs.back()->AddItem(TDictItem(entryText, code));
            }
            seenOnLine = 0;
        } else {
            if (seenOnLine > 0) throw DictError(10);
            entryText = token.GetText();
            ++seenOnLine;
        }
    }
}
