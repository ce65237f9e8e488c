#include "core/file_io.h"

#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

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

bool WriteWholeFile(const char* name, const std::string& data) {
    int fd = ::open(name, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    bool ok = WriteAll(fd, data.data(), data.size());
    if (::close(fd) != 0) ok = false;
    return ok;
}

bool ReplaceWholeFile(const char* name, const std::string& data) {
    ReplacingFile file;
    return file.Open(name) && file.Write(data) && file.Commit();
}

namespace {

constexpr std::size_t kWriteBuffer = 1 << 20;

}  // namespace

ReplacingFile::~ReplacingFile() { Abandon(); }

void ReplacingFile::Abandon() {
    if (fd >= 0) ::close(fd);
    fd = -1;
    if (!temp.empty()) ::unlink(temp.c_str());
    temp.clear();
    buffer.clear();
    ok = false;
}

bool ReplacingFile::Open(const char* name, unsigned newFileMode) {
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
    fd = ::mkstemp(temp.data());
    if (fd < 0) {
        temp.clear();
        // A folder that takes no new file may still hold a file that can be written: write
        // into it as plain opening for writing would.
        return exists && errno == EACCES && writeInto();
    }
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
        if (n <= 0) ok = false;
        else done += static_cast<size_t>(n);
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
        if (ok && ::rename(temp.c_str(), target.c_str()) != 0) ok = false;
        if (!ok) ::unlink(temp.c_str());
        temp.clear();
    }
    const bool committed = ok;
    ok = false;
    return committed;
}

void AppendInt(std::string& out, long long value) {
    char buf[24];
    auto res = std::to_chars(buf, buf + sizeof buf, value);
    out.append(buf, res.ptr);
}
