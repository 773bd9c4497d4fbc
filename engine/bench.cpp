// Measures the engine: the key derivation, and crypting and decrypting 10 MiB buffers through the
// binding, as the runs call it. Prints one line per measurement.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "crypt/engine.h"
#include "engine.h"

namespace {

using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point t) {
    return std::chrono::duration<double>(Clock::now() - t).count();
}

// The best of 'rounds' timings of 'reps' calls, in GB/s over 'bytes' per call.
template <typename F>
double throughput(std::size_t bytes, int rounds, int reps, F&& call) {
    double best = 1e30;
    for (int r = 0; r < rounds; ++r) {
        auto t = Clock::now();
        for (int i = 0; i < reps; ++i) call();
        best = std::min(best, seconds_since(t) / reps);
    }
    return bytes / best / 1e9;
}

}  // namespace

int main() {
    const std::uint8_t key[8] = {'1', '2', '3', '4', '5', '6', '7', '8'};
    for (unsigned threads : {1u, 0u}) {
        std::uint8_t mk[valid::kMasterKeyBytes];
        double best = 1e30;
        for (int r = 0; r < 3; ++r) {
            auto t = Clock::now();
            if (!valid::derive_master_key(key, mk, threads)) {
                std::printf("key derivation failed\n");
                return 1;
            }
            best = std::min(best, seconds_since(t));
        }
        valid::wipe(mk, sizeof mk);
        std::printf("key derivation (Argon2id, 256 MiB, %s): %.3f s\n",
                    threads == 1 ? "1 thread" : "all threads", best);
    }

    vx::CipherEngine engine;
    if (engine.load() != vx::CipherEngine::Status::ok) {
        std::printf("%s\n", vx::CipherEngine::not_found_message().c_str());
        return 1;
    }
    const std::size_t n = 10 * 1024 * 1024;
    std::vector<std::uint8_t> buf(n);
    for (std::size_t i = 0; i < n; ++i) buf[i] = std::uint8_t(i * 2654435761u >> 24);
    // The first call derives the key; the measurements see only the cached one.
    if (!engine.crypt(buf.data(), n, "12345678")) return 1;
    double c = throughput(n, 5, 20, [&] { engine.crypt(buf.data(), n, "12345678"); });
    double d = throughput(n, 5, 20, [&] { engine.decrypt(buf.data(), n, "12345678"); });
    std::printf("crypt   10 MiB: %.2f GB/s\n", c);
    std::printf("decrypt 10 MiB: %.2f GB/s\n", d);
    return 0;
}
