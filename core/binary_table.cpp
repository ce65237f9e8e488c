#include "core/binary_table.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "core/alloc_guard.h"
#include "core/binary_int.h"
#include "core/error.h"
#include "core/file_io.h"
#include "core/object_draw.h"
#include "core/report.h"
#include "core/text_data.h"
#include "core/text_number.h"

namespace {

constexpr long long kHeaderBytes = 8;
constexpr long long kReadChunk = 1 << 20;

[[noreturn]] void CannotReadRow() {
    LogMessage("Error: Can't read file with data in TBTable::GetObjFromFile");
    throw CalcError(6);
}

void AppendRow(std::string& out, const std::vector<int>& row, bool text) {
    for (int v : row) {
        if (text) {
            AppendInt(out, v);
            out += ' ';
        } else {
            AppendInt32LE(out, v);
        }
    }
    if (text) out += '\n';
}

}  // namespace

TBTable::~TBTable() { Close(); }

void TBTable::Assign(const char* name) {
    Close();
    fileName = name;
    assigned = true;
}

void TBTable::Close() {
    if (fd >= 0) ::close(fd);
    fd = -1;
    open = false;
    std::vector<char>().swap(buffer);
}

void TBTable::BadHeader() {
    Close();
    LogFormat("Error: Bad header of binary table: %s", fileName.c_str());
    throw CalcError(10);
}

// The header is checked against the file before anything is sized from it: a row must fit in
// what follows the header, and objects need values. A table of no objects (a split may
// write one) is checked when a row is read.
void TBTable::Open() {
    if (open) return;
    if (!assigned) {
        LogMessage("Binary table not assigned!");
        throw CalcError(14);
    }
    fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st;
    if (fd >= 0 && (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode) || S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode))) {
        ::close(fd);
        fd = -1;
    }
    if (fd < 0) {
        LogFormat("Error: Can't open binary table: %s", fileName.c_str());
        throw CalcErrorText(14, fileName.c_str());
    }
    fileSize = S_ISREG(st.st_mode) ? static_cast<long long>(st.st_size) : 0;
    bufferStart = 0;
    const char* header = BytesAt(0, kHeaderBytes);
    if (header == nullptr) BadHeader();
    NoObj = Int32LEAt(header);
    NoAttr = Int32LEAt(header + 4);
    if (NoObj < 0 || NoAttr < 0 || (NoObj > 0 && NoAttr == 0)) BadHeader();
    row.clear();
    if (NoObj > 0) AllocateRow();
    nextRow = kHeaderBytes;
    open = true;
}

void TBTable::AllocateRow() {
    if (RowBytes() > fileSize - kHeaderBytes) BadHeader();
    OrOutOfMemory([&] { row.assign(static_cast<size_t>(NoAttr), 0); });
}

// Reads through a buffer of the file, refilled from the wanted offset when it does not hold
// the bytes wanted.
const char* TBTable::BytesAt(long long offset, long long bytes) {
    const long long have = static_cast<long long>(buffer.size());
    if (offset < bufferStart || offset + bytes > bufferStart + have) {
        OrOutOfMemory([&] { buffer.resize(static_cast<size_t>(std::max(bytes, kReadChunk))); });
        long long got = 0;
        while (got < static_cast<long long>(buffer.size())) {
            const ssize_t n = ::pread(fd, buffer.data() + got, buffer.size() - static_cast<size_t>(got), offset + got);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            got += n;
        }
        buffer.resize(static_cast<size_t>(got));
        bufferStart = offset;
        if (got < bytes) return nullptr;
    }
    return buffer.data() + (offset - bufferStart);
}

int TBTable::GetObjFromFile(int next) {
    Open();
    if (row.size() != static_cast<size_t>(NoAttr)) AllocateRow();
    const long long offset = next == 0 ? kHeaderBytes : nextRow;
    const char* bytes = BytesAt(offset, RowBytes());
    if (bytes == nullptr) CannotReadRow();
    for (int a = 0; a < NoAttr; ++a) row[static_cast<size_t>(a)] = Int32LEAt(bytes + 4 * a);
    nextRow = offset + RowBytes();
    return 1;
}

int TBTable::GetCurObjval(int i) const {
    if (i < 0 || i >= NoAttr || static_cast<size_t>(i) >= row.size()) {
        LogMessage("Bad element number in TBTable::GetCurObjval");
        throw CalcError(5);
    }
    return row[static_cast<size_t>(i)];
}

// The smaller part is drawn (the first on a tie); every row is read once, in file order, and
// goes to the file of its part. Only the marks of the drawn objects are held in memory.
void TBTable::SplitTable(double ratio, const char* first, const char* second) {
    Open();
    if (NoObj == 0) {
        LogMessage("Can't split empty binary table!");
        throw CalcError(4);
    }
    if (!(ratio > 0.0 && ratio < 1.0)) {
        LogMessage("Critical error in: TBTable::SplitTable (second)");
        throw CalcError(4);
    }
    const int k = static_cast<int>(NoObj * ratio);
    const bool drawFirst = k <= NoObj - k;
    // A file shorter than its header says would fail at its first missing row; it fails so
    // before the header's count sizes the draw.
    if (NoObj > (fileSize - kHeaderBytes) / RowBytes()) CannotReadRow();
    const std::vector<bool> drawn = DrawDistinctObjects(NoObj, drawFirst ? k : NoObj - k);
    const char* names[2] = {first, second};
    ReplacingFile outs[2];
    auto writeFailed = []() {
        LogMessage("Error: Can't write file with data in TBTable::SplitTable");
        throw CalcError(7);
    };
    std::string bytes;
    for (int part = 0; part < 2; ++part) {
        if (!outs[part].Open(names[part], 0644)) {
            LogFormat("Error: Can't open binary table: %s", names[part]);
            throw CalcError(6);
        }
        bytes.clear();
        AppendInt32LE(bytes, part == 0 ? k : NoObj - k);
        AppendInt32LE(bytes, NoAttr);
        if (!outs[part].Write(bytes)) writeFailed();
    }
    ProgressDots dots;
    for (int o = 0; o < NoObj; ++o) {
        dots.Before(o);
        GetObjFromFile(o == 0 ? 0 : 1);
        bytes.clear();
        AppendRow(bytes, row, false);
        if (!outs[drawn[static_cast<size_t>(o)] == drawFirst ? 0 : 1].Write(bytes)) writeFailed();
    }
    WriteStdout("\n");
    if (!outs[0].Commit() || !outs[1].Commit()) writeFailed();
    Close();
}

void TBTable::ImportIntData(const char* input, const char* output, int text) {
    LogMessage("Importing integer data...");
    const int columns = TDictio_VT::CountColumns(input);
    const std::string data = ReadDataFile(input);
    ProgressDots dots;
    const int rows = WriteCodedTable(input, data, output, text, columns,
                                     [](int, const std::string& word) { return TextToInt(word.c_str()); }, &dots);
    WriteStdout("Rozmiary zaimportowanej tablicy: " + std::to_string(rows) + ' ' + std::to_string(columns) + '\n');
}

void TBTable::SaveTextTable(const char* name) {
    Open();
    ReplacingFile out;
    if (!out.Open(name)) {
        LogFormat("Error: Can't open text file: %s", name);
        throw CalcErrorText(6, name);
    }
    auto writeFailed = []() {
        LogMessage("Error: Can't write file with text table BTable::SaveTextTable");
        throw CalcError(7);
    };
    std::string text = std::to_string(NoObj) + ' ' + std::to_string(NoAttr) + '\n';
    if (!out.Write(text)) writeFailed();
    for (int o = 0; o < NoObj; ++o) {
        GetObjFromFile(o == 0 ? 0 : 1);
        text.clear();
        AppendRow(text, row, true);
        if (!out.Write(text)) writeFailed();
    }
    if (!out.Commit()) writeFailed();
    Close();
}
