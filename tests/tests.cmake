# Unit tests, the in-process case host, and the case suites.
find_package(GTest REQUIRED)
include(GoogleTest)
find_package(Python3 REQUIRED COMPONENTS Interpreter)

add_library(kal_test_support STATIC ${KAL_RECORDING_PLATFORM} tests/support/script_run.cpp)
target_link_libraries(kal_test_support PUBLIC kal_core GTest::gtest)

set(KAL_UNIT_TESTS
  cp1252
  name_index
  token_class
  statement_compiler
  label_table
  script_reader
  startup
  value
  variable_store
  compare
  dispatch_table
  number_format
  number_reading
  arithmetic
  text_functions
  numeric_functions
  date_functions
  file_rules
  file_functions
  builtin_calls
  interpreter
  message_boxes
  graphics
  drawing
  database
  description
  script_checker
  formatter
  packer
  transport
  lsp
  debug_breakpoints
  debug_session
)
foreach(name IN LISTS KAL_UNIT_TESTS)
  add_executable(test_${name} tests/unit/test_${name}.cpp)
  target_compile_definitions(test_${name} PRIVATE KAL_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  target_link_libraries(test_${name} PRIVATE kal_test_support kal_checker kal_lsp kal_debug kal_packer GTest::gtest_main)
  gtest_discover_tests(test_${name} DISCOVERY_TIMEOUT 30)
endforeach()

# Runs the core in this process against the recording platform: the cases' fast path.
add_executable(kal-host tests/host/kal_host.cpp)
target_link_libraries(kal-host PRIVATE kal_test_support)

# Under sanitizers the peak memory is mostly the sanitizer's, so the cases' memory limits are left to the plain
# build.
set(KAL_CASE_MEMORY_OPTION "")
if(KAL_SANITIZE)
  set(KAL_CASE_MEMORY_OPTION --no-memory-limits)
endif()
add_test(NAME cases.native
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/e2e/driver.py --backend native
          --host $<TARGET_FILE:kal-host> --kalbd $<TARGET_FILE:kalbd> --cases ${CMAKE_SOURCE_DIR}/tests/cases
          ${KAL_CASE_MEMORY_OPTION})

# Every #include keeps to the floors that the README's layout section names.
add_test(NAME layout.floors COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tools/check_floors.py)
# The guides' rows of commands and functions are the words table's (docs/words.json), which covers the dispatch table.
add_test(NAME guides.words COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tools/make_guides.py --check)
add_test(NAME editors.grammar.words COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/editors/vscode-kal/make_grammar.py --check)
add_test(NAME editors.notepadpp COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/editors/notepad++/make_udl.py --check)
# The loan example's table, worked out again by exact fractions.
add_test(NAME examples.prestamo COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/e2e/loan_table.py
                                        ${CMAKE_SOURCE_DIR}/tests/cases/examples/prestamo.expect)

# The editor grammar's tests, with the npm package vscode-tmgrammar-test (installed on first run), and every
# character that cuts a word typed into the grammar through the TextMate engine itself.
find_program(KAL_NPM npm REQUIRED)
add_test(NAME editors.grammar
         COMMAND sh -c "(test -d node_modules || npm ci --no-audit --no-fund --loglevel=error) && npx --no-install vscode-tmgrammar-test 'tests/*.kal' && node tests/breaks.test.js"
         WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}/editors/vscode-kal)
# The language server as Visual Studio Code's client meets it: the VS Code team's protocol library and text
# document, the light bulb's quick fix, format on save and the colours' legend.
add_test(NAME editors.vscode.client COMMAND node tests/client.test.js $<TARGET_FILE:kalcheck>
         WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}/editors/vscode-kal)
# With the browser build: the number and arithmetic unit tests on WebAssembly (under Node.js), and the page in
# headless Chromium (its drawings compared with KAL.exe's when the Windows build is there too).
set(KAL_WEB_DIR "" CACHE PATH "build/web of the web preset, for the browser suites")
if(KAL_WEB_DIR)
  add_test(NAME web.units COMMAND ${CMAKE_CTEST_COMMAND} --test-dir ${KAL_WEB_DIR} --output-on-failure)
  set(kal_page_windows)
  if(KAL_WINDOWS_EXE)
    set(kal_page_windows ${CMAKE_BINARY_DIR}/wine-pictures)  # what cases.wine keeps
  endif()
  add_test(NAME web.page COMMAND ${CMAKE_SOURCE_DIR}/web/tests/run_page_test.sh ${KAL_WEB_DIR}/site
                                 ${CMAKE_SOURCE_DIR}/tests/cases $<TARGET_FILE:kalbd> ${kal_page_windows})
  # KALPACK: the page's programs are held to kalpack's bytes.
  set_tests_properties(web.page PROPERTIES TIMEOUT 900
                       ENVIRONMENT "NODE_PATH=/usr/share/nodejs;KALPACK=$<TARGET_FILE:kalpack>")
  if(KAL_WINDOWS_EXE)
    set_tests_properties(web.page PROPERTIES FIXTURES_REQUIRED kal_wine_pictures)
  endif()
endif()
# With the Windows build, kalcheck.exe (beside KAL.exe) is checked under Wine as well.
set(KAL_CHECK_WINE)
if(KAL_WINDOWS_EXE)
  get_filename_component(kal_windows_dir ${KAL_WINDOWS_EXE} DIRECTORY)
  set(KAL_CHECK_WINE --wine ${kal_windows_dir}/kalcheck.exe --prefix ${CMAKE_BINARY_DIR}/kalcheck-wine)
endif()
set(KAL_BD_WINE)
if(KAL_WINDOWS_EXE)
  set(KAL_BD_WINE --wine ${kal_windows_dir}/kalbd.exe --prefix ${CMAKE_BINARY_DIR}/kalcheck-wine)
endif()
add_test(NAME kalbd COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/e2e/kalbd_test.py $<TARGET_FILE:kalbd>
                            ${KAL_BD_WINE})
set_tests_properties(kalbd PROPERTIES TIMEOUT 600)
add_test(NAME kalcheck COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/e2e/kalcheck_test.py
                               $<TARGET_FILE:kalcheck> ${KAL_CHECK_WINE})
set_tests_properties(kalcheck PROPERTIES TIMEOUT 900)
# The language server, talked to as an editor does (and, with the Windows build, kalcheck.exe under Wine).
add_test(NAME lsp COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/e2e/lsp_test.py
                          $<TARGET_FILE:kalcheck> ${KAL_CHECK_WINE})
set_tests_properties(lsp PROPERTIES TIMEOUT 900)
# A real client: Neovim's built-in LSP client, headless.
find_program(KAL_NVIM nvim REQUIRED)
add_test(NAME lsp.neovim COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/e2e/neovim_test.py
                                 $<TARGET_FILE:kalcheck>)
set_tests_properties(lsp.neovim PROPERTIES TIMEOUT 300)

if(KAL_WINDOWS_EXE)
  add_test(NAME cases.wine
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/e2e/driver.py --backend wine
            --exe ${KAL_WINDOWS_EXE} --kalbd $<TARGET_FILE:kalbd> --cases ${CMAKE_SOURCE_DIR}/tests/cases
            --pictures ${CMAKE_BINARY_DIR}/wine-pictures)
  # The pictures KAL.exe saved are kept for the page's drawings to be compared with (web.page).
  set_tests_properties(cases.wine PROPERTIES TIMEOUT 3000 FIXTURES_SETUP kal_wine_pictures)
  # The same cases packed by kalpack into a program of another name, each that runs its script as
  # KAL.exe SCRIPT does (the others name the interpreter's file or its command line).
  add_test(NAME cases.wine.packed
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/e2e/driver.py --backend wine
            --exe ${KAL_WINDOWS_EXE} --kalbd $<TARGET_FILE:kalbd> --cases ${CMAKE_SOURCE_DIR}/tests/cases
            --packed $<TARGET_FILE:kalpack>)
  set_tests_properties(cases.wine.packed PROPERTIES TIMEOUT 3000)
  # kalpack as a person uses it, and its programs renamed, signed and cut under Wine.
  add_test(NAME kalpack COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/e2e/kalpack_test.py
                                $<TARGET_FILE:kalpack> ${kal_windows_dir}/kalpack.exe ${KAL_WINDOWS_EXE})
  set_tests_properties(kalpack PROPERTIES TIMEOUT 900)
  # The extension's "Crear programa" with that kalpack and KAL.exe.
  add_test(NAME editors.vscode.pack COMMAND node tests/pack.test.js $<TARGET_FILE:kalpack> ${KAL_WINDOWS_EXE}
           WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}/editors/vscode-kal)
  # The programs' resources, read by Debian's python3-pefile (so with Debian's Python, not another on the PATH).
  find_program(KAL_SYSTEM_PYTHON python3 PATHS /usr/bin NO_DEFAULT_PATH REQUIRED)
  add_test(NAME windows.resources
    COMMAND ${KAL_SYSTEM_PYTHON} ${CMAKE_SOURCE_DIR}/tests/e2e/resources_test.py ${kal_windows_dir} ${PROJECT_VERSION}
            $<TARGET_FILE:kalpack>)
  # The release: the Windows zip unpacked under Wine and its examples run there, signing, and the same zips from
  # the same sources built in another folder (which makes this the longest suite).
  if(KAL_WEB_DIR)
    add_test(NAME release COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/e2e/release_test.py
                                  ${kal_windows_dir}/box_text.exe)
    set_tests_properties(release PROPERTIES TIMEOUT 2400)
  endif()
  # The debug adapter under Wine, talked to as an editor does.
  add_test(NAME kaldebug COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/e2e/kaldebug_test.py
                                 ${kal_windows_dir}/kaldebug.exe --prefix ${CMAKE_BINARY_DIR}/kalcheck-wine)
  set_tests_properties(kaldebug PROPERTIES TIMEOUT 600)
  # The same adapter with KAL's boxes and windows on a display, driven by the protocol's own test client.
  add_test(NAME debug.client
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/e2e/debug_client_test.py ${kal_windows_dir}/kaldebug.exe
            ${kal_windows_dir}/box_text.exe --prefix ${CMAKE_BINARY_DIR}/debug-wine)
  set_tests_properties(debug.client PROPERTIES TIMEOUT 900)
  # Four KAL.exe storing into one database at once.
  add_test(NAME database.concurrency
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/e2e/database_concurrency_test.py
            --exe ${KAL_WINDOWS_EXE} --kalbd $<TARGET_FILE:kalbd>)
  set_tests_properties(database.concurrency PROPERTIES TIMEOUT 900)
  # The editor extension that tools/build.sh packages after both builds.
  add_test(NAME editors.vsix COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/e2e/vsix_test.py
                                     ${CMAKE_BINARY_DIR}/../kal.vsix)
  # The demo runner, as a user runs it, over every example.
  add_test(NAME demo
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/e2e/demo_test.py
            --exe ${KAL_WINDOWS_EXE} --prefix ${CMAKE_BINARY_DIR}/demo-wine)
  set_tests_properties(demo PROPERTIES TIMEOUT 900 COST 500)  # long: start it early
endif()

# Benchmarks are built when Google Benchmark is there; they never run as tests.
# Timings for bench/compare_lua.py.
add_executable(kal_bench bench/kal_bench.cpp ${KAL_RECORDING_PLATFORM})
target_link_libraries(kal_bench PRIVATE kal_core kal_debug)
# Linked statically, as KAL.exe is: a process then starts without resolving the C++ library's symbols.
if(NOT KAL_SANITIZE AND NOT KAL_FUZZ)
  target_link_options(kal_bench PRIVATE -static)
endif()

find_package(benchmark QUIET)
if(benchmark_FOUND)
  add_executable(bench_load bench/bench_load.cpp)
  target_link_libraries(bench_load PRIVATE kal_core benchmark::benchmark)
endif()
