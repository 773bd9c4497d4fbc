#pragma once
// The crypted container (".vx"): its layout, the steps that turn plain bytes into stored bytes
// and back, and the reader's checks. No I/O policy of its own: files are touched only through
// the file helpers, and every message is the caller's.
//
//   offset      length  field
//   0           1       several-entries mark, "1" or "0"
//   1           10      D, the data-area length, right-aligned decimal
//   11          D       the crypted blocks of all file entries, back to back
//   11 + D      10      C, the info-row length
//   21 + D      10      T, the info-text length
//   31 + D      11      check value of the info text, signed decimal
//   42 + D      C       the crypted info text
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "crypt/engine.h"
#include "crypt/key_layer.h"
#include "crypt/wipe.h"
#include "platform/buffer.h"

namespace vx {

constexpr std::uint32_t kBlockSize = 10485760;  // 10 MiB: files are cut into blocks of this size
constexpr const char* kFormatVersion = "0001";
constexpr const char* kDefaultContainerName = "CryptedFiles.vx";
constexpr std::size_t kFirstRowLength = 11;
constexpr std::size_t kSecondRowLength = 31;
constexpr std::uint64_t kDataStart = kFirstRowLength;

// --- texts and buffers ------------------------------------------------------------------------

// Appends zero bytes until the length is a multiple of n (nothing when it already is).
void zero_pad(Buffer& buffer, std::size_t n);
// Every character a decimal digit, but a leading "-" when the text has two or more characters;
// the empty text counts as a number text.
bool is_number_text(const std::string& text);
std::string trim_spaces(const std::string& text);
// The value of a number text as a signed 32-bit number, as the readers take lengths and check
// values ("" is 0). None when the text is no number text or does not fit.
std::optional<std::int32_t> number_value(const std::string& text);
// The same as an unsigned 32-bit number (a leading "-" wraps, as an unsigned reading does).
std::optional<std::uint32_t> unsigned_value(const std::string& text);

// --- relative paths ---------------------------------------------------------------------------

// The stored form of a relative path uses "\" on every platform. On a platform whose separator
// is "/", a name that itself holds a "\" cannot be stored faithfully: none.
std::optional<std::string> to_stored_path(const std::string& native_relative);
std::string from_stored_path(const std::string& stored);
// A stored relative path that stays inside the target folder: not empty, no root, no drive, no
// ":", no "." or ".." component (nor one of only dots and spaces), no empty component inside,
// no control character. A folder's trailing "\" is allowed.
bool is_safe_relative_path(const std::string& stored);

// --- the info text ----------------------------------------------------------------------------

// One entry: eight lines, kept as the texts they are in the container.
struct Entry {
    std::string number;
    std::string kind;  // "D" folder; anything else a file block or an empty file
    std::string path;  // stored relative path
    std::string payload_length;
    std::string block_length;
    std::string check_value;
    std::string part_mark;         // "1" one of several blocks, "0" the whole file
    std::string compression_mark;  // "1" compressed

    bool is_folder() const { return kind == "D"; }
};

// Builds the info text: the version, then the entries' lines joined by CR LF, none after the
// last line. Also keeps the entry counter of a crypting run.
class InfoTextBuilder {
public:
    InfoTextBuilder() : text_(kFormatVersion) {}

    // Reads the counter as a number, adds one, writes it back with "%i", returns it.
    const std::string& next_number();
    const std::string& number() const { return counter_; }

    void add_folder(const std::string& stored_path);
    void add_empty_file(const std::string& stored_path);
    void add_block(const std::string& stored_path, std::uint32_t payload_length,
                   std::uint32_t block_length, std::int32_t check_value, bool part,
                   bool compressed);

    const std::string& text() const { return text_; }
    std::size_t entries() const { return entries_; }

private:
    void add(const std::string lines[8]);

    std::string text_;
    std::string counter_ = "0";
    std::size_t entries_ = 0;
};

// The lines of an info text after the version: split at CR LF only, so quotes, apostrophes and
// lone CR or LF inside a path come back unchanged. An empty text has no lines.
std::vector<std::string> split_lines(const std::string& text);
// The whole entries among the lines; a tail that is not a whole entry is ignored.
std::vector<Entry> entries_of(const std::vector<std::string>& lines);

// --- service rows -----------------------------------------------------------------------------

std::string placeholder_row();  // 11 spaces
std::string first_service_row(bool several, std::uint32_t data_length);
std::string second_service_row(std::uint32_t info_row_length, std::uint32_t info_text_length,
                               std::int32_t check_value);

// --- storing and restoring ----------------------------------------------------------------------

// The check value of the bytes zero-padded to a multiple of 4. The padding is added for the call
// only: the buffer keeps its bytes and its size.
std::int32_t padded_check_value(CipherEngine& engine, Buffer& bytes);
// Pads to a multiple of 8, applies the key layer, crypts with the engine. False when the engine
// reports an error.
bool seal(CipherEngine& engine, const CCodeStr& layer, const std::string& key, Buffer& bytes);
// Decrypts with the engine, applies the key layer, keeps the first 'length' bytes (never more
// than there are). False when the engine reports an error.
bool unseal(CipherEngine& engine, const CCodeStr& layer, const std::string& key, Buffer& bytes,
            std::size_t length);

struct SealedInfo {
    Buffer row;               // the crypted info text, C bytes
    std::string service_row;  // the second service row, 31 characters
};
bool seal_info(CipherEngine& engine, const CCodeStr& layer, const std::string& key,
               const std::string& info_text, SealedInfo& out);

// True when the end of the container's info row stays below the 4 GiB that readers address with
// 32-bit offsets: 42 + D + C must stay below 2^32. Writers check it before appending.
bool fits_format(std::uint64_t data_length, std::uint64_t info_row_length);

// --- reading ------------------------------------------------------------------------------------

class ContainerReader {
public:
    // The outcome of opening, in the order the checks run.
    enum class Open {
        ok,
        missing,        // the container does not exist
        unreadable,     // a service row or the info row cannot be read
        service_row_1,  // D is no number text
        service_row_2,  // C, T or the check value is no number text
        info_check,     // the info text's check value differs (the usual wrong key)
        version,        // the info text does not start with "0001"
        no_entry,       // a non-empty info text without a whole entry
        engine_error,   // the engine could not prepare the key
    };
    enum class Block {
        ok,
        unreadable,    // the block cannot be read from the container
        damaged,       // its lengths do not fit its block or the container, or its name is unsafe
        engine_error,  // the engine could not prepare the key
    };

    ContainerReader(CipherEngine& engine, const CCodeStr& layer, const std::string& key)
        : engine_(engine), layer_(layer), key_(key) {}
    ~ContainerReader() { wipe(key_); }
    ContainerReader(const ContainerReader&) = delete;
    ContainerReader& operator=(const ContainerReader&) = delete;

    Open open(const std::string& path);

    const std::string& path() const { return path_; }
    std::uint32_t data_length() const { return data_length_; }
    const std::string& info_text() const { return info_text_; }
    const std::vector<std::string>& lines() const { return lines_; }
    const std::vector<Entry>& entries() const { return entries_; }
    std::uint64_t container_size() const { return size_; }

    // Whether an entry can be used at all: a safe name and, for a file block, number-text lengths
    // with 0 <= payload <= block, and a block that lies inside the data area at block_offset.
    bool is_sound(const Entry& entry, std::uint64_t block_offset) const;
    // Reads the entry's block at block_offset within the data area, and restores its payload
    // (decrypt, key layer, first payload-length bytes). A compressed payload stays compressed.
    Block read_block(const Entry& entry, std::uint64_t block_offset, Buffer& payload) const;
    // Whether the payload's check value (zero-padded to 4) equals the entry's stored one.
    // The payload keeps its bytes and size (see padded_check_value).
    bool check_matches(const Entry& entry, Buffer& payload) const;

private:
    CipherEngine& engine_;
    const CCodeStr& layer_;
    std::string key_;
    std::string path_;
    std::uint64_t size_ = 0;
    std::uint32_t data_length_ = 0;
    std::string info_text_;
    std::vector<std::string> lines_;
    std::vector<Entry> entries_;
};

}  // namespace vx
