# cmake --install into a temporary prefix: exactly the expected files, and the installed programs
# run from there. Run with -DBUILD_DIR=... -DPREFIX=... -DVERSION=... -DMETAINFO_NAME=...
# -DPROGRAMS=a,b,... (every installed program; those but the helper have a manual page)
# [-DJET_FIXTURE=path, without its .mdb: an Access file and its expected .schema printout].

file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
                OUTPUT_QUIET ERROR_VARIABLE err RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${err}")
endif()

string(REPLACE "," ";" programs "${PROGRAMS}")
set(pages ${programs})
list(REMOVE_ITEM pages jetwarden-jetread)
set(expected
  share/applications/jetwarden.desktop
  share/doc/jetwarden/README.md
  share/icons/hicolor/256x256/apps/jetwarden.png
  share/icons/hicolor/48x48/apps/jetwarden.png
  share/icons/hicolor/scalable/apps/jetwarden.svg
  share/jetwarden/engine.md
  share/metainfo/${METAINFO_NAME})
foreach(program ${programs})
  list(APPEND expected bin/${program})
endforeach()
foreach(page ${pages})
  list(APPEND expected share/man/man1/${page}.1.gz)
endforeach()
# Files that other parts of the build add to the data folder are welcome there.
file(GLOB_RECURSE data RELATIVE ${PREFIX} ${PREFIX}/share/jetwarden/*)
list(APPEND expected ${data})
list(SORT expected)
list(REMOVE_DUPLICATES expected)

file(GLOB_RECURSE installed RELATIVE ${PREFIX} ${PREFIX}/*)
list(SORT installed)
if(NOT installed STREQUAL expected)
  string(REPLACE ";" "\n  " installed_text "${installed}")
  string(REPLACE ";" "\n  " expected_text "${expected}")
  message(FATAL_ERROR "installed:\n  ${installed_text}\nexpected:\n  ${expected_text}")
endif()

foreach(program ${programs})
  execute_process(COMMAND ${PREFIX}/bin/${program} --version OUTPUT_VARIABLE out RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0 OR NOT out STREQUAL "${program} ${VERSION}\n")
    message(FATAL_ERROR "installed ${program} --version: status ${rc}, printed '${out}'")
  endif()
endforeach()

# The installed jetwarden-sql finds the installed helper that reads Access files, with no
# other one on PATH or named in the environment.
if(JET_FIXTURE AND EXISTS ${PREFIX}/bin/jetwarden-jetread)
  execute_process(COMMAND ${CMAKE_COMMAND} -E env --unset=JETWARDEN_JETREAD PATH=/usr/bin:/bin
                          XDG_CACHE_HOME=${PREFIX}/cache
                          ${PREFIX}/bin/jetwarden-sql --schema ${JET_FIXTURE}.mdb
                  OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
  file(READ ${JET_FIXTURE}.schema schema)
  if(NOT rc EQUAL 0 OR NOT out STREQUAL schema)
    message(FATAL_ERROR "installed jetwarden-sql --schema on an Access file: status ${rc}, error '${err}', printed:\n${out}")
  endif()
  file(REMOVE_RECURSE ${PREFIX}/cache)
endif()

# The manual pages are gzip files whose page carries the version.
foreach(program ${pages})
  execute_process(COMMAND gzip -dc ${PREFIX}/share/man/man1/${program}.1.gz OUTPUT_VARIABLE page
                  RESULT_VARIABLE rc)
  string(FIND "${page}" "Jetwarden ${VERSION}" at)
  if(NOT rc EQUAL 0 OR at EQUAL -1)
    message(FATAL_ERROR "${program}.1.gz: status ${rc}, no version in its title line")
  endif()
endforeach()
file(REMOVE_RECURSE ${PREFIX})
