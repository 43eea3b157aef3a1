// Runs a fuzz target's check over the inputs of its corpus in an ordinary build (no
// sanitizer, whose shadow memory needs far more address space) under a limit on the
// process's address space: whatever an input asks for, it must fit. Arguments: the limit in
// MiB, then files or folders of inputs. A check that does not hold aborts, as under the fuzzer.
#include <sys/resource.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s MIB INPUT...\n", argv[0]);
        return 2;
    }
    std::vector<std::filesystem::path> inputs;
    for (int i = 2; i < argc; ++i) {
        if (std::filesystem::is_directory(argv[i])) {
            for (const auto& entry : std::filesystem::directory_iterator(argv[i]))
                inputs.push_back(entry.path());
        } else {
            inputs.emplace_back(argv[i]);
        }
    }
    std::sort(inputs.begin(), inputs.end());
    const rlim_t bytes = static_cast<rlim_t>(std::strtoul(argv[1], nullptr, 10)) << 20;
    const rlimit limit{bytes, bytes};
    if (setrlimit(RLIMIT_AS, &limit) != 0) {
        std::perror("setrlimit");
        return 2;
    }
    for (const auto& path : inputs) {
        std::ifstream in(path, std::ios::binary);
        const std::vector<std::uint8_t> bytesRead{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        LLVMFuzzerTestOneInput(bytesRead.data(), bytesRead.size());
    }
    std::printf("%zu inputs within %s MiB\n", inputs.size(), argv[1]);
    return inputs.empty() ? 1 : 0;
}
