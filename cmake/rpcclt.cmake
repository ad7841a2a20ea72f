# The seam between the program and the switch's RPC client library
# (docs/integration.md). Included at the end of the top CMakeLists.txt, once
# the programs and the link mode are known.
#
# - MGMT_USE_REAL_RPCCLT=ON: the library is found as a vendor sysroot provides
#   it (CMAKE_LIBRARY_PATH, or the RPCCLT_ROOT hint) and linked in place of
#   the stand-in.
# - Target rpcclt_shared: the stand-in as the shared library librpcclt.so in
#   <build>/rpcclt-root/lib, exporting exactly the declared calls.
# - Tests seam.*: the declared calls against the program's objects, the
#   stand-in and the integrator's guide.

if(MGMT_USE_REAL_RPCCLT)
  set(RPCCLT_ROOT "" CACHE PATH "Where the switch's RPC client library is installed: a vendor sysroot or staging folder")
  set(RPCCLT_INCLUDE_DIR "" CACHE PATH "The library's own header folder, when the vendor ships one")
  # A static program cannot load a shared library: it needs the archive.
  if(MGMT_LINK_MODE STREQUAL "static")
    set(rpcclt_names librpcclt.a)
  else()
    set(rpcclt_names rpcclt)
  endif()
  find_library(RPCCLT_LIBRARY NAMES ${rpcclt_names}
               HINTS ${RPCCLT_ROOT}
               PATH_SUFFIXES lib usr/lib lib/${CMAKE_LIBRARY_ARCHITECTURE} usr/lib/${CMAKE_LIBRARY_ARCHITECTURE})
  if(NOT RPCCLT_LIBRARY)
    message(FATAL_ERROR "No switch RPC client library (${rpcclt_names}): give its folder in CMAKE_LIBRARY_PATH or "
                        "its installation in RPCCLT_ROOT. A shared librpcclt.so needs "
                        "-DMGMT_LINK_MODE=static-runtime or dynamic.")
  endif()
  if(MGMT_LINK_MODE STREQUAL "static" AND NOT RPCCLT_LIBRARY MATCHES "\\.a$")
    message(FATAL_ERROR "${RPCCLT_LIBRARY} is shared; the static link mode needs librpcclt.a. "
                        "Choose -DMGMT_LINK_MODE=static-runtime or dynamic.")
  endif()
  if(NOT RPCCLT_INCLUDE_DIR AND RPCCLT_ROOT)
    foreach(dir ${RPCCLT_ROOT}/include ${RPCCLT_ROOT}/usr/include)
      if(IS_DIRECTORY ${dir})
        set(RPCCLT_INCLUDE_DIR ${dir})
        break()
      endif()
    endforeach()
  endif()
  # Linked by name from its folder, so that the program needs it by its
  # SONAME, or by its bare file name when it has none: never by a path of
  # the build machine.
  get_filename_component(rpcclt_dir ${RPCCLT_LIBRARY} DIRECTORY)
  get_filename_component(rpcclt_file ${RPCCLT_LIBRARY} NAME)
  target_link_directories(mgmt_tools PUBLIC ${rpcclt_dir})
  target_link_libraries(mgmt_tools PUBLIC -l:${rpcclt_file})
  set_property(TARGET mgmt_tools APPEND PROPERTY INTERFACE_LINK_DEPENDS ${RPCCLT_LIBRARY})
  if(RPCCLT_INCLUDE_DIR)
    # After the program's own folders: its declarations stay its own.
    target_include_directories(mgmt_tools SYSTEM AFTER PUBLIC ${RPCCLT_INCLUDE_DIR})
  endif()
  message(STATUS "Switch RPC client library: ${RPCCLT_LIBRARY}")
endif()

# The stand-in as a shared library named like the switch's. Every call
# declared in tools/sw_calls*.h keeps default visibility (the generated
# header below is read before each source); everything else is hidden, and
# the version script keeps the C++ runtime linked into it out of sight too.
# It needs nothing but libc, libm and cJSON on the machine that loads it.
file(GLOB rpcclt_declarations CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tools/sw_calls*.h)
set(rpcclt_exports "// The library's calls keep default visibility.\n#pragma GCC visibility push(default)\n")
foreach(header ${rpcclt_declarations})
  string(APPEND rpcclt_exports "#include \"${header}\"\n")
endforeach()
string(APPEND rpcclt_exports "#pragma GCC visibility pop\n")
file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/rpcclt-exports.h CONTENT "${rpcclt_exports}" @ONLY)

add_library(rpcclt_shared SHARED EXCLUDE_FROM_ALL ${SIM_SOURCES})
set_target_properties(rpcclt_shared PROPERTIES
  OUTPUT_NAME rpcclt
  LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/rpcclt-root/lib
  CXX_VISIBILITY_PRESET hidden
  VISIBILITY_INLINES_HIDDEN ON
  LINK_DEPENDS ${PROJECT_SOURCE_DIR}/cmake/rpcclt.map)
target_compile_options(rpcclt_shared PRIVATE -include ${CMAKE_BINARY_DIR}/rpcclt-exports.h)
# The stand-in's sources as the static stand-in builds them.
target_compile_definitions(rpcclt_shared PRIVATE $<TARGET_PROPERTY:swsim,COMPILE_DEFINITIONS>)
# The shared cJSON, whatever the program's link mode takes.
target_include_directories(rpcclt_shared PRIVATE ${CJSON_INCLUDE_DIR})
target_link_libraries(rpcclt_shared PRIVATE ${CJSON_LIBRARY})
target_link_options(rpcclt_shared PRIVATE -static-libstdc++ -static-libgcc -Wl,--no-undefined
                    -Wl,--version-script=${PROJECT_SOURCE_DIR}/cmake/rpcclt.map)

# Every program (a target named *.cgi) and the objects it is made of: its
# own and those of the project's static libraries it links, the stand-in's
# apart.
function(mgmt_program_objects out)
  get_property(targets DIRECTORY ${PROJECT_SOURCE_DIR} PROPERTY BUILDSYSTEM_TARGETS)
  set(programs)
  set(objects)
  set(seen)
  foreach(target ${targets})
    if(NOT target MATCHES "\\.cgi$")
      continue()
    endif()
    list(APPEND programs ${target})
    set(pending ${target})
    while(pending)
      list(POP_FRONT pending current)
      if(current IN_LIST seen OR current STREQUAL "swsim" OR NOT TARGET ${current})
        continue()
      endif()
      list(APPEND seen ${current})
      get_target_property(type ${current} TYPE)
      if(type STREQUAL "EXECUTABLE" OR type STREQUAL "STATIC_LIBRARY" OR type STREQUAL "OBJECT_LIBRARY")
        list(APPEND objects "$<TARGET_OBJECTS:${current}>")
        get_target_property(links ${current} LINK_LIBRARIES)
        if(links)
          list(APPEND pending ${links})
        endif()
      endif()
    endwhile()
  endforeach()
  set(${out}_PROGRAMS ${programs} PARENT_SCOPE)
  set(${out} ${objects} PARENT_SCOPE)
endfunction()
mgmt_program_objects(MGMT_PROGRAM_OBJECTS)
if(MGMT_USE_REAL_RPCCLT)
  # The program as it ships: it finds the library where the switch's loader
  # looks, with no folder of the build machine written into it.
  set_target_properties(${MGMT_PROGRAM_OBJECTS_PROGRAMS} PROPERTIES SKIP_BUILD_RPATH ON)
endif()

# cmake --build <dir> --target seam_programs: every program, and nothing else.
add_custom_target(seam_programs)
add_dependencies(seam_programs ${MGMT_PROGRAM_OBJECTS_PROGRAMS})

if(MGMT_BUILD_TESTS AND NOT CMAKE_CROSSCOMPILING)
  find_program(MGMT_NODE node)
  find_program(MGMT_CLANGXX NAMES clang++-14 clang++)
  set(seam ${PROJECT_SOURCE_DIR}/devtools/seam/seam.mjs)
  if(MGMT_NODE)
    set(seam_node ${MGMT_NODE})
  else()
    set(seam_node sh -c "echo 'node is not installed: the seam checks need Node.js' >&2; exit 1" --)
  endif()
  set(seam_clang)
  if(MGMT_CLANGXX)
    set(seam_clang --clang ${MGMT_CLANGXX})
  endif()
  set(program_objects "$<JOIN:${MGMT_PROGRAM_OBJECTS},;>")

  # docs/integration.md gives exactly the calls and records declared.
  add_test(NAME seam.doc COMMAND ${seam_node} ${seam} doc --check ${PROJECT_SOURCE_DIR}/docs/integration.md ${seam_clang})

  # The program calls exactly the declared calls, and nothing of the stand-in.
  if(MGMT_USE_REAL_RPCCLT)
    add_test(NAME seam.symbols COMMAND ${seam_node} ${seam} symbols --objects "${program_objects}" ${seam_clang})
    # The library provides every declared call.
    add_test(NAME seam.library COMMAND ${seam_node} ${seam} exports --library ${RPCCLT_LIBRARY} ${seam_clang})
  else()
    add_test(NAME seam.symbols COMMAND ${seam_node} ${seam} symbols --objects "${program_objects}"
                                       --stand-in "$<JOIN:$<TARGET_OBJECTS:swsim>,;>" ${seam_clang})
  endif()
endif()
