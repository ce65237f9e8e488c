// Checks the link-time wrap of the fuzz and replay programs: a process end, called directly
// or from the subsystems' own code, arrives as ProcessEnd with its code, and the program goes
// on. Exits 0 only when every case was caught.
#include <cstdio>
#include <functional>

#include "core/report.h"
#include "driver/handler_frame.h"
#include "fuzz/fuzz_support.h"
#include "rough/decision/dec_mem.h"

namespace {

int failures = 0;

void Expect(const char* what, int code, const std::function<void()>& body) {
    try {
        body();
        std::printf("not ended: %s\n", what);
    } catch (const ProcessEnd& end) {
        if (end.code == code) {
            std::printf("caught: %s (%d)\n", what, end.code);
            return;
        }
        std::printf("wrong code: %s (%d, expected %d)\n", what, end.code, code);
    }
    ++failures;
}

}  // namespace

int main() {
    Expect("ProcessDown", 3, [] { ProcessDown(3); });
    Expect("EndProcess", 4, [] { EndProcess(4); });
    // A LOG that cannot be opened ends a command inside the driver library with 7.
    Expect("a command whose LOG cannot be opened", 7, [] {
        RunCommand(kReductCommand, {}, FuzzFolder() + "/no/such/folder/log", {}, [] {});
    });
    // An internal consistency failure of the rough-set library ends with 0.
    Expect("POWER_2 out of range", 0, [] { POWER_2(-1); });
    std::printf(failures == 0 ? "process ends are caught\n" : "process ends escape\n");
    return failures == 0 ? 0 : 1;
}
