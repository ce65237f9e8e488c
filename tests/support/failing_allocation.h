#pragma once

// Makes the non-throwing forms of operator new (the ones the code checks for null) fail,
// so that tests can reach the out-of-memory paths. Linking a test that uses this replaces
// those forms in its whole program; the throwing forms are untouched.
class FailingAllocation {
public:
    FailingAllocation();   // from now on every non-throwing allocation fails
    ~FailingAllocation();  // allocations succeed again
    FailingAllocation(const FailingAllocation&) = delete;
    FailingAllocation& operator=(const FailingAllocation&) = delete;
};
