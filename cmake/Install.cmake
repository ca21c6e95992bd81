# `cmake --install` gives the usual layout, which the programs find relative
# to themselves (platform/install_layout.cpp keeps the same folder names):
#   bin/orvelle, bin/orvelle-cli
#   libexec/orvelle/orvelle-plugin-host, orvelle-command-host
#   lib/orvelle/plugins/<name>.so          the bundled plug-ins
#   share/orvelle/speech/                  the bundled speech
#   include/orvelle/                       the plug-in header and the engine's public headers
#   <libdir>/liborvelle_*.a, <libdir>/pkgconfig/orvelle.pc, orvelle-plugin.pc
#   <libdir>/cmake/Orvelle/                find_package(Orvelle)
#   share/applications, share/icons, share/man/man1
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

install(TARGETS orvelle-plugin-host orvelle-command-host RUNTIME DESTINATION libexec/orvelle)
get_property(bundled_plugins GLOBAL PROPERTY ORVELLE_BUNDLED_PLUGINS)
install(TARGETS ${bundled_plugins} LIBRARY DESTINATION lib/orvelle/plugins)
if(TARGET orvelle_speech_corpus)
  install(DIRECTORY ${ORVELLE_SPEECH_DIR}/ DESTINATION share/orvelle/speech)
endif()
foreach(program IN ITEMS orvelle-cli orvelle)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

# The engine and the modules below it, each with its public headers.
set(exported_modules report engine session audio_io analyzer dsp kernels platform)
set(exported_targets orvelle_host_protocol)
set(ORVELLE_PC_LIBS "")
foreach(module IN LISTS exported_modules host_protocol)
  if(module STREQUAL "host_protocol")
    set(folder plugin_host)
  else()
    set(folder ${module})
    list(APPEND exported_targets orvelle_${module})
    string(APPEND ORVELLE_PC_LIBS " -lorvelle_${module}")
  endif()
  set_target_properties(orvelle_${module} PROPERTIES EXPORT_NAME ${module})
  get_property(headers GLOBAL PROPERTY ORVELLE_PUBLIC_HEADERS_${folder})
  list(TRANSFORM headers PREPEND ${PROJECT_SOURCE_DIR}/${folder}/)
  install(FILES ${headers} DESTINATION include/orvelle/${folder})
endforeach()
string(STRIP "${ORVELLE_PC_LIBS}" ORVELLE_PC_LIBS)
install(TARGETS ${exported_targets} EXPORT OrvelleTargets ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(FILES ${PROJECT_SOURCE_DIR}/sdk/orvelle/codec_plugin.h DESTINATION include/orvelle)

set(package_dir ${CMAKE_INSTALL_LIBDIR}/cmake/Orvelle)
install(EXPORT OrvelleTargets NAMESPACE Orvelle:: DESTINATION ${package_dir})
configure_package_config_file(${PROJECT_SOURCE_DIR}/packaging/OrvelleConfig.cmake.in
  ${CMAKE_BINARY_DIR}/packaging/OrvelleConfig.cmake INSTALL_DESTINATION ${package_dir})
write_basic_package_version_file(${CMAKE_BINARY_DIR}/packaging/OrvelleConfigVersion.cmake
  COMPATIBILITY SameMinorVersion)
install(FILES ${CMAKE_BINARY_DIR}/packaging/OrvelleConfig.cmake ${CMAKE_BINARY_DIR}/packaging/OrvelleConfigVersion.cmake
              ${PROJECT_SOURCE_DIR}/packaging/OrvelleCodecPlugin.cmake
        DESTINATION ${package_dir})

# pkg-config files find their prefix from where they are, so a moved tree works.
file(RELATIVE_PATH ORVELLE_PC_PREFIX /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefix)
foreach(pc IN ITEMS orvelle orvelle-plugin)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/${pc}.pc.in ${CMAKE_BINARY_DIR}/packaging/${pc}.pc @ONLY)
  install(FILES ${CMAKE_BINARY_DIR}/packaging/${pc}.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
endforeach()

if(TARGET orvelle)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/orvelle.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  foreach(size IN ITEMS 16 32)
    install(FILES ${PROJECT_SOURCE_DIR}/app/resources/icon-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME orvelle.png)
  endforeach()
endif()

include(cmake/ManPages.cmake)
include(cmake/Packaging.cmake)
