#include "run_support.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "crypt/container.h"
#include "crypt/file_access.h"
#include "platform/file.h"
#include "platform/fs.h"
#include "platform/path.h"

namespace vx::test {

CipherEngine& engine() {
    static CipherEngine e;
    if (e.failed()) {
        EXPECT_EQ(e.load(), CipherEngine::Status::ok) << "the engine library beside the tests";
    }
    return e;
}

namespace {

std::string native(const std::string& rel) {
    std::string p = rel;
    for (char& c : p) {
        if (c == '/') c = path::kSeparator;
    }
    return p;
}

void read_into(Tree& tree, const std::string& root, const std::string& rel) {
    fs::DirectoryReader reader;
    ASSERT_TRUE(reader.open(path::join(root, native(rel))));
    fs::DirEntry e;
    while (reader.next(e) == fs::DirectoryReader::Next::entry) {
        if (e.name == "." || e.name == "..") continue;
        std::string child = rel + e.name;
        if (e.is_directory()) {
            tree[child + "/"] = "";
            read_into(tree, root, child + "/");
        } else {
            tree[child] = read_file(path::join(root, native(child)));
        }
    }
}

}  // namespace

void make_tree(const std::string& folder, const Tree& tree) {
    for (const auto& [rel, bytes] : tree) {
        std::string p = path::join(folder, native(rel));
        if (!rel.empty() && rel.back() == '/') {
            ASSERT_TRUE(fs::create_directory(path::remove_trailing_separator(p))) << p;
        } else {
            write_file(p, bytes);
        }
    }
}

Tree read_tree(const std::string& folder) {
    Tree tree;
    read_into(tree, folder, "");
    return tree;
}

std::string noise(std::size_t n, unsigned seed) {
    std::string s(n, '\0');
    std::uint64_t x = 0x9E3779B97F4A7C15ull * (seed + 1);
    for (std::size_t i = 0; i < n; ++i) {
        x ^= x << 13;
        x ^= x >> 7;
        x ^= x << 17;
        s[i] = static_cast<char>(x >> 24);
    }
    return s;
}

std::string text_bytes(std::size_t n) {
    static const std::string line = "The quick brown fox jumps over the lazy dog. 0123456789\n";
    std::string s;
    s.reserve(n);
    while (s.size() < n) s += line;
    s.resize(n);
    return s;
}

bool FakeServices::move_to_trash(const std::string& p) {
    if (std::find(refuse.begin(), refuse.end(), p) != refuse.end()) return false;
    trashed.push_back(p);
    return remove_tree(p);
}

Services::Mail FakeServices::send_mail(const std::string& file, const std::string& subj,
                                       std::uintptr_t) {
    mailed.push_back(file);
    subject = subj;
    return mail_result;
}

RunOwner make_owner(Services& services) {
    RunOwner owner;
    owner.engine = &engine();
    owner.services = &services;
    return owner;
}

void crypt(RunOwner& owner, WorkerContext& context, const std::vector<std::string>& paths,
           const std::string& target, bool zip, const std::string& key) {
    owner.file_list.clear();
    for (const auto& p : paths) add_path(owner.file_list, context, p, true);
    owner.several_entries = paths.size() > 1 ? 1 : 0;
    owner.crypting_failed = 0;
    ProgressCrypting job;
    job.window = &owner;
    job.key = key;
    job.zipping = zip ? 1 : 0;
    job.target = target;
    EXPECT_EQ(crypting_run(context, job), 1);
}

void decrypt(RunOwner& owner, WorkerContext& context, const std::string& container,
             const std::string& folder, bool delete_container, const std::string& key) {
    owner.decrypting_failed = 0;
    ProgressDecrypting job;
    job.window = &owner;
    job.container = container;
    job.target = folder;
    job.key = key;
    job.delete_container = delete_container ? 1 : 0;
    EXPECT_EQ(decrypting_run(context, job), 1);
}

void craft(const std::string& p, const Crafted& c, const std::string& key) {
    CCodeStr layer;
    std::string data;
    for (Buffer b : c.blocks) {
        ASSERT_TRUE(seal(engine(), layer, key, b));
        data.append(b.begin(), b.end());
    }
    SealedInfo info;
    ASSERT_TRUE(seal_info(engine(), layer, key, c.info_text, info));
    std::string bytes = first_service_row(c.several, static_cast<std::uint32_t>(data.size())) +
                        data + info.service_row + std::string(info.row.begin(), info.row.end());
    write_file(p, bytes);
}

void flip_bit(const std::string& p, std::uint64_t offset) {
    Buffer b(1);
    ASSERT_TRUE(read_part(p, b, offset));
    b[0] ^= 0x10;
    File f;
    ASSERT_TRUE(f.open(p, File::Access::write_exclusive, File::Disposition::open_existing));
    ASSERT_TRUE(f.seek(static_cast<std::int64_t>(offset), File::Origin::begin));
    ASSERT_TRUE(f.write(b.data(), 1));
}

std::vector<std::string> texts(const ScriptedContext& context) {
    std::vector<std::string> out;
    for (const auto& r : context.reports) {
        if (r.position < 0) out.push_back(r.text);
    }
    return out;
}

}  // namespace vx::test
