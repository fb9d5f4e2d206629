#include "archive/whole_file.h"

#include <new>
#include <stdexcept>

#include "foundation/platform/platform.h"

namespace vmqdSDK {

bool ReadWholeStream(CStream& stream, std::string& bytes) {
  bytes.clear();
  const std::uint32_t size = stream.IsClosed() ? kNoValue : stream.GetSize();
  if (size == kNoValue || !stream.CanSupply(size)) return false;
  try {
    bytes.resize(size);
  } catch (const std::bad_alloc&) {
    return false;
  } catch (const std::length_error&) {
    return false;
  }
  if (size != 0 && !stream.ReadAll(bytes.data(), size)) {
    bytes.clear();
    return false;
  }
  return true;
}

WholeFile ReadWholeFile(const std::string& path, std::string& bytes) {
  bytes.clear();
  CFileStream file(path);
  if (!file.Open(1, kGenericRead, kNoValue, path)) return WholeFile::kOpenFailed;
  return ReadWholeStream(file, bytes) ? WholeFile::kOk : WholeFile::kIoFailed;
}

WholeFile WriteNewFile(const std::string& path, const void* data, std::uint32_t size) {
  CFileStream file(path);
  if (!file.Create(1, kGenericWrite, kNoValue, path)) return WholeFile::kOpenFailed;
  const bool written = (size == 0 || file.WriteAll(data, size)) && file.Flush();
  file.Close();
  // The file is this call's own: removing it touches nothing that was there before.
  if (!written) {
    platform::RemoveFile(path);
    return WholeFile::kIoFailed;
  }
  return WholeFile::kOk;
}

}  // namespace vmqdSDK
