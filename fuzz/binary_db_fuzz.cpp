// The binary training database. Nothing in the program writes one, so what was read is
// written again from its columns and read back: columns and statistics must agree bit for
// bit, and a cycle of draws must hand out every row of class 0 once.
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "ltfc/binary_db.h"
#include "ltfc/exceptions.h"
#include "tests/support/network_data.h"

namespace {

std::unique_ptr<CBinaryDB> Load(const char* path) {
    try {
        return std::make_unique<CBinaryDB>(path);
    } catch (const EOpenDBError&) {
        return nullptr;  // the one failure the reader raises by design
    }
}

std::vector<float> Column(const CBinaryDB& db, int c, int j, bool secondBlock) {
    std::unique_ptr<float[]> values;
    int n = 0;
    if (secondBlock) {
        db.GetColumn(CBinaryDB::kSecondBlock, c, j, values, n);
    } else {
        db.GetColumn(c, j, values, n);
    }
    return values ? std::vector<float>(values.get(), values.get() + n) : std::vector<float>{};
}

bool SameBits(const std::vector<float>& a, const std::vector<float>& b) {
    return a.size() == b.size() &&
           (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0);
}

// The classes and the widths as the accessors show them, and every row rebuilt from its columns.
BinaryDbContent ContentOf(const CBinaryDB& db) {
    BinaryDbContent content;
    content.name.clear();
    int classes = 0;
    while (classes < kMaxBinaryDbClasses && db.GetClassSize(classes) > 0) ++classes;
    int width = 0;
    while (!Column(db, 0, width, false).empty()) ++width;
    int widthB = 0;
    while (!Column(db, 0, widthB, true).empty()) ++widthB;
    Require(classes >= 1 && width >= 2 && widthB >= 1 && widthB < width, "classes and widths of a database");
    content.widthA = width - widthB;
    content.widthB = widthB;
    for (int c = 0; c < classes; ++c) {
        const int n = db.GetClassSize(c);
        Require(n >= 2, "every class holds two rows or more");
        std::vector<std::vector<float>> rows(static_cast<size_t>(n),
                                             std::vector<float>(static_cast<size_t>(width)));
        for (int j = 0; j < width; ++j) {
            const std::vector<float> column = Column(db, c, j, false);
            Require(column.size() == rows.size(), "a column holds a value of every row");
            if (j >= content.widthA)
                Require(SameBits(Column(db, c, j - content.widthA, true), column),
                        "the second block's columns");
            for (size_t i = 0; i < rows.size(); ++i) rows[i][static_cast<size_t>(j)] = column[i];
        }
        content.classes.push_back(std::move(rows));
    }
    return content;
}

std::vector<float> Statistics(const CBinaryDB& db, const BinaryDbContent& content) {
    std::unique_ptr<float[]> parts[4];
    db.AllocBuffers(parts[0], parts[1], parts[2], parts[3]);
    std::vector<float> all;
    for (int p = 0; p < 4; ++p) {
        const int n = p < 2 ? content.widthA : content.widthB;
        all.insert(all.end(), parts[p].get(), parts[p].get() + n);
    }
    return all;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TempFile input(InputBytes(data, size));
    const std::unique_ptr<CBinaryDB> db = Load(input.Path());
    if (!db) return 0;
    const BinaryDbContent content = ContentOf(*db);

    TempFile written(BinaryDbBytes(content));
    const std::unique_ptr<CBinaryDB> again = Load(written.Path());
    Require(again != nullptr, "a database written from what was read loads");
    const BinaryDbContent reread = ContentOf(*again);
    Require(reread.widthA == content.widthA && reread.classes.size() == content.classes.size(),
            "shape of a reread database");
    for (size_t c = 0; c < content.classes.size(); ++c) {
        for (int j = 0; j < content.widthA + content.widthB; ++j) {
            Require(SameBits(Column(*db, static_cast<int>(c), j, false),
                             Column(*again, static_cast<int>(c), j, false)),
                    "columns of a reread database");
        }
    }
    Require(SameBits(Statistics(*db, content), Statistics(*again, content)),
            "statistics of a reread database");

    db->PreparePool();
    const int rows = static_cast<int>(content.classes[0].size());
    Require(db->GetCount(0) == rows, "the pool of class 0");
    Require(
        db->GetCount(1) == (content.classes.size() >= 2 ? static_cast<int>(content.classes[1].size()) : 0),
        "the pool of class 1");
    // Two cycles: the second shows that the rows drawn in the first were all kept.
    for (int cycle = 0; cycle < 2; ++cycle) {
        std::set<const float*> drawn;
        for (int left = rows - 1; left >= 0; --left) {
            float* first = nullptr;
            float* second = nullptr;
            Require(db->DrawExample(first, second) == left, "rows left in the cycle");
            Require(first != nullptr && second == first + content.widthA, "a drawn row and its second block");
            drawn.insert(first);
        }
        Require(static_cast<int>(drawn.size()) == rows, "a cycle draws every row once");
    }
    return 0;
}
