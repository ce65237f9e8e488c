#include "core/pair_sack.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <string>

#include "core/alloc_guard.h"
#include "core/binary_int.h"
#include "core/error.h"
#include "core/file_io.h"
#include "core/report.h"

namespace {

constexpr int kKeptBest = 5;

}  // namespace

void TInt2Sack::Clear() {
    std::vector<std::pair<int, int>>().swap(data);
    capacity = step;
}

void TInt2Sack::Append(int a, int b) {
    if (GetNoElem() + 1 >= capacity) {
        if (static_cast<long long>(capacity) + step > INT_MAX) throw CalcError(2);
        capacity += step;
    }
    OrOutOfMemory([&] { data.emplace_back(a, b); });
}

void TInt2Sack::AddElem(int a, int b) { Append(a, b); }

void TInt2Sack::AddUnique(int a, int b) {
    if (std::find(data.begin(), data.end(), std::make_pair(a, b)) == data.end()) Append(a, b);
}

// The pair with the smallest second value gives way (the first of equal minima), and only
// to a strictly larger one.
void TInt2Sack::AddKeepBest(int a, int b) {
    if (GetNoElem() < kKeptBest) {
        Append(a, b);
        return;
    }
    auto weakest = data.begin();
    for (auto it = data.begin(); it != data.end(); ++it) {
        if (it->second < weakest->second) weakest = it;
    }
    if (weakest->second < b) *weakest = {a, b};
}

void TInt2Sack::GetElem(int i, int& a, int& b) const {
    if (i < 0 || i >= GetNoElem()) {
        LogMessage("Bad number of element in TInt2Sack::GetElem ");
        throw CalcError(5);
    }
    a = data[static_cast<size_t>(i)].first;
    b = data[static_cast<size_t>(i)].second;
}

void TInt2Sack::RemoveElem(int a, int b) {
    auto at = std::find(data.begin(), data.end(), std::make_pair(a, b));
    if (at != data.end()) data.erase(at);
}

void TInt2Sack::Write(std::ostream& out, int binary) const {
    std::string text;
    OrOutOfMemory([&] {
        if (binary) {
            AppendInt32LE(text, GetNoElem());
            for (const auto& [a, b] : data) {
                AppendInt32LE(text, a);
                AppendInt32LE(text, b);
            }
            return;
        }
        AppendInt(text, GetNoElem());
        text += '\n';
        for (const auto& [a, b] : data) {
            AppendInt(text, a);
            text += ' ';
            AppendInt(text, b);
            text += "  ";
        }
        text += '\n';
    });
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
}

// The stored count only bounds the reading: the pairs are appended as they arrive, and the
// first pair that cannot be read ends it, keeping those read before. A binary sack takes the
// stored count as its capacity, as it would have allocated that many pairs.
void TInt2Sack::Read(std::istream& in, int binary) {
    Clear();
    if (binary) {
        char bytes[8];
        if (!in.read(bytes, 4)) return;
        const int n = std::max(Int32LEAt(bytes), 0);
        capacity = n >= 1 ? n : step;
        for (int i = 0; i < n; ++i) {
            if (!in.read(bytes, 8)) return;
            OrOutOfMemory([&] { data.emplace_back(Int32LEAt(bytes), Int32LEAt(bytes + 4)); });
        }
        return;
    }
    int n = 0;
    if (!(in >> n)) return;
    for (int i = 0; i < n; ++i) {
        int a = 0;
        int b = 0;
        if (!(in >> a >> b)) return;
        Append(a, b);
    }
}
