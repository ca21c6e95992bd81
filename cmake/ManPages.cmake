# Man pages for both programs, made from their --help and --version at build
# time, so that they never disagree with the programs.
# A cross build cannot run its programs here, so it has no pages of its own.
if(CMAKE_CROSSCOMPILING)
  return()
endif()
find_program(ORVELLE_HELP2MAN help2man)
if(NOT ORVELLE_HELP2MAN)
  message(STATUS "help2man not found: no man pages (apt-get install help2man)")
  return()
endif()

set(man_pages "")
foreach(entry IN ITEMS "orvelle-cli|score speech codec plug-ins from the command line"
                       "orvelle|measure speech codec plug-ins in a desktop program")
  string(REPLACE "|" ";" entry "${entry}")
  list(GET entry 0 program)
  list(GET entry 1 summary)
  if(NOT TARGET ${program})
    continue()
  endif()
  set(page ${CMAKE_BINARY_DIR}/man/${program}.1)
  # gzip -n: the same bytes on every build, as Debian asks of compressed pages.
  add_custom_command(
    OUTPUT ${page}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
    COMMAND ${ORVELLE_HELP2MAN} --no-info --no-discard-stderr --name=${summary} --output=${page}
            $<TARGET_FILE:${program}>
    COMMAND gzip -9nf ${page}
    DEPENDS ${program}
    COMMENT "Writing the man page of ${program}"
    VERBATIM)
  list(APPEND man_pages ${page}.gz)
endforeach()
add_custom_target(orvelle_man_pages ALL DEPENDS ${man_pages})
install(FILES ${man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
