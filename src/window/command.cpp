#include "window/command.h"

#include "crypt/file_access.h"
#include "crypt/window_rules.h"

namespace vx::window {

Verdict check_command(const CommandFields& f) {
    using Then = Verdict::Then;
    auto command = command_of(f.caption);
    if (!command) return {Then::stop, msg::unknown_command()};
    if (f.source.empty()) return {Then::select_files, std::string(), *command};
    const bool decrypting = is_decrypting(*command);
    if (decrypting) {
        if (auto w = source_warning(f.source)) return {Then::stop, *w, *command};
    }
    if (auto w = key_warning(f.key, !decrypting)) return {Then::focus_key, *w, *command};
    if (f.target.empty()) return {Then::choose_target, msg::no_target(!decrypting), *command};
    return {Then::run, std::string(), *command};
}

ProgressCrypting crypting_job(RunOwner& window, Command command, const std::string& key,
                              bool zipping, const std::string& target) {
    ProgressCrypting job;
    job.window = &window;
    job.key = key;
    job.zipping = zipping ? 1 : 0;
    job.target = target;
    job.delete_sources = command == Command::crypt_delete ? 1 : 0;
    job.email = command == Command::crypt_email ? 1 : 0;
    return job;
}

ProgressDecrypting decrypting_job(RunOwner& window, Command command, const std::string& source,
                                  const std::string& target, const std::string& key) {
    ProgressDecrypting job;
    job.window = &window;
    job.container = source;
    job.target = target;
    job.key = key;
    job.delete_container = command == Command::decrypt_delete ? 1 : 0;
    return job;
}

Aftermath after_crypting(const RunEnd& e, const std::string& target) {
    Aftermath a;
    const bool went_through = !e.failed && !e.cancelled;
    if (went_through) {
        if (e.close_after_run) {
            a.close_window = true;
        } else {
            a.notice = msg::crypted_to(target);
        }
        return a;
    }
    if (e.declined) return a;
    a.remove_temporary = true;
    a.remove_target = e.failed && e.target_made_by_run;
    return a;
}

Aftermath after_decrypting(const RunEnd& e, const std::string& target) {
    Aftermath a;
    if (e.failed || e.cancelled) return a;
    if (e.close_after_run) {
        a.close_window = true;
    } else {
        a.notice = msg::decrypted_to(target);
    }
    return a;
}

bool TargetWatch::made_by_run() const {
    auto now = fs::identity(target_);
    return now && (!before_ || !(*now == *before_));
}

}  // namespace vx::window
