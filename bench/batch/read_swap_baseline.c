/* The floor under every command that loads a whole data file: read the file into one
 * block of large pages (2 MiB aligned, madvise(MADV_HUGEPAGE), as NumPy does for large
 * arrays) and swap the byte order of its 16-bit words. Prints a sum of the words so that
 * the work cannot be left out. Usage: bench_read_swap FILE */
#define _GNU_SOURCE
#include <fcntl.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

int main(int argc, char** argv)
{
    const size_t page = (size_t)2 << 20;
    struct stat st;
    int fd = argc > 1 ? open(argv[1], O_RDONLY) : -1;
    if (fd < 0 || fstat(fd, &st) != 0) {
        perror(argc > 1 ? argv[1] : "usage: bench_read_swap FILE");
        return 1;
    }
    const size_t size = (size_t)st.st_size, length = (size + page - 1) / page * page;
    void* block = NULL;
    if (posix_memalign(&block, page, length ? length : page) != 0)
        return 1;
#ifdef MADV_HUGEPAGE
    madvise(block, length, MADV_HUGEPAGE);
#endif
    size_t done = 0;
    while (done < size) {
        const ssize_t got = read(fd, (char*)block + done, size - done);
        if (got <= 0)
            return 1;
        done += (size_t)got;
    }
    uint16_t* w = block;
    uint64_t sum = 0;
    for (size_t i = 0; i < size / 2; ++i) {
        w[i] = (uint16_t)((w[i] >> 8) | (w[i] << 8));
        sum += w[i];
    }
    printf("%llu\n", (unsigned long long)sum);
    free(block);
    close(fd);
    return 0;
}
