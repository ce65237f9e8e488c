#pragma once

#include <memory>

// The failures of the neural-network code. They are deliberately not coded `Error`s: the
// command handlers end every one of them as an unexpected error with exit code 1.
class EException {
public:
    EException() = default;
    explicit EException(const char* text);
    EException(const EException& other);
    EException& operator=(const EException& other);
    EException(EException&&) noexcept = default;
    EException& operator=(EException&&) noexcept = default;
    virtual ~EException() = default;

    // Null for the members of the family that carry no text.
    const char* GetMessage() const { return message.get(); }

private:
    std::unique_ptr<char[]> message;
};

// An extension, index, sampler mode or fold count outside what is allowed.
class EValueNotAllowed : public EException {};

// An unreadable or invalid data file.
class EIOError : public EException {};

// No data set where one is needed, or an empty one asked for its problem type.
class ENoData : public EException {};

class EInvalidFileFormat : public EException {
public:
    EInvalidFileFormat() : EException("Incorrect file format.") {}
};

class EMustLoadDB : public EException {
public:
    EMustLoadDB() : EException("You must load a database first.") {}
};

class EDiffProblemTypes : public EException {
public:
    EDiffProblemTypes()
        : EException("The type of the network does not match the type of the database.") {}
};

class EMustCreateNet : public EException {
public:
    EMustCreateNet() : EException("You must create a network first.") {}
};

// Any failure to open the binary training database. Deliberately outside the family above and
// without data: its callers catch it on its own, thrown by value.
class EOpenDBError {};
