// Replays a corpus folder and then a deterministic stream of pseudo-random
// inputs through LLVMFuzzerTestOneInput, for builds without libFuzzer.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv)
{
    std::size_t files = 0;
    if (argc > 1 && std::filesystem::is_directory(argv[1])) {
        for (const auto& entry : std::filesystem::recursive_directory_iterator(argv[1])) {
            if (!entry.is_regular_file()) continue;
            std::ifstream in(entry.path(), std::ios::binary);
            std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                       std::istreambuf_iterator<char>());
            LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
            ++files;
        }
    }
    const char* env = std::getenv("KXTAPI_FUZZ_RUNS");
    const long runs = env ? std::atol(env) : 20000;
    std::mt19937 rng(12345);
    std::vector<uint8_t> buf;
    for (long i = 0; i < runs; ++i) {
        buf.resize(rng() % 512);
        for (auto& b : buf) b = static_cast<uint8_t>(rng());
        LLVMFuzzerTestOneInput(buf.data(), buf.size());
    }
    std::printf("replayed %zu corpus files and %ld random inputs\n", files, runs);
    return 0;
}
