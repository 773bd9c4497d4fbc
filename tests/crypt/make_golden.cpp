// Makes the golden container: make_golden OUTPUT.vx. Run once; the result is committed and must
// never change, since every build has to decrypt it.
#include <cstdio>

#include "golden.h"
#include "platform/path.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_golden OUTPUT.vx\n");
        return 2;
    }
    vx::test::TempDir dir;
    vx::test::make_tree(dir.path(), vx::test::golden_tree());
    vx::test::FakeServices services;
    vx::RunOwner owner = vx::test::make_owner(services);
    vx::test::ScriptedContext context;
    vx::test::crypt(owner, context, {dir / "golden"}, argv[1], false, vx::test::kGoldenKey);
    for (const auto& box : context.box_texts()) std::fprintf(stderr, "%s\n", box.c_str());
    return owner.crypting_failed == 0 ? 0 : 1;
}
