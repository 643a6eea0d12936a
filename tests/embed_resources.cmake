# Embeds a program's resource script and resource.h as text, so the host build reads the very
# file that windres compiles for Windows. Run with cmake -P and RC_FILE, HEADER_FILE,
# PRODUCT_HEADER, NAME and OUTPUT set.
file(READ ${RC_FILE} RC_TEXT)
# The names of product.h (version, publisher, product name), replaced as windres' preprocessor does.
file(STRINGS ${PRODUCT_HEADER} PRODUCT_DEFINES REGEX "^#define QMR_[A-Z_]+ ")
foreach(define ${PRODUCT_DEFINES})
    string(REGEX MATCH "^#define ([A-Z_]+) (.*)$" matched "${define}")
    string(REGEX REPLACE "([^A-Za-z0-9_])${CMAKE_MATCH_1}([^A-Za-z0-9_])" "\\1${CMAKE_MATCH_2}\\2"
           RC_TEXT "${RC_TEXT}")
endforeach()
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
