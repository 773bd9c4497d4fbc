// The real engine library, called only through its exported protocol.
#include <gtest/gtest.h>

#include <cstring>

#include "crypt/engine.h"
#include "engine_support.h"
#include "platform/fs.h"
#include "platform/library.h"
#include "platform/path.h"
#include "temp_dir.h"

namespace vx {
namespace {

struct Protocol {
    Library lib;
    void (*sdk)() = nullptr;
    void (*rcp)() = nullptr;
    void (*rdcp)() = nullptr;
    void (*rcsm)() = nullptr;
    std::uint8_t* ork = nullptr;
    std::uintptr_t* db = nullptr;
    std::uint32_t* dbl = nullptr;
    std::uintptr_t* omm = nullptr;
    std::uint32_t* nbm = nullptr;
    std::uint32_t* fk = nullptr;
    std::uint32_t* sk = nullptr;
    std::int32_t* csm = nullptr;
    std::uint32_t* err = nullptr;

    bool load(const std::string& folder) {
        if (!lib.load(folder, CipherEngine::library_file_name())) return false;
        auto proc = [this](const char* name) {
            return reinterpret_cast<void (*)()>(lib.symbol(name));
        };
        sdk = proc("_SDK_");
        rcp = proc("_RCP_");
        rdcp = proc("_RDCP_");
        rcsm = proc("_RCSM_");
        ork = static_cast<std::uint8_t*>(lib.symbol("_ORK_"));
        db = static_cast<std::uintptr_t*>(lib.symbol("_DB_"));
        dbl = static_cast<std::uint32_t*>(lib.symbol("_DBL_"));
        omm = static_cast<std::uintptr_t*>(lib.symbol("_OMM_"));
        nbm = static_cast<std::uint32_t*>(lib.symbol("_NBM_"));
        fk = static_cast<std::uint32_t*>(lib.symbol("_FK_"));
        sk = static_cast<std::uint32_t*>(lib.symbol("_SK_"));
        csm = static_cast<std::int32_t*>(lib.symbol("_CSM_"));
        err = static_cast<std::uint32_t*>(lib.symbol("_ERR_"));
        return sdk && rcp && rdcp && rcsm && ork && db && dbl && omm && nbm && fk && sk && csm &&
               err;
    }

    void set_key(const char* key) {
        std::memcpy(ork, key, 8);
        sdk();
    }
    void run(void (*proc)(), Buffer& b) {
        *db = reinterpret_cast<std::uintptr_t>(b.data());
        *dbl = static_cast<std::uint32_t>(b.size() / 8);
        proc();
    }
    std::int32_t check_value(const Buffer& b) {
        *omm = reinterpret_cast<std::uintptr_t>(b.data());
        *nbm = static_cast<std::uint32_t>(b.size() / 4);
        *fk = 613;
        *sk = 2951;
        rcsm();
        return *csm;
    }
};

// Every container depends on these values.
TEST(Protocol, KnownAnswers) {
    Protocol p;
    ASSERT_TRUE(p.load(fs::program_directory()));
    p.set_key("12345678");
    EXPECT_EQ(*p.err, 0u);

    struct Case {
        std::size_t size;
        const char* crypted;
    } cases[] = {
        {8, "b6339fa896014e91"},
        {16, "6b60348f99b39acf5508c7f4f86313dd"},
        {24, "7b3a0e713dbc34a2da4cc277795d50c10035939ac417356e"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size);
        Buffer b(c.size, 0);
        p.run(p.rcp, b);
        EXPECT_EQ(test::hex(b), c.crypted);
        p.run(p.rdcp, b);
        EXPECT_EQ(b, Buffer(c.size, 0));
    }
    EXPECT_EQ(*p.err, 0u);

    EXPECT_EQ(p.check_value(Buffer()), -1101636134);
    EXPECT_EQ(p.check_value(test::bytes_of("abcd")), 1229267531);
}

// A copy of the library in a folder of its own is a fresh instance that has never seen a key.
TEST(Protocol, FailsClosedWithoutAKey) {
    test::TempDir dir;
    const std::string names[] = {CipherEngine::library_file_name(), "libgcrypt-20.dll",
                                 "libgpg-error-0.dll"};
    for (const auto& name : names) {
        std::string from = path::join(fs::program_directory(), name);
        if (fs::exists(from)) test::write_file(dir / name, test::read_file(from));
    }
    Protocol p;
    ASSERT_TRUE(p.load(dir.path()));
    EXPECT_NE(*p.err, 0u);

    for (std::size_t size : {8, 16, 40}) {
        SCOPED_TRACE(size);
        for (auto proc : {p.rcp, p.rdcp}) {
            *p.err = 0;
            Buffer b = test::sample(size, 7);
            p.run(proc, b);
            EXPECT_EQ(b, Buffer(size, 0));
            EXPECT_NE(*p.err, 0u);
        }
    }
    // The check value needs no key.
    EXPECT_EQ(p.check_value(test::bytes_of("abcd")), 1229267531);
}

}  // namespace
}  // namespace vx
