#pragma once
// Restores the file blocks of a container one ahead of the decrypting run: while the run writes a
// block, a second thread reads the next one from the container, decrypts it, applies the key layer
// and takes its check value. Only that pure work on the container happens there; whatever touches
// the target folder or asks the user stays with the run, in the run's order. The engine is used by
// one thread at a time: the fetcher's thread while a fetch is under way, the run's otherwise.
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

#include "crypt/container.h"

namespace vx {

class BlockFetcher {
public:
    struct Result {
        ContainerReader::Block block = ContainerReader::Block::ok;
        bool checked = false;   // the check value was compared (only when asked to)
        bool check_ok = false;  // and it matched
    };

    explicit BlockFetcher(const ContainerReader& reader) : reader_(reader) {}
    ~BlockFetcher();
    BlockFetcher(const BlockFetcher&) = delete;
    BlockFetcher& operator=(const BlockFetcher&) = delete;

    // Starts restoring the block of entry 'index' on the second thread, comparing its check value
    // too when 'check'. Any fetch still under way is waited for first. Where no thread can be
    // started, nothing happens and take() does the work itself.
    void start(std::size_t index, const Entry& entry, std::uint64_t offset, bool check);
    // The restored payload of entry 'index' in 'payload': the fetched one when start() was called
    // for this index, else restored on the calling thread now.
    Result take(std::size_t index, const Entry& entry, std::uint64_t offset, bool check,
                Buffer& payload);
    // Waits until no fetch is under way, so that the caller may use the engine.
    void wait_idle();

private:
    struct Job {
        std::size_t index = 0;
        const Entry* entry = nullptr;
        std::uint64_t offset = 0;
        bool check = false;
    };

    Result restore(const Job& job, Buffer& payload) const;
    void loop();

    const ContainerReader& reader_;
    std::thread thread_;
    bool thread_failed_ = false;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool pending_ = false;  // a job was handed over and its result not taken
    bool busy_ = false;     // the thread works on it
    bool quit_ = false;
    Job job_;
    Result result_;
    Buffer buffer_;  // the thread's payload, swapped with the caller's on take()
};

}  // namespace vx
