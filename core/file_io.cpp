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
    bool ok = WriteAll(fd, data);
    if (::close(fd) != 0) ok = false;
    return ok;
}

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
    int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        // A folder that takes no new file may still hold a file that can be written: write
        // into it as plain opening for writing would.
        return exists && errno == EACCES && WriteWholeFile(target.c_str(), data);
    }
    // The file stays its owner's, as it would after writing into it; only the superuser can
    // give it away, and anyone else already owns what they replace or cannot do better.
    if (exists && (st.st_uid != ::geteuid() || st.st_gid != ::getegid())) {
        const int given = ::fchown(fd, st.st_uid, st.st_gid);
        (void)given;
    }
    bool ok = WriteAll(fd, data) && ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
    if (::close(fd) != 0) ok = false;
    if (ok && ::rename(temp.c_str(), target.c_str()) != 0) ok = false;
    if (!ok) ::unlink(temp.c_str());
    return ok;
}

void AppendInt(std::string& out, long long value) {
    char buf[24];
    auto res = std::to_chars(buf, buf + sizeof buf, value);
    out.append(buf, res.ptr);
}

FileWriter::FileWriter(const char* name) {
    fd = ::open(name, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    ok = fd >= 0;
}

FileWriter::~FileWriter() {
    if (fd >= 0) ::close(fd);
}

void FileWriter::Flush() {
    if (buffer.size() < (size_t{1} << 20)) return;
    if (ok) ok = WriteAll(fd, buffer);
    buffer.clear();
}

bool FileWriter::Close() {
    if (ok) ok = WriteAll(fd, buffer);
    buffer.clear();
    if (fd >= 0 && ::close(fd) != 0) ok = false;
    fd = -1;
    return ok;
}
