// The bodies of the fuzz targets: each takes any bytes and must neither crash, hang nor exhaust memory.
// The libFuzzer mains (fuzz/) and the corpus replay test call the same functions. A function aborts only
// where a property of the code under test is broken (a round trip that does not give back its input).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vmqdSDK::test {

struct FuzzTarget {
  const char* name;  // also the corpus folder: fuzz/corpus/<name>/
  void (*run)(const std::uint8_t* data, std::size_t size);
};

// Source save: the bytes as the file, as the file with its check value made right, as the inflated data,
// and as inflated data put into a sound file, each read into an item list.
void FuzzSourceSave(const std::uint8_t* data, std::size_t size);
// Data archive: the bytes as "main.cr"; when it opens, every member read whole, the tables and lists loaded
// from it as at start-up.
void FuzzArchive(const std::uint8_t* data, std::size_t size);
// Tables: the bytes as each of the seven kinds of ".tbl", every row and some other keys looked up.
void FuzzTables(const std::uint8_t* data, std::size_t size);
// User names: the bytes split at NULs into the three list files and a name, then checked.
void FuzzUserName(const std::uint8_t* data, std::size_t size);
// Codecs: descrambling (as given and with the check value made right), inflating, and the round trips of
// scrambling and deflating.
void FuzzCodecs(const std::uint8_t* data, std::size_t size);
// Conversion: small tables built from the first bytes, items read from the rest, every item converted and
// written.
void FuzzConvert(const std::uint8_t* data, std::size_t size);

const std::vector<FuzzTarget>& FuzzTargets();

}  // namespace vmqdSDK::test
