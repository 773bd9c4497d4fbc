#include "archive/archiver.h"

#include "crypt/file_access.h"
#include "platform/fs.h"
#include "platform/path.h"
#include "platform/process.h"

namespace vx {

namespace {

// Every text the hand-off shows. A message is a head naming what failed, then the reason.
constexpr char kCaption[] = "Warning";
constexpr char kTryAgain[] = "\r\n\r\nTry again?";
constexpr char kDebug[] = "\r\n\r\n\r\n\r\nDEBUG:\r\n";

std::string zip_head(const std::string& name) {
    return "File '" + name + "' or its part cannot be zipped!\r\n\r\n";
}
std::string unzip_head(const std::string& name, const std::string& container) {
    return "File or block '" + name + "' inside '" + container + "' cannot be unzipped!\r\n\r\n";
}
std::string old_not_deleted(const std::string& file) {
    return "Old temp file '" + file + "' cannot be deleted.";
}
std::string not_saved(const std::string& file) {
    return "Temp file '" + file + "' cannot be saved.";
}
std::string not_read(const std::string& file) { return "Temp file '" + file + "' cannot be read."; }
std::string runtime_error(const std::string& archiver) {
    return "'" + archiver + "' runtime error.";
}

// The work folder of one attempt: made private to this process, removed again when it is empty.
class WorkFolder {
public:
    explicit WorkFolder(const std::string& path)
        : path_(path), made_(process::make_work_directory(path)) {}
    ~WorkFolder() {
        if (made_) fs::remove_directory(path_);
    }
    WorkFolder(const WorkFolder&) = delete;
    WorkFolder& operator=(const WorkFolder&) = delete;
    bool made() const { return made_; }

private:
    std::string path_;
    bool made_;
};

bool delete_if_there(const std::string& file) { return !fs::exists(file) || fs::remove_file(file); }

void delete_both(const ArchiverJob& job) {
    fs::remove_file(job.part_file);
    fs::remove_file(job.archive_file);
}

// Runs the archiver; a stop of the run ends it.
process::Result run_archiver(WorkerContext& context, const std::string& command) {
    return process::run_hidden(command, [&context] { return context.stop_requested(); });
}

// One unzip attempt. On 'retry' the reason (and any debug text) for the question are set.
enum class Attempt { done, retry, failed };

struct UnzipTrouble {
    std::string reason;
    std::string debug;
};

Attempt unzip_once(WorkerContext& context, const std::string& head, const ArchiverJob& job,
                   Buffer& block, UnzipTrouble& trouble) {
    WorkFolder folder(job.folder);
    if (!folder.made()) {
        trouble.reason = not_saved(job.archive_file);
        return Attempt::retry;
    }
    if (!delete_if_there(job.archive_file)) {
        trouble.reason = old_not_deleted(job.archive_file);
        return Attempt::retry;
    }
    if (!delete_if_there(job.part_file)) {
        trouble.reason = old_not_deleted(job.part_file);
        return Attempt::retry;
    }
    if (!write_buffer(job.archive_file, block, true, MoveMethod::begin, 0)) {
        fs::remove_file(job.archive_file);
        trouble.reason = not_saved(job.archive_file);
        return Attempt::retry;
    }
    process::Result run = run_archiver(context, job.unzip_command);
    if (run.end == process::End::not_started) {
        fs::remove_file(job.archive_file);
        trouble.reason = runtime_error(job.archiver);
        return Attempt::retry;
    }
    if (run.end == process::End::stopped) {
        delete_both(job);
        return Attempt::failed;
    }
    // The exit code is left to the caller's check value of the expanded bytes.
    if (!fs::exists(job.part_file)) {
        fs::remove_file(job.archive_file);
        trouble.reason = not_saved(job.part_file);
        trouble.debug = kDebug + run.output;
        return Attempt::retry;
    }
    block.clear();
    if (!read_buffer(job.part_file, block, true, MoveMethod::begin, 0)) {
        delete_both(job);
        context.ask({head + not_read(job.part_file), kCaption, mb::kWarning});
        return Attempt::failed;
    }
    delete_both(job);
    return Attempt::done;
}

}  // namespace

ArchiverSetup default_archiver_setup() {
    ArchiverSetup setup;
    setup.program = process::companion_program("7z");
    auto temp = fs::environment_variable("TEMP");
    setup.temp_directory = (temp && !temp->empty()) ? *temp : fs::temp_directory();
    return setup;
}

ArchiverJob archiver_job(const ArchiverSetup& setup) {
    ArchiverJob job;
    job.folder = path::add_trailing_separator(setup.temp_directory) + "Vaultrix-" +
                 std::to_string(fs::process_id());
    job.part_file = job.folder + path::kSeparator + "temp.part";
    job.archive_file = job.folder + path::kSeparator + "temp.part.zip";
    job.archiver = "\"" + setup.program + "\"";
    job.zip_command = job.archiver + " a -y \"" + job.archive_file + "\" \"" + job.part_file + "\"";
    job.unzip_command =
        job.archiver + " e -y -o\"" + job.folder + "\" \"" + job.archive_file + "\"";
    return job;
}

bool zip_part(WorkerContext& context, const std::string& name, const Buffer& input,
              Buffer& output, const ArchiverSetup& setup) {
    const ArchiverJob job = archiver_job(setup);
    auto warn = [&](const std::string& reason) {
        context.ask({zip_head(name) + reason, kCaption, mb::kWarning});
        return false;
    };

    WorkFolder folder(job.folder);
    if (!folder.made()) return warn(not_saved(job.part_file));
    if (!delete_if_there(job.part_file)) return warn(old_not_deleted(job.part_file));
    if (!delete_if_there(job.archive_file)) return warn(old_not_deleted(job.archive_file));
    if (!write_buffer(job.part_file, input, true, MoveMethod::begin, 0)) {
        fs::remove_file(job.part_file);
        return warn(not_saved(job.part_file));
    }
    process::Result run = run_archiver(context, job.zip_command);
    if (run.end == process::End::not_started) {
        fs::remove_file(job.part_file);
        return warn(runtime_error(job.archiver));
    }
    if (run.end == process::End::stopped) {
        delete_both(job);
        return false;
    }
    // An archive left by a failed run may lack the part; only a clean run's archive is kept.
    if (run.exit_code != 0 || !fs::exists(job.archive_file)) {
        delete_both(job);
        return warn(not_saved(job.archive_file));
    }
    if (!read_buffer(job.archive_file, output, true, MoveMethod::begin, 0)) {
        delete_both(job);
        return warn(not_read(job.archive_file));
    }
    delete_both(job);
    return true;
}

bool unzip_block(WorkerContext& context, const std::string& name, const std::string& container,
                 Buffer& block, const ArchiverSetup& setup) {
    const ArchiverJob job = archiver_job(setup);
    const std::string head = unzip_head(name, container);
    for (;;) {
        UnzipTrouble trouble;
        Attempt a = unzip_once(context, head, job, block, trouble);
        if (a != Attempt::retry) return a == Attempt::done;
        std::string question = head + trouble.reason + kTryAgain + trouble.debug;
        if (context.ask({question, kCaption, mb::kQuestion}) != Answer::yes) return false;
    }
}

}  // namespace vx
