# The hvxfer-cli contract that other tools rely on: exit statuses, the printed report, check-name's texts.
# Variables: CLI (hvxfer-cli), EMULATOR (may be empty), ARCHIVE (the bundled main.cr), WORK (a scratch folder).
cmake_minimum_required(VERSION 3.25)

function(run_cli expected_status)
  execute_process(COMMAND ${EMULATOR} ${CLI} ${ARGN} WORKING_DIRECTORY ${WORK}
                  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT "${status}" STREQUAL "${expected_status}")
    message(FATAL_ERROR "hvxfer-cli ${ARGN}: exit ${status}, expected ${expected_status}\n${out}${err}")
  endif()
  set(cli_out "${out}" PARENT_SCOPE)
  set(cli_err "${err}" PARENT_SCOPE)
endfunction()

function(expect_text actual expected what)
  if(NOT "${actual}" STREQUAL "${expected}")
    message(FATAL_ERROR "${what}:\n[${actual}]\nexpected\n[${expected}]")
  endif()
endfunction()

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
set(data --data ${ARCHIVE} --report ${WORK}/log.txt)

# Usage errors and an unusable archive are status 2, before anything is written.
run_cli(2)
run_cli(2 run only-one-folder)
run_cli(2 run src dst name --data)
run_cli(2 run src dst name --data ${WORK}/missing.cr)
file(WRITE ${WORK}/broken.cr "not an archive")
run_cli(2 run src dst name --data ${WORK}/broken.cr)
if(EXISTS ${WORK}/log.txt)
  message(FATAL_ERROR "a usage error wrote a report")
endif()

# A whole run on the demo folders succeeds; the report is printed and written in CP932.
run_cli(0 demo demo)
run_cli(0 run demo/halvor demo/vaults hero1 ${data})
string(FIND "${cli_out}" "セーブデータ引継ぎ結果\n\n" at)
if(NOT at EQUAL 0)
  message(FATAL_ERROR "the printed report does not start with its title:\n${cli_out}")
endif()
if(NOT EXISTS ${WORK}/demo/vaults/save/hero1.sav)
  message(FATAL_ERROR "the run reported success but wrote no save")
endif()
# (execute_process folds CR LF to LF; the file keeps its bytes.)
file(READ ${WORK}/log.txt report HEX)
string(SUBSTRING "${report}" 0 52 title)
expect_text("${title}" "835a815b83758366815b835e88f88c7082ac8c8b89ca0d0a0d0a" "report title in CP932 with CR LF")

# The same name again stops before reading anything: one error line, status 1, the save untouched.
file(SHA256 ${WORK}/demo/vaults/save/hero1.sav before)
run_cli(1 run demo/halvor demo/vaults hero1 ${data})
expect_text("${cli_out}" "エラー：ユーザー名 \"hero1\" は出力先に既に存在します。(EL336)\n" "existing save")
file(SHA256 ${WORK}/demo/vaults/save/hero1.sav after)
expect_text("${after}" "${before}" "the existing save was changed")

# Folders are checked in order and reported normalised.
run_cli(1 run demo/nowhere demo/vaults hero2 ${data})
expect_text("${cli_out}" "エラー：demo\\nowhere\\ は引継ぎ元として有効なフォルダではありません。(EL311)\n" "source folder")
run_cli(1 run demo/halvor demo/halvor hero2 ${data})
expect_text("${cli_out}" "エラー：demo\\halvor\\ は引継ぎ先として有効なフォルダではありません。(EL316)\n" "destination folder")
run_cli(1 run demo/halvor demo/vaults "../x1" ${data})
expect_text("${cli_out}" "エラー：ユーザー名が不正(EL323)\n" "name leaving the save folder")

# inspect shows the new save as its document.
run_cli(0 inspect demo/vaults/save/hero1.sav)
string(FIND "${cli_out}" "<?xml version=\"1.0\" encoding=\"" at)
string(FIND "${cli_out}" "user=\"hero1\"" user_at)
if(NOT at EQUAL 0 OR user_at LESS 0)
  message(FATAL_ERROR "inspect did not show the document:\n${cli_out}")
endif()

# check-name prints the dialog's status text.
foreach(case "0|abcd|使用可能な名前です。" "1|abc|半角4～18(全角2～9)文字に制限されています" "0|勇者ソ|使用可能な名前です。")
  string(REPLACE "|" ";" fields "${case}")
  list(GET fields 0 status)
  list(GET fields 1 name)
  list(GET fields 2 text)
  run_cli(${status} check-name "${name}" --data ${ARCHIVE})
  string(STRIP "${cli_out}" shown)
  expect_text("${shown}" "${text}" "check-name '${name}'")
endforeach()
# An empty name (passed directly: a function's argument list drops empty elements).
execute_process(COMMAND ${EMULATOR} ${CLI} check-name "" --data ${ARCHIVE} RESULT_VARIABLE status OUTPUT_VARIABLE out)
string(STRIP "${out}" shown)
expect_text("${status}|${shown}" "1|ユーザー名を入力してください。" "check-name of an empty name")
