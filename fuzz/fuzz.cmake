# libFuzzer targets (clang only): each links the core, built with the fuzzer's coverage and the sanitizers.
set(KAL_FUZZ_TARGETS compile run numbers database bitmap check lsp debug format pack)
foreach(name IN LISTS KAL_FUZZ_TARGETS)
  add_executable(fuzz_${name} fuzz/fuzz_${name}.cpp ${KAL_RECORDING_PLATFORM})
  target_link_libraries(fuzz_${name} PRIVATE kal_checker kal_lsp kal_debug kal_packer)
  target_link_options(fuzz_${name} PRIVATE -fsanitize=fuzzer)
endforeach()
