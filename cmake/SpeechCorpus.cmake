# The speech corpus the league scores codecs on, made at build time from
# Debian's espeak-ng and sox by tools/make-speech-corpus.sh. Without either
# program the corpus is skipped, and `league --speech` says why.
set(ORVELLE_SPEECH_DIR ${CMAKE_BINARY_DIR}/speech CACHE INTERNAL "")
find_program(ORVELLE_ESPEAK_NG espeak-ng)
find_program(ORVELLE_SOX sox)
if(NOT ORVELLE_ESPEAK_NG OR NOT ORVELLE_SOX)
  message(STATUS "Skipping the speech corpus: espeak-ng or sox not found (install espeak-ng sox); "
                 "league --speech is unavailable")
  return()
endif()
add_custom_command(
  OUTPUT ${ORVELLE_SPEECH_DIR}/corpus.txt
  COMMAND ${PROJECT_SOURCE_DIR}/tools/make-speech-corpus.sh ${ORVELLE_SPEECH_DIR}
  DEPENDS ${PROJECT_SOURCE_DIR}/tools/make-speech-corpus.sh
  COMMENT "Generating the speech corpus with espeak-ng and sox")
add_custom_target(orvelle_speech_corpus ALL DEPENDS ${ORVELLE_SPEECH_DIR}/corpus.txt)
