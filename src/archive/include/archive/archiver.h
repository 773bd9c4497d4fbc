#pragma once
// The hand-off to the external archiver 7-Zip: a part of a file is zipped before it is crypted,
// and a block is unzipped after it is decrypted. The bytes go through two temporary files in a
// work folder of this process; the archiver runs as a hidden child process in between. Every
// problem is shown to the user through the worker context before the call returns false.
#include <string>

#include "platform/buffer.h"
#include "worker/context.h"

namespace vx {

// What the hand-off works with: the archiver program and the temporary directory.
struct ArchiverSetup {
    std::string program;         // full path of the archiver
    std::string temp_directory;  // the folder that holds the work folder
};

// The product's setup: the archiver beside the program ("7z.exe" on Windows; "7z" on POSIX, or
// the system's "/usr/bin/7z" when there is none beside it) and the "TEMP" folder (when "TEMP"
// is not set: "TMPDIR", then "/tmp" on POSIX; the system's temporary folder on Windows).
ArchiverSetup default_archiver_setup();

// The files and command lines of one hand-off.
struct ArchiverJob {
    std::string folder;        // temp directory + "Vaultrix-<process id>": private to this process
    std::string part_file;     // folder + "temp.part"
    std::string archive_file;  // folder + "temp.part.zip"
    std::string archiver;      // the program path in double quotes
    std::string zip_command;
    std::string unzip_command;
};

ArchiverJob archiver_job(const ArchiverSetup& setup);

// Zips 'input' and fills 'output' with the whole zip archive, which holds it as the single entry
// "temp.part". 'name' is the source file, named in the messages. On false the messages have been
// shown (none when the user stopped the run) and 'output' is undefined.
bool zip_part(WorkerContext& context, const std::string& name, const Buffer& input,
              Buffer& output, const ArchiverSetup& setup = default_archiver_setup());

// Unzips 'block', a zip archive holding the entry "temp.part", into the same buffer. 'name' and
// 'container' (the block's file and the container it comes from) are named in the messages; the
// user may ask for the whole operation again after most problems. On false 'block' is undefined.
bool unzip_block(WorkerContext& context, const std::string& name, const std::string& container,
                 Buffer& block, const ArchiverSetup& setup = default_archiver_setup());

}  // namespace vx
