# Build helpers shared by every deliverable and test program.

set(FH_WARNINGS -Wall -Wextra)
if(FH_WERROR)
  list(APPEND FH_WARNINGS -Werror)
endif()

if(FH_WINDOWS)
  # Each deliverable carries its own C and C++ runtime (and winpthread) so Explorer finds nothing missing.
  add_link_options(-static -static-libgcc -static-libstdc++)
  add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601 STRICT)
elseif(FH_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer -g)
  add_link_options(-fsanitize=address,undefined)
endif()

# GoogleTest from Debian's sources, built with whichever compiler this build uses.
macro(fh_add_googletest)
  set(FH_GTEST_SRC /usr/src/googletest CACHE PATH "GoogleTest sources")
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  add_subdirectory(${FH_GTEST_SRC} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
endmacro()

# Headers: a library's include/ folder is what other libraries may use; its other folders are
# private to it (and to its own tests, through <target>_private).
# fh_private_includes(<target> <folder> ...): the private header folders of a library.
function(fh_private_includes target)
  add_library(${target}_private INTERFACE)
  set(dirs)
  foreach(d ${ARGN})
    list(APPEND dirs ${CMAKE_CURRENT_SOURCE_DIR}/${d})
  endforeach()
  target_include_directories(${target}_private INTERFACE ${dirs})
endfunction()

# fh_deliverable(<target> OUTPUT <file name without .dll> EXPORT <define>
#                SOURCES ... [LIBS ...] [RC <file.rc>] [DEF <file.def>])
# Call fh_private_includes(<target> ...) first.
function(fh_deliverable target)
  cmake_parse_arguments(A "" "OUTPUT;EXPORT;RC;DEF" "SOURCES;LIBS" ${ARGN})
  set(srcs ${A_SOURCES})
  if(A_RC)
    list(APPEND srcs ${A_RC})
    # windres reports no dependencies: rebuild when anything the .rc may include changes.
    file(GLOB rc_deps CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/resources/*)
    set_source_files_properties(${A_RC} PROPERTIES OBJECT_DEPENDS "${rc_deps}")
  endif()
  if(A_DEF)
    list(APPEND srcs ${A_DEF})
  endif()
  add_library(${target} SHARED ${srcs})
  set_target_properties(${target} PROPERTIES PREFIX "" OUTPUT_NAME ${A_OUTPUT})
  target_compile_definitions(${target} PRIVATE ${A_EXPORT})
  target_compile_options(${target} PRIVATE $<$<COMPILE_LANGUAGE:C,CXX>:${FH_WARNINGS}>)
  target_include_directories(${target} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/include ${CMAKE_SOURCE_DIR}/resources)
  target_link_libraries(${target} PRIVATE ${target}_private)
  if(A_LIBS)
    target_link_libraries(${target} PUBLIC ${A_LIBS})
  endif()
endfunction()

# fh_test(<name> SOURCES ... LIBS ... [LABELS ...] [TIMEOUT s])
# One CTest entry per test program; under the Windows build it runs through Wine.
function(fh_test name)
  cmake_parse_arguments(A "" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${A_SOURCES})
  target_compile_options(${name} PRIVATE ${FH_WARNINGS})
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests/common)
  target_link_libraries(${name} PRIVATE ${A_LIBS} GTest::gtest GTest::gtest_main)
  target_compile_definitions(${name} PRIVATE FH_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
  if(NOT A_TIMEOUT)
    set(A_TIMEOUT 600)
  endif()
  set(labels ${A_LABELS})
  if(FH_WINDOWS)
    list(APPEND labels wine)
  else()
    list(APPEND labels host)
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${A_TIMEOUT} LABELS "${labels}")
endfunction()
