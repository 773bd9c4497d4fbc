#include "crypt/file_list.h"

#include "crypt/messages.h"
#include "platform/fs.h"
#include "platform/path.h"

namespace vx {

std::string base_folder(const std::string& first) {
    if (path::ends_with_separator(first)) {
        // A folder: its parent, up to the last separator that is not its final character.
        for (std::size_t i = first.size() - 1; i-- > 0;) {
            if (path::is_separator(first[i])) return first.substr(0, i + 1);
        }
        return first.substr(0, 1);
    }
    return path::folder(first);
}

std::string relative_path(const std::string& entry, const std::string& base) {
    return entry.compare(0, base.size(), base) == 0 ? entry.substr(base.size()) : entry;
}

namespace {

void add(FileList& list, WorkerContext& context, const std::string& p, bool recurse,
         std::vector<fs::FileId>& ancestors) {
    // A cancelled walk ends here rather than by force, which could leave the list half-changed.
    if (context.stop_requested()) return;
    context.report_text("Selecting file: " + p);
    auto attrs = fs::attributes(p);
    if (!attrs) {
        context.warn(msg::path_not_found(p));
        return;
    }
    if (!recurse || !(*attrs & fs::kDirectory)) {
        list.push_back(p);
        return;
    }
    const std::string folder = path::add_trailing_separator(p);
    list.push_back(folder);

    // A link that leads back to a folder being walked is listed but not entered again.
    auto id = fs::identity(folder);
    if (id) {
        for (const auto& a : ancestors) {
            if (a == *id) return;
        }
    }

    fs::DirectoryReader reader;
    std::vector<std::string> names;
    bool listed = reader.open(folder);
    if (listed) {
        fs::DirEntry e;
        fs::DirectoryReader::Next n;
        while ((n = reader.next(e)) == fs::DirectoryReader::Next::entry) names.push_back(e.name);
        listed = n == fs::DirectoryReader::Next::end;
    }
    if (!listed) {
        context.warn(msg::folder_not_listed(folder));
        return;
    }
    if (id) ancestors.push_back(*id);
    for (const auto& name : names) {
        if (name == "." || name == "..") continue;
        add(list, context, folder + name, true, ancestors);
    }
    if (id) ancestors.pop_back();
}

}  // namespace

void add_path(FileList& list, WorkerContext& context, const std::string& p, bool recurse) {
    std::vector<fs::FileId> ancestors;
    add(list, context, p, recurse, ancestors);
}

bool same_folder_rule(const FileList& list, WorkerContext& context) {
    if (list.empty()) return true;
    const std::string base = base_folder(list.front());
    for (const auto& entry : list) {
        if (entry.compare(0, base.size(), base) != 0) {
            context.ask({msg::not_one_folder(), msg::kWarning, mb::kWarning, Owner::main_window});
            return false;
        }
    }
    return true;
}

}  // namespace vx
