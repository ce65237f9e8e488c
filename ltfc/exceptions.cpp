#include "ltfc/exceptions.h"

#include <cstring>

namespace {

std::unique_ptr<char[]> CopyText(const char* text) {
    if (text == nullptr) return nullptr;
    const size_t n = std::strlen(text) + 1;
    std::unique_ptr<char[]> copy(new char[n]);
    std::memcpy(copy.get(), text, n);
    return copy;
}

}  // namespace

EException::EException(const char* text) : message(CopyText(text)) {}

EException::EException(const EException& other) : message(CopyText(other.GetMessage())) {}

EException& EException::operator=(const EException& other) {
    if (this != &other) message = CopyText(other.GetMessage());
    return *this;
}
