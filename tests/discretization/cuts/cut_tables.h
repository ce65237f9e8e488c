#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/table.h"
#include "discretization/cuts/scal_error.h"
#include "tests/support/table_rows.h"

struct ScalFailure {
    int code = 0;  // 0: nothing was thrown
    std::string message;
};

inline ScalFailure FailureOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const ScalError& e) {
        return {e.GetCode(), e.GetMessage()};
    }
    return {};
}
