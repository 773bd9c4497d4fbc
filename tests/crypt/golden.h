#pragma once
// The golden container: made once, committed in tests/fixtures/, and decrypted by every build.
#include "run_support.h"

namespace vx::test {

constexpr const char* kGoldenKey = "20261210";
constexpr const char* kGoldenName = "golden.vx";

// The tree it was made from (the folder "golden" and everything in it).
inline Tree golden_tree() {
    return {{"golden/", ""},
            {"golden/empty.txt", ""},
            {"golden/few.txt", "Vaultrix\n"},
            {"golden/nested/", ""},
            {"golden/nested/Gr\xc3\xbc\xc3\x9f" "e \xe6\x97\xa5\xe6\x9c\xac.txt", "non-ASCII name\n"},
            {"golden/nested/deeper/", ""}};
}

}  // namespace vx::test
