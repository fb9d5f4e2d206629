# zlib for the WebAssembly build, compiled from the sources that Debian's binutils-source package ships
# (zlib 1.2.12 inside the binutils tarball): Emscripten's own zlib port would be downloaded. At the save
# formats' settings its deflate output is byte for byte that of the native build's zlib. Defines ZLIB::ZLIB
# as find_package(ZLIB) does.
set(HVXFER_ZLIB_TARBALL /usr/src/binutils/binutils-2.40.tar.xz CACHE FILEPATH
    "Tarball with zlib's sources in binutils-2.40/zlib/ (Debian: binutils-source)")
set(HVXFER_ZLIB_SOURCES adler32 compress crc32 deflate infback inffast inflate inftrees trees uncompr zutil)

# Extracted once into the build folder, by GNU tar: the tarball holds every file a second time as a hard link
# to itself, which CMake's own extraction refuses.
set(zlib_dir ${CMAKE_BINARY_DIR}/zlib-source)
if(NOT EXISTS ${zlib_dir}/zlib.h)
  if(NOT EXISTS ${HVXFER_ZLIB_TARBALL})
    message(FATAL_ERROR "zlib's sources are taken from ${HVXFER_ZLIB_TARBALL}: install Debian's binutils-source "
                        "(bash scripts/setup.sh) or set HVXFER_ZLIB_TARBALL")
  endif()
  find_program(HVXFER_TAR tar REQUIRED NO_CMAKE_FIND_ROOT_PATH)
  message(STATUS "Extracting zlib's sources from ${HVXFER_ZLIB_TARBALL}")
  set(unpacking ${CMAKE_BINARY_DIR}/zlib-source.unpacking)
  file(REMOVE_RECURSE ${unpacking})
  file(MAKE_DIRECTORY ${unpacking})
  execute_process(COMMAND ${HVXFER_TAR} -xJf ${HVXFER_ZLIB_TARBALL} -C ${unpacking}
                          --wildcards --no-wildcards-match-slash "binutils-2.40/zlib/*.[ch]"
                  RESULT_VARIABLE status)
  if(NOT status EQUAL 0 OR NOT EXISTS ${unpacking}/binutils-2.40/zlib/zlib.h)
    message(FATAL_ERROR "zlib's sources could not be extracted from ${HVXFER_ZLIB_TARBALL} (${status})")
  endif()
  file(RENAME ${unpacking}/binutils-2.40/zlib ${zlib_dir})
  file(REMOVE_RECURSE ${unpacking})
endif()

list(TRANSFORM HVXFER_ZLIB_SOURCES PREPEND ${zlib_dir}/ OUTPUT_VARIABLE zlib_files)
list(TRANSFORM zlib_files APPEND .c)
add_library(hvxfer_zlib STATIC ${zlib_files})
target_include_directories(hvxfer_zlib SYSTEM PUBLIC ${zlib_dir})
target_compile_options(hvxfer_zlib PRIVATE -w)  # not ours to mend
add_library(ZLIB::ZLIB ALIAS hvxfer_zlib)
