// The destination game's new save: the document (header template with the user name, item elements,
// footer template) with the XML declaration in front, in a "vmqd" container, deflated, written to a file
// that did not exist before.
// Format: docs/formats/new-save.md
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "archive/shared.h"
#include "archive/stream.h"

namespace vmqdSDK {

class CArchive;

// Failure codes of making the new save, one per step; the run reports them as they are.
enum NewSaveCode : int {
  kNewSaveOk = 0,
  kNewSaveHeaderMissing = 468,  // "h.txt" is not in the archive
  kNewSaveHeaderRead = 473,     // "h.txt" is there but cannot be read whole
  kNewSaveHeaderWrite = 479,
  kNewSaveItemsWrite = 486,
  kNewSaveFooterMissing = 494,  // "f.txt" is not in the archive
  kNewSaveFooterCopy = 498,     // "f.txt" is there but cannot be copied whole
  kNewSaveDocument = 509,       // the XML document could not be written, or is empty
  kNewSaveScramble = 524,
  kNewSaveDeflate = 529,
  kNewSaveCreate = 539,  // the file exists or cannot be made
  kNewSaveWrite = 543,   // the file was made but not written whole (and has been removed again)
};

inline constexpr const char* kNewSaveHeader = "h.txt";
inline constexpr const char* kNewSaveFooter = "f.txt";
inline constexpr const char* kUserNamePlaceholder = "_UN_";

// The document text into `document` (a growable read-write memory stream): "h.txt" with every "_UN_"
// replaced by the user name, the item text, then "f.txt" unchanged.
int BuildNewSaveDocument(CArchive& archive, const std::string& userName, const std::string& itemText,
                         CStream& document);

// Declaration and document, scrambled, then deflated at the engine's own level: the file's bytes.
int EncodeNewSave(const void* document, std::uint32_t size, CByteArray& encoded);

// Room a run keeps in front of its item text for EncodeNewSaveAroundItems.
inline constexpr std::size_t kNewSaveFrontRoom = 4096;

// What BuildNewSaveDocument and EncodeNewSave together make, from `text` holding kNewSaveFrontRoom bytes
// of room and then the item text. The document is put together around the items where they lie and, when
// it is plain ASCII, declared, scrambled and deflated there as well: a large save is not copied. `text` is
// used up.
int EncodeNewSaveAroundItems(CArchive& archive, const std::string& userName, std::string& text,
                             CByteArray& encoded);

// Creates the file (never over an existing one), writes the bytes and flushes them. A file that was
// created but could not be written whole is removed again.
int WriteNewSaveFile(const std::string& path, const CByteArray& encoded);

// The declaration and document of a new save's bytes (inflated, check value tested, unscrambled); false
// when the bytes are not such a file.
bool DecodeNewSave(const void* data, std::uint32_t size, std::string& xml);

}  // namespace vmqdSDK
