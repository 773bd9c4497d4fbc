#pragma once
// The text form of the keys that registration writes and unregistration removes:
//
//   HKCR
//   {
//       NoRemove CLSID
//       {
//           ForceRemove {...} = s 'CryptShell Class'
//           {
//               InprocServer32 = s '%MODULE%'
//               {
//                   val ThreadingModel = s 'Apartment'
//               }
//           }
//       }
//   }
//
// Tokens are separated by white space, so a bare name may hold braces ("{024B...}") or be "*". A
// name or a value in apostrophes may hold any character, '' standing for one apostrophe. A key is
// "NoRemove" (made when missing, never removed), "ForceRemove" (removed with everything below it
// before it is written, and on unregistration) or plain (removed on unregistration once nothing
// is left in it). Values are strings ("s"); a key's "= s '...'" is its default value, "val N = s
// '...'" the value named N. %NAME% in a name or a value is replaced from the caller's table after
// parsing, so a replacement may hold apostrophes; %% is one percent sign.
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace vx::shellext {

struct ScriptValue {
    std::string name;  // empty for the default value
    std::string data;
};

struct ScriptKey {
    enum class Kind { plain, no_remove, force_remove };
    Kind kind = Kind::plain;
    std::string name;
    std::vector<ScriptValue> values;
    std::vector<ScriptKey> keys;
};

using Replacements = std::map<std::string, std::string>;

// The root keys of a script ("HKCR" and the like, as written), or none for a text that is not a
// well-formed script or names a replacement the table does not hold. Key names never hold "\".
std::optional<std::vector<ScriptKey>> parse_script(const std::string& text,
                                                   const Replacements& replacements);

}  // namespace vx::shellext
