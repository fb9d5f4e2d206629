// Folder and file names: the tool's own folder, folder texts that always end with "\", existence tests.
#pragma once

#include <cstdint>
#include <string>

namespace vmqdSDK {

// The attributes EnsureDirectoryPath gives its folder, with the Win32 value its callers pass: "normal", none
// set.
inline constexpr std::uint32_t kAttributeNormal = 0x80;

// The running executable's full path; empty when it cannot be had.
std::string ModuleFileName();
// The drive and folder of the running executable, ending with "\".
std::string GetModuleFolder();
// "/" becomes "\" (never the second byte of a double-byte character) and a final "\" is added when the
// last character is not one; an empty text stays empty.
std::string NormalizeFolderPath(const std::string& path);
bool DirectoryExists(const std::string& path);
bool FileExists(const std::string& path);
// Makes every missing folder of a path ending with "\", then sets the attributes on it (kAttributeNormal;
// any other value fails once the folders are made).
bool EnsureDirectoryPath(const std::string& path, std::uint32_t attributes);

// The file name and extension of a path (what follows the last "\", "/" or drive colon).
std::string FileNamePart(const std::string& path);

}  // namespace vmqdSDK
