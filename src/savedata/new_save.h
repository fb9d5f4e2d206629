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
#include "foundation/text_buffer.h"

namespace vmqdSDK {

class CArchive;

// Failure codes of making the new save, one per step; the run reports them as they are.
enum NewSaveCode : int {
  kNewSaveOk = 0,
  kNewSaveHeaderMissing = 468,  // the archive serves no "h.txt" (missing, or a member it cannot decode)
  kNewSaveHeaderRead = 473,     // "h.txt" was served but cannot be read whole
  kNewSaveHeaderWrite = 479,
  kNewSaveItemsWrite = 486,
  kNewSaveFooterMissing = 494,  // the archive serves no "f.txt"
  kNewSaveFooterCopy = 498,     // "f.txt" was served but cannot be copied whole
  kNewSaveDocument = 509,       // the XML document could not be written, or is empty
  kNewSaveScramble = 524,
  kNewSaveDeflate = 529,
  kNewSaveCreate = 539,  // the temporary file cannot be made, or not moved to the save's name (one is there)
  kNewSaveWrite = 543,   // the temporary file was not written and flushed whole (it is removed again)
};

inline constexpr const char* kNewSaveHeader = "h.txt";
inline constexpr const char* kNewSaveFooter = "f.txt";
inline constexpr const char* kUserNamePlaceholder = "_UN_";

// "h.txt" with every "_UN_" replaced by the user name: the document's beginning.
int ReadNewSaveHeader(CArchive& archive, const std::string& userName, std::string& header);
// "f.txt" copied unchanged to the end of `document`: the document's end.
int CopyNewSaveFooter(CArchive& archive, CStream& document);

// Room a run keeps in front of its item text for EncodeNewSaveAroundItems.
inline constexpr std::size_t kNewSaveFrontRoom = 4096;

// The file's bytes, from `text` holding kNewSaveFrontRoom bytes of room and then the item text: the document
// (header, item text, footer) with the XML declaration in front, scrambled, then deflated at the engine's own
// level. The document is put together around the items where they lie and declared, scrambled and deflated
// there as well: a large save is not copied. Only templates are converted when the document is UTF-8 (the
// item text this tool writes is ASCII). `text` is used up.
int EncodeNewSaveAroundItems(CArchive& archive, const std::string& userName, CTextBuffer& text,
                             CByteArray& encoded);

// The save is written under a temporary name beside its own, flushed to the disk and then moved to its
// name without replacing anything there, so that a stopped process or a power cut leaves it whole or
// absent. The temporary name is the save's file name, kUnfinishedMarker, a mark of the writer and
// kUnfinishedEnding: the game, which reads ".sav" files, never takes it for a save. On failure the temporary
// file is removed and the save's name left as it was.
inline constexpr const char* kUnfinishedMarker = ".hvxfer-";
inline constexpr const char* kUnfinishedEnding = ".tmp";
int WriteNewSaveFile(const std::string& path, const CByteArray& encoded);

// Removes the temporary files that stopped runs left for the save at `path`; the save itself is not touched.
void RemoveUnfinishedNewSaves(const std::string& path);

// The declaration and document of a new save's bytes (inflated, check value tested, unscrambled); false
// when the bytes are not such a file.
bool DecodeNewSave(const void* data, std::uint32_t size, std::string& xml);

}  // namespace vmqdSDK
