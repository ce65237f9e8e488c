// Loading the binary training database (rows of 20 + 4 floats in 2 classes) with its column
// statistics, at three sizes to show the growth, and drawing rows of class 0. Each file is
// generated in a child process so that the peak memory shown is the reader's own.
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "bench/bench_util.h"
#include "core/file_io.h"
#include "ltfc/binary_db.h"
#include "tests/support/network_data.h"

namespace {

constexpr int kWidthA = 20;
constexpr int kWidthB = 4;

bool WriteDatabase(const std::string& name, int rows) {
    const pid_t child = fork();
    if (child < 0) return false;
    if (child == 0) {
        std::mt19937 gen(static_cast<unsigned>(rows));
        std::normal_distribution<float> value(3.0f, 2.0f);
        BinaryDbContent content;
        content.widthA = kWidthA;
        content.widthB = kWidthB;
        content.flag = 1;
        content.classes.resize(2);
        for (int i = 0; i < rows; ++i) {
            std::vector<float> row(kWidthA + kWidthB);
            for (float& v : row) v = value(gen);
            content.classes[static_cast<size_t>(i % 2)].push_back(std::move(row));
        }
        _exit(WriteWholeFile(name.c_str(), BinaryDbBytes(content)) ? 0 : 1);
    }
    int status = 0;
    return waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

long FileKb(const std::string& name) {
    std::error_code error;
    const auto size = std::filesystem::file_size(name, error);
    return error ? -1 : static_cast<long>(size / 1024);
}

}  // namespace

int main() {
    char folder[] = "/tmp/varnel_binary_db_bench_XXXXXX";
    if (mkdtemp(folder) == nullptr) return 1;
    const int sizes[] = {50000, 100000, 200000};
    std::vector<std::string> names;
    for (int rows : sizes) {
        names.push_back(std::string(folder) + "/rows" + std::to_string(rows) + ".bin");
        if (!WriteDatabase(names.back(), rows)) return 1;
    }
    const long fileKb = FileKb(names.back());

    // The largest file first, so that the growth of the peak is this load's alone.
    const long before = PeakRssKb();
    {
        BenchTimer t;
        CBinaryDB db(names.back().c_str());
        const double seconds = t.Seconds();
        BenchReport("load + statistics 200000 x 24 floats", seconds,
                    "file " + std::to_string(fileKb) + " KB, peak grew " + std::to_string(PeakRssKb() - before) +
                        " KB");

        BenchTimer c;
        double checksum = 0;
        for (int j = 0; j < kWidthA + kWidthB; ++j) {
            std::unique_ptr<float[]> column;
            int n = 0;
            db.GetColumn(0, j, column, n);
            checksum += column[static_cast<size_t>(n - 1)];
        }
        BenchReport("24 columns of class 0 (100000 rows)", c.Seconds(), "checksum " + std::to_string(checksum));

        db.PreparePool();
        for (int draws : {100000, 1000000}) {
            BenchTimer d;
            float* first = nullptr;
            float* second = nullptr;
            double sum = 0;
            for (int k = 0; k < draws; ++k) {
                db.DrawExample(first, second);
                sum += second[0];
            }
            const double s = d.Seconds();
            BenchReport(std::to_string(draws) + " draws of class 0", s,
                        std::to_string(s / draws * 1e9).substr(0, 6) + " ns/draw, checksum " + std::to_string(sum));
        }
    }
    // Again at every size, now on warm memory, to show the growth with the file.
    for (size_t i = 0; i < names.size(); ++i) {
        BenchTimer t;
        CBinaryDB db(names[i].c_str());
        BenchReport("load + statistics " + std::to_string(sizes[i]) + " x 24 floats", t.Seconds(),
                    "file " + std::to_string(FileKb(names[i])) + " KB");
    }
    for (const std::string& name : names) std::remove(name.c_str());
    rmdir(folder);
    return 0;
}
