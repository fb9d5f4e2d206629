#include "username/user_name.h"

#include "archive/archive.h"
#include "archive/whole_file.h"
#include "foundation/cp932.h"
#include "foundation/text.h"

namespace vmqdSDK {
namespace {

// Calls f with every character of a text, as a text of its own.
template <class F>
void ForEachCharacterText(const std::string& text, F&& f) {
  ForEachCharacter(text, [&](size_t i, size_t size) { f(text.substr(i, size)); });
}

// Keeps the bytes a name may hold on screen; the second byte of a double-byte character always stays.
std::string NormalizeName(const std::string& name) {
  std::string out;
  ForEachCharacter(name, [&](size_t i, size_t size) {
    const unsigned char c = static_cast<unsigned char>(name[i]);
    if (IsLeadByte(c) || c == 0x09 || c == 0x0A || (c >= 0x20 && c <= 0x7E) || (c >= 0xA0 && c <= 0xDF))
      out.append(name, i, size);
  });
  return out;
}

// The new save holds the name raw in an attribute value, where these would end or break the document.
bool IsCharacterTheDocumentRefuses(const std::string& ch) { return ch == "\"" || ch == "<" || ch == ">" || ch == "&"; }

bool ContainsAny(const std::string& name, const std::vector<std::string>& entries) {
  for (const std::string& entry : entries)
    if (name.find(entry) != std::string::npos) return true;
  return false;
}

}  // namespace

ProhibitedLists& GetProhibitedLists() {
  static ProhibitedLists lists;
  return lists;
}

void SplitText(const std::string& text, std::vector<std::string>& out, const std::string& separators,
               const std::string& quotes, bool keepEmpty) {
  std::string piece;
  bool quoted = false;
  ForEachCharacterText(text, [&](const std::string& ch) {
    if (ch.size() == 1 && quotes.find(ch[0]) != std::string::npos) {
      quoted = !quoted;
    } else if (ch.size() == 1 && !quoted && separators.find(ch[0]) != std::string::npos) {
      if (keepEmpty || !piece.empty()) out.push_back(piece);
      piece.clear();
    } else {
      piece += ch;
    }
  });
  if (keepEmpty || !piece.empty()) out.push_back(piece);
}

void LoadProhibitedList(const CSharedPtr<CStream>& stream, std::vector<std::string>& entries) {
  std::string bytes;
  if (stream.IsNull() || !ReadWholeStream(*stream, bytes)) return;
  SplitText(std::string(bytes.c_str()), entries, "\r\n", "", false);
}

void LoadProhibitedLists(CArchive& archive) {
  ProhibitedLists& lists = GetProhibitedLists();
  lists = ProhibitedLists{};
  const std::string prefix = "PRH_", extension = ".txt";
  std::vector<std::string> chars;
  LoadProhibitedList(archive.OpenRead(prefix + "Char" + extension), chars);
  lists.chars.insert(chars.begin(), chars.end());
  LoadProhibitedList(archive.OpenRead(prefix + "Name" + extension), lists.names);
  LoadProhibitedList(archive.OpenRead(prefix + "Word" + extension), lists.words);
}

void LoadProhibitedLists() { LoadProhibitedLists(*GetProcessArchive()); }

std::string CheckUserName(const std::string& name) { return CheckUserName(name, GetProhibitedLists()); }

std::string CheckUserName(const std::string& name, const ProhibitedLists& lists) {
  if (name.size() < kUserNameMinBytes || name.size() > kUserNameMaxBytes) return UserNameMessage(UserNameKey::kLength);
  if (ContainsAny(name, lists.words) || ContainsAny(name, lists.names)) return UserNameMessage(UserNameKey::kWord);

  const std::string normalized = NormalizeName(name);
  std::set<std::string> found;
  bool control = false;
  ForEachCharacterText(normalized, [&](const std::string& ch) {
    if (control) return;
    unsigned char c = static_cast<unsigned char>(ch[0]);
    if (ch.size() == 1 && (c <= 0x1F || c == 0x7F)) {
      control = true;
    } else if (lists.chars.count(ch) != 0 || IsCharacterTheDocumentRefuses(ch)) {
      found.insert(ch);
    }
  });
  if (control) return UserNameMessage(UserNameKey::kControl);
  if (!found.empty()) {
    std::string joined;
    for (const std::string& ch : found) joined += ch;
    return FormatText(UserNameMessage(UserNameKey::kChar).c_str(), joined.c_str());
  }

  bool spacesOnly = true;
  ForEachCharacterText(normalized, [&](const std::string& ch) { spacesOnly = spacesOnly && (ch == " " || ch == "\x81\x40"); });
  if (spacesOnly) return UserNameMessage(UserNameKey::kSpace);
  return {};
}

std::string UserNameMessage(UserNameKey key) {
  switch (key) {
    case UserNameKey::kControl: return Sjis("改行等の使用不可能な制御文字が含まれています");
    case UserNameKey::kChar: return Sjis("記号等の禁止文字(%s)が含まれています");
    case UserNameKey::kWord: return Sjis("禁止単語が含まれています");
    case UserNameKey::kSpace: return Sjis("空白のみで構成される名前は禁止されています");
    case UserNameKey::kLength:
      return FormatText(Sjis("半角%zu～%zu(全角%zu～%zu)文字に制限されています").c_str(), kUserNameMinBytes,
                        kUserNameMaxBytes, kUserNameMinBytes / 2, kUserNameMaxBytes / 2);
    case UserNameKey::kUnusable: break;
  }
  return Sjis("使用不可能な名前です");
}

}  // namespace vmqdSDK
