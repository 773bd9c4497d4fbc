#include "crypt/decrypting_run.h"

#include <algorithm>

#include "archive/archiver.h"
#include "crypt/block_fetcher.h"
#include "crypt/container.h"
#include "crypt/file_access.h"
#include "crypt/messages.h"
#include "platform/fs.h"
#include "platform/path.h"

namespace vx {

CDirectory::CDirectory(const std::string& folder) : path_(path::add_trailing_separator(folder)) {}

bool CArrayOpers::contains(const std::string& number) const {
    return std::find(items_.begin(), items_.end(), number) != items_.end();
}

namespace {

class DecryptingRun {
public:
    DecryptingRun(WorkerContext& context, ProgressDecrypting& job)
        : ctx_(context), job_(job), owner_(*job.window), cp_(job.container),
          td_(CDirectory(job.target).path()),
          reader_(*owner_.engine, owner_.layer, job.key), fetcher_(reader_) {}

    void run();

private:
    enum class Step { next, stop };

    bool open_container();
    void entries();
    Step entry(const Entry& e, std::size_t index, std::size_t n, std::uint64_t offset);
    Step file(const Entry& e, std::size_t index, const std::string& rp, const std::string& target,
              std::uint64_t offset);
    // Deletes the target of a block that failed, marks the entry failed and asks whether to go on.
    Step block_failed(const Entry& e, const std::string& target, const std::string& question);
    void refuse(const Entry& e, const std::string& target);
    // Starts fetching the next entry after 'index' that has a block to restore.
    void fetch_after(std::size_t index);
    void finish();

    void fail(const std::string& message) {
        ctx_.warn(message);
        failed_ = 1;
    }

    WorkerContext& ctx_;
    ProgressDecrypting& job_;
    RunOwner& owner_;
    const std::string cp_;
    const std::string td_;
    ContainerReader reader_;
    std::uint32_t failed_ = 0;
    CArrayOpers claimed_, yes_to_all_, refused_, failed_list_;
    std::vector<std::uint64_t> offsets_;  // every entry's block offset within the data area
    Buffer payload_;
    BlockFetcher fetcher_;
};

bool has_block(const Entry& e) {
    return !e.is_folder() && number_value(e.payload_length).value_or(0) >= 1;
}
bool is_compressed(const Entry& e) { return e.compression_mark == "1"; }

void DecryptingRun::run() {
    ctx_.report_text(msg::kPreparing);
    ctx_.report_position(0);
    if (open_container()) entries();
    finish();
}

bool DecryptingRun::open_container() {
    switch (reader_.open(cp_)) {
        case ContainerReader::Open::ok: break;
        case ContainerReader::Open::missing: fail(msg::m1_missing(cp_)); return false;
        case ContainerReader::Open::unreadable: fail(msg::m2_unreadable(cp_)); return false;
        case ContainerReader::Open::service_row_1: fail(msg::m3_service_row_1(cp_)); return false;
        case ContainerReader::Open::service_row_2: fail(msg::m4_service_row_2(cp_)); return false;
        case ContainerReader::Open::info_check: fail(msg::m5_info_check(cp_)); return false;
        case ContainerReader::Open::version: fail(msg::m6_version(cp_)); return false;
        case ContainerReader::Open::no_entry: fail(msg::m7_no_entry(cp_)); return false;
        case ContainerReader::Open::engine_error: fail(CipherEngine::error_message()); return false;
    }
    if (!fs::exists(td_) && !fs::create_directory(td_)) {
        fail(msg::m8_target_folder(cp_, td_));
        return false;
    }
    return true;
}

void DecryptingRun::entries() {
    const auto& list = reader_.entries();
    const std::size_t n = list.size();
    // The block offset grows by every entry's block length, passed over or not.
    offsets_.assign(n, 0);
    for (std::size_t e = 1; e < n; ++e) {
        auto length = number_value(list[e - 1].block_length);
        const bool counts = length && *length > 0;
        offsets_[e] = offsets_[e - 1] + (counts ? static_cast<std::uint64_t>(*length) : 0);
    }
    for (std::size_t e = 0; e < n; ++e) {
        if (ctx_.stop_requested()) {
            // A file stored in several blocks and cut off by the stop is not left half-written.
            const Entry& cur = list[e];
            if (e > 0 && list[e - 1].number == cur.number && cur.part_mark == "1" &&
                claimed_.contains(cur.number) && is_safe_relative_path(cur.path)) {
                fs::remove_file(td_ + from_stored_path(cur.path));
            }
            failed_ = 1;
            return;
        }
        if (entry(list[e], e, n, offsets_[e]) == Step::stop) return;
    }
}

DecryptingRun::Step DecryptingRun::entry(const Entry& e, std::size_t index, std::size_t n,
                                         std::uint64_t offset) {
    if (refused_.contains(e.number) || failed_list_.contains(e.number)) return Step::next;

    const std::string rp = from_stored_path(e.path);
    const std::string target = td_ + rp;
    ctx_.report_text("Decrypting block " + std::to_string(index + 1) + " of " +
                     std::to_string(n) + ": " + target);
    ctx_.report_position(static_cast<int>(100 * index / n));

    // An entry whose name leaves the target folder, or whose lengths do not fit, is damage:
    // nothing is written for it, nothing by its name is touched.
    if (!reader_.is_sound(e, offset)) {
        if (claimed_.contains(e.number) && is_safe_relative_path(e.path)) fs::remove_file(target);
        failed_list_.append(e.number);
        failed_ = 1;
        return ctx_.ask_yes(msg::m15_check(rp, cp_), msg::kWarning) ? Step::next : Step::stop;
    }

    if (e.is_folder()) {
        if (!fs::exists(target) && !fs::create_directory(target)) fail(msg::m9_folder(target));
        return Step::next;
    }
    return file(e, index, rp, target, offset);
}

DecryptingRun::Step DecryptingRun::file(const Entry& e, std::size_t index, const std::string& rp,
                                        const std::string& target, std::uint64_t offset) {
    const auto& list = reader_.entries();
    if (fs::exists(target)) {
        if (!claimed_.contains(e.number)) {
            if (!yes_to_all_.contains(e.number)) {
                YesToAll a = ctx_.ask_yes_to_all(msg::m10_exists(target), msg::kAttention);
                if (a == YesToAll::no) {
                    refuse(e, target);
                    return Step::next;
                }
                if (a == YesToAll::yes_to_all) {
                    // Every later entry, whatever its kind.
                    for (std::size_t k = index + 1; k < list.size(); ++k) {
                        yes_to_all_.append(list[k].number);
                    }
                }
            }
            while (!fs::remove_file(target)) {
                if (!ctx_.ask_yes(msg::m11_old_not_deleted(target), msg::kAttention)) {
                    refuse(e, target);
                    return Step::next;
                }
            }
            claimed_.append(e.number);
        }
    } else if (e.part_mark == "1") {
        claimed_.append(e.number);
    }

    // Its memory is kept from block to block: read_block reads into every byte.
    Buffer& payload = payload_;
    if (number_value(e.payload_length).value_or(0) < 1) {
        payload.clear();
    } else {
        // A compressed payload is checked once unzipped, here, while no fetch is under way.
        const bool compressed = is_compressed(e);
        const BlockFetcher::Result got = fetcher_.take(index, e, offset, !compressed, payload);
        if (!compressed) fetch_after(index);
        switch (got.block) {
            case ContainerReader::Block::ok: break;
            case ContainerReader::Block::unreadable:
                return block_failed(e, target, msg::m13_block_unreadable(rp, cp_));
            case ContainerReader::Block::damaged:
                return block_failed(e, target, msg::m15_check(rp, cp_));
            case ContainerReader::Block::engine_error:
                fail(CipherEngine::error_message());
                return Step::stop;
        }
        if (compressed && !unzip_block(ctx_, rp, cp_, payload)) {
            if (ctx_.stop_requested()) {
                fs::remove_file(target);
                failed_ = 1;
                return Step::stop;
            }
            return block_failed(e, target, msg::m14_unzip(rp, cp_));
        }
        if (compressed ? !reader_.check_matches(e, payload) : !got.check_ok) {
            return block_failed(e, target, msg::m15_check(rp, cp_));
        }
    }

    const bool whole = e.part_mark == "0";
    if (!write_buffer(target, payload, whole, MoveMethod::end, 0)) {
        // Nothing half-written: what earlier blocks wrote goes too, and later blocks pass over.
        fs::remove_file(target);
        failed_list_.append(e.number);
        fail(msg::m16_not_saved(target));
    }
    return Step::next;
}

DecryptingRun::Step DecryptingRun::block_failed(const Entry& e, const std::string& target,
                                                const std::string& question) {
    fs::remove_file(target);
    failed_list_.append(e.number);
    failed_ = 1;
    return ctx_.ask_yes(question, msg::kWarning) ? Step::next : Step::stop;
}

void DecryptingRun::fetch_after(std::size_t index) {
    const auto& list = reader_.entries();
    for (std::size_t k = index + 1; k < list.size(); ++k) {
        if (!has_block(list[k])) continue;
        fetcher_.start(k, list[k], offsets_[k], !is_compressed(list[k]));
        return;
    }
}

void DecryptingRun::refuse(const Entry& e, const std::string& target) {
    refused_.append(e.number);
    fail(msg::m12_refused(target));
}

void DecryptingRun::finish() {
    fetcher_.wait_idle();  // nothing reads the container any more
    owner_.decrypting_failed = failed_;
    if (failed_ == 0 && job_.delete_container) {
        ctx_.report_text("Deleting file: " + cp_);
        ctx_.report_position(100);
        if (fs::exists(cp_)) {
            while (!owner_.services->move_to_trash(cp_)) {
                if (!ctx_.ask_yes(msg::m17_container_not_deleted(cp_), msg::kAttention)) break;
            }
        }
    }
    // Shown last in every case, also after a stop.
    ctx_.report_text("Decryption completed");
    ctx_.report_position(100);
}

}  // namespace

int decrypting_run(WorkerContext& context, ProgressDecrypting& job) {
    DecryptingRun(context, job).run();
    return 1;
}

}  // namespace vx
