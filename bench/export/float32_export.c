/* The baseline of bench_brainvision: a session file's samples as calibrated little-endian
   float32 microvolts, every cell, observation and sample with all channels, written as a
   plain C program would do it with stdio. Usage: bench_float32_export IN.ses OUT.eeg */
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

static int16_t be16(const unsigned char* p) { return (int16_t)((p[0] << 8) | p[1]); }

int main(int argc, char** argv)
{
    if (argc != 3) {
        fprintf(stderr, "usage: %s IN.ses OUT.eeg\n", argv[0]);
        return 1;
    }
    FILE* in = fopen(argv[1], "rb");
    FILE* out = fopen(argv[2], "wb");
    if (!in || !out) {
        perror("open");
        return 1;
    }
    unsigned char fixed[130];
    if (fread(fixed, 1, sizeof fixed, in) != sizeof fixed)
        return 1;
    int header_length = (uint16_t)be16(fixed + 6), cells = be16(fixed + 118), channels = be16(fixed + 120);
    unsigned char* rest = malloc((size_t)header_length);
    if (fread(rest, 1, (size_t)header_length - 130, in) != (size_t)header_length - 130)
        return 1;
    int* zeros = malloc(sizeof(int) * (size_t)channels);
    int* gains = malloc(sizeof(int) * (size_t)channels);
    const unsigned char* p = rest + 2 * cells;
    for (int c = 0; c < channels; ++c) {
        zeros[c] = be16(p + 2 * c);
        gains[c] = be16(p + 2 * (channels + c));
    }
    p += 4 * channels;
    int* observations = malloc(sizeof(int) * (size_t)cells);
    int* samples = malloc(sizeof(int) * (size_t)cells);
    for (int i = 0; i < cells; ++i) {
        observations[i] = be16(p + 82);
        samples[i] = be16(p + 84);
        p += 90 + 2 * observations[i] * (be16(p + 88) / 2);
    }
    for (int i = 0; i < cells; ++i) {
        size_t values = (size_t)samples[i] * (size_t)channels;
        unsigned char* raw = malloc(2 * values);
        float* calibrated = malloc(sizeof(float) * values);
        for (int o = 0; o < observations[i]; ++o) {
            if (fread(raw, 2, values, in) != values)
                return 1;
            for (size_t k = 0; k < values; ++k) {
                int c = (int)(k % (size_t)channels);
                calibrated[k] = (float)((double)((be16(raw + 2 * k) - zeros[c]) * 400) / (double)gains[c]);
            }
            fwrite(calibrated, sizeof(float), values, out); /* little-endian machines only */
        }
        free(raw);
        free(calibrated);
    }
    fclose(in);
    return fclose(out) == 0 ? 0 : 1;
}
