# Makes the shared library the Windows module KORVELGRAPHLINE.dll: its export
# table from library/korvelgraphline.def, its resources (version record, type
# library, string table) and a C and C++ runtime linked in, so that the DLL
# needs nothing beyond the system's own DLLs.
enable_language(RC)
if(NOT KORVEL_WIDL)
  find_program(KORVEL_WIDL NAMES x86_64-w64-mingw32-widl widl REQUIRED)
endif()

set(KORVEL_MODULE_DIR ${PROJECT_BINARY_DIR}/module)
set(KORVEL_RC_TYPELIB ${KORVEL_MODULE_DIR}/korvelgraphline.tlb)
string(REPLACE "." "," KORVEL_RC_VERSION_NUMBERS "${PROJECT_VERSION}")
string(REPLACE "." ", " KORVEL_RC_VERSION_TEXT "${PROJECT_VERSION}")
configure_file(${PROJECT_SOURCE_DIR}/library/korvelgraphline.rc.in
  ${KORVEL_MODULE_DIR}/korvelgraphline.rc @ONLY)

add_custom_command(OUTPUT ${KORVEL_RC_TYPELIB}
  COMMAND ${KORVEL_WIDL} --win32 -t -o ${KORVEL_RC_TYPELIB}
    ${PROJECT_SOURCE_DIR}/library/korvelgraphline.idl
  DEPENDS ${PROJECT_SOURCE_DIR}/library/korvelgraphline.idl
  COMMENT "Compiling the type library"
  VERBATIM)
set_source_files_properties(${KORVEL_MODULE_DIR}/korvelgraphline.rc PROPERTIES
  OBJECT_DEPENDS ${KORVEL_RC_TYPELIB})

target_sources(korvelgraphline PRIVATE
  ${PROJECT_SOURCE_DIR}/library/korvelgraphline.def
  ${KORVEL_MODULE_DIR}/korvelgraphline.rc)
set_target_properties(korvelgraphline PROPERTIES
  OUTPUT_NAME KORVELGRAPHLINE
  PREFIX ""
  IMPORT_PREFIX "")
target_link_options(korvelgraphline PRIVATE -static)
