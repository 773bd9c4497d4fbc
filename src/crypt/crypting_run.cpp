#include "crypt/crypting_run.h"

#include <algorithm>
#include <cstdio>

#include "archive/archiver.h"
#include "crypt/container.h"
#include "crypt/file_access.h"
#include "crypt/messages.h"
#include "platform/fs.h"
#include "platform/path.h"

namespace vx {

std::string temporary_target(const std::string& target) {
    return path::folder(target) + "." + path::name(target) + "." +
           std::to_string(fs::process_id()) + ".tmp";
}

namespace {

std::string crypting_status(std::size_t i, std::size_t n, const std::string& p) {
    return "Crypting file " + std::to_string(i) + " of " + std::to_string(n) + ": " + p;
}

std::string megabytes(std::uint64_t end, std::uint64_t size) {
    char text[64];
    std::snprintf(text, sizeof text, " (%0.2f of %0.2f MB)", static_cast<double>(end) / 1048576.0,
                  static_cast<double>(size) / 1048576.0);
    return text;
}

int percent(std::size_t done, std::size_t n) { return static_cast<int>(100 * done / n); }

class CryptingRun {
public:
    CryptingRun(WorkerContext& context, ProgressCrypting& job)
        : ctx_(context), job_(job), owner_(*job.window), list_(owner_.file_list),
          target_(job.target), temp_(temporary_target(job.target)) {}

    void run();

private:
    enum class Result { done, failed, declined };

    Result write_container();
    bool add_item(std::size_t i, const std::string& p);
    bool add_block(std::size_t i, const std::string& p, const std::string& stored,
                   std::uint64_t start, std::uint64_t end, bool part);
    bool prepare_block(const std::string& p, std::uint64_t start, std::uint64_t end,
                       std::int32_t& check, std::uint32_t& payload_length);
    bool append(const Buffer& bytes);
    bool write_at_start(const std::string& row);
    Result take_target_name();
    bool verify();
    void delete_sources();
    void email();

    bool engine_failed() {
        ctx_.warn(CipherEngine::error_message());
        return false;
    }
    bool not_saved() {
        fs::remove_file(temp_);
        ctx_.warn(msg::not_saved(target_), msg::kWarning, Owner::main_window);
        return false;
    }
    bool critical() {
        ctx_.ask({msg::critical_error(), msg::kError, mb::kWarning, Owner::progress_dialog});
        return false;
    }

    WorkerContext& ctx_;
    ProgressCrypting& job_;
    RunOwner& owner_;
    const FileList& list_;
    const std::string target_;
    const std::string temp_;
    std::string base_;
    bool replace_ = false;
    InfoTextBuilder info_;
    std::uint64_t data_length_ = 0;
    Buffer plain_, zipped_;  // the block at hand
};

void CryptingRun::run() {
    Result r = list_.empty() ? Result::failed : write_container();
    if (r != Result::done) fs::remove_file(temp_);
    owner_.crypting_failed = r == Result::done ? 0 : 1;
    owner_.crypting_declined = r == Result::declined ? 1 : 0;
    if (r != Result::done) return;
    if (job_.delete_sources) {
        if (!verify()) {
            ctx_.warn(msg::not_verified(target_));
            owner_.crypting_failed = 1;
            return;
        }
        delete_sources();
    } else if (job_.email) {
        email();
    }
}

CryptingRun::Result CryptingRun::write_container() {
    const std::size_t n = list_.size();
    base_ = base_folder(list_.front());
    ctx_.report_text(msg::kPreparing);
    ctx_.report_position(0);

    if (fs::exists(target_)) {
        if (!ctx_.ask_yes(msg::target_exists(target_), msg::kAttention)) return Result::declined;
        replace_ = true;  // the old file goes only when the new one is complete
    }

    const Buffer placeholder(kFirstRowLength, ' ');
    if (!write_buffer(temp_, placeholder, true, MoveMethod::begin, 0)) {
        not_saved();
        return Result::failed;
    }

    for (std::size_t i = 1; i <= n; ++i) {
        if (ctx_.stop_requested()) return Result::failed;
        const std::string& p = list_[i - 1];
        ctx_.report_text(crypting_status(i, n, p));
        ctx_.report_position(percent(i - 1, n));
        if (!add_item(i, p)) return Result::failed;
    }
    if (data_length_ == 0) {
        critical();
        return Result::failed;
    }
    if (!write_at_start(first_service_row(owner_.several_entries != 0,
                                          static_cast<std::uint32_t>(data_length_)))) {
        return Result::failed;
    }
    ctx_.report_text("Crypting completed");
    ctx_.report_position(100);

    SealedInfo sealed;
    if (!seal_info(*owner_.engine, owner_.layer, job_.key, info_.text(), sealed)) {
        engine_failed();
        return Result::failed;
    }
    if (!fits_format(data_length_, sealed.row.size())) {
        critical();
        return Result::failed;
    }
    if (!append(Buffer(sealed.service_row.begin(), sealed.service_row.end())) ||
        !append(sealed.row)) {
        return Result::failed;
    }
    if (ctx_.stop_requested()) return Result::failed;
    return take_target_name();
}

bool CryptingRun::add_item(std::size_t i, const std::string& p) {
    auto attrs = fs::attributes(p);
    if (!attrs) {
        ctx_.warn(msg::path_not_found(p));
        return false;
    }
    auto stored = to_stored_path(relative_path(p, base_));
    if (!stored || !is_safe_relative_path(*stored)) {
        ctx_.warn(msg::name_not_storable(p));
        return false;
    }
    if (*attrs & fs::kDirectory) {
        info_.next_number();
        info_.add_folder(*stored);
        return true;
    }
    auto size = file_size(p);
    if (!size) {
        ctx_.warn(msg::size_unknown(p));
        return false;
    }
    info_.next_number();
    if (*size == 0) {
        info_.add_empty_file(*stored);
        return true;
    }
    if (*size <= kBlockSize) return add_block(i, p, *stored, 0, *size, false);
    for (std::uint64_t start = 0; start < *size; start += kBlockSize) {
        if (ctx_.stop_requested()) return false;
        std::uint64_t end = std::min<std::uint64_t>(start + kBlockSize, *size);
        ctx_.report_text(crypting_status(i, list_.size(), p) + megabytes(end, *size));
        if (!add_block(i, p, *stored, start, end, true)) return false;
    }
    return true;
}

bool CryptingRun::add_block(std::size_t, const std::string& p, const std::string& stored,
                            std::uint64_t start, std::uint64_t end, bool part) {
    std::int32_t check = 0;
    std::uint32_t payload_length = 0;
    if (!prepare_block(p, start, end, check, payload_length)) return false;
    const Buffer& block = job_.zipping ? zipped_ : plain_;
    if (!fits_format(data_length_ + block.size(), 0)) return critical();
    info_.add_block(stored, payload_length, static_cast<std::uint32_t>(block.size()), check, part,
                    job_.zipping != 0);
    if (!append(block)) return false;
    data_length_ += block.size();
    return true;
}

// Reads the part into plain_ (its memory is kept from block to block: every byte is read into,
// nothing is cleared first), takes its check value and seals it, zipped into zipped_ first when
// the run compresses.
bool CryptingRun::prepare_block(const std::string& p, std::uint64_t start, std::uint64_t end,
                                std::int32_t& check, std::uint32_t& payload_length) {
    plain_.resize(static_cast<std::size_t>(end - start));
    if (!read_part(p, plain_, start)) {
        ctx_.warn(msg::part_not_read(p));
        return false;
    }
    check = padded_check_value(*owner_.engine, plain_);
    if (job_.zipping && !zip_part(ctx_, p, plain_, zipped_)) return false;
    Buffer& block = job_.zipping ? zipped_ : plain_;
    payload_length = static_cast<std::uint32_t>(block.size());
    std::string key = job_.key;
    bool ok = seal(*owner_.engine, owner_.layer, key, block);
    wipe(key);
    return ok || engine_failed();
}

bool CryptingRun::append(const Buffer& bytes) {
    return write_buffer(temp_, bytes, false, MoveMethod::end, 0) || not_saved();
}

bool CryptingRun::write_at_start(const std::string& row) {
    return write_buffer(temp_, Buffer(row.begin(), row.end()), false, MoveMethod::begin, 0) ||
           not_saved();
}

CryptingRun::Result CryptingRun::take_target_name() {
    if (!replace_) {
        if (fs::rename(temp_, target_, false)) return Result::done;
        not_saved();
        return Result::failed;
    }
    while (!fs::rename(temp_, target_, true)) {
        if (!ctx_.ask_yes(msg::old_target_not_deleted(target_), msg::kAttention)) {
            return Result::declined;
        }
    }
    return Result::done;
}

bool CryptingRun::verify() {
    if (job_.before_verify) job_.before_verify(target_);
    const std::size_t n = list_.size();
    ContainerReader reader(*owner_.engine, owner_.layer, job_.key);
    if (reader.open(target_) != ContainerReader::Open::ok) return false;
    if (reader.info_text() != info_.text()) return false;

    std::uint64_t offset = 0;
    std::string last_number;
    Buffer payload;
    for (const Entry& e : reader.entries()) {
        if (ctx_.stop_requested()) return false;
        auto number = number_value(e.number);
        if (!number || *number < 1 || static_cast<std::size_t>(*number) > n) return false;
        const std::size_t i = static_cast<std::size_t>(*number);
        if (e.number != last_number) {
            ctx_.report_text("Verifying file " + std::to_string(i) + " of " + std::to_string(n) +
                             ": " + list_[i - 1]);
            ctx_.report_position(percent(i - 1, n));
            last_number = e.number;
        }
        if (!reader.is_sound(e, offset)) return false;
        if (!e.is_folder() && number_value(e.payload_length).value_or(0) > 0) {
            if (reader.read_block(e, offset, payload) != ContainerReader::Block::ok) return false;
            if (e.compression_mark == "1" &&
                !unzip_block(ctx_, from_stored_path(e.path), target_, payload)) {
                return false;
            }
            if (!reader.check_matches(e, payload)) return false;
        }
        offset += static_cast<std::uint64_t>(number_value(e.block_length).value_or(0));
    }
    return offset == data_length_;
}

void CryptingRun::delete_sources() {
    const std::size_t n = list_.size();
    for (std::size_t i = 1; i <= n; ++i) {
        if (ctx_.stop_requested()) return;
        const std::string& p = list_[i - 1];
        ctx_.report_text("Deleting file " + std::to_string(i) + " of " + std::to_string(n) + ": " +
                         p);
        ctx_.report_position(percent(i - 1, n));
        if (!fs::exists(p)) continue;  // below a folder that went before
        while (!owner_.services->move_to_trash(p)) {
            if (!ctx_.ask_yes(msg::source_not_deleted(p), msg::kAttention)) break;
        }
    }
    ctx_.report_text("Crypting and deleting completed");
    ctx_.report_position(100);
}

void CryptingRun::email() {
    ctx_.report_text("Emailing file: " + target_);
    ctx_.report_position(100);
    Services::Mail r =
        owner_.services->send_mail(target_, path::name(target_), ctx_.window_handle());
    if (r == Services::Mail::sent) {
        ctx_.report_text("Crypting and emailing completed");
        ctx_.report_position(100);
        fs::remove_file(target_);
        return;
    }
    ctx_.report_text("Crypting completed. Emailing failed");
    ctx_.report_position(100);
    ctx_.warn(r == Services::Mail::library_missing    ? msg::mail_library_missing(target_)
              : r == Services::Mail::function_missing ? msg::mail_function_missing(target_)
                                                      : msg::mail_failed(target_));
}

}  // namespace

int crypting_run(WorkerContext& context, ProgressCrypting& job) {
    CryptingRun(context, job).run();
    return 1;
}

}  // namespace vx
