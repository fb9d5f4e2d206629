# The whole-run benchmark's source save through the native hvxfer-cli (HOST_CLI) and the WebAssembly one (CLI,
# run by EMULATOR), each in its own copy of the same folders and with the data archive beside it: the same
# exit status, standard output and error, report and new save, byte for byte. MAKE_SAVE writes the source
# save; WORK is a scratch folder.
cmake_minimum_required(VERSION 3.25)

function(expect_same_file a b)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${a} ${b} RESULT_VARIABLE differ)
  if(differ)
    file(SIZE ${a} size_a)
    file(SIZE ${b} size_b)
    message(FATAL_ERROR "${a} (${size_a} bytes) and ${b} (${size_b} bytes) differ")
  endif()
endfunction()

function(run side)
  execute_process(COMMAND ${ARGN} WORKING_DIRECTORY ${WORK}/${side} RESULT_VARIABLE status
                  OUTPUT_FILE ${WORK}/${side}/stdout.txt ERROR_FILE ${WORK}/${side}/stderr.txt)
  if(NOT status EQUAL 0)
    file(READ ${WORK}/${side}/stderr.txt err)
    message(FATAL_ERROR "${ARGN}: status ${status}\n${err}")
  endif()
endfunction()

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/native ${WORK}/wasm)
get_filename_component(cli_folder ${CLI} DIRECTORY)
get_filename_component(host_folder ${HOST_CLI} DIRECTORY)
expect_same_file(${cli_folder}/main.cr ${host_folder}/main.cr)

# Both make the demo folders alike; the WebAssembly tool's get the large save.
set(native ${HOST_CLI})
set(wasm ${EMULATOR} ${CLI})
foreach(side native wasm)
  run(${side} ${${side}} demo demo)
endforeach()
expect_same_file(${WORK}/native/demo/halvor/main/save/save00.dat ${WORK}/wasm/demo/halvor/main/save/save00.dat)
file(REMOVE_RECURSE ${WORK}/native/demo)
set(save ${WORK}/wasm/demo/halvor/main/save/save00.dat)
file(REMOVE ${save})
execute_process(COMMAND ${EMULATOR} ${MAKE_SAVE} ${cli_folder}/main.cr ${save} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the source save was not written (${status})")
endif()
file(COPY ${WORK}/wasm/demo DESTINATION ${WORK}/native)

foreach(side native wasm)
  run(${side} ${${side}} run demo/halvor demo/vaults bench --report log.txt)
endforeach()
foreach(file stdout.txt stderr.txt log.txt demo/vaults/save/bench.sav)
  expect_same_file(${WORK}/native/${file} ${WORK}/wasm/${file})
endforeach()
file(SIZE ${save} source_size)
file(SIZE ${WORK}/wasm/demo/vaults/save/bench.sav new_size)
file(READ ${WORK}/wasm/stderr.txt summary)
message(STATUS "source save ${source_size} bytes, new save ${new_size} bytes, both alike; ${summary}")
