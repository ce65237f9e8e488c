#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "core/dict_error.h"
#include "core/file_io.h"

// How the token reader classified a token.
struct TokenKind {
    bool endOfLine = false;
    bool real = false;
    bool str = false;
    bool integer = false;
    bool bracketed = false;
    int decimals = 0;  // digits after the last point of a real
};

// One token of a text data file as the token reader classifies it. A token has no length
// limit; a new token has every field cleared.
class TToken {
public:
    TToken() = default;

    void SetText(std::string_view newText) { text.assign(newText); }
    void SetInt(int value);  // the text becomes the decimal form of value
    const std::string& GetText() const { return text; }

    bool IsEndOfLine() const { return kind.endOfLine; }
    bool IsReal() const { return kind.real; }
    bool IsString() const { return kind.str; }
    bool IsInteger() const { return kind.integer; }
    bool IsBracketed() const { return kind.bracketed; }
    int GetDecimals() const { return kind.decimals; }

private:
    friend class TTokenReader;

    std::string text;
    TokenKind kind;
};

// Reads a text file line by line and splits each line into classified tokens; opened for
// output it writes tokens into a file that takes the place of the named one when closed. Tab, blank, ')', ',',
// '>', ']' and '}' separate tokens; '(', '<', '[' and '{' mark the next token that ends as
// bracketed. A token starting with a digit or '-' and holding only digits (and points) is a
// number: with a point a real, its decimals counted after the last point; else an integer.
// Lines, tokens and texts have no length limit.
class TTokenReader {
public:
    static constexpr int InNoCreate = 33;  // input; the file must exist
    static constexpr int Out = 2;          // output; created or truncated

    TTokenReader() = default;
    // A file that does not open throws DictError(6, name), for input and output alike.
    TTokenReader(const char* name, int mode);
    ~TTokenReader();
    TTokenReader(const TTokenReader&) = delete;
    TTokenReader& operator=(const TTokenReader&) = delete;

    // Closes the current file (output is written as Close writes it, unchecked) and starts
    // at the first line of the other.
    void Open(const char* name, int mode);

    // The next token; the next line is read when the current one is used up. A line without
    // tokens (an empty line, or the end of the file) sets NoToken and leaves token as it is.
    void NextToken(TToken& token);
    bool NoToken() const { return noToken; }

    // The text, then a line end when the token ends its line, else one blank.
    void WriteToken(const TToken& token);
    void Write(std::string_view text);
    void Write(char c);
    void Write(int value);

    // Puts the written output in place of the named file; false when it cannot be written
    // completely (close included). An input file is just released.
    bool Close();

private:
    struct Slot {
        std::size_t start = 0;  // in the line
        std::size_t length = 0;
        TokenKind kind;
    };

    void OpenFile(const char* name, int mode);
    void ReadLine();
    void SplitLine();

    std::string input;  // the whole input file
    std::size_t inputPos = 0;
    std::string_view line;
    std::size_t position = 0;
    std::size_t count = 0;
    std::vector<Slot> slots;  // the first `count` belong to the current line
    bool noToken = false;

    bool writing = false;
    ReplacingFile output;
};

// Reads the tokens of one file, keeping the kind of the current one, and can copy each to a
// second file with reals written as integer thousandths.
class TTokenConverter {
public:
    TTokenConverter(const char* inputName, const char* outputName);
    explicit TTokenConverter(const char* inputName);
    virtual ~TTokenConverter() = default;
    TTokenConverter(const TTokenConverter&) = delete;
    TTokenConverter& operator=(const TTokenConverter&) = delete;

    // The next token of the input. The end of data is set by the first line without tokens
    // and stays set.
    void Next();

    bool IsEndOfLine() const { return token.IsEndOfLine(); }
    int GetDecimals() const { return token.GetDecimals(); }
    const std::string& GetText() const { return token.GetText(); }
    bool IsString() const { return isString; }
    bool IsReal() const { return isReal; }
    bool IsEndOfData() const { return endOfData; }
    bool IsBracketed() const { return bracketed; }

    // A real becomes the integer part of its value times 1000 (DictError(5) beyond the int
    // range); every token is then written with its blank or line end.
    virtual void Write();

    // Writes the output file; DictError(7, name) when it cannot be written completely.
    void Close();

private:
    TTokenReader input;
    TTokenReader output;
    TToken token;
    std::string outputName;
    bool isString = false;
    bool isReal = false;
    bool endOfData = false;
    bool bracketed = false;
};

// Writes a whole dictionary file: through a temporary file that takes the name's place, so
// that a failure leaves the old contents; a new file gets the permission bits 0644 (less
// the creation mask). False on any failure.
bool WriteDictionaryFile(const char* name, const std::string& text);

// The number conversions of token texts. A leading decimal integer (0 when there is none);
// a value beyond the int range throws DictError(5) instead of wrapping.
int TokenTextToInt(const char* text);
// The integer part of a value; DictError(5) when it is not a number or beyond the int range.
int TruncateToInt(double value);
