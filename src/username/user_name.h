// Whether a user name may name a new save, and why not: the prohibited-name lists of the data archive,
// the ordered rules and their messages. All texts are CP932 bytes.
#pragma once

#include <cstddef>
#include <set>
#include <string>
#include <vector>

#include "archive/shared.h"
#include "archive/stream.h"

namespace vmqdSDK {

class CArchive;

// The byte length a name may have: 4 to 18 half-width characters, 2 to 9 full-width ones.
inline constexpr std::size_t kUserNameMinBytes = 4;
inline constexpr std::size_t kUserNameMaxBytes = 18;

struct ProhibitedLists {
  std::set<std::string> chars;     // "PRH_Char.txt": one character per entry, byte order, no duplicates
  std::vector<std::string> names;  // "PRH_Name.txt", file order
  std::vector<std::string> words;  // "PRH_Word.txt", file order
};

// The lists of the process: filled once at start-up, only read afterwards.
ProhibitedLists& GetProhibitedLists();

// Splits `text` character by character (Shift-JIS aware) at any single-byte character of `separators`.
// A character of `quotes` toggles quoting and is dropped; separators inside quotes are kept. Empty pieces
// are dropped unless `keepEmpty`.
void SplitText(const std::string& text, std::vector<std::string>& out, const std::string& separators,
               const std::string& quotes, bool keepEmpty);

// Appends the lines of one list member (CR and LF end lines, blank lines vanish, nothing is trimmed, a NUL
// ends the text). An empty pointer or a member that cannot be read whole adds nothing.
void LoadProhibitedList(const CSharedPtr<CStream>& stream, std::vector<std::string>& entries);

// Replaces the process's lists with "PRH_Char.txt", "PRH_Name.txt" and "PRH_Word.txt" of the archive, in
// that order; a member missing from it leaves its list empty.
void LoadProhibitedLists(CArchive& archive);
void LoadProhibitedLists();  // from the process's archive

// Empty when the name is acceptable, else the message that says why not. Besides the characters of the
// lists, the character rule refuses `"`, `<`, `>` and `&`, which the new save's attribute would hold raw:
// with them in the list, as in the bundled one, the result is the same.
std::string CheckUserName(const std::string& name, const ProhibitedLists& lists);
std::string CheckUserName(const std::string& name);  // against the process's lists

// The reason keys of a refusal: "ne_" and a reason word ("ne_control", "ne_char", ...); kUnusable is "ne_"
// alone, the key of a name refused for no reason the rules name.
enum class UserNameKey { kControl, kChar, kWord, kSpace, kLength, kUnusable };

// The message of a reason key; kChar's still holds the "%s" the character rule fills in.
std::string UserNameMessage(UserNameKey key);

}  // namespace vmqdSDK
