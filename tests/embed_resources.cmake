# Embeds a program's resource script and resource.h as text, so the host build reads the very
# file that windres compiles for Windows.
file(READ ${RC_FILE} RC_TEXT)
file(READ ${HEADER_FILE} HEADER_TEXT)
# The ids both programs share come from a header that resource.h includes: take it in too.
get_filename_component(HEADER_DIR ${HEADER_FILE} DIRECTORY)
string(REGEX MATCHALL "#include \"[^\"]+\"" INCLUDES "${HEADER_TEXT}")
foreach(line ${INCLUDES})
    string(REGEX REPLACE "#include \"([^\"]+)\"" "\\1" name "${line}")
    file(READ ${HEADER_DIR}/${name} INCLUDED)
    string(REPLACE "${line}" "${INCLUDED}" HEADER_TEXT "${HEADER_TEXT}")
endforeach()
file(WRITE ${OUTPUT} "#include <string>\nextern const std::string ${NAME}Rc = R\"__RC__(${RC_TEXT})__RC__\";\nextern const std::string ${NAME}Header = R\"__RC__(${HEADER_TEXT})__RC__\";\n")
