// Drives a fuzz entry point without libFuzzer: every file of the seed folders, then a fixed
// number of deterministic mutations of them (bit flips, cut, splice, repeated runs), so the
// normal build runs the same harness as the fuzzing build.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv) {
    long iterations = 1000;
    std::vector<std::vector<std::uint8_t>> seeds;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--iterations=", 13) == 0) {
            iterations = std::strtol(argv[i] + 13, nullptr, 10);
            continue;
        }
        std::error_code ec;
        if (!std::filesystem::is_directory(argv[i], ec)) continue;
        for (auto& e : std::filesystem::recursive_directory_iterator(argv[i], ec)) {
            if (!e.is_regular_file()) continue;
            std::ifstream in(e.path(), std::ios::binary);
            seeds.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
    }
    if (seeds.empty()) seeds.emplace_back();
    for (auto& s : seeds) LLVMFuzzerTestOneInput(s.data(), s.size());

    std::mt19937 rng(12345);
    for (long it = 0; it < iterations; ++it) {
        std::vector<std::uint8_t> d = seeds[rng() % seeds.size()];
        int edits = 1 + static_cast<int>(rng() % 8);
        for (int e = 0; e < edits; ++e) {
            switch (rng() % 6) {
            case 0: if (!d.empty()) d[rng() % d.size()] ^= static_cast<std::uint8_t>(1u << (rng() % 8)); break;
            case 1: if (!d.empty()) d.resize(rng() % d.size()); break;
            case 2: d.insert(d.begin() + static_cast<long>(d.empty() ? 0 : rng() % d.size()), static_cast<std::uint8_t>(rng())); break;
            case 3: if (!d.empty()) d[rng() % d.size()] = static_cast<std::uint8_t>(rng()); break;
            case 4: {
                const auto& o = seeds[rng() % seeds.size()];
                if (!o.empty()) {
                    std::size_t at = o.size() ? rng() % o.size() : 0;
                    d.insert(d.end(), o.begin() + static_cast<long>(at), o.end());
                }
                break;
            }
            case 5: {
                static const std::uint8_t kInteresting[] = {0x00, 0xFF, 0x7F, 0x80, 0x01, '"', '=', ' ', '\\', '\n'};
                if (!d.empty()) d[rng() % d.size()] = kInteresting[rng() % sizeof kInteresting];
                break;
            }
            }
        }
        LLVMFuzzerTestOneInput(d.data(), d.size());
    }
    std::printf("replayed %zu seeds and %ld mutations\n", seeds.size(), iterations);
    return 0;
}
