#include "core/file_io.h"

#include <cerrno>
#include <charconv>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <iterator>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The temporary files of the replacements under way, for the signal handler; a slot is
// null when free. Each points into its writer's own string, which lives until the slot is
// cleared. Slots and the count change only while both signals wait.
constexpr int kTemporarySlots = 16;
const char* volatile g_replacingTemps[kTemporarySlots] = {};
int g_watchers = 0;
ReplaceWriteHook g_replaceWriteHook = nullptr;

const int kCleanedSignals[] = {SIGINT, SIGTERM};
struct sigaction g_previousActions[std::size(kCleanedSignals)] = {};
bool g_installed[std::size(kCleanedSignals)] = {};

// Only async-signal-safe calls: the temporary files go, then the signal ends the process
// as it would have without this handler.
void RemoveTemporariesAndEnd(int sig) {
    for (int i = 0; i < kTemporarySlots; ++i) {
        const char* temp = g_replacingTemps[i];
        if (temp != nullptr) ::unlink(temp);
    }
    struct sigaction fallback = {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    ::sigaction(sig, &fallback, nullptr);
    ::raise(sig);  // delivered as the handler returns, with the default action
}

bool WriteAll(int fd, const char* data, size_t size) {
    size_t done = 0;
    while (done < size) {
        ssize_t n = ::write(fd, data + done, size - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

// Opens for writing (created when missing) with the extra flags, writes, closes; any
// failure, the close included, is false.
bool OpenAndWrite(const char* name, const std::string& data, int flags) {
    int fd = ::open(name, O_WRONLY | O_CREAT | O_CLOEXEC | flags, 0666);
    if (fd < 0) return false;
    bool ok = WriteAll(fd, data.data(), data.size());
    if (::close(fd) != 0) ok = false;
    return ok;
}

constexpr size_t kWriteBuffer = 1 << 20;

}  // namespace

// While a temporary file exists, an interrupt or termination that would end the process
// removes it first. The temporary file is made while the two signals wait, so no signal
// finds it unregistered; a signal the process ignores or handles itself is left alone. The
// handlers stay while any replacement is under way and go with the last one.
class ReplacingFile::Cleanup {
public:
    Cleanup() {
        sigemptyset(&both);
        for (int sig : kCleanedSignals) sigaddset(&both, sig);
        ::pthread_sigmask(SIG_BLOCK, &both, &before);
    }
    ~Cleanup() { Release(); }
    Cleanup(const Cleanup&) = delete;
    Cleanup& operator=(const Cleanup&) = delete;

    // The temporary file now exists: signals may come, and remove it.
    void Watch(const char* temp) {
        if (g_watchers++ == 0) {
            for (size_t i = 0; i < std::size(kCleanedSignals); ++i) {
                struct sigaction action = {};
                action.sa_handler = RemoveTemporariesAndEnd;
                sigemptyset(&action.sa_mask);
                g_installed[i] = ::sigaction(kCleanedSignals[i], nullptr, &g_previousActions[i]) == 0 &&
                                 (g_previousActions[i].sa_flags & SA_SIGINFO) == 0 &&
                                 g_previousActions[i].sa_handler == SIG_DFL &&
                                 ::sigaction(kCleanedSignals[i], &action, nullptr) == 0;
            }
        }
        watching = true;
        for (int i = 0; i < kTemporarySlots && slot < 0; ++i) {
            if (g_replacingTemps[i] == nullptr) {
                slot = i;
                g_replacingTemps[i] = temp;
            }
        }
        ::pthread_sigmask(SIG_SETMASK, &before, nullptr);
    }

    // Signals wait again; the file was renamed or removed, so nothing is left to clean.
    void Release() {
        if (released) return;
        released = true;
        ::pthread_sigmask(SIG_BLOCK, &both, nullptr);
        if (slot >= 0) g_replacingTemps[slot] = nullptr;
        if (watching && --g_watchers == 0) {
            for (size_t i = 0; i < std::size(kCleanedSignals); ++i) {
                if (g_installed[i]) ::sigaction(kCleanedSignals[i], &g_previousActions[i], nullptr);
                g_installed[i] = false;
            }
        }
        ::pthread_sigmask(SIG_SETMASK, &before, nullptr);
    }

    // Before the rename: a signal then waits until the file has its name.
    void Hold() { ::pthread_sigmask(SIG_BLOCK, &both, nullptr); }

private:
    sigset_t both;
    sigset_t before;
    int slot = -1;
    bool watching = false;
    bool released = false;
};

bool ReadWholeFile(const char* name, std::string& out) {
    out.clear();
    int fd = ::open(name, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st;
    // A device never ends (/dev/zero) or is no data file at all; reading it would only
    // exhaust memory. Folders cannot be read either. Pipes end, so they are read.
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode) || S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode)) {
        ::close(fd);
        return false;
    }
    if (S_ISREG(st.st_mode) && st.st_size > 0) out.reserve(static_cast<size_t>(st.st_size));
    char buf[1 << 16];
    for (;;) {
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            ::close(fd);
            return false;
        }
        if (n == 0) break;
        out.append(buf, static_cast<size_t>(n));
    }
    ::close(fd);
    return true;
}

bool WriteWholeFile(const char* name, const std::string& data) { return OpenAndWrite(name, data, O_TRUNC); }

bool AppendToFile(const char* name, const std::string& data) { return OpenAndWrite(name, data, O_APPEND); }

bool ReplaceWholeFile(const char* name, const std::string& data) {
    ReplacingFile file;
    return file.Open(name) && file.Write(data) && file.Commit();
}

ReplacingFile::ReplacingFile() = default;

ReplacingFile::~ReplacingFile() { Abandon(); }

void ReplacingFile::Abandon() {
    if (fd >= 0) ::close(fd);
    fd = -1;
    if (!temp.empty()) ::unlink(temp.c_str());
    cleanup.reset();
    temp.clear();
    buffer.clear();
    ok = false;
}

bool CanReplaceWholeFile(const char* name) {
    ReplacingFile file;
    return file.Start(name, 0666, true);
}

bool ReplacingFile::Open(const char* name, unsigned newFileMode) { return Start(name, newFileMode, false); }

bool ReplacingFile::Start(const char* name, unsigned newFileMode, bool probe) {
    Abandon();
    target = name;
    struct stat st;
    bool exists = ::lstat(name, &st) == 0;
    if (exists && S_ISLNK(st.st_mode)) {
        char* real = ::realpath(name, nullptr);
        if (real == nullptr) return false;
        target = real;
        std::free(real);
        exists = ::stat(target.c_str(), &st) == 0;
    }
    if (exists && S_ISDIR(st.st_mode)) return false;
    auto writeInto = [&]() {
        // Opening would create or empty the file: only the permission it needs is asked.
        if (probe) return !S_ISSOCK(st.st_mode) && ::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) == 0;
        fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, static_cast<mode_t>(newFileMode));
        ok = fd >= 0;
        return ok;
    };
    // A pipe or a device is written into: a file renamed over it would take its place.
    if (exists && !S_ISREG(st.st_mode)) return writeInto();
    // A file that could not be opened for writing is not replaced behind its back either.
    if (exists && ::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) return false;
    if (exists) {
        mode = st.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = newFileMode & ~mask & 07777;
    }
    // Beside the target; a name that leaves no room for the suffix gets a short one in the
    // same folder, so that every name that can be written can also be replaced.
    temp = target + ".tmpXXXXXX";
    const size_t slash = target.rfind('/');
    const size_t base = slash == std::string::npos ? 0 : slash + 1;
    if (temp.size() - base > NAME_MAX) temp = target.substr(0, base) + ".tmpXXXXXX";
    cleanup = std::make_unique<Cleanup>();
    fd = ::mkstemp(temp.data());
    if (fd < 0) {
        const int error = errno;
        cleanup.reset();
        temp.clear();
        // A folder that takes no new file may still hold a file that can be written: write
        // into it as plain opening for writing would.
        return exists && error == EACCES && writeInto();
    }
    if (probe) {
        Abandon();  // removed while the signals still wait
        return true;
    }
    cleanup->Watch(temp.c_str());
    if (g_replaceWriteHook != nullptr) g_replaceWriteHook(temp.c_str());
    // The file stays its owner's, as it would after writing into it; only the superuser can
    // give it away, and anyone else already owns what they replace or cannot do better.
    if (exists && (st.st_uid != ::geteuid() || st.st_gid != ::getegid())) {
        const int given = ::fchown(fd, st.st_uid, st.st_gid);
        (void)given;
    }
    ok = true;
    return true;
}

bool ReplacingFile::Flush() {
    if (ok && !buffer.empty()) ok = WriteAll(fd, buffer.data(), buffer.size());
    buffer.clear();
    return ok;
}

bool ReplacingFile::Write(const char* data, std::size_t size) {
    if (!ok) return false;
    if (buffer.size() + size < kWriteBuffer) {
        buffer.append(data, size);
        return true;
    }
    if (!Flush()) return false;
    if (size < kWriteBuffer) {
        buffer.append(data, size);
        return true;
    }
    ok = WriteAll(fd, data, size);
    return ok;
}

bool ReplacingFile::WriteAt(long long offset, const std::string& data) {
    if (!Flush()) return false;
    size_t done = 0;
    while (ok && done < data.size()) {
        const ssize_t n = ::pwrite(fd, data.data() + done, data.size() - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ok = false;
        } else {
            done += static_cast<size_t>(n);
        }
    }
    return ok;
}

bool ReplacingFile::Commit() {
    if (fd < 0) return false;
    Flush();
    if (!temp.empty() && ok) ok = ::fchmod(fd, static_cast<mode_t>(mode)) == 0 && ::fsync(fd) == 0;
    if (::close(fd) != 0) ok = false;
    fd = -1;
    if (!temp.empty()) {
        cleanup->Hold();
        if (ok && ::rename(temp.c_str(), target.c_str()) != 0) ok = false;
        if (!ok) ::unlink(temp.c_str());
        cleanup.reset();
        temp.clear();
    }
    const bool committed = ok;
    ok = false;
    return committed;
}

void SetReplaceWriteHook(ReplaceWriteHook hook) { g_replaceWriteHook = hook; }

bool IsRegularFile(const char* name) {
    struct stat st;
    return ::stat(name, &st) == 0 && S_ISREG(st.st_mode);
}

bool SameFile(const char* a, const char* b) {
    struct stat sa;
    struct stat sb;
    return ::stat(a, &sa) == 0 && ::stat(b, &sb) == 0 && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

void AppendInt(std::string& out, long long value) {
    char buf[24];
    auto res = std::to_chars(buf, buf + sizeof buf, value);
    out.append(buf, static_cast<size_t>(res.ptr - buf));
}
