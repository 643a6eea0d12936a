# Embeds a program's resource script and resource.h as text, so the host build reads the very
# file that windres compiles for Windows.
file(READ ${RC_FILE} RC_TEXT)
file(READ ${HEADER_FILE} HEADER_TEXT)
file(WRITE ${OUTPUT} "#include <string>\nextern const std::string ${NAME}Rc = R\"__RC__(${RC_TEXT})__RC__\";\nextern const std::string ${NAME}Header = R\"__RC__(${HEADER_TEXT})__RC__\";\n")
