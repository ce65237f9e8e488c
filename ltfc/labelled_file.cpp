#include "ltfc/labelled_file.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <sys/stat.h>

namespace {

using Traits = std::char_traits<char>;

// The white space of the standard extraction in the classic locale.
inline bool IsSpace(Traits::int_type c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// A leading "+" is accepted as the standard extraction accepts it; from_chars does not.
const char* SkipPlus(const std::string& w) {
    const char* p = w.data();
    if (w.size() > 1 && p[0] == '+' && p[1] != '-' && p[1] != '+') ++p;
    return p;
}

template <class Real>
bool ParseReal(const std::string& w, Real& value, Real (*fallback)(const char*, char**)) {
    const char* first = SkipPlus(w);
    const char* last = w.data() + w.size();
    Real v = 0;
    auto [ptr, ec] = std::from_chars(first, last, v, std::chars_format::general);
    if (ptr != last) return false;
    if (ec == std::errc::result_out_of_range) {
        // Too small is accepted (it becomes 0 or a subnormal), too large is not.
        errno = 0;
        char* end = nullptr;
        v = fallback(first, &end);
        if (end != last) return false;
    } else if (ec != std::errc()) {
        return false;
    }
    if (!std::isfinite(v)) return false;
    value = v;
    return true;
}

// Hands every "@"-separated part of `name` but the last to `step`, and returns the last.
template <class Step>
std::string_view WalkParts(std::string_view name, Step step) {
    for (size_t at = name.find('@'); at != std::string_view::npos; at = name.find('@')) {
        step(name.substr(0, at));
        name.remove_prefix(at + 1);
    }
    return name;
}

float StrToFloat(const char* s, char** end) { return std::strtof(s, end); }
double StrToDouble(const char* s, char** end) { return std::strtod(s, end); }

}  // namespace

mfstream::mfstream(const char* fileName) : std::ifstream(fileName, std::ios::in | std::ios::binary) {
    // A device never ends (/dev/zero): it is treated like a file that cannot be opened.
    struct stat st;
    if (is_open() && ::stat(fileName, &st) == 0 && (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode))) close();
    Index();
}

void mfstream::Index() {
    try {
        IndexWords();
    } catch (const std::ios_base::failure&) {
        // A read failure ends the index like the end of the file (a folder opens, then
        // fails at its first read).
    }
    clear();
    path.clear();
    open.clear();
}

void mfstream::IndexWords() {
    std::streambuf* sb = rdbuf();
    std::streamoff offset = 0;
    std::string w;
    Traits::int_type c = is_open() ? sb->sgetc() : Traits::eof();
    while (!Traits::eq_int_type(c, Traits::eof())) {
        if (IsSpace(c)) {
            c = sb->snextc();
            ++offset;
            continue;
        }
        if (c != '@') {
            // Values and remarks are never labels: skip them without copying.
            while (!Traits::eq_int_type(c, Traits::eof()) && !IsSpace(c)) {
                c = sb->snextc();
                ++offset;
            }
            continue;
        }
        w.clear();
        while (!Traits::eq_int_type(c, Traits::eof()) && !IsSpace(c)) {
            w.push_back(Traits::to_char_type(c));
            c = sb->snextc();
            ++offset;
        }
        IndexWord(w, offset);
    }
}

void mfstream::IndexWord(const std::string& w, std::streamoff after) {
    if (w.size() < 2) return;
    if (w[1] == '<') {
        if (w.size() >= 3) EnterSection(std::string_view(w).substr(2), true);
        return;
    }
    if (w[1] == '>') {
        LeaveLabel();
        return;
    }
    if (!labels.emplace(LabelKey(std::string_view(w).substr(1), true), after).second) throw duplicatelabel();
}

int mfstream::FindSection(int parent, std::string_view name) const {
    if (parent == kNoSection) return kNoSection;
    const auto it = sections.find(Key(parent, name));
    return it == sections.end() ? kNoSection : it->second;
}

int mfstream::AddSection(int parent, std::string_view name) {
    const int next = static_cast<int>(sections.size()) + 1;
    return sections.try_emplace(Key(parent, name), next).first->second;
}

void mfstream::EnterSection(std::string_view name, bool add) {
    path += '@';
    path += name;
    auto enter = [&](std::string_view part) {
        open.push_back(add ? AddSection(Current(), part) : FindSection(Current(), part));
    };
    enter(WalkParts(name, enter));
}

mfstream::Key mfstream::LabelKey(std::string_view label, bool add) {
    if (!add) return std::as_const(*this).LabelKey(label);
    int node = Current();
    const std::string_view last = WalkParts(label, [&](std::string_view part) { node = AddSection(node, part); });
    return Key(node, last);
}

mfstream::Key mfstream::LabelKey(std::string_view label) const {
    int node = Current();
    const std::string_view last = WalkParts(label, [&](std::string_view part) { node = FindSection(node, part); });
    return Key(node, last);
}

void mfstream::EnterLabel(const char* name) { EnterSection(name, false); }

void mfstream::LeaveLabel() {
    const size_t at = path.rfind('@');
    if (at == std::string::npos) throw cantuptree();
    path.erase(at);
    open.pop_back();
}

bool mfstream::IsLabel(const char* label) const { return labels.count(LabelKey(label)) != 0; }

std::istream& mfstream::SeekLabel(const char* label) {
    auto it = labels.find(LabelKey(label));
    if (it == labels.end()) throw isnotlabel();
    clear();
    seekg(std::streampos(it->second));
    return *this;
}

void mfstream::CheckValue(const char* label, const char* expected) {
    SeekLabel(label);
    if (!NextWord() || word != expected) throw badvalue();
}

bool mfstream::CheckValueIfLabel(const char* label, const char* expected) {
    if (!IsLabel(label)) return false;
    CheckValue(label, expected);
    return true;
}

bool mfstream::NextWord() {
    word.clear();
    if (fail()) return false;
    std::streambuf* sb = rdbuf();
    Traits::int_type c = Traits::eof();
    try {
        c = sb->sgetc();
        while (!Traits::eq_int_type(c, Traits::eof()) && IsSpace(c)) c = sb->snextc();
        while (!Traits::eq_int_type(c, Traits::eof()) && !IsSpace(c)) {
            word.push_back(Traits::to_char_type(c));
            c = sb->snextc();
        }
    } catch (const std::ios_base::failure&) {
        setstate(std::ios::badbit);
        return false;
    }
    if (Traits::eq_int_type(c, Traits::eof())) setstate(std::ios::eofbit);
    if (word.empty()) {
        setstate(std::ios::failbit);
        return false;
    }
    return true;
}

void mfstream::ReadNext(int& value) {
    if (!NextWord()) throw badvalue();
    const char* first = SkipPlus(word);
    const char* last = word.data() + word.size();
    int v = 0;
    auto [ptr, ec] = std::from_chars(first, last, v);
    if (ec != std::errc() || ptr != last) throw badvalue();
    value = v;
}

void mfstream::ReadNext(float& value) {
    if (!NextWord() || !ParseReal(word, value, StrToFloat)) throw badvalue();
}

void mfstream::ReadNext(double& value) {
    if (!NextWord() || !ParseReal(word, value, StrToDouble)) throw badvalue();
}

void mfstream::ReadNext(bool& value) {
    int v = 0;
    ReadNext(v);
    if (v != 0 && v != 1) throw badvalue();
    value = v == 1;
}

void mfstream::ReadNext(std::string& value) {
    if (!NextWord()) throw badvalue();
    value = word;
}
