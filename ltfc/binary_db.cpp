#include "ltfc/binary_db.h"

#include <climits>
#include <cmath>
#include <cstdint>

#include "core/file_io.h"
#include "ltfc/dat_reader.h"
#include "ltfc/exceptions.h"
#include "ltfc/universal_random.h"

namespace {

// Pointers to the rows of one class, in file order.
void FillPool(std::vector<float*>& pool, std::vector<float>& classRows, int rowWidth) {
    const size_t w = static_cast<size_t>(rowWidth);
    pool.resize(classRows.size() / w);
    for (size_t i = 0; i < pool.size(); ++i) pool[i] = classRows.data() + i * w;
}

}  // namespace

CBinaryDB::CBinaryDB(const char* file) {
    Read(file);
    ComputeStatistics();
    RanmarRandomize();
}

void CBinaryDB::Read(const char* file) {
    // The whole file is read and closed before any field is looked at, so nothing is left
    // open when a field is refused.
    std::string bytes;
    if (!ReadWholeFile(file, bytes)) throw EOpenDBError();
    DatReader<EOpenDBError> r(bytes);

    if (r.Int() != 0) throw EOpenDBError();
    const std::int32_t nameLength = r.Int();
    if (nameLength < 0) throw EOpenDBError();
    const size_t nameBytes = static_cast<size_t>(nameLength) + 1;  // with its zero byte
    name.assign(reinterpret_cast<const char*>(r.Take(nameBytes)), nameBytes);
    if (r.Int() != 0) throw EOpenDBError();

    widthA = r.Int();
    widthB = r.Int();
    classes = r.Int();
    if (widthA < 1 || widthB < 1 || classes < 1 || classes > kMaxBinaryDbClasses) {
        throw EOpenDBError();
    }
    flag = r.Byte();
    if (flag != 0) extra = r.Int();

    // Every class holds a count and at least two rows, so widths or a class count that the
    // rest of the file cannot hold are refused here, before anything is sized from them.
    const std::uint64_t rowValues = static_cast<std::uint64_t>(widthA) + static_cast<std::uint64_t>(widthB);
    const std::uint64_t rowBytes = 4 * rowValues;
    if (rowValues > INT_MAX || static_cast<std::uint64_t>(classes) * (4 + 2 * rowBytes) > r.Left()) {
        throw EOpenDBError();
    }
    width = static_cast<int>(rowValues);

    rows.resize(static_cast<size_t>(classes));
    count.resize(static_cast<size_t>(classes));
    std::int64_t rowsRead = 0;
    for (int c = 0; c < classes; ++c) {
        const std::int32_t n = r.Int();
        if (n < 2 || static_cast<std::uint64_t>(n) * rowBytes > r.Left()) throw EOpenDBError();
        const size_t values = static_cast<size_t>(n) * static_cast<size_t>(width);
        std::vector<float>& classRows = rows[static_cast<size_t>(c)];
        classRows.resize(values);
        r.Floats(classRows.data(), values);
        count[static_cast<size_t>(c)] = n;
        rowsRead += n;
    }
    if (rowsRead > INT_MAX) throw EOpenDBError();  // the row total is an int
    total = static_cast<int>(rowsRead);
}

void CBinaryDB::ComputeStatistics() {
    // With exactly two classes the statistics describe class 0 alone; otherwise every row.
    const int used = classes == 2 ? 1 : classes;
    const int n = classes == 2 ? count[0] : total;
    const size_t w = static_cast<size_t>(width);
    auto forEachRow = [&](auto&& visit) {
        for (int c = 0; c < used; ++c) {
            const std::vector<float>& classRows = rows[static_cast<size_t>(c)];
            for (size_t at = 0; at < classRows.size(); at += w) visit(classRows.data() + at);
        }
    };

    // Summed in double so that long columns keep float precision; n - 1 is never 0 since
    // every class has at least two rows.
    std::vector<double> sums(w, 0.0);
    forEachRow([&](const float* row) {
        for (size_t j = 0; j < w; ++j) sums[j] += row[j];
    });
    std::vector<double> means(w);
    for (size_t j = 0; j < w; ++j) means[j] = sums[j] / n;

    std::vector<double> squares(w, 0.0);
    forEachRow([&](const float* row) {
        for (size_t j = 0; j < w; ++j) {
            const double d = row[j] - means[j];
            squares[j] += d * d;
        }
    });
    mean.resize(w);
    stddev.resize(w);
    for (size_t j = 0; j < w; ++j) {
        mean[j] = static_cast<float>(means[j]);
        stddev[j] = static_cast<float>(std::sqrt(squares[j] / (n - 1)));
    }
}

int CBinaryDB::GetCount(int which) const {
    switch (which) {
        case 0:
            return sizeA;
        case 1:
            return sizeB;
        default:
            return 0;
    }
}

int CBinaryDB::GetClassSize(int c) const {
    if (c < 0 || c >= classes) return 0;
    return count[static_cast<size_t>(c)];
}

void CBinaryDB::GetColumn(int c, int j, std::unique_ptr<float[]>& out, int& n) const {
    if (j < 0 || j >= width) {
        out.reset();
        n = 0;
        return;
    }
    Column(c, j, out, n);
}

void CBinaryDB::GetColumn(SecondBlock, int c, int j, std::unique_ptr<float[]>& out, int& n) const {
    if (j < 0 || j >= widthB) {
        out.reset();
        n = 0;
        return;
    }
    Column(c, widthA + j, out, n);
}

void CBinaryDB::Column(int c, int column, std::unique_ptr<float[]>& out, int& n) const {
    n = GetClassSize(c);
    if (n == 0) {
        out.reset();
        return;
    }
    out.reset(new float[static_cast<size_t>(n)]);
    const std::vector<float>& classRows = rows[static_cast<size_t>(c)];
    for (int i = 0; i < n; ++i) {
        out[static_cast<size_t>(i)] = classRows[static_cast<size_t>(i) * static_cast<size_t>(width) +
                                                static_cast<size_t>(column)];
    }
}

void CBinaryDB::AllocBuffers(std::unique_ptr<float[]>& meanA, std::unique_ptr<float[]>& stddevA,
                             std::unique_ptr<float[]>& meanB, std::unique_ptr<float[]>& stddevB) const {
    auto copy = [](const std::vector<float>& from, int start, int length) {
        std::unique_ptr<float[]> to(new float[static_cast<size_t>(length)]);
        for (int j = 0; j < length; ++j) to[static_cast<size_t>(j)] = from[static_cast<size_t>(start + j)];
        return to;
    };
    meanA = copy(mean, 0, widthA);
    stddevA = copy(stddev, 0, widthA);
    meanB = copy(mean, widthA, widthB);
    stddevB = copy(stddev, widthA, widthB);
}

void CBinaryDB::PreparePool() {
    FillPool(poolA, rows[0], width);
    sizeA = leftA = count[0];
    if (classes >= 2) {
        FillPool(poolB, rows[1], width);
        sizeB = count[1];
    } else {
        poolB.clear();
        sizeB = 0;
    }
    leftB = 0;
}

int CBinaryDB::DrawExample(float*& first, float*& second) {
    if (poolA.empty()) {
        first = second = nullptr;
        return 0;
    }
    // The drawn row is swapped behind the rows still left, so a cycle draws each row once.
    if (leftA < 1) leftA = sizeA;
    const int r = leftA;
    --leftA;
    const size_t j = static_cast<size_t>(RanmarInt(r));
    float* row = poolA[j];
    first = row;
    second = row + widthA;
    poolA[j] = poolA[static_cast<size_t>(leftA)];
    poolA[static_cast<size_t>(leftA)] = row;
    return leftA;
}
