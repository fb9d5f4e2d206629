# The build folders and configure steps the scripts share; sourced from the top level of the checkout by
# scripts/test.sh, scripts/package.sh and scripts/test-windows-ui.sh. The folders are the presets' own
# (CMakePresets.json) unless HVXFER_NATIVE_DIR, HVXFER_WINDOWS_DIR, HVXFER_WASM_DIR or HVXFER_FUZZ_DIR
# name others;
# HVXFER_JOBS sets the build's parallel jobs (default 2).

NATIVE_DIR=${HVXFER_NATIVE_DIR:-build/native}
WINDOWS_DIR=${HVXFER_WINDOWS_DIR:-build/windows}
WASM_DIR=${HVXFER_WASM_DIR:-build/wasm}
FUZZ_DIR=${HVXFER_FUZZ_DIR:-build/fuzz}
JOBS=${HVXFER_JOBS:-2}

configure_native() { cmake --preset native -B "$NATIVE_DIR"; }
# main.cr is made by the native build's hvxfer-cli, wherever that build is.
configure_windows() {
  cmake --preset windows -B "$WINDOWS_DIR" -DHVXFER_HOST_CLI="$(realpath -m "$NATIVE_DIR/tools/cli/hvxfer-cli")"
}
configure_wasm() {
  cmake --preset wasm -B "$WASM_DIR" -DHVXFER_HOST_CLI="$(realpath -m "$NATIVE_DIR/tools/cli/hvxfer-cli")"
}
configure_fuzz() { cmake --preset fuzz -B "$FUZZ_DIR"; }
