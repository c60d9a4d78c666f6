# Makes a delay-load import library for one system DLL: every function its ordinary import library names,
# bound on the first call instead of when the program starts.
# Run with cmake -P and: NM, DLLTOOL, IMPORT_LIBRARY (the ordinary one), DLL (its file name), OUTPUT.
execute_process(COMMAND "${NM}" "${IMPORT_LIBRARY}" OUTPUT_VARIABLE symbols ERROR_QUIET RESULT_VARIABLE nm_result)
if(NOT nm_result EQUAL 0)
  message(FATAL_ERROR "${NM} could not read ${IMPORT_LIBRARY}")
endif()
string(REGEX MATCHALL " I __imp_[A-Za-z0-9_]+" imports "${symbols}")
list(TRANSFORM imports REPLACE " I __imp_" "")
list(REMOVE_DUPLICATES imports)
list(SORT imports)
list(JOIN imports "\n" exports)
set(definition "${OUTPUT}.def")
file(WRITE "${definition}" "LIBRARY ${DLL}\nEXPORTS\n${exports}\n")
execute_process(COMMAND "${DLLTOOL}" -d "${definition}" -y "${OUTPUT}" -D "${DLL}" RESULT_VARIABLE dlltool_result)
if(NOT dlltool_result EQUAL 0)
  message(FATAL_ERROR "${DLLTOOL} could not make ${OUTPUT}")
endif()
