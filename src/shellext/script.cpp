#include "script.h"

#include <cctype>
#include <cstddef>

namespace vx::shellext {

namespace {

struct Token {
    std::string text;
    bool quoted = false;
};

bool is_space(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool tokenize(const std::string& s, std::vector<Token>& out) {
    std::size_t i = 0;
    const std::size_t n = s.size();
    while (true) {
        while (i < n && is_space(s[i])) ++i;
        if (i == n) return true;
        Token t;
        if (s[i] == '\'') {
            t.quoted = true;
            for (++i;; ++i) {
                if (i == n) return false;  // no closing apostrophe
                if (s[i] != '\'') {
                    t.text += s[i];
                } else if (i + 1 < n && s[i + 1] == '\'') {
                    t.text += '\'';
                    ++i;
                } else {
                    ++i;
                    break;
                }
            }
        } else {
            while (i < n && !is_space(s[i]) && s[i] != '\'') t.text += s[i++];
        }
        // A quote glued to a word is a typing error, not a name.
        if (i < n && !is_space(s[i])) return false;
        out.push_back(std::move(t));
    }
}

bool same_word(const std::string& a, const char* b) {
    std::size_t i = 0;
    for (; i < a.size() && b[i]; ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return i == a.size() && b[i] == '\0';
}

bool substitute(const std::string& in, const Replacements& table, std::string& out) {
    out.clear();
    for (std::size_t i = 0; i < in.size();) {
        if (in[i] != '%') {
            out += in[i++];
            continue;
        }
        const std::size_t end = in.find('%', i + 1);
        if (end == std::string::npos) return false;
        const std::string name = in.substr(i + 1, end - i - 1);
        if (name.empty()) {
            out += '%';
        } else {
            auto found = table.find(name);
            if (found == table.end()) return false;
            out += found->second;
        }
        i = end + 1;
    }
    return true;
}

// Deeper nesting than this is not a registry script.
constexpr int kMaxDepth = 32;

class Parser {
  public:
    Parser(const std::vector<Token>& tokens, const Replacements& table)
        : tokens_(tokens), table_(table) {}

    bool script(std::vector<ScriptKey>& roots) {
        while (pos_ < tokens_.size()) {
            ScriptKey root;
            if (!name(root.name) || !symbol("{") || !body(root, 1)) return false;
            roots.push_back(std::move(root));
        }
        return !roots.empty();
    }

  private:
    bool at(const char* word) const {
        return pos_ < tokens_.size() && !tokens_[pos_].quoted &&
               same_word(tokens_[pos_].text, word);
    }
    bool symbol(const char* s) {
        if (pos_ >= tokens_.size() || tokens_[pos_].quoted || tokens_[pos_].text != s) return false;
        ++pos_;
        return true;
    }
    bool is_symbol() const {
        const Token& t = tokens_[pos_];
        return !t.quoted && (t.text == "{" || t.text == "}" || t.text == "=");
    }
    bool name(std::string& out) {
        if (pos_ >= tokens_.size() || is_symbol()) return false;
        if (!substitute(tokens_[pos_++].text, table_, out)) return false;
        return !out.empty() && out.find('\\') == std::string::npos;
    }
    // "= s '...'"
    bool string_value(std::string& out) {
        if (!symbol("=") || !at("s")) return false;
        ++pos_;
        if (pos_ >= tokens_.size() || !tokens_[pos_].quoted) return false;
        return substitute(tokens_[pos_++].text, table_, out);
    }
    // The inside of a key, after its "{".
    bool body(ScriptKey& key, int depth) {
        if (depth > kMaxDepth) return false;
        while (true) {
            if (pos_ >= tokens_.size()) return false;
            if (symbol("}")) return true;
            if (at("val")) {
                ++pos_;
                ScriptValue v;
                if (!name(v.name) || !string_value(v.data)) return false;
                key.values.push_back(std::move(v));
                continue;
            }
            ScriptKey sub;
            if (at("NoRemove")) {
                sub.kind = ScriptKey::Kind::no_remove;
                ++pos_;
            } else if (at("ForceRemove")) {
                sub.kind = ScriptKey::Kind::force_remove;
                ++pos_;
            }
            if (!name(sub.name)) return false;
            if (pos_ < tokens_.size() && !tokens_[pos_].quoted && tokens_[pos_].text == "=") {
                ScriptValue v;
                if (!string_value(v.data)) return false;
                sub.values.push_back(std::move(v));
            }
            if (symbol("{") && !body(sub, depth + 1)) return false;
            key.keys.push_back(std::move(sub));
        }
    }

    const std::vector<Token>& tokens_;
    const Replacements& table_;
    std::size_t pos_ = 0;
};

}  // namespace

std::optional<std::vector<ScriptKey>> parse_script(const std::string& text,
                                                   const Replacements& replacements) {
    std::vector<Token> tokens;
    if (!tokenize(text, tokens)) return std::nullopt;
    std::vector<ScriptKey> roots;
    if (!Parser(tokens, replacements).script(roots)) return std::nullopt;
    return roots;
}

}  // namespace vx::shellext
