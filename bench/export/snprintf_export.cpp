// The hand-written export the batch tool is measured against: loads a data file and writes
// the text export of every cell, observation and channel with snprintf("%5.2f") and stdio,
// the way one would write it without the exporter: each row composed in a buffer, one
// fwrite per row.
// Usage: bench_export_snprintf IN OUT
#include "model/ORVAFile.h"

#include <cstdio>
#include <vector>

using namespace orva;

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: bench_export_snprintf IN OUT\n");
        return 1;
    }
    TORVAFile f;
    if (!f.CheckFile(argv[1]).empty())
        return 1;
    f.LoadFromFile(argv[1]);
    std::FILE* out = std::fopen(argv[2], "wb");
    if (!out)
        return 1;
    std::fprintf(out, "Source file:%s\r\n\r\n", f.FileName.c_str());
    std::vector<char> row(64 + 32 * static_cast<std::size_t>(f.NumChannels()));
    for (std::size_t c = 0; c < f.Cells.size(); ++c) {
        const TORVACell& cell = f.Cells[c];
        for (int o = 0; o < cell.NumObservations; ++o) {
            std::fprintf(out, "\r\nCell#%zu\tObservation#%d\r\n", c + 1, o + 1);
            for (int k = 0; k < f.NumChannels(); ++k)
                std::fprintf(out, "\tchan#%d", k + 1);
            std::fputs("\r\n", out);
            for (int s = 0; s < cell.SamplesPerObservation; ++s) {
                char* p = row.data();
                p += std::snprintf(p, 32, "smpl#%d", s + 1);
                for (int k = 0; k < f.NumChannels(); ++k)
                    p += std::snprintf(p, 32, "\t%5.2f", CalibratedValue(f, cell.Data(o, s, k), k));
                *p++ = '\r';
                *p++ = '\n';
                std::fwrite(row.data(), 1, static_cast<std::size_t>(p - row.data()), out);
            }
        }
    }
    return std::fclose(out) == 0 ? 0 : 1;
}
