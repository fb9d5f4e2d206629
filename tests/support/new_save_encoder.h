// The new save made step by step, the straightforward way its format page describes: the document put
// together in a growable memory stream, then declared, scrambled and deflated, each step in a buffer of its
// own. The run makes the same bytes around its item text without copying (EncodeNewSaveAroundItems); the
// tests hold the two to the same bytes and codes.
#pragma once

#include <cstdint>
#include <string>

#include "archive/shared.h"
#include "archive/stream.h"

namespace vmqdSDK {
class CArchive;
}

namespace hvxfer::test {

// The document text into `document` (a growable read-write memory stream): "h.txt" with every "_UN_"
// replaced by the user name, the item text, then "f.txt" unchanged. 0 or the run's code of the failed step.
int BuildNewSaveDocument(vmqdSDK::CArchive& archive, const std::string& userName, const std::string& itemText,
                         vmqdSDK::CStream& document);

// Declaration and document, scrambled, then deflated at the engine's own level: the file's bytes. 0 or the
// run's code of the failed step.
int EncodeNewSave(const void* document, std::uint32_t size, vmqdSDK::CByteArray& encoded);

}  // namespace hvxfer::test
