#pragma once

#include <cstddef>
#include <functional>

// Runs `work` on a thread whose stack holds `bytes` and waits for it. A walk that recursed
// once per level of a deep tree would overflow such a stack and crash the test program.
// An exception thrown by `work` is passed on to the caller.
void RunOnSmallStack(std::size_t bytes, const std::function<void()>& work);
