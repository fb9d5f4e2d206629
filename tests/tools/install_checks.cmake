# An installed hvxfer-cli: `cmake --install` into a fresh prefix, then demo and run from there with no
# --data or --report, in a folder of the user's.
# Variables: BUILD (the native build folder), WORK (a scratch folder).
cmake_minimum_required(VERSION 3.25)

function(run expected_status)
  execute_process(COMMAND ${ARGN} WORKING_DIRECTORY ${WORK}/user
                  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT "${status}" STREQUAL "${expected_status}")
    message(FATAL_ERROR "${ARGN}: exit ${status}, expected ${expected_status}\n${out}${err}")
  endif()
  set(run_err "${err}" PARENT_SCOPE)
endfunction()

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/user)
set(prefix ${WORK}/prefix)
set(cli ${prefix}/bin/hvxfer-cli)
run(0 ${CMAKE_COMMAND} --install ${BUILD} --prefix ${prefix})
foreach(installed ${cli} ${prefix}/share/hvxfer/main.cr)
  if(NOT EXISTS ${installed})
    message(FATAL_ERROR "not installed: ${installed}")
  endif()
endforeach()

# The installed archive is found, and the report goes to the current folder, not beside the program.
run(0 ${cli} demo demo)
run(0 ${cli} run demo/halvor demo/vaults hero1)
if(NOT EXISTS ${WORK}/user/demo/vaults/save/hero1.sav)
  message(FATAL_ERROR "the installed run wrote no save")
endif()
file(READ ${WORK}/user/log.txt report HEX)
string(SUBSTRING "${report}" 0 52 title)
if(NOT title STREQUAL "835a815b83758366815b835e88f88c7082ac8c8b89ca0d0a0d0a")
  message(FATAL_ERROR "no report in the current folder (read: ${title})")
endif()
if(EXISTS ${prefix}/bin/log.txt)
  message(FATAL_ERROR "the installed run wrote its report beside the program")
endif()

# An archive beside the program comes first.
file(WRITE ${prefix}/bin/main.cr "not an archive")
run(2 ${cli} check-name abcd)
if(NOT run_err MATCHES "check-name: data archive cannot be opened: .*bin.main\\.cr\n$")
  message(FATAL_ERROR "the archive beside the program was not the one used:\n${run_err}")
endif()
