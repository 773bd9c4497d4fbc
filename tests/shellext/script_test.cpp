// The registry script's text form, and the registrar that applies it.
#include "script.h"

#include <gtest/gtest.h>
#include <windows.h>

#include "registrar.h"
#include "shell_support.h"

namespace vx::shellext {
namespace {

using Kind = ScriptKey::Kind;

TEST(Script, ReadsKeysValuesAndTheirTreatment) {
    const std::string text =
        "HKCR\r\n{\r\n"
        "\tNoRemove CLSID\n\t{\n"
        "\t\tforceremove {AB-CD} = s 'A ''quoted'' class'\n\t\t{\n"
        "\t\t\tInprocServer32 = s '%MODULE%'\n\t\t\t{\n"
        "\t\t\t\tval ThreadingModel = S 'Apartment'\n"
        "\t\t\t}\n"
        "\t\t\t'Two words' = s '100%%'\n"
        "\t\t}\n"
        "\t}\n"
        "\tNoRemove * { }\n"
        "}\n";
    // A replacement may hold apostrophes: it is put in after parsing.
    auto roots = parse_script(text, {{"MODULE", "C:\\O'Brien\\Sidecar.dll"}});
    ASSERT_TRUE(roots);
    ASSERT_EQ(roots->size(), 1u);
    const ScriptKey& root = (*roots)[0];
    EXPECT_EQ(root.name, "HKCR");
    ASSERT_EQ(root.keys.size(), 2u);

    const ScriptKey& clsid = root.keys[0];
    EXPECT_EQ(clsid.kind, Kind::no_remove);
    EXPECT_EQ(clsid.name, "CLSID");
    ASSERT_EQ(clsid.keys.size(), 1u);
    const ScriptKey& cls = clsid.keys[0];
    EXPECT_EQ(cls.kind, Kind::force_remove);
    EXPECT_EQ(cls.name, "{AB-CD}");
    ASSERT_EQ(cls.values.size(), 1u);
    EXPECT_EQ(cls.values[0].name, "");
    EXPECT_EQ(cls.values[0].data, "A 'quoted' class");
    ASSERT_EQ(cls.keys.size(), 2u);
    const ScriptKey& server = cls.keys[0];
    EXPECT_EQ(server.kind, Kind::plain);
    ASSERT_EQ(server.values.size(), 2u);
    EXPECT_EQ(server.values[0].data, "C:\\O'Brien\\Sidecar.dll");
    EXPECT_EQ(server.values[1].name, "ThreadingModel");
    EXPECT_EQ(server.values[1].data, "Apartment");
    EXPECT_EQ(cls.keys[1].name, "Two words");
    EXPECT_EQ(cls.keys[1].values[0].data, "100%");

    EXPECT_EQ(root.keys[1].name, "*");
    EXPECT_TRUE(root.keys[1].keys.empty());
}

TEST(Script, RefusesWhatIsNotAScript) {
    const char* const bad[] = {
        "",
        "HKCR",
        "HKCR { CLSID",                // unclosed
        "HKCR { CLSID } }",            // one brace too many
        "HKCR { A = s 'open }",        // unterminated text
        "HKCR { A = s }",              // no value
        "HKCR { A = d '1' }",          // only strings
        "HKCR { A = s bare }",         // values are quoted
        "HKCR { 'A'B }",               // a quote glued to a word
        "HKCR { A\\B }",               // one key at a time
        "HKCR { A = s '%UNKNOWN%' }",  // a replacement nobody gave
        "HKCR { A = s '50% off' }",    // a lone percent sign
        "HKCR { val = s 'x' }",        // a value needs a name
        "HKCR { NoRemove }",
    };
    for (const char* text : bad) EXPECT_FALSE(parse_script(text, {})) << text;
}

constexpr wchar_t kScratch[] = L"VaultrixScriptTest";

// Applies scripts below a scratch key of HKCR, removed afterwards.
class Registrar : public ::testing::Test {
  protected:
    void SetUp() override { test::delete_tree(HKEY_CLASSES_ROOT, kScratch); }
    void TearDown() override { test::delete_tree(HKEY_CLASSES_ROOT, kScratch); }
    static std::wstring key(const std::wstring& below) { return std::wstring(kScratch) + below; }
};

TEST_F(Registrar, PlainKeysGoOnlyWhenNothingElseIsInThem) {
    const std::string script =
        "HKCR { NoRemove VaultrixScriptTest { Kept = s 'k' { val Named = s 'n' }"
        " Emptied = s 'e' { Inner = s 'i' } } }";
    ASSERT_EQ(apply_script(script, {}, Direction::install), S_OK);
    EXPECT_EQ(test::string_value(HKEY_CLASSES_ROOT, key(L"\\Kept"), L"Named"), L"n");
    EXPECT_EQ(test::string_value(HKEY_CLASSES_ROOT, key(L"\\Emptied\\Inner"), L""), L"i");
    // Somebody else's value in one of them.
    ASSERT_TRUE(test::set_string(HKEY_CLASSES_ROOT, key(L"\\Kept"), L"Theirs", L"t"));

    ASSERT_EQ(apply_script(script, {}, Direction::remove), S_OK);
    EXPECT_FALSE(test::key_exists(HKEY_CLASSES_ROOT, key(L"\\Emptied")));
    EXPECT_EQ(test::string_value(HKEY_CLASSES_ROOT, key(L"\\Kept"), L"Theirs"), L"t");
    EXPECT_FALSE(test::string_value(HKEY_CLASSES_ROOT, key(L"\\Kept"), L"Named"));
    EXPECT_TRUE(test::key_exists(HKEY_CLASSES_ROOT, kScratch));
    // Removing what is gone already is no failure.
    EXPECT_EQ(apply_script(script, {}, Direction::remove), S_OK);
}

TEST_F(Registrar, RefusesOtherRootsAndBrokenText) {
    EXPECT_EQ(apply_script("HKLM { NoRemove VaultrixScriptTest { } }", {}, Direction::install),
              E_UNEXPECTED);
    EXPECT_EQ(apply_script("HKCR { VaultrixScriptTest", {}, Direction::install), E_UNEXPECTED);
    EXPECT_FALSE(test::key_exists(HKEY_CLASSES_ROOT, kScratch));
}

}  // namespace
}  // namespace vx::shellext
