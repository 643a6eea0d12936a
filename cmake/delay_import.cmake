# Makes a delay-import library for one system DLL from MinGW-w64's ordinary import library: the
# same functions, but the DLL is loaded at the first call into it, after the program has locked
# its DLL search. Run with cmake -P and NM, DLLTOOL, IMPORT_LIB, DLL, DEF and OUTPUT set.
execute_process(COMMAND ${NM} -g --defined-only ${IMPORT_LIB}
                OUTPUT_VARIABLE symbols RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "${NM} cannot read ${IMPORT_LIB}")
endif()
# Each function's stub is a text symbol: _Name@bytes for stdcall, _Name for cdecl.
string(REGEX MATCHALL "[0-9a-f]+ T _[A-Za-z0-9_@]+" stubs "${symbols}")
set(def "LIBRARY \"${DLL}\"\nEXPORTS\n")
foreach(stub ${stubs})
    string(REGEX REPLACE "^[0-9a-f]+ T _" "" name "${stub}")
    string(APPEND def "${name}\n")
endforeach()
if(NOT stubs)
    message(FATAL_ERROR "no functions found in ${IMPORT_LIB}")
endif()
file(WRITE ${DEF} "${def}")
# --kill-at: the DLL exports the plain names, without the "@bytes" of the stdcall symbols.
execute_process(COMMAND ${DLLTOOL} --kill-at --input-def ${DEF} --dllname ${DLL}
                        --output-delaylib ${OUTPUT}
                RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "${DLLTOOL} could not make ${OUTPUT}")
endif()
