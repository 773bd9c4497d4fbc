#include "options.h"

#include "output.h"

namespace vx::cli {

namespace {

bool is_option(const std::string& a) { return a.size() > 1 && a[0] == '-'; }

Command command_of(const std::string& name) {
    if (name == "crypt") return Command::crypt;
    if (name == "decrypt") return Command::decrypt;
    if (name == "list") return Command::list;
    if (name == "verify") return Command::verify;
    return Command::none;
}

class Parser {
public:
    explicit Parser(const std::vector<std::string>& args) : args_(args) {}

    Parsed run() {
        Parsed p;
        Options& o = p.options;
        if (args_.empty()) return fail(p, text::no_command());
        const std::string& first = args_[0];
        if (first == "--help" || first == "-h") {
            o.help = true;
            return p;
        }
        if (first == "--version") {
            o.version = true;
            return p;
        }
        if (is_option(first)) return fail(p, text::unknown_option(first));
        o.command = command_of(first);
        if (o.command == Command::none) return fail(p, text::unknown_command(first));

        bool options_end = false;
        for (i_ = 1; i_ < args_.size(); ++i_) {
            const std::string& a = args_[i_];
            if (options_end || !is_option(a)) {
                o.paths.push_back(a);
            } else if (a == "--") {
                options_end = true;
            } else if (!option(o, a, p.error)) {
                return p;
            }
        }
        if (o.help) return p;
        return check(p);
    }

private:
    static Parsed& fail(Parsed& p, const std::string& error) {
        p.error = error;
        return p;
    }

    bool takes(Command c, bool crypt, bool decrypt) const {
        return (c == Command::crypt && crypt) || (c == Command::decrypt && decrypt);
    }

    bool value(const std::string& name, std::optional<std::string>& into, std::string& error) {
        if (into) {
            error = text::given_twice(name);
            return false;
        }
        if (i_ + 1 >= args_.size()) {
            error = text::missing_value(name);
            return false;
        }
        into = args_[++i_];
        return true;
    }

    bool answer(Options& o, Preset a, const std::string& name, std::string& error) {
        if (o.answer != Preset::none && o.answer != a) {
            error = text::conflicting(answer_name_, name);
            return false;
        }
        o.answer = a;
        answer_name_ = name;
        return true;
    }

    bool option(Options& o, const std::string& a, std::string& error) {
        const Command c = o.command;
        if (a == "--help" || a == "-h") {
            o.help = true;
        } else if (a == "--quiet") {
            o.quiet = true;
        } else if (a == "--key-file") {
            return value(a, o.key_file, error);
        } else if (a.rfind("--key-file=", 0) == 0) {
            if (o.key_file) {
                error = text::given_twice("--key-file");
                return false;
            }
            o.key_file = a.substr(11);
        } else if (a == "-o" && takes(c, true, true)) {
            return value(a, o.output, error);
        } else if (a == "--zip" && takes(c, true, false)) {
            o.zip = true;
        } else if (a == "--delete-sources" && takes(c, true, false)) {
            o.delete_sources = true;
        } else if (a == "--email" && takes(c, true, false)) {
            o.email = true;
        } else if (a == "--delete-container" && takes(c, false, true)) {
            o.delete_container = true;
        } else if (a == "--yes" && takes(c, true, true)) {
            return answer(o, Preset::yes, a, error);
        } else if (a == "--yes-to-all" && takes(c, true, true)) {
            return answer(o, Preset::yes_to_all, a, error);
        } else if (a == "--no" && takes(c, true, true)) {
            return answer(o, Preset::no, a, error);
        } else {
            error = text::unknown_option(a);
            return false;
        }
        return true;
    }

    Parsed& check(Parsed& p) {
        const Options& o = p.options;
        if (o.delete_sources && o.email) {
            return fail(p, text::conflicting("--delete-sources", "--email"));
        }
        if (o.command == Command::crypt && o.paths.empty()) return fail(p, text::no_paths());
        if (o.command != Command::crypt && o.paths.size() != 1) {
            return fail(p, text::one_container());
        }
        for (const auto& path : o.paths) {
            if (path.empty()) return fail(p, text::empty_path());
        }
        if (o.output && o.output->empty()) return fail(p, text::missing_value("-o"));
        if (o.key_file && o.key_file->empty()) return fail(p, text::missing_value("--key-file"));
        return p;
    }

    const std::vector<std::string>& args_;
    std::size_t i_ = 0;
    std::string answer_name_;
};

}  // namespace

Parsed parse(const std::vector<std::string>& args) { return Parser(args).run(); }

}  // namespace vx::cli
