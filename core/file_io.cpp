#include "core/file_io.h"

#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The temporary file of the replacement under way, for the signal handler; null when none.
// It points into the writer's own string, which lives until the pointer is cleared.
const char* volatile g_replacingTemp = nullptr;
ReplaceWriteHook g_replaceWriteHook = nullptr;

const int kCleanedSignals[] = {SIGINT, SIGTERM};

// Only async-signal-safe calls: the temporary file goes, then the signal ends the process
// as it would have without this handler.
void RemoveTemporaryAndEnd(int sig) {
    const char* temp = g_replacingTemp;
    if (temp != nullptr) ::unlink(temp);
    struct sigaction fallback = {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    ::sigaction(sig, &fallback, nullptr);
    ::raise(sig);  // delivered as the handler returns, with the default action
}

// While a temporary file exists, an interrupt or termination that would end the process
// removes it first. The temporary file is made while the two signals wait, so no signal
// finds it unregistered; a signal the process ignores or handles itself is left alone.
class TemporaryFileCleanup {
public:
    TemporaryFileCleanup() {
        sigemptyset(&both);
        for (int sig : kCleanedSignals) sigaddset(&both, sig);
        ::pthread_sigmask(SIG_BLOCK, &both, &before);
    }
    ~TemporaryFileCleanup() { Release(); }
    TemporaryFileCleanup(const TemporaryFileCleanup&) = delete;
    TemporaryFileCleanup& operator=(const TemporaryFileCleanup&) = delete;

    // The temporary file now exists: signals may come, and remove it.
    void Watch(const char* temp) {
        for (size_t i = 0; i < std::size(kCleanedSignals); ++i) {
            struct sigaction action = {};
            action.sa_handler = RemoveTemporaryAndEnd;
            sigemptyset(&action.sa_mask);
            installed[i] = ::sigaction(kCleanedSignals[i], nullptr, &previous[i]) == 0 &&
                           (previous[i].sa_flags & SA_SIGINFO) == 0 && previous[i].sa_handler == SIG_DFL &&
                           ::sigaction(kCleanedSignals[i], &action, nullptr) == 0;
        }
        g_replacingTemp = temp;
        ::pthread_sigmask(SIG_SETMASK, &before, nullptr);
    }

    // Signals wait again; the file was renamed or removed, so nothing is left to clean.
    void Release() {
        if (released) return;
        released = true;
        ::pthread_sigmask(SIG_BLOCK, &both, nullptr);
        g_replacingTemp = nullptr;
        for (size_t i = 0; i < std::size(kCleanedSignals); ++i) {
            if (installed[i]) ::sigaction(kCleanedSignals[i], &previous[i], nullptr);
        }
        ::pthread_sigmask(SIG_SETMASK, &before, nullptr);
    }

    // Before the rename: a signal then waits until the file has its name.
    void Hold() { ::pthread_sigmask(SIG_BLOCK, &both, nullptr); }

private:
    sigset_t both;
    sigset_t before;
    struct sigaction previous[std::size(kCleanedSignals)] = {};
    bool installed[std::size(kCleanedSignals)] = {};
    bool released = false;
};

bool WriteAll(int fd, const std::string& data) {
    size_t done = 0;
    while (done < data.size()) {
        ssize_t n = ::write(fd, data.data() + done, data.size() - done);
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
    bool ok = WriteAll(fd, data);
    if (::close(fd) != 0) ok = false;
    return ok;
}

}  // namespace

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
    std::string target = name;
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
    // A pipe or a device is written into: a file renamed over it would take its place.
    if (exists && !S_ISREG(st.st_mode)) return WriteWholeFile(target.c_str(), data);
    // A file that could not be opened for writing is not replaced behind its back either.
    if (exists && ::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) return false;
    mode_t mode;
    if (exists) {
        mode = st.st_mode & 07777;
    } else {
        mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    // Beside the target; a name that leaves no room for the suffix gets a short one in the
    // same folder, so that every name that can be written can also be replaced.
    std::string temp = target + ".tmpXXXXXX";
    const size_t slash = target.rfind('/');
    const size_t base = slash == std::string::npos ? 0 : slash + 1;
    if (temp.size() - base > NAME_MAX) temp = target.substr(0, base) + ".tmpXXXXXX";
    TemporaryFileCleanup cleanup;
    int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        const int error = errno;
        cleanup.Release();
        // A folder that takes no new file may still hold a file that can be written: write
        // into it as plain opening for writing would.
        return exists && error == EACCES && WriteWholeFile(target.c_str(), data);
    }
    cleanup.Watch(temp.c_str());
    if (g_replaceWriteHook != nullptr) g_replaceWriteHook(temp.c_str());
    // The file stays its owner's, as it would after writing into it; only the superuser can
    // give it away, and anyone else already owns what they replace or cannot do better.
    if (exists && (st.st_uid != ::geteuid() || st.st_gid != ::getegid())) {
        const int given = ::fchown(fd, st.st_uid, st.st_gid);
        (void)given;
    }
    bool ok = WriteAll(fd, data) && ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
    if (::close(fd) != 0) ok = false;
    cleanup.Hold();
    if (ok && ::rename(temp.c_str(), target.c_str()) != 0) ok = false;
    if (!ok) ::unlink(temp.c_str());
    cleanup.Release();
    return ok;
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
    out.append(buf, res.ptr);
}
