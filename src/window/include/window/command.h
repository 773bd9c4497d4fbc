#pragma once
// The command button: the checks that come before a run, in the order the user meets them, the
// job records the runs are given, and what the window does once a run is over.
#include <optional>
#include <string>

#include "crypt/crypting_run.h"
#include "crypt/decrypting_run.h"
#include "platform/fs.h"
#include "window/mode.h"

namespace vx::window {

// What the window reads when the command button is pressed.
struct CommandFields {
    std::string caption;  // cb_Crypt
    std::string source;   // tb_File
    std::string key;      // tb_Key
    std::string target;   // tb_Result
};

struct Verdict {
    enum class Then {
        run,            // every check passed: run 'command'
        select_files,   // nothing selected: the Select button's file selection instead
        stop,           // after the warning, nothing more
        focus_key,      // after the warning, the key box takes the focus
        choose_target,  // after the warning, the target chooser opens ("Change")
    };
    Then then = Then::stop;
    std::string warning;  // shown first (caption "Warning", owned by the window); empty for none
    Command command = Command::crypt;
};

// The checks, in order: a caption that is no command; nothing selected; for decrypting, a
// container that is missing or whose size cannot be determined; an empty key; a key that is not
// 8 digits; an empty target.
Verdict check_command(const CommandFields& fields);

// The progress dialogs' titles ("Derypting" is the product's own spelling).
inline constexpr const char* kCryptingTitle = "Crypting progress";
inline constexpr const char* kDecryptingTitle = "Derypting progress";
inline constexpr const char* kSelectingTitle = "Selecting progress";

ProgressCrypting crypting_job(RunOwner& window, Command command, const std::string& key,
                              bool zipping, const std::string& target);
ProgressDecrypting decrypting_job(RunOwner& window, Command command, const std::string& source,
                                  const std::string& target, const std::string& key);

// How a run ended, as the window sees it once the worker is gone.
struct RunEnd {
    bool failed = false;     // the run's failure flag
    bool declined = false;   // crypting: the user said No to replacing the target
    bool cancelled = false;  // the progress dialog's stop flag
    bool close_after_run = false;
    // Crypting: the file at the target is the one this run made (nothing was there before, or
    // something else was and the run replaced it).
    bool target_made_by_run = false;
};

// What the window does next.
struct Aftermath {
    bool close_window = false;      // a shell request that went through: the program ends
    std::string notice;             // a completion notice ("Attention", information icon)
    bool remove_temporary = false;  // what a stopped or failed crypting run may have left
    bool remove_target = false;     // a container this run made but could not vouch for
};

// A crypting run. The window closes only after a run that neither failed nor was cancelled. A
// run that failed or was cancelled may leave its temporary file (when it was ended by force),
// and that goes; the target goes only when this run wrote it and then failed (its container
// could not be verified), never when it is the user's own file, and never after a run the user
// cancelled once the container was complete (its sources may be gone by then). A declined run
// changes nothing and shows nothing.
Aftermath after_crypting(const RunEnd& end, const std::string& target);

// A decrypting run: the completion notice only after a run that did not fail and was not
// cancelled (the run has shown its own messages otherwise).
Aftermath after_decrypting(const RunEnd& end, const std::string& target);

// Notes what stands at a target before a run, to tell afterwards whether the file there is the
// one the run made.
class TargetWatch {
public:
    explicit TargetWatch(const std::string& target)
        : target_(target), before_(fs::identity(target)) {}
    bool made_by_run() const;

private:
    std::string target_;
    std::optional<fs::FileId> before_;
};

}  // namespace vx::window
