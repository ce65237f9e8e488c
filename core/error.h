#pragma once

// Coded failures of the rough-set code. The driver turns the code into the exit code
// and shows the message, so both are part of the program's observable behaviour.
class Error {
public:
    static constexpr int MessageSize = 512;  // 511 characters and the terminator

    int GetCode() const { return code; }
    const char* GetMessage() const { return message; }

protected:
    // Subsystems with texts of their own (dictionaries, scaling) set code and message directly.
    Error() = default;
    Error(int code, const char* text) { Set(code, text); }
    void Set(int code, const char* text);
    void Set(int code, const char* prefix, const char* text);

private:
    int code = 0;
    char message[MessageSize] = {};
};

// The message is fixed by the code; codes outside 1..14 become 1.
class CalcError : public Error {
public:
    explicit CalcError(int code);
};

// The message is a prefix chosen by the code followed by the caller's text (mostly a file name).
class CalcErrorText : public Error {
public:
    CalcErrorText(int code, const char* text);
};
