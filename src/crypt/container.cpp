#include "crypt/container.h"

#include <cinttypes>
#include <cstdio>

#include "crypt/file_access.h"
#include "crypt/wipe.h"
#include "platform/fs.h"
#include "platform/path.h"

namespace vx {

// --- texts and buffers ------------------------------------------------------------------------

void zero_pad(Buffer& buffer, std::size_t n) {
    std::size_t rest = buffer.size() % n;
    if (rest != 0) buffer.resize(buffer.size() + (n - rest), 0);
}

bool is_number_text(const std::string& text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c >= '0' && c <= '9') continue;
        if (c == '-' && i == 0 && text.size() >= 2) continue;
        return false;
    }
    return true;
}

std::string trim_spaces(const std::string& text) {
    std::size_t b = text.find_first_not_of(' ');
    if (b == std::string::npos) return std::string();
    std::size_t e = text.find_last_not_of(' ');
    return text.substr(b, e - b + 1);
}

namespace {

// The magnitude of a number text and its sign; none when it is no number text or exceeds 2^32.
bool parse_number(const std::string& text, bool& negative, std::uint64_t& magnitude) {
    if (!is_number_text(text)) return false;
    negative = !text.empty() && text[0] == '-';
    magnitude = 0;
    for (std::size_t i = negative ? 1 : 0; i < text.size(); ++i) {
        magnitude = magnitude * 10 + static_cast<std::uint64_t>(text[i] - '0');
        if (magnitude > 0xFFFFFFFFull) return false;
    }
    return true;
}

}  // namespace

std::optional<std::int32_t> number_value(const std::string& text) {
    bool negative = false;
    std::uint64_t m = 0;
    if (!parse_number(text, negative, m)) return std::nullopt;
    if (negative ? m > 0x80000000ull : m > 0x7FFFFFFFull) return std::nullopt;
    return negative ? static_cast<std::int32_t>(-static_cast<std::int64_t>(m))
                    : static_cast<std::int32_t>(m);
}

std::optional<std::uint32_t> unsigned_value(const std::string& text) {
    bool negative = false;
    std::uint64_t m = 0;
    if (!parse_number(text, negative, m)) return std::nullopt;
    std::uint32_t v = static_cast<std::uint32_t>(m);
    return negative ? static_cast<std::uint32_t>(0u - v) : v;
}

// --- relative paths ---------------------------------------------------------------------------

std::optional<std::string> to_stored_path(const std::string& native_relative) {
    if (path::kSeparator == '/' && native_relative.find('\\') != std::string::npos) {
        return std::nullopt;
    }
    std::string s = native_relative;
    for (char& c : s) {
        if (c == '/') c = '\\';
    }
    return s;
}

std::string from_stored_path(const std::string& stored) {
    std::string s = stored;
    if (path::kSeparator == '/') {
        for (char& c : s) {
            if (c == '\\') c = '/';
        }
    }
    return s;
}

bool is_safe_relative_path(const std::string& stored) {
    if (stored.empty()) return false;
    for (unsigned char c : stored) {
        if (c < 0x20 || c == ':') return false;
    }
    if (stored[0] == '\\' || stored[0] == '/') return false;
    std::size_t start = 0;
    while (start <= stored.size()) {
        std::size_t end = stored.find_first_of("\\/", start);
        bool last = end == std::string::npos;
        std::string part = stored.substr(start, last ? std::string::npos : end - start);
        if (part.empty()) {
            // Only a folder's trailing separator may leave an empty component.
            if (!(start == stored.size() && start > 0)) return false;
        } else if (part.find_first_not_of(". ") == std::string::npos) {
            return false;  // ".", "..", "...", " " : nothing that names a parent or nothing
        }
        if (last) break;
        start = end + 1;
    }
    return true;
}

// --- the info text ----------------------------------------------------------------------------

const std::string& InfoTextBuilder::next_number() {
    auto n = number_value(counter_);
    counter_ = std::to_string((n ? *n : 0) + 1);
    return counter_;
}

void InfoTextBuilder::add(const std::string lines[8]) {
    for (int i = 0; i < 8; ++i) {
        if (entries_ > 0 || i > 0) text_ += "\r\n";
        text_ += lines[i];
    }
    ++entries_;
}

void InfoTextBuilder::add_folder(const std::string& stored_path) {
    const std::string lines[8] = {counter_, "D", stored_path, "0", "0", "0", "0", "0"};
    add(lines);
}

void InfoTextBuilder::add_empty_file(const std::string& stored_path) {
    const std::string lines[8] = {counter_, "F", stored_path, "0", "0", "0", "0", "0"};
    add(lines);
}

void InfoTextBuilder::add_block(const std::string& stored_path, std::uint32_t payload_length,
                                std::uint32_t block_length, std::int32_t check_value, bool part,
                                bool compressed) {
    const std::string lines[8] = {counter_,
                                  "F",
                                  stored_path,
                                  std::to_string(payload_length),
                                  std::to_string(block_length),
                                  std::to_string(check_value),
                                  part ? "1" : "0",
                                  compressed ? "1" : "0"};
    add(lines);
}

std::vector<std::string> split_lines(const std::string& text) {
    std::vector<std::string> lines;
    if (text.empty()) return lines;
    std::size_t start = 0;
    for (;;) {
        std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));
            return lines;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
}

std::vector<Entry> entries_of(const std::vector<std::string>& lines) {
    std::vector<Entry> entries;
    for (std::size_t i = 0; i + 8 <= lines.size(); i += 8) {
        entries.push_back(Entry{lines[i], lines[i + 1], lines[i + 2], lines[i + 3], lines[i + 4],
                                lines[i + 5], lines[i + 6], lines[i + 7]});
    }
    return entries;
}

// --- service rows -----------------------------------------------------------------------------

std::string placeholder_row() { return std::string(kFirstRowLength, ' '); }

std::string first_service_row(bool several, std::uint32_t data_length) {
    char row[16];
    std::snprintf(row, sizeof row, "%c%10" PRIu32, several ? '1' : '0', data_length);
    return row;
}

std::string second_service_row(std::uint32_t info_row_length, std::uint32_t info_text_length,
                               std::int32_t check_value) {
    char row[40];
    std::snprintf(row, sizeof row, "%10" PRIu32 "%10" PRIu32 "%11" PRId32, info_row_length,
                  info_text_length, check_value);
    return row;
}

// --- storing and restoring ----------------------------------------------------------------------

std::int32_t padded_check_value(CipherEngine& engine, Buffer& bytes) {
    const std::size_t size = bytes.size();
    zero_pad(bytes, 4);
    const std::int32_t value = engine.check_value(bytes.data(), bytes.size());
    bytes.resize(size);
    return value;
}

bool seal(CipherEngine& engine, const CCodeStr& layer, const std::string& key, Buffer& bytes) {
    zero_pad(bytes, 8);
    layer.apply_in_place(bytes, key);
    return engine.crypt(bytes.data(), bytes.size(), key);
}

bool unseal(CipherEngine& engine, const CCodeStr& layer, const std::string& key, Buffer& bytes,
            std::size_t length) {
    if (!engine.decrypt(bytes.data(), bytes.size(), key)) return false;
    layer.apply_in_place(bytes, key);
    if (length < bytes.size()) bytes.resize(length);
    return true;
}

bool seal_info(CipherEngine& engine, const CCodeStr& layer, const std::string& key,
               const std::string& info_text, SealedInfo& out) {
    Buffer text(info_text.begin(), info_text.end());
    std::int32_t g = padded_check_value(engine, text);
    if (!seal(engine, layer, key, text)) return false;
    out.service_row = second_service_row(static_cast<std::uint32_t>(text.size()),
                                         static_cast<std::uint32_t>(info_text.size()), g);
    out.row = std::move(text);
    return true;
}

bool fits_format(std::uint64_t data_length, std::uint64_t info_row_length) {
    return kDataStart + data_length + kSecondRowLength + info_row_length <= 0xFFFFFFFFull;
}

// --- reading ------------------------------------------------------------------------------------

ContainerReader::Open ContainerReader::open(const std::string& path) {
    path_ = path;
    info_text_.clear();
    lines_.clear();
    entries_.clear();
    data_length_ = 0;
    if (!fs::exists(path)) return Open::missing;
    auto size = file_size(path);
    if (!size) return Open::unreadable;
    size_ = *size;

    // First service row: D.
    Buffer row1(10);
    if (!read_part(path, row1, 1)) return Open::unreadable;
    std::string d_text = trim_spaces(std::string(row1.begin(), row1.end()));
    if (!is_number_text(d_text)) return Open::service_row_1;
    auto d = unsigned_value(d_text);
    if (!d) return Open::service_row_1;
    data_length_ = *d;

    // Second service row: C, T and the info text's check value. The rows lie below 4 GiB.
    const std::uint64_t row2_at = kDataStart + data_length_;
    Buffer row2(kSecondRowLength);
    if (row2_at + kSecondRowLength > size_ || !read_part(path, row2, row2_at)) {
        return Open::unreadable;
    }
    std::string text2(row2.begin(), row2.end());
    std::string c_text = trim_spaces(text2.substr(0, 10));
    std::string t_text = trim_spaces(text2.substr(10, 10));
    std::string k_text = trim_spaces(text2.substr(20, 11));
    if (!is_number_text(c_text) || !is_number_text(t_text) || !is_number_text(k_text)) {
        return Open::service_row_2;
    }
    auto c = number_value(c_text);
    auto t = number_value(t_text);
    if (!c || !t || !number_value(k_text)) return Open::service_row_2;

    // The info row: never more than the file holds.
    const std::uint64_t info_at = row2_at + kSecondRowLength;
    if (*c < 0 || info_at + static_cast<std::uint64_t>(*c) > size_) return Open::unreadable;
    Buffer info(static_cast<std::size_t>(*c));
    if (!read_part(path, info, info_at)) return Open::unreadable;
    if (*t < 0 || *t > *c) return Open::info_check;  // a text longer than its row cannot pass
    if (!unseal(engine_, layer_, key_, info, static_cast<std::size_t>(*t))) {
        return Open::engine_error;
    }
    if (std::to_string(padded_check_value(engine_, info)) != k_text) return Open::info_check;

    info_text_.assign(info.begin(), info.end());
    if (info_text_.size() < 4 || info_text_.compare(0, 4, kFormatVersion) != 0) {
        return Open::version;
    }
    std::string rest = info_text_.substr(4);
    lines_ = split_lines(rest);
    entries_ = entries_of(lines_);
    if (entries_.empty() && !rest.empty()) return Open::no_entry;
    return Open::ok;
}

bool ContainerReader::is_sound(const Entry& entry, std::uint64_t block_offset) const {
    if (!is_safe_relative_path(entry.path)) return false;
    if (entry.is_folder()) return true;
    auto payload = number_value(entry.payload_length);
    auto block = number_value(entry.block_length);
    if (!payload || !block || *block < 0) return false;
    if (*payload < 1) return true;  // an empty file: nothing is read
    return *payload <= *block &&
           block_offset + static_cast<std::uint64_t>(*block) <= data_length_ &&
           kDataStart + block_offset + static_cast<std::uint64_t>(*block) <= size_;
}

ContainerReader::Block ContainerReader::read_block(const Entry& entry, std::uint64_t block_offset,
                                                   Buffer& payload) const {
    if (!is_sound(entry, block_offset)) return Block::damaged;
    auto payload_length = number_value(entry.payload_length).value_or(0);
    auto block_length = number_value(entry.block_length).value_or(0);
    if (entry.is_folder() || payload_length < 1) {  // nothing stored for it
        payload.clear();
        return Block::ok;
    }
    payload.resize(static_cast<std::size_t>(block_length));  // every byte is read into
    if (!read_part(path_, payload, kDataStart + block_offset)) return Block::unreadable;
    if (!unseal(engine_, layer_, key_, payload, static_cast<std::size_t>(payload_length))) {
        return Block::engine_error;
    }
    return Block::ok;
}

bool ContainerReader::check_matches(const Entry& entry, Buffer& payload) const {
    auto stored = number_value(entry.check_value);
    return stored && *stored == padded_check_value(engine_, payload);
}

}  // namespace vx
