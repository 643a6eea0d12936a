# Makes a delay-import library for one system DLL from MinGW-w64's ordinary import library: the
# same functions, but the DLL is loaded at the first call into it, after the program has locked
# its DLL search. Run with cmake -P and NM, DLLTOOL, OBJCOPY, IMPORT_LIB, DLL, DEF and OUTPUT set.
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
# dlltool puts the delay-load address table in .idata$5, among the ordinary imports, where ld
# leaves it zero: the first call then jumps to address 0. In a section of its own (.didat, as
# Microsoft's linker names it) the table keeps the addresses of the loading stubs.
set(rename)
foreach(part 2 4 5 6 7)
    list(APPEND rename --rename-section ".idata\$${part}=.didat\$${part},alloc,load,data,contents")
endforeach()
execute_process(COMMAND ${OBJCOPY} ${rename} ${OUTPUT} RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "${OBJCOPY} could not move the tables of ${OUTPUT}")
endif()
