# The WebAssembly build's settings, in one place; read by the top-level CMakeLists.txt when Emscripten
# builds (preset wasm, toolchain cmake/emscripten.cmake):
# - what every file is compiled with and every program linked with (below);
# - zlib compiled from source (zlib_from_source.cmake);
# - hvxfer_wasm_platform(): the platform layer's Emscripten host, with its code page 932 table;
# - hvxfer_wasm_node_program(): a program that Node.js runs on the machine's real files;
# - hvxfer_host_program(): a program for the build machine, which the build or the tests run.
#
# A further program, such as a page's module, is an add_executable() linked to hvxfer_core: it gets the
# settings below by itself and adds its own environment's options, for instance
#   target_link_options(page_module PRIVATE -sENVIRONMENT=web,worker -sMODULARIZE=1 -sEXPORT_NAME=...)

# C++ exceptions as WebAssembly instructions, at compile and at link time alike (without them a throw ends
# the program silently): a try costs nothing until something is thrown, where Emscripten's JavaScript
# exceptions route every call that may throw through JavaScript.
add_compile_options($<$<COMPILE_LANGUAGE:CXX>:-fwasm-exceptions>)
add_link_options(-fwasm-exceptions
  -sALLOW_MEMORY_GROWTH=1)  # a large save needs more than the initial memory

include(${CMAKE_CURRENT_LIST_DIR}/zlib_from_source.cmake)

# Programs for the build machine, made with its own compiler: the code page 932 table's maker, and the native
# halves of the checks that compare the two builds. The native platform layer is what src/CMakeLists.txt
# chooses on Linux.
find_program(HVXFER_HOST_CXX NAMES c++ g++ clang++ REQUIRED NO_CMAKE_FIND_ROOT_PATH
             DOC "The build machine's C++ compiler, for the programs the build runs")
set(HVXFER_PLATFORM_DIR ${PROJECT_SOURCE_DIR}/src/foundation/platform)
file(GLOB HVXFER_NATIVE_PLATFORM_SOURCES CONFIGURE_DEPENDS
     ${HVXFER_PLATFORM_DIR}/posix/*.cpp ${HVXFER_PLATFORM_DIR}/linux/*.cpp)
file(GLOB HVXFER_HOST_HEADERS CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/foundation/*.h ${HVXFER_PLATFORM_DIR}/*.h
     ${HVXFER_PLATFORM_DIR}/posix/*.h ${HVXFER_PLATFORM_DIR}/emscripten/*.h)

# `output` built for the build machine from the sources that follow, which include from src/.
function(hvxfer_host_program output)
  get_filename_component(name ${output} NAME)
  get_filename_component(folder ${output} DIRECTORY)
  add_custom_command(
    OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${folder}
    COMMAND ${HVXFER_HOST_CXX} -std=c++20 -O2 -I${PROJECT_SOURCE_DIR}/src ${ARGN} -o ${output}
    DEPENDS ${ARGN} ${HVXFER_HOST_HEADERS}
    COMMENT "Building ${name} for the build machine"
    VERBATIM)
endfunction()

# The host of the POSIX layer under Emscripten (src/foundation/platform/emscripten/) for `target`, the
# platform library: its code page 932 table, made at build time from the build machine's iconv, and the
# JavaScript half that every program linking it gets.
function(hvxfer_wasm_platform target)
  set(generated ${PROJECT_BINARY_DIR}/generated/emscripten)
  set(host ${HVXFER_PLATFORM_DIR}/emscripten)
  hvxfer_host_program(${generated}/make_cp932_table ${host}/make_cp932_table.cpp
                      ${HVXFER_PLATFORM_DIR}/linux/linux_host.cpp)
  add_custom_command(
    OUTPUT ${generated}/cp932_table.inc
    COMMAND ${generated}/make_cp932_table ${generated}/cp932_table.inc
    DEPENDS ${generated}/make_cp932_table
    COMMENT "Making the code page 932 table from the build machine's iconv"
    VERBATIM)
  target_sources(${target} PRIVATE ${host}/emscripten_host.cpp ${generated}/cp932_table.inc)
  target_include_directories(${target} PRIVATE ${generated})

  set(javascript ${host}/emscripten_host.js)
  target_link_options(${target} INTERFACE "SHELL:--js-library ${javascript}")
  set_property(TARGET ${target} APPEND PROPERTY INTERFACE_LINK_DEPENDS ${javascript})
endfunction()

# `target` as a program for Node.js on the machine's real files: `node TARGET.js ARGS...`.
function(hvxfer_wasm_node_program target)
  target_link_options(${target} PRIVATE
    -sENVIRONMENT=node
    -sNODERAWFS=1                 # without it, files live in memory and writes vanish silently
    -sEXIT_RUNTIME=1              # so that the exit status reaches node
    -sWASM_ASYNC_COMPILATION=0)   # Node.js 20 fails to fetch the .wasm from a file for the asynchronous way
endfunction()
