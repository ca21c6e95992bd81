# Scores must be bit-identical across builds and CPUs: no contraction of a*b+c
# into fused multiply-adds and never any fast-math relaxations.
add_compile_options(-Wall -Wextra -Wpedantic -ffp-contract=off -fno-fast-math)
if(ORVELLE_WERROR)
  add_compile_options(-Werror)
endif()

if(ORVELLE_ASAN AND ORVELLE_TSAN)
  message(FATAL_ERROR "ORVELLE_ASAN and ORVELLE_TSAN cannot be combined")
endif()
if(ORVELLE_ASAN)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()
if(ORVELLE_TSAN)
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()

# Collects the sources of one folder into a static library named orvelle_<name>
# that links the libraries given after DEPENDS. Header-only folders become
# interface libraries.
function(orvelle_add_library name)
  cmake_parse_arguments(ARG "" "" "DEPENDS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(sources)
    add_library(orvelle_${name} STATIC ${sources})
    target_include_directories(orvelle_${name} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(orvelle_${name} PUBLIC ${ARG_DEPENDS})
  else()
    add_library(orvelle_${name} INTERFACE)
    target_include_directories(orvelle_${name} INTERFACE ${PROJECT_SOURCE_DIR})
    target_link_libraries(orvelle_${name} INTERFACE ${ARG_DEPENDS})
  endif()
endfunction()
