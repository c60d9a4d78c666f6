# The browser build: the portable core and the checker compiled to WebAssembly with the browser platform, as
# web/dist/kal.js + kal.wasm for the page; and the number and arithmetic unit tests, run under Node.js.
set(KAL_WEB_IMPORTS kal_js_message_box kal_js_input_dialog kal_js_pause kal_js_step kal_js_halt
                    kal_js_draw_bitmap)
list(JOIN KAL_WEB_IMPORTS "," kal_web_imports)
set(KAL_WEB_EXPORTS kal_run kal_set_stepping kal_watch kal_put_file kal_put_folder kal_files kal_file kal_check
                    kal_format kal_pack kal_bench kal_alloc kal_free kal_disk_changes)
list(TRANSFORM KAL_WEB_EXPORTS PREPEND "_")
list(JOIN KAL_WEB_EXPORTS "," kal_web_exports)

# The page's footer shows KAL's version: build.mjs reads it here.
file(WRITE ${CMAKE_BINARY_DIR}/version.txt "${PROJECT_VERSION}")

add_executable(kal_web app/web_main.cpp platform/web/web_halt.cpp platform/web/web_dialogs.cpp
                       platform/web/web_clock_and_shell.cpp platform/web/web_surfaces.cpp)
target_link_libraries(kal_web PRIVATE kal_checker kal_packer)
target_include_directories(kal_web SYSTEM PRIVATE ${CMAKE_BINARY_DIR}/nlohmann-include)
set_target_properties(kal_web PROPERTIES OUTPUT_NAME kal SUFFIX ".js" LINK_DEPENDS
                                         ${CMAKE_SOURCE_DIR}/platform/web/kal_library.js)
target_link_options(kal_web PRIVATE
  "SHELL:--js-library \"${CMAKE_SOURCE_DIR}/platform/web/kal_library.js\""
  -sASYNCIFY -sASYNCIFY_STACK_SIZE=65536 "-sASYNCIFY_IMPORTS=[${kal_web_imports}]"
  -sMODULARIZE -sEXPORT_ES6 -sEXPORT_NAME=createKal -sENVIRONMENT=web -sALLOW_MEMORY_GROWTH -sFILESYSTEM=0
  "-sEXPORTED_FUNCTIONS=[${kal_web_exports}]" "-sEXPORTED_RUNTIME_METHODS=[ccall,UTF8ToString,stringToUTF8,lengthBytesUTF8]")

# GoogleTest from Debian's sources, built for WebAssembly.
set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
find_program(KAL_NODE node REQUIRED)
enable_testing()
add_library(kal_web_test_support STATIC ${KAL_RECORDING_PLATFORM} tests/support/script_run.cpp common/halt.cpp)
target_link_libraries(kal_web_test_support PUBLIC kal_core gtest)
foreach(name number_format number_reading arithmetic numeric_functions value compare)
  add_executable(web_test_${name} tests/unit/test_${name}.cpp)
  target_compile_definitions(web_test_${name} PRIVATE KAL_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  target_link_libraries(web_test_${name} PRIVATE kal_web_test_support gtest_main)
  target_link_options(web_test_${name} PRIVATE -sENVIRONMENT=node -sALLOW_MEMORY_GROWTH -sDISABLE_EXCEPTION_CATCHING=0)
  # Node.js 18 and later have fetch, which this Emscripten would use to read the module from a file path.
  add_test(NAME web.${name} COMMAND ${KAL_NODE} --no-experimental-fetch $<TARGET_FILE:web_test_${name}>)
endforeach()
