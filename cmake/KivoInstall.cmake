# Install rules shared by the programs and private libraries of the package. Adding a program to the
# package is one call plus its man page:
#
#   kivo_install_program(<target>)
#       installs the program into bin/ with a RUNPATH relative to itself that finds the package's
#       private libraries, and its man page packaging/man/<target>.1.in (configured with the version
#       and release date, compressed).
#
#   kivo_install_private_library(<target> [SUBFOLDER <name>])
#       installs a shared library or module into the package's private library folder, or into a
#       subfolder of it, mode 0644 as Debian wants shared libraries.

find_program(KIVO_GZIP gzip REQUIRED)
set(KIVO_MAN_SOURCE_DIR ${CMAKE_SOURCE_DIR}/packaging/man)
set(KIVO_MAN_BINARY_DIR ${CMAKE_BINARY_DIR}/man)

function(kivo_install_man_page name section)
  set(source ${KIVO_MAN_SOURCE_DIR}/${name}.${section}.in)
  if(NOT EXISTS ${source})
    message(FATAL_ERROR "${name} is installed but has no man page: write ${source}")
  endif()
  set(page ${KIVO_MAN_BINARY_DIR}/${name}.${section})
  configure_file(${source} ${page} @ONLY)
  add_custom_command(OUTPUT ${page}.gz
    COMMAND ${KIVO_GZIP} -9nkf ${page}
    DEPENDS ${page}
    COMMENT "Compressing man page ${name}(${section})"
    VERBATIM)
  add_custom_target(kivo_man_${name} ALL DEPENDS ${page}.gz)
  install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man${section})
endfunction()

function(kivo_install_program target)
  set_target_properties(${target} PROPERTIES INSTALL_RPATH "$ORIGIN/${KIVO_BINDIR_TO_PRIVATE_LIBDIR}")
  install(TARGETS ${target} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  kivo_install_man_page(${target} 1)
endfunction()

function(kivo_install_private_library target)
  cmake_parse_arguments(ARG "" "SUBFOLDER" "" ${ARGN})
  set(destination ${KIVO_INSTALL_PRIVATE_LIBDIR})
  set(rpath "$ORIGIN")
  if(ARG_SUBFOLDER)
    string(APPEND destination /${ARG_SUBFOLDER})
    set(rpath "$ORIGIN/..")
  endif()
  set_target_properties(${target} PROPERTIES INSTALL_RPATH "${rpath}")
  install(TARGETS ${target}
    LIBRARY DESTINATION ${destination}
    PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
endfunction()
