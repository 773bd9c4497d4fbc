#include "commands.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <thread>
#include <utility>
#include <vector>

#include "archive/archiver.h"
#include "console.h"
#include "crypt/container.h"
#include "crypt/crypting_run.h"
#include "crypt/decrypting_run.h"
#include "crypt/file_access.h"
#include "crypt/file_list.h"
#include "crypt/messages.h"
#include "crypt/run_owner.h"
#include "crypt/window_rules.h"
#include "crypt/wipe.h"
#include "output.h"
#include "paths.h"
#include "platform/file.h"
#include "platform/fs.h"
#include "platform/path.h"
#include "platform/terminal.h"

namespace vx::cli {

namespace {

using terminal::Stream;

// Watches for Ctrl-C on a thread of its own. While nothing has been written yet (the selection)
// the program ends at once; during a run the stop flag is raised and the run ends as a cancelled
// run ends.
class InterruptWatch {
public:
    InterruptWatch(TerminalContext& context, Console& console)
        : context_(context), console_(console), thread_([this] { watch(); }) {}
    ~InterruptWatch() {
        end_ = true;
        thread_.join();
    }
    InterruptWatch(const InterruptWatch&) = delete;
    InterruptWatch& operator=(const InterruptWatch&) = delete;

    void exit_at_once(bool on) { at_once_ = on; }

private:
    void watch() {
        while (!end_) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            if (!terminal::interrupted()) continue;
            if (at_once_) {
                console_.clear_status();
                std::_Exit(kStopped);
            }
            context_.request_stop();
        }
    }

    TerminalContext& context_;
    Console& console_;
    std::atomic<bool> end_{false};
    std::atomic<bool> at_once_{false};
    std::thread thread_;
};

// The system's services, noting what did not happen: a source or container left in place, a
// mail not handed over. The runs count those as done; vx reports them in its exit status.
class NotingServices : public Services {
public:
    bool move_to_trash(const std::string& path) override {
        bool ok = Services::move_to_trash(path);
        if (ok) {
            left_.erase(std::remove(left_.begin(), left_.end(), path), left_.end());
        } else if (std::find(left_.begin(), left_.end(), path) == left_.end()) {
            left_.push_back(path);
        }
        return ok;
    }
    Mail send_mail(const std::string& file, const std::string& subject,
                   std::uintptr_t parent) override {
        Mail r = Services::send_mail(file, subject, parent);
        mail_failed_ = r != Mail::sent;
        return r;
    }
    bool incomplete() const { return !left_.empty() || mail_failed_; }

private:
    std::vector<std::string> left_;
    bool mail_failed_ = false;
};

// Forgets what the status line was told of a run's bytes when the run's state goes.
class Measuring {
public:
    explicit Measuring(TerminalContext& context) : context_(context) {}
    ~Measuring() { context_.measure(0, nullptr); }
    Measuring(const Measuring&) = delete;
    Measuring& operator=(const Measuring&) = delete;

private:
    TerminalContext& context_;
};

struct Session {
    explicit Session(const Options& o)
        : options(o), console(o.quiet), context(console, o.answer), watch(context, console) {}

    const Options& options;
    Console console;
    TerminalContext context;
    InterruptWatch watch;
};

bool load_engine(CipherEngine& engine, Console& console) {
    switch (engine.load()) {
        case CipherEngine::Status::ok: return true;
        case CipherEngine::Status::not_found:
            console.message(msg::kWarning, CipherEngine::not_found_message());
            return false;
        case CipherEngine::Status::broken: break;
    }
    console.message(msg::kWarning, CipherEngine::error_message());
    return false;
}

// The first line of a key file, without its line end.
bool read_key_file(const std::string& file, std::string& key) {
    File f;
    if (!f.open(file, File::Access::read_shared, File::Disposition::open_existing)) return false;
    std::string bytes(4096, '\0');
    std::size_t got = 0;
    if (!f.read(bytes.data(), bytes.size(), got)) {
        wipe(bytes);
        return false;
    }
    bytes.resize(got);
    std::size_t end = bytes.find('\n');
    key = bytes.substr(0, end);
    if (!key.empty() && key.back() == '\r') key.pop_back();
    wipe(bytes);
    return true;
}

// The key from --key-file, VX_KEY or the terminal, checked. kDone when 'key' holds a sound key,
// else the exit status.
int obtain_key(Session& s, bool crypting, std::string& key) {
    key.clear();
    if (s.options.key_file) {
        const std::string file = absolute_path(*s.options.key_file);
        if (!read_key_file(file, key)) {
            s.console.message(msg::kWarning, text::key_file_unreadable(file));
            return kUsage;
        }
    } else if (auto env = fs::environment_variable("VX_KEY")) {
        key = *env;
        wipe(*env);
    } else if (terminal::is_terminal(Stream::input) && terminal::is_terminal(Stream::error)) {
        // Asked only where the prompt can be seen: questions go to standard error.
        s.console.prompt(text::key_prompt(crypting));
        std::optional<std::string> line = terminal::read_line(false);
        s.console.prompt("\n");
        if (s.context.poll_interrupt()) {
            s.console.notice(msg::kAttention, text::stopped());
            return kStopped;
        }
        if (line) {
            key = *line;
            wipe(*line);
        }
    }
    if (auto warning = key_warning(key, crypting)) {
        wipe(key);
        s.console.message(msg::kWarning, *warning);
        return kUsage;
    }
    return kDone;
}

std::string open_message(ContainerReader::Open r, const std::string& cp) {
    switch (r) {
        case ContainerReader::Open::ok: break;
        case ContainerReader::Open::missing: return msg::m1_missing(cp);
        case ContainerReader::Open::unreadable: return msg::m2_unreadable(cp);
        case ContainerReader::Open::service_row_1: return msg::m3_service_row_1(cp);
        case ContainerReader::Open::service_row_2: return msg::m4_service_row_2(cp);
        case ContainerReader::Open::info_check: return msg::m5_info_check(cp);
        case ContainerReader::Open::version: return msg::m6_version(cp);
        case ContainerReader::Open::no_entry: return msg::m7_no_entry(cp);
        case ContainerReader::Open::engine_error: return CipherEngine::error_message();
    }
    return std::string();
}

std::uint64_t block_length_of(const Entry& e) {
    auto n = number_value(e.block_length);
    return n && *n > 0 ? static_cast<std::uint64_t>(*n) : 0;
}

text::Totals totals_of(const std::vector<Entry>& entries, std::uint64_t data_length) {
    text::Totals t;
    t.entries = entries.size();
    t.bytes = data_length;
    const std::string* last_file = nullptr;
    for (const Entry& e : entries) {
        if (e.is_folder()) {
            ++t.folders;
            last_file = nullptr;
            continue;
        }
        if (!last_file || *last_file != e.number || e.part_mark != "1") ++t.files;
        last_file = &e.number;
        if (number_value(e.payload_length).value_or(0) > 0) ++t.blocks;
    }
    return t;
}

// --- what the status line knows of a run's bytes ----------------------------------------------

// The number after 'head' at the front of 'text', and where the text goes on after " of N: ".
bool counter_of(const std::string& text, const std::string& head, std::size_t& number,
                std::size_t& rest) {
    if (text.compare(0, head.size(), head) != 0) return false;
    char* end = nullptr;
    unsigned long n = std::strtoul(text.c_str() + head.size(), &end, 10);
    std::size_t at = text.find(": ", static_cast<std::size_t>(end - text.c_str()));
    if (at == std::string::npos) return false;
    number = n;
    rest = at + 2;
    return true;
}

// "Crypting file i of n: P", with " (a of b MB)" for the blocks of a large file.
void measure_crypting(TerminalContext& context, const FileList& list) {
    std::vector<std::uint64_t> prefix(1, 0);
    for (const auto& p : list) {
        std::uint64_t size = path::ends_with_separator(p) ? 0 : file_size(p).value_or(0);
        prefix.push_back(prefix.back() + size);
    }
    const std::uint64_t total = prefix.back();
    context.measure(total, [&list, prefix = std::move(prefix)](const std::string& t)
                               -> std::optional<std::uint64_t> {
        if (t == "Crypting completed") return prefix.back();
        std::size_t i = 0;
        std::size_t rest = 0;
        if (!counter_of(t, "Crypting file ", i, rest) || i < 1 || i > list.size()) {
            return std::nullopt;
        }
        std::uint64_t done = prefix[i - 1];
        const std::string& p = list[i - 1];
        if (t.compare(rest, p.size(), p) == 0) {
            double end = 0;
            double size = 0;
            if (std::sscanf(t.c_str() + rest + p.size(), " (%lf of %lf MB)", &end, &size) == 2) {
                auto end_bytes = static_cast<std::uint64_t>(std::llround(end * 1048576.0));
                if (end_bytes > 0) done += (end_bytes - 1) / kBlockSize * kBlockSize;
            }
        }
        return done;
    });
}

// "Decrypting block e of N: ..." over the entries' block lengths.
void measure_decrypting(TerminalContext& context, CipherEngine& engine, const CCodeStr& layer,
                        const std::string& key, const std::string& container) {
    ContainerReader reader(engine, layer, key);
    if (reader.open(container) != ContainerReader::Open::ok) return;  // the run will tell
    std::vector<std::uint64_t> prefix(1, 0);
    for (const Entry& e : reader.entries()) prefix.push_back(prefix.back() + block_length_of(e));
    const std::uint64_t total = prefix.back();
    context.measure(total, [prefix = std::move(prefix)](const std::string& t)
                               -> std::optional<std::uint64_t> {
        if (t == "Decryption completed") return prefix.back();
        std::size_t e = 0;
        std::size_t rest = 0;
        if (!counter_of(t, "Decrypting block ", e, rest) || e < 1 || e >= prefix.size()) {
            return std::nullopt;
        }
        return prefix[e - 1];
    });
}

// --- crypt ------------------------------------------------------------------------------------

// Where the container must not go: over one of the files it is made of, or, when the sources
// are deleted or mailed away afterwards, into one of the selected folders.
std::optional<std::string> target_conflict(const FileList& list, const std::string& target,
                                           bool sources_go) {
    const auto target_id = fs::identity(target);
    std::vector<std::pair<fs::FileId, std::string>> folders;
    for (const auto& e : list) {
        if (path::ends_with_separator(e)) {
            if (!sources_go) continue;
            if (auto id = fs::identity(e)) folders.emplace_back(*id, e);
        } else if (target_id) {
            auto id = fs::identity(e);
            if (id && *id == *target_id) return text::target_is_source(target);
        }
    }
    for (std::string f = path::folder(target); !f.empty();) {
        if (auto id = fs::identity(f)) {
            for (const auto& [folder_id, entry] : folders) {
                if (folder_id == *id) return text::target_inside_source(target, entry);
            }
        }
        std::string up = path::folder(f);
        if (up == f) break;
        f = up;
    }
    return std::nullopt;
}

int crypt(Session& s) {
    const Options& o = s.options;
    CipherEngine engine;
    if (!load_engine(engine, s.console)) return kFailed;

    std::vector<std::string> tops;
    for (const auto& p : o.paths) tops.push_back(absolute_path(p));

    // The selection: folders walked, every item reported; nothing is written yet, so Ctrl-C
    // simply ends the program.
    FileList list;
    s.watch.exit_at_once(true);
    for (const auto& t : tops) add_path(list, s.context, t, true);
    s.watch.exit_at_once(false);
    s.console.clear_status();
    if (s.context.warnings() > 0) {
        s.console.message(msg::kWarning, text::selection_incomplete());
        return kFailed;
    }
    if (!same_folder_rule(list, s.context)) return kUsage;

    const std::string target =
        o.output ? absolute_path(*o.output) : default_target(tops.front(), tops.size(), true);
    if (fs::is_directory(target)) {
        s.console.message(msg::kWarning, text::target_is_folder(target));
        return kUsage;
    }
    if (auto conflict = target_conflict(list, target, o.delete_sources || o.email)) {
        s.console.message(msg::kWarning, *conflict);
        return kUsage;
    }

    std::string key;
    if (int r = obtain_key(s, true, key)) return r;

    NotingServices services;
    RunOwner owner;
    owner.file_list = std::move(list);
    owner.several_entries = tops.size() > 1 ? 1 : 0;
    owner.engine = &engine;
    owner.services = &services;
    Measuring measuring(s.context);
    if (s.console.shows_status()) measure_crypting(s.context, owner.file_list);

    ProgressCrypting job;
    job.window = &owner;
    job.key = key;
    wipe(key);
    job.zipping = o.zip ? 1 : 0;
    job.target = target;
    job.delete_sources = o.delete_sources ? 1 : 0;
    job.email = o.email ? 1 : 0;
    crypting_run(s.context, job);
    wipe(job.key);
    s.console.clear_status();

    const bool stopped = s.context.poll_interrupt();
    if (owner.crypting_failed == 0) s.console.notice(msg::kAttention, msg::crypted_to(target));
    if (stopped) {
        s.console.notice(msg::kAttention, text::stopped());
        return kStopped;
    }
    if (owner.crypting_declined) return kDeclined;
    if (owner.crypting_failed || services.incomplete()) return kFailed;
    return kDone;
}

// --- decrypt ----------------------------------------------------------------------------------

int decrypt(Session& s) {
    const Options& o = s.options;
    CipherEngine engine;
    if (!load_engine(engine, s.console)) return kFailed;

    const std::string container = absolute_path(o.paths.front());
    if (auto warning = source_warning(container)) {
        s.console.message(msg::kWarning, *warning);
        return kFailed;
    }
    const std::string target =
        o.output ? absolute_path(*o.output) : default_target(container, 1, false);

    std::string key;
    if (int r = obtain_key(s, false, key)) return r;

    NotingServices services;
    RunOwner owner;
    owner.engine = &engine;
    owner.services = &services;
    Measuring measuring(s.context);
    if (s.console.shows_status()) {
        s.context.report_text(msg::kPreparing);
        measure_decrypting(s.context, engine, owner.layer, key, container);
    }

    ProgressDecrypting job;
    job.window = &owner;
    job.container = container;
    job.target = target;
    job.key = key;
    wipe(key);
    job.delete_container = o.delete_container ? 1 : 0;
    decrypting_run(s.context, job);
    wipe(job.key);
    s.console.clear_status();

    if (s.context.poll_interrupt()) {
        s.console.notice(msg::kAttention, text::stopped());
        return kStopped;
    }
    if (owner.decrypting_failed) return kFailed;
    s.console.notice(msg::kAttention, msg::decrypted_to(target));
    return services.incomplete() ? kFailed : kDone;
}

// --- list and verify --------------------------------------------------------------------------

// Opens the container named on the command line with a key from the user. kDone when 'reader'
// holds it, else the exit status.
int open_container(Session& s, CipherEngine& engine, std::unique_ptr<ContainerReader>& reader,
                   const CCodeStr& layer, std::string& container) {
    if (!load_engine(engine, s.console)) return kFailed;
    container = absolute_path(s.options.paths.front());
    if (auto warning = source_warning(container)) {
        s.console.message(msg::kWarning, *warning);
        return kFailed;
    }
    std::string key;
    if (int r = obtain_key(s, false, key)) return r;
    reader = std::make_unique<ContainerReader>(engine, layer, key);
    wipe(key);
    s.context.report_text(msg::kPreparing);
    ContainerReader::Open r = reader->open(container);
    s.console.clear_status();
    if (r != ContainerReader::Open::ok) {
        s.console.message(msg::kWarning, open_message(r, container));
        return kFailed;
    }
    return kDone;
}

int list(Session& s) {
    CipherEngine engine;
    CCodeStr layer;
    std::unique_ptr<ContainerReader> reader;
    std::string container;
    if (int r = open_container(s, engine, reader, layer, container)) return r;

    std::string out = text::list_header();
    for (const Entry& e : reader->entries()) {
        out += text::list_row(e.number, e.kind, e.payload_length, e.block_length, e.part_mark,
                              e.compression_mark, from_stored_path(e.path));
    }
    out += text::list_summary(container, totals_of(reader->entries(), reader->data_length()),
                              several_entries_mark(container));
    s.console.out(out);
    return kDone;
}

// Which block of its file every entry is, and of how many (0 of 0 for folders and one-block
// files).
void block_numbers(const std::vector<Entry>& entries, std::vector<std::size_t>& number,
                   std::vector<std::size_t>& count) {
    const std::size_t n = entries.size();
    number.assign(n, 0);
    count.assign(n, 0);
    for (std::size_t k = 0; k < n;) {
        std::size_t end = k + 1;
        if (!entries[k].is_folder() && entries[k].part_mark == "1") {
            while (end < n && entries[end].number == entries[k].number &&
                   !entries[end].is_folder() && entries[end].part_mark == "1") {
                ++end;
            }
            for (std::size_t j = k; j < end; ++j) {
                number[j] = j - k + 1;
                count[j] = end - k;
            }
        }
        k = end;
    }
}

int verify(Session& s) {
    CipherEngine engine;
    CCodeStr layer;
    std::unique_ptr<ContainerReader> reader_ptr;
    std::string cp;
    if (int r = open_container(s, engine, reader_ptr, layer, cp)) return r;
    const ContainerReader& reader = *reader_ptr;

    const std::vector<Entry>& entries = reader.entries();
    const text::Totals totals = totals_of(entries, reader.data_length());
    std::vector<std::size_t> block, blocks;
    block_numbers(entries, block, blocks);

    std::uint64_t offset = 0;
    Measuring measuring(s.context);
    s.context.measure(totals.bytes, [&offset](const std::string&) { return offset; });
    std::size_t damaged = 0;
    bool engine_failed = false;
    Buffer payload;  // one buffer for every block, wiped at the end
    for (std::size_t k = 0; k < entries.size() && !engine_failed; ++k) {
        if (s.context.poll_interrupt()) break;
        const Entry& e = entries[k];
        const std::string rp = from_stored_path(e.path);
        s.context.report_text(text::verifying(k + 1, entries.size(), rp));

        std::string reason;
        if (!reader.is_sound(e, offset)) {
            reason = text::reason_unsound();
        } else if (!e.is_folder() && number_value(e.payload_length).value_or(0) > 0) {
            switch (reader.read_block(e, offset, payload)) {
                case ContainerReader::Block::ok: break;
                case ContainerReader::Block::unreadable: reason = text::reason_unreadable(); break;
                case ContainerReader::Block::damaged: reason = text::reason_unsound(); break;
                case ContainerReader::Block::engine_error: engine_failed = true; continue;
            }
            if (reason.empty() && e.compression_mark == "1" &&
                !unzip_block(s.context, rp, cp, payload)) {
                if (s.context.poll_interrupt()) break;
                reason = text::reason_unzip();
            }
            if (reason.empty() && !reader.check_matches(e, payload)) {
                reason = text::reason_check_value();
            }
        }
        if (!reason.empty()) {
            ++damaged;
            s.console.out(text::damaged_entry(e.number, block[k], blocks[k], rp, reason));
        }
        offset += block_length_of(e);
    }
    payload.resize(payload.capacity());  // earlier, longer blocks too
    wipe(payload);
    s.console.clear_status();
    if (engine_failed) {
        s.console.message(msg::kWarning, CipherEngine::error_message());
        return kFailed;
    }
    if (s.context.poll_interrupt()) {
        s.console.notice(msg::kAttention, text::stopped());
        return kStopped;
    }

    // The container as a whole: every byte of the data area belongs to a block, and the file
    // ends with the info row.
    bool whole_damaged = false;
    if (offset < reader.data_length()) {
        s.console.out(text::unused_data(reader.data_length() - offset));
        whole_damaged = true;
    }
    Buffer row(kSecondRowLength);
    const std::uint64_t row_at = kDataStart + reader.data_length();
    if (read_part(cp, row, row_at)) {
        auto c = number_value(trim_spaces(std::string(row.begin(), row.begin() + 10)));
        const std::uint64_t end = row_at + kSecondRowLength + (c && *c > 0 ? *c : 0);
        if (reader.container_size() > end) {
            s.console.out(text::trailing_bytes(reader.container_size() - end));
            whole_damaged = true;
        }
    }
    if (!s.console.quiet()) s.console.out(text::verify_summary(cp, totals, damaged));
    return damaged > 0 || whole_damaged ? kFailed : kDone;
}

}  // namespace

int run(const Options& o) {
    if (o.version) {
        terminal::write(Stream::output, text::version());
        return kDone;
    }
    if (o.help) {
        std::string help = o.command == Command::crypt     ? text::crypt_help()
                           : o.command == Command::decrypt ? text::decrypt_help()
                           : o.command == Command::list    ? text::list_help()
                           : o.command == Command::verify  ? text::verify_help()
                                                           : text::usage();
        terminal::write(Stream::output, help);
        return kDone;
    }
    Session s(o);
    switch (o.command) {
        case Command::crypt: return crypt(s);
        case Command::decrypt: return decrypt(s);
        case Command::list: return list(s);
        case Command::verify: return verify(s);
        case Command::none: break;
    }
    return kUsage;
}

}  // namespace vx::cli
