// SPDX-License-Identifier: Apache-2.0
// Runs a fuzz target without libFuzzer: its corpus, then fixed-seed random mutations of it,
// for a bounded number of inputs. Used where clang's libFuzzer is not available.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

int main(int argc, char** argv) {
    if (LLVMFuzzerInitialize != nullptr) {
        LLVMFuzzerInitialize(&argc, &argv);
    }
    std::vector<std::string> corpus;
    for (int i = 1; i < argc; ++i) {
        if (argv[i][0] == '-') {
            continue;
        }
        for (const auto& entry : std::filesystem::directory_iterator(argv[i])) {
            std::ifstream in(entry.path(), std::ios::binary);
            std::ostringstream ss;
            ss << in.rdbuf();
            corpus.push_back(ss.str());
        }
    }
    if (corpus.empty()) {
        corpus.emplace_back();
    }
    std::mt19937 rng(1);
    const int kRuns = 20000;
    for (int run = 0; run < kRuns; ++run) {
        std::string input = corpus[rng() % corpus.size()];
        int edits = 1 + static_cast<int>(rng() % 8);
        for (int e = 0; e < edits; ++e) {
            size_t pos = input.empty() ? 0 : rng() % input.size();
            switch (rng() % 4) {
            case 0:
                if (!input.empty()) {
                    input[pos] = static_cast<char>(rng());
                }
                break;
            case 1:
                input.insert(pos, 1, static_cast<char>(rng()));
                break;
            case 2:
                if (!input.empty()) {
                    input.erase(pos, 1 + rng() % 16);
                }
                break;
            default:
                input.insert(pos, input.substr(rng() % (input.size() + 1), rng() % 64));
                break;
            }
        }
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(input.data()), input.size());
    }
    std::printf("%d inputs, no fault\n", kRuns);
    return 0;
}
