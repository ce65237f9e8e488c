#include "core/attr_dict.h"

#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "core/alloc_guard.h"
#include "core/dict_error.h"
#include "core/report.h"
#include "core/token_reader.h"

namespace {

// The value of a real text as the columns of reals store it: rounded to single precision
// first (so 0.7 lies just below 0.7), then scaled in double and truncated toward zero.
int ScaledRealCode(const char* text, double scale) {
    const double read = std::strtod(text, nullptr);
    // A value beyond the single range cannot be scaled into an int either.
    if (!(std::fabs(read) <= static_cast<double>(FLT_MAX))) throw DictError(5);
    const double value = static_cast<float>(read);
    // 0 stays 0 even when the scale overflows to infinity.
    if (value == 0.0) return 0;
    return TruncateToInt(value * scale);
}

}  // namespace

void TDictItem::Print() const { LogFormat("\t%s\t%d", text.c_str(), code); }

void TAttrDict::Append(std::string_view text, int code) {
    OrOutOfMemory<DictError>([&] {
        const int position = GetCount();
        items.emplace_back(text, code);
        try {
            positionOfText.emplace(std::string_view(items.back().GetText(), text.size()), position);
            firstPositionOfCode.emplace(code, position);
        } catch (...) {
            positionOfText.erase(std::string_view(items.back().GetText(), text.size()));
            items.pop_back();
            throw;
        }
    });
}

void TAttrDict::AddItem(const TDictItem& item) {
    const std::string_view text = item.GetText();
    if (positionOfText.count(text) == 0) Append(text, item.GetCode());
}

int TAttrDict::AddText(std::string_view text) {
    const auto found = positionOfText.find(text);
    if (found != positionOfText.end()) return items[static_cast<size_t>(found->second)].GetCode();
    const int code = GetCount();
    Append(text, code);
    return code;
}

const TDictItem& TAttrDict::Item(int i) const {
    if (i < 0 || i >= GetCount()) throw DictError(5);
    return items[static_cast<size_t>(i)];
}

int TAttrDict::GetCodeAt(int i) const { return Item(i).GetCode(); }

const char* TAttrDict::GetTextAt(int i) const { return Item(i).GetText(); }

int TAttrDict::CodeForText(std::string_view text) const {
    const auto found = positionOfText.find(text);
    if (found == positionOfText.end()) throw DictError(33);
    return items[static_cast<size_t>(found->second)].GetCode();
}

const char* TAttrDict::TextForCode(int code) const {
    const auto found = firstPositionOfCode.find(code);
    if (found == firstPositionOfCode.end()) throw DictError(33);
    return items[static_cast<size_t>(found->second)].GetText();
}

void TAttrDict::RaisePrecision(int decimals) {
    if (decimals > precision) precision = decimals;
}

void TAttrDict::ConvertToNumbers(int mode) {
    if (mode == 0 || hasStrings) return;
    if (hasReals && mode != 2) return;
    OrOutOfMemory<DictError>([&] {
        // Every new code is computed before any is stored, so a value out of range leaves
        // the column as it was.
        std::vector<int> codes;
        codes.reserve(items.size());
        const double scale = std::pow(10.0, precision);
        for (const TDictItem& item : items) {
            codes.push_back(hasReals ? ScaledRealCode(item.GetText(), scale)
                                     : TokenTextToInt(item.GetText()));
        }
        std::unordered_map<int, int> firstPositions;
        for (size_t i = 0; i < codes.size(); ++i) {
            firstPositions.emplace(codes[i], static_cast<int>(i));
        }
        for (size_t i = 0; i < codes.size(); ++i) items[i].SetCode(codes[i]);
        firstPositionOfCode.swap(firstPositions);
    });
}

void TAttrDict::Print() const {
    LogFormat("Name: %s  %d", name.c_str(), GetCount());
    for (const TDictItem& item : items) item.Print();
}
