#pragma once

#include <string>
#include <utility>

#include "core/error.h"
#include "tests/support/test_files.h"

// What a call left behind: the code and message of the Error it raised (code 0 when it
// returned) and the lines it wrote to the LOG meanwhile.
struct Failure {
    int code = 0;
    std::string message;
    std::string log;
};

template <class F>
Failure FailureOf(F&& call) {
    LogCapture log;
    Failure result;
    try {
        std::forward<F>(call)();
    } catch (const Error& e) {
        result.code = e.GetCode();
        result.message = e.GetMessage();
    }
    result.log = log.Text();
    return result;
}
