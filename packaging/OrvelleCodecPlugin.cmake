# orvelle_add_codec_plugin(<name> <source>... [LIBRARIES <library>...])
# builds <name>.so, a codec plug-in Orvelle loads: the two contract functions
# are its only exports, and a symbol left undefined fails the build instead
# of the load.
function(orvelle_add_codec_plugin name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBRARIES" ${ARGN})
  add_library(${name} MODULE ${ARG_SOURCES} ${ARG_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PRIVATE Orvelle::plugin ${ARG_LIBRARIES})
  target_link_options(${name} PRIVATE "LINKER:--no-undefined")
  set_target_properties(${name} PROPERTIES
    PREFIX ""
    C_VISIBILITY_PRESET hidden
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON)
endfunction()
