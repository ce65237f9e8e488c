#include "core/dense_table.h"

#include <cassert>
#include <charconv>
#include <climits>
#include <cmath>
#include <string>
#include <string_view>

#include "core/file_io.h"
#include "core/text_number.h"

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Whitespace-separated words of a text, each taken whole whatever its length.
class WordReader {
public:
    explicit WordReader(std::string_view text) : text(text) {}

    bool Next(std::string_view& word) {
        while (pos < text.size() && IsBlank(text[pos])) ++pos;
        if (pos == text.size()) return false;
        size_t start = pos;
        while (pos < text.size() && !IsBlank(text[pos])) ++pos;
        word = text.substr(start, pos - start);
        return true;
    }

    size_t Remaining() const { return text.size() - pos; }

private:
    std::string_view text;
    size_t pos = 0;
};

// A header count: the whole word must be a decimal integer that fits an int.
bool ParseCount(std::string_view word, int& value) {
    if (!word.empty() && word[0] == '+') word.remove_prefix(1);
    auto res = std::from_chars(word.data(), word.data() + word.size(), value);
    return res.ec == std::errc() && res.ptr == word.data() + word.size();
}

// A cell: '?' first means missing; anything else is read as a real and truncated. A value
// that is not finite or does not fit an int after truncation cannot be held, so it fails.
bool ParseCell(std::string_view word, int& value) {
    if (word[0] == '?') {
        value = TDTable::kMissing;
        return true;
    }
    const double real = TextToDouble(std::string(word).c_str());
    if (!std::isfinite(real)) return false;
    const double whole = std::trunc(real);
    if (whole < static_cast<double>(INT_MIN) || whole > static_cast<double>(INT_MAX)) return false;
    value = static_cast<int>(whole);
    return true;
}

}  // namespace

TDTable::TDTable(int l_obj, int l_attr) : l_obj(l_obj), l_attr(l_attr) {
    assert(l_obj>=0 && l_attr>=0);
    data.resize(static_cast<size_t>(l_obj) * static_cast<size_t>(l_attr));
}

int TDTable::Get(int o, int a) const {
    assert(o>=0 && o<l_obj && a>=0 && a<l_attr);
    return data[static_cast<size_t>(o) * l_attr + a];
}

void TDTable::Set(int o, int a, int value) {
    assert(o>=0 && o<l_obj && a>=0 && a<l_attr);
    data[static_cast<size_t>(o) * l_attr + a] = value;
}

int TDTable::GetDecAttr() const {
    assert(attr_dec>=0);
    return attr_dec;
}

int* TDTable::GetRow(int o) {
    assert(o>=0 && o<l_obj);
    return data.data() + static_cast<size_t>(o) * l_attr;
}

const int* TDTable::GetRow(int o) const {
    assert(o>=0 && o<l_obj);
    return data.data() + static_cast<size_t>(o) * l_attr;
}

// Everything is read into a fresh buffer first; the table takes it over only when the whole
// announced grid was there, so a failed load leaves sizes, values and decision untouched.
int TDTable::Load(const char* name) {
    std::string text;
    if (!ReadWholeFile(name, text)) return 1;
    WordReader words(text);
    std::string_view word;
    int rows = 0;
    int cols = 0;
    if (!words.Next(word) || !ParseCount(word, rows)) return 1;
    if (!words.Next(word) || !ParseCount(word, cols)) return 1;
    if (rows < 1 || cols < 1) return 1;
    // Every cell takes a character and the blank before it, so a header that announces more
    // than half the remaining bytes cannot be honest; nothing is allocated for it.
    const unsigned long long cells =
        static_cast<unsigned long long>(rows) * static_cast<unsigned long long>(cols);
    if (cells > words.Remaining() / 2) return 1;

    std::vector<int> values(static_cast<size_t>(cells));
    for (int& cell : values) {
        if (!words.Next(word) || !ParseCell(word, cell)) return 1;
    }
    // Words beyond the announced cells would be dropped without a word: the file is not
    // what its header says.
    if (words.Next(word)) return 1;
    l_obj = rows;
    l_attr = cols;
    data.swap(values);
    attr_dec = l_attr - 1;
    return 0;
}

int TDTable::Save(const char* name) const {
    std::string out;
    AppendInt(out, l_obj);
    out += ' ';
    AppendInt(out, l_attr);
    out += '\n';
    const bool rows = l_obj >= 1 && l_attr >= 1;
    if (rows) {
        for (int o = 0; o < l_obj; ++o) {
            const int* row = GetRow(o);
            for (int a = 0; a < l_attr; ++a) {
                if (row[a] == kMissing) {
                    out += "? ";
                } else {
                    AppendInt(out, row[a]);
                    out += ' ';
                }
            }
            out += '\n';
        }
    }
    if (!ReplaceWholeFile(name, out)) return 1;
    return rows ? 0 : 1;
}
