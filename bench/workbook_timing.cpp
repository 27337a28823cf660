// workbook_timing FILE [NAME]: reads FILE's first sheet as the workbook preview does (NAME, default
// "Biff8", picks the reader) and prints the time taken, the grid shown and the peak memory.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "preview/workbook_preview.h"

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: workbook_timing FILE [NAME]\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    const std::vector<std::uint8_t> bytes(std::istreambuf_iterator<char>(in), {});
    const auto start = std::chrono::steady_clock::now();
    const cw::PropertyTable table = cw::read_workbook(argc > 2 ? argv[2] : "Biff8", bytes);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("seconds %.3f\nrows %zu\ncolumns %zu\npeak_rss_mib %.1f\n", took.count(), table.rows.size(),
                table.columns.size(), usage.ru_maxrss / 1024.0);
    if (!table.rows.empty() && table.columns.size() == 2 && table.columns[0] == "Status")
        std::printf("failure %s\n", table.rows[0][1].c_str());
    return 0;
}
