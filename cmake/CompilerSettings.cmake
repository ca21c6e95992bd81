# Scores must be bit-identical across builds and CPUs: no contraction of a*b+c
# into fused multiply-adds and never any fast-math relaxations.
add_compile_options(-Wall -Wextra -Wpedantic -ffp-contract=off -fno-fast-math)
# Installed programs name no path of the build tree, not even in their
# debug information.
add_compile_options(-ffile-prefix-map=${CMAKE_BINARY_DIR}=.)
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

# Layering the build enforces. Every header in the tree is included as
# "<module>/<header>.h" from the repository root, so putting that root on the
# include path would let any target reach any header. Instead each module gets
# two include roots in the build tree:
#   include/public/<module>/<module>/<header>  links to the public headers only,
#       the include directory of everyone who links the module;
#   include/private/<module>/<module>          links to the whole source folder,
#       for the module's own sources and for targets given private access.
# An include against the layering then fails as "No such file or directory".
# Links rather than copies, so that an edited header rebuilds its users
# without configuring again.
set(ORVELLE_INCLUDE_ROOT ${CMAKE_BINARY_DIR}/include)

# Makes <link> a symbolic link to <destination>, replacing one that points
# elsewhere, and leaves a correct one alone.
function(orvelle_symlink destination link)
  if(IS_SYMLINK ${link})
    file(READ_SYMLINK ${link} current)
    if(current STREQUAL destination)
      return()
    endif()
    file(REMOVE ${link})
  endif()
  file(CREATE_LINK ${destination} ${link} SYMBOLIC)
endfunction()

# orvelle_module_headers(<target> <module> [PUBLIC_HEADERS <header>...])
# gives <target>, built from the folder <module>/, its two include roots.
function(orvelle_module_headers target module)
  cmake_parse_arguments(ARG "" "" "PUBLIC_HEADERS" ${ARGN})
  if(ARG_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "orvelle_module_headers(${module}): unexpected ${ARG_UNPARSED_ARGUMENTS}")
  endif()
  set(folder ${PROJECT_SOURCE_DIR}/${module})
  set(public_dir ${ORVELLE_INCLUDE_ROOT}/public/${module}/${module})
  set(private_root ${ORVELLE_INCLUDE_ROOT}/private/${module})
  file(MAKE_DIRECTORY ${public_dir} ${private_root})

  # A header taken off the list must stop being reachable, so stale links go.
  file(GLOB present LIST_DIRECTORIES false RELATIVE ${public_dir} ${public_dir}/*)
  foreach(header IN LISTS present)
    if(NOT header IN_LIST ARG_PUBLIC_HEADERS)
      file(REMOVE ${public_dir}/${header})
    endif()
  endforeach()
  foreach(header IN LISTS ARG_PUBLIC_HEADERS)
    if(NOT EXISTS ${folder}/${header} OR IS_DIRECTORY ${folder}/${header})
      message(FATAL_ERROR "${module}/CMakeLists.txt names the public header ${header}, which is not in ${module}/")
    endif()
    orvelle_symlink(${folder}/${header} ${public_dir}/${header})
  endforeach()
  orvelle_symlink(${folder} ${private_root}/${module})

  get_target_property(type ${target} TYPE)
  # Installed, the public headers of every module sit side by side under
  # include/orvelle/<module>/, where "<module>/<header>.h" finds them.
  if(type STREQUAL "INTERFACE_LIBRARY")
    target_include_directories(${target} INTERFACE $<BUILD_INTERFACE:${ORVELLE_INCLUDE_ROOT}/public/${module}>
                                                   $<INSTALL_INTERFACE:include/orvelle>)
  else()
    # Private first: the module's own sources then resolve each of its
    # headers through one path only.
    target_include_directories(${target} PRIVATE ${private_root})
    if(ARG_PUBLIC_HEADERS)
      target_include_directories(${target} PUBLIC $<BUILD_INTERFACE:${ORVELLE_INCLUDE_ROOT}/public/${module}>
                                                  $<INSTALL_INTERFACE:include/orvelle>)
    endif()
  endif()
  set_property(GLOBAL PROPERTY ORVELLE_MODULE_TARGET_${module} ${target})
  set_property(GLOBAL PROPERTY ORVELLE_PUBLIC_HEADERS_${module} ${ARG_PUBLIC_HEADERS})
  set_property(GLOBAL APPEND PROPERTY ORVELLE_MODULES ${module})
endfunction()

# orvelle_add_library(<name> [PUBLIC_HEADERS <header>...] [DEPENDS <libs>...]
#                     [PRIVATE_DEPENDS <libs>...] [EXCLUDE <sources>...])
# Collects the sources of the folder <name>/, but the EXCLUDE ones (those
# the target cannot build), into a static library named
# orvelle_<name>. Whoever links it sees the PUBLIC_HEADERS, and the public
# headers of the DEPENDS, which its public headers may include; the
# PRIVATE_DEPENDS are linked but their headers stay hidden from the module's
# users. Header-only folders become interface libraries.
function(orvelle_add_library name)
  cmake_parse_arguments(ARG "" "" "PUBLIC_HEADERS;DEPENDS;PRIVATE_DEPENDS;EXCLUDE" ${ARGN})
  if(ARG_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "orvelle_add_library(${name}): unexpected ${ARG_UNPARSED_ARGUMENTS}")
  endif()
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  foreach(excluded IN LISTS ARG_EXCLUDE)
    list(REMOVE_ITEM sources ${CMAKE_CURRENT_SOURCE_DIR}/${excluded})
  endforeach()
  if(sources)
    add_library(orvelle_${name} STATIC ${sources})
    target_link_libraries(orvelle_${name} PUBLIC ${ARG_DEPENDS} PRIVATE ${ARG_PRIVATE_DEPENDS})
  else()
    if(ARG_PRIVATE_DEPENDS)
      message(FATAL_ERROR "orvelle_add_library(${name}): a header-only module has no private dependencies")
    endif()
    add_library(orvelle_${name} INTERFACE)
    target_link_libraries(orvelle_${name} INTERFACE ${ARG_DEPENDS})
  endif()
  orvelle_module_headers(orvelle_${name} ${name} PUBLIC_HEADERS ${ARG_PUBLIC_HEADERS})
endfunction()

# orvelle_private_access(<target> <module>...) lets <target> include every
# header of each <module>, and links it: for the module's own programs, and
# for tests and benchmarks of its internal stages.
function(orvelle_private_access target)
  foreach(module IN LISTS ARGN)
    get_property(module_target GLOBAL PROPERTY ORVELLE_MODULE_TARGET_${module})
    if(NOT module_target)
      message(FATAL_ERROR "orvelle_private_access(${target}): no module ${module} has been defined yet")
    endif()
    target_include_directories(${target} BEFORE PRIVATE ${ORVELLE_INCLUDE_ROOT}/private/${module})
    target_link_libraries(${target} PRIVATE ${module_target})
  endforeach()
endfunction()

# orvelle_folder_root(<variable> <folder>) sets <variable> to an include root
# where "<folder>/..." reaches that source folder and no other path resolves:
# for the test and plug-in helpers, which belong to no module.
function(orvelle_folder_root variable folder)
  set(root ${ORVELLE_INCLUDE_ROOT}/folder/${folder})
  file(MAKE_DIRECTORY ${root})
  orvelle_symlink(${PROJECT_SOURCE_DIR}/${folder} ${root}/${folder})
  set(${variable} ${root} PARENT_SCOPE)
endfunction()
