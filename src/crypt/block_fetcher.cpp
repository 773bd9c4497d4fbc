#include "crypt/block_fetcher.h"

#include <system_error>

namespace vx {

BlockFetcher::~BlockFetcher() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        quit_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable()) thread_.join();
}

BlockFetcher::Result BlockFetcher::restore(const Job& job, Buffer& payload) const {
    Result r;
    r.block = reader_.read_block(*job.entry, job.offset, payload);
    if (r.block == ContainerReader::Block::ok && job.check) {
        r.checked = true;
        r.check_ok = reader_.check_matches(*job.entry, payload);
    }
    return r;
}

void BlockFetcher::loop() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return quit_ || busy_; });
        if (quit_) return;
        const Job job = job_;
        lock.unlock();
        Result r = restore(job, buffer_);
        lock.lock();
        result_ = r;
        busy_ = false;
        changed_.notify_all();
    }
}

void BlockFetcher::wait_idle() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return !busy_; });
}

void BlockFetcher::start(std::size_t index, const Entry& entry, std::uint64_t offset, bool check) {
    if (thread_failed_) return;
    if (!thread_.joinable()) {
        try {
            thread_ = std::thread([this] { loop(); });
        } catch (const std::system_error&) {
            thread_failed_ = true;
            return;
        }
    }
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return !busy_; });
    job_ = Job{index, &entry, offset, check};
    pending_ = true;
    busy_ = true;
    changed_.notify_all();
}

BlockFetcher::Result BlockFetcher::take(std::size_t index, const Entry& entry,
                                        std::uint64_t offset, bool check, Buffer& payload) {
    {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] { return !busy_; });
        const bool fetched = pending_ && job_.index == index && job_.check == check;
        pending_ = false;
        if (fetched) {
            payload.swap(buffer_);  // the caller's old buffer serves the next fetch
            return result_;
        }
    }
    return restore(Job{index, &entry, offset, check}, payload);
}

}  // namespace vx
