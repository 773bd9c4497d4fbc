#pragma once
// The selection: an ordered list of full paths, all from one folder. A folder is an entry of its
// own ending in the separator, followed by everything found below it.
#include <string>
#include <vector>

#include "worker/context.h"

namespace vx {

using FileList = std::vector<std::string>;

// The folder the relative paths are taken from, derived from the first entry: for a folder its
// parent (up to and including the last separator that is not its final character; its first
// character when there is none), for a file its drive and folder part.
std::string base_folder(const std::string& first_entry);

// The entry with the base folder cut off its front.
std::string relative_path(const std::string& entry, const std::string& base);

// Adds 'path' to the list: a folder (when 'recurse') as its own entry ending in one separator,
// then everything below it depth first in listing order, hidden entries included; anything else
// as it is. A missing path or a folder that cannot be listed is reported to the user and passed
// over. A folder reached again through a link below itself is not entered a second time. Once a
// stop is requested nothing more is added.
void add_path(FileList& list, WorkerContext& context, const std::string& path, bool recurse);

// Every entry must start with the base folder of the first one. Shows the one-folder warning
// (owned by the main window) and answers false otherwise; an empty list passes.
bool same_folder_rule(const FileList& list, WorkerContext& context);

}  // namespace vx
