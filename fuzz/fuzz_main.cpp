// One libFuzzer target; HVXFER_FUZZ_BODY names its body in tests/support/fuzz_targets.h.
#include <cstddef>
#include <cstdint>

#include "support/fuzz_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  vmqdSDK::test::HVXFER_FUZZ_BODY(data, size);
  return 0;
}
