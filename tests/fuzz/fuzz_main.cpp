// A bounded fuzzing loop for builds without libFuzzer (g++, the sanitizer
// build): the seed inputs, then random mutations of them, for a number of
// runs or seconds, whichever ends first. Built with clang and
// -fsanitize=fuzzer the same targets run under libFuzzer instead, which
// brings its own main.
//   fuzz_TARGET [-runs=N] [-max_total_time=SECONDS] [-seed=N] SEED_FILE...
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

using Bytes = std::vector<uint8_t>;

// Inputs a parser meets from hostile writers: bytes flipped, runs repeated
// (deep nesting), cut short, NULs and high bytes spliced in.
Bytes mutate(const Bytes& seed, std::mt19937_64& random) {
    Bytes out = seed;
    const int steps = 1 + static_cast<int>(random() % 4);
    for (int step = 0; step < steps; ++step) {
        const size_t at = out.empty() ? 0 : random() % out.size();
        switch (random() % 6) {
            case 0:
                if (!out.empty())
                    out[at] = static_cast<uint8_t>(random());
                break;
            case 1:
                out.insert(out.begin() + static_cast<std::ptrdiff_t>(at),
                           static_cast<uint8_t>(random() % 2 ? 0 : 0xff));
                break;
            case 2: {  // repeat a slice many times: nesting, long strings
                const size_t length = 1 + random() % 16;
                if (at + length <= out.size()) {
                    const Bytes slice(out.begin() + static_cast<std::ptrdiff_t>(at),
                                      out.begin() + static_cast<std::ptrdiff_t>(at + length));
                    const size_t times = 1 + random() % 2000;
                    for (size_t i = 0; i < times && out.size() < (1U << 20); ++i) {
                        out.insert(out.begin() + static_cast<std::ptrdiff_t>(at), slice.begin(),
                                   slice.end());
                    }
                }
                break;
            }
            case 3:
                out.resize(at);
                break;
            case 4:
                if (!out.empty())
                    out.erase(out.begin() + static_cast<std::ptrdiff_t>(at));
                break;
            default: {
                static const char* tokens[] = {
                    "<",        ">",  "</",  "&",        "&#0;", "<!DOCTYPE x [",
                    "<string>", "\"", "]]>", "<![CDATA["};
                const char* token = tokens[random() % std::size(tokens)];
                out.insert(out.begin() + static_cast<std::ptrdiff_t>(at), token,
                           token + std::strlen(token));
                break;
            }
        }
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    long runs = 20000;
    double seconds = 30;
    uint64_t seed = 1;
    std::vector<Bytes> seeds;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind("-runs=", 0) == 0) {
            runs = std::stol(arg.substr(6));
        } else if (arg.rfind("-max_total_time=", 0) == 0) {
            seconds = std::stod(arg.substr(16));
        } else if (arg.rfind("-seed=", 0) == 0) {
            seed = std::stoull(arg.substr(6));
        } else {
            std::ifstream in(arg, std::ios::binary);
            seeds.emplace_back(std::istreambuf_iterator<char>(in),
                               std::istreambuf_iterator<char>());
        }
    }
    if (seeds.empty()) {
        seeds.emplace_back();
    }
    std::mt19937_64 random(seed);
    const auto start = std::chrono::steady_clock::now();
    long done = 0;
    for (const auto& input : seeds) {
        LLVMFuzzerTestOneInput(input.data(), input.size());
        ++done;
    }
    while (done < runs &&
           std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() <
               seconds) {
        const Bytes input = mutate(seeds[random() % seeds.size()], random);
        LLVMFuzzerTestOneInput(input.data(), input.size());
        ++done;
    }
    std::printf("fuzz: %ld inputs, no crash\n", done);
    return 0;
}
