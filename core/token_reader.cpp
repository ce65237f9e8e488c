#include "core/token_reader.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>

#include "core/alloc_guard.h"
#include "core/text_lines.h"

namespace {

bool IsSeparator(char c) {
    switch (c) {
        case '\0': case '\t': case ' ': case ')': case ',': case '>': case ']': case '}':
            return true;
        default:
            return false;
    }
}

bool IsOpener(char c) { return c == '(' || c == '<' || c == '[' || c == '{'; }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The files of the dictionaries are created with these permission bits (less the mask).
constexpr unsigned kNewFileMode = 0644;

}  // namespace

void TToken::SetInt(int value) { text = std::to_string(value); }

TTokenReader::TTokenReader(const char* name, int mode) { OpenFile(name, mode); }

// A destructor cannot report; callers that must know whether their output reached the disk
// close the reader themselves.
TTokenReader::~TTokenReader() { Close(); }

void TTokenReader::Open(const char* name, int mode) {
    Close();
    OpenFile(name, mode);
}

void TTokenReader::OpenFile(const char* name, int mode) {
    input.clear();
    inputPos = 0;
    line = {};
    position = 0;
    count = 0;
    noToken = false;
    writing = false;
    OrOutOfMemory<DictError>([&] {
        if ((mode & Out) != 0) {
            if (!output.Open(name, kNewFileMode)) throw DictError(6, name);
            writing = true;
        } else if (!ReadWholeFile(name, input)) {
            input.clear();
            throw DictError(6, name);
        }
    });
}

bool TTokenReader::Close() {
    bool ok = true;
    if (writing) ok = output.Commit();
    writing = false;
    input = std::string();
    inputPos = 0;
    line = {};
    position = 0;
    count = 0;
    return ok;
}

void TTokenReader::NextToken(TToken& token) {
    if (position >= count) {
        ReadLine();
        if (count == 0) return;
    }
    const Slot& slot = slots[position++];
    OrOutOfMemory<DictError>([&] { token.text.assign(line.substr(slot.start, slot.length)); });
    token.kind = slot.kind;
}

void TTokenReader::ReadLine() {
    position = 0;
    line = {};
    NextTextLine(input, inputPos, line);
    OrOutOfMemory<DictError>([&] { SplitLine(); });
}

void TTokenReader::SplitLine() {
    count = 0;
    bool inToken = false;
    bool bracketMark = false;
    bool hasPoint = false;
    bool number = false;
    int decimals = 0;
    // The NUL after the line's last character is a separator too: it ends the last token.
    for (std::size_t k = 0; k <= line.size(); ++k) {
        const char c = k < line.size() ? line[k] : '\0';
        if (IsSeparator(c)) {
            if (!inToken) continue;
            Slot& slot = slots[count - 1];
            slot.length = k - slot.start;
            slot.kind.real = number && hasPoint;
            slot.kind.integer = number && !hasPoint;
            slot.kind.str = !number;
            slot.kind.decimals = slot.kind.real ? decimals : 0;
            slot.kind.bracketed = bracketMark;
            bracketMark = false;
            inToken = false;
        } else if (IsOpener(c)) {
            // Inside a token it stays part of the text.
            bracketMark = true;
        } else if (c == '.') {
            if (inToken) {
                hasPoint = true;
                decimals = 0;
            }
        } else if (!inToken) {
            if (count == slots.size()) slots.emplace_back();
            slots[count++] = Slot{k, 0, TokenKind{}};
            inToken = true;
            hasPoint = false;
            decimals = 0;
            number = IsDigit(c) || c == '-';
        } else if (!IsDigit(c)) {
            number = false;
        } else if (hasPoint && decimals < INT_MAX) {
            ++decimals;
        }
    }
    if (count > 0) slots[count - 1].kind.endOfLine = true;
    noToken = count == 0;
}

void TTokenReader::WriteToken(const TToken& token) {
    Write(std::string_view(token.text));
    Write(token.kind.endOfLine ? '\n' : ' ');
}

// Writing into a file opened for input changes nothing, as with a stream opened for reading.
void TTokenReader::Write(std::string_view text) {
    if (writing) OrOutOfMemory<DictError>([&] { output.Write(text.data(), text.size()); });
}

void TTokenReader::Write(char c) { Write(std::string_view(&c, 1)); }

void TTokenReader::Write(int value) { Write(std::string_view(std::to_string(value))); }

TTokenConverter::TTokenConverter(const char* inputName, const char* outputName)
    : input(inputName, TTokenReader::InNoCreate), output(outputName, TTokenReader::Out),
      outputName(outputName) {}

TTokenConverter::TTokenConverter(const char* inputName)
    : input(inputName, TTokenReader::InNoCreate) {}

void TTokenConverter::Next() {
    input.NextToken(token);
    if (input.NoToken()) {
        endOfData = true;
        return;
    }
    isString = token.IsString();
    isReal = !isString && token.IsReal();
    bracketed = token.IsBracketed();
}

void TTokenConverter::Write() {
    if (isReal) token.SetInt(TruncateToInt(std::strtod(token.GetText().c_str(), nullptr) * 1000.0));
    output.WriteToken(token);
}

void TTokenConverter::Close() {
    input.Close();
    if (!output.Close()) throw DictError(7, outputName.c_str());
}

bool WriteDictionaryFile(const char* name, const std::string& text) {
    ReplacingFile file;
    return file.Open(name, kNewFileMode) && file.Write(text) && file.Commit();
}

int TokenTextToInt(const char* text) {
    errno = 0;
    const long long v = std::strtoll(text, nullptr, 10);
    if (errno == ERANGE || v > INT_MAX || v < INT_MIN) throw DictError(5);
    return static_cast<int>(v);
}

int TruncateToInt(double value) {
    const double t = std::trunc(value);
    if (!(t >= static_cast<double>(INT_MIN) && t <= static_cast<double>(INT_MAX))) {
        throw DictError(5);
    }
    return static_cast<int>(t);
}
