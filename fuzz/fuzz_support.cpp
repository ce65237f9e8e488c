#include "fuzz/fuzz_support.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "core/clock.h"
#include "core/error.h"
#include "core/file_io.h"
#include "core/report.h"
#include "core/table.h"
#include "ltfc/exceptions.h"
#include "ltfc/net.h"
#include "rough/decision/subset.h"
#include "rough/genetic/ga_engine.h"

// The link of the fuzz and replay programs sends every call of ProcessDown and EndProcess
// here (-Wl,--wrap with their mangled names). Wrapping std::exit instead would not do: the C
// library declares exit as throwing nothing, so g++ gives its call site no unwind entry and
// an exception thrown out of it ends in std::terminate.
extern "C" [[noreturn]] void __wrap__Z11ProcessDowni(int code) {
    WriteStdoutLine("PROCESS_DOWN");
    throw ProcessEnd{code};
}

extern "C" [[noreturn]] void __wrap__Z10EndProcessi(int code) {
    std::fflush(stdout);
    throw ProcessEnd{code};
}

// A finding must repeat when its input is replayed: everything the program seeds from the
// clock sees one fixed second.
long long ClockSeconds() { return 1000000000; }
long long ClockMilliseconds() { return ClockSeconds() * 1000; }

namespace {

class Folder {
public:
    Folder() {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/varnel-fuzz-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::perror("fuzz: cannot make a temporary folder");
            std::abort();
        }
        path = pattern;
    }
    ~Folder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    std::string path;
};

}  // namespace

const std::string& FuzzFolder() {
    static Folder folder;
    return folder.path;
}

TempFile::TempFile(const char* suffix) {
    static unsigned long long counter = 0;
    path = FuzzFolder() + "/f" + std::to_string(++counter) + suffix;
}

TempFile::TempFile(const std::string& bytes, const char* suffix) : TempFile(suffix) {
    if (!WriteWholeFile(path.c_str(), bytes)) {
        std::perror("fuzz: cannot write an input file");
        std::abort();
    }
}

TempFile::~TempFile() { ::unlink(path.c_str()); }

std::string TempFile::Bytes() const {
    std::string bytes;
    ReadWholeFile(path.c_str(), bytes);
    return bytes;
}

ScratchWorkingFolder::ScratchWorkingFolder()
    : folder(FuzzFolder() + "/run"), back(std::filesystem::current_path().string()) {
    std::filesystem::remove_all(folder);
    std::filesystem::create_directory(folder);
    std::filesystem::current_path(folder);
}

ScratchWorkingFolder::~ScratchWorkingFolder() {
    std::error_code ignored;
    std::filesystem::current_path(back, ignored);
    std::filesystem::remove_all(folder, ignored);
}

std::string InputBytes(const uint8_t* data, size_t size) {
    return std::string(reinterpret_cast<const char*>(data), size);
}

bool ReadsOrFailsByDesign(const std::function<void()>& read) {
    try {
        read();
        return true;
    } catch (const Error&) {
    } catch (const EException&) {
    } catch (const CNeuron::errinit&) {
    } catch (const GA_errors&) {
    } catch (const MemError&) {
    } catch (const ProcessEnd&) {
    }
    return false;
}

void Require(bool holds, const char* what) {
    if (holds) return;
    std::fprintf(stderr, "fuzz: written and reread disagree: %s\n", what);
    std::abort();
}

SilentStdout::SilentStdout() {
    std::fflush(stdout);
    const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (null < 0) return;
    saved = ::dup(STDOUT_FILENO);
    if (saved >= 0) ::dup2(null, STDOUT_FILENO);
    ::close(null);
}

SilentStdout::~SilentStdout() {
    if (saved < 0) return;
    std::fflush(stdout);
    ::dup2(saved, STDOUT_FILENO);
    ::close(saved);
}

bool SameTable(const TTable& a, const TTable& b) {
    if (a.GetNoObj() != b.GetNoObj() || a.GetNoAttr() != b.GetNoAttr() || a.GetSize() != b.GetSize()) {
        return false;
    }
    for (int i = 0; i < a.GetSize(); ++i) {
        if (a.GetElem(i) != b.GetElem(i)) return false;
    }
    return true;
}

std::vector<std::vector<int>> RowsOf(const TTable& t) {
    std::vector<std::vector<int>> rows;
    for (int o = 0; o < t.GetNoObj(); ++o) rows.emplace_back(t.Row(o), t.Row(o) + t.GetNoAttr());
    return rows;
}
