# The install layout: programs in bin/, the filter libraries in lib/scrivtar/ (the engine looks in
# the program directory first, then ../lib/scrivtar/ beside it), everything else below share/.
# lib/scrivtar is fixed rather than GNUInstallDirs' multiarch directory because the engine finds
# its libraries by that relative path.
set(SCRIVTAR_INSTALL_BINDIR bin)
set(SCRIVTAR_INSTALL_LIBDIR lib/scrivtar)
set(SCRIVTAR_INSTALL_DATADIR share/scrivtar)
set(SCRIVTAR_INSTALL_DOCDIR share/doc/scrivtar)
set(SCRIVTAR_INSTALL_MANDIR share/man)

find_program(SCRIVTAR_GZIP gzip REQUIRED)

# Installs a file compressed as Debian wants it (gzip -9, no name or time stamp in the header, so
# two builds give the same bytes). `source` is relative to the source tree.
function(scrivtar_install_gzipped source destination)
  get_filename_component(name ${source} NAME)
  set(output ${CMAKE_BINARY_DIR}/gz/${destination}/${name}.gz)
  add_custom_command(
    OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/gz/${destination}
    COMMAND ${SCRIVTAR_GZIP} -9 -n -c ${CMAKE_SOURCE_DIR}/${source} > ${output}
    DEPENDS ${CMAKE_SOURCE_DIR}/${source}
    VERBATIM)
  string(MAKE_C_IDENTIFIER "gz_${destination}_${name}" target)
  add_custom_target(${target} ALL DEPENDS ${output})
  install(FILES ${output} DESTINATION ${destination})
endfunction()

# A program's manual page, docs/man/<page> (roff, section from the file name).
function(scrivtar_install_man page)
  string(REGEX MATCH "[0-9]$" section ${page})
  scrivtar_install_gzipped(docs/man/${page} ${SCRIVTAR_INSTALL_MANDIR}/man${section})
endfunction()
