# Cross build for WebAssembly with Debian's Emscripten (package emscripten; its system libraries come
# prebuilt in a frozen cache, so nothing is built or fetched). The project's own settings for it are in
# cmake/wasm.cmake.
include(/usr/share/emscripten/cmake/Modules/Platform/Emscripten.cmake)

# emcc's JavaScript optimiser loads acorn, which Debian installs outside Node's own module path; every link
# runs it.
set(CMAKE_C_LINKER_LAUNCHER ${CMAKE_COMMAND} -E env NODE_PATH=/usr/share/nodejs)
set(CMAKE_CXX_LINKER_LAUNCHER ${CMAKE_COMMAND} -E env NODE_PATH=/usr/share/nodejs)
