# Run at every build (cmake -P): no source of a library below the windows includes a header of
# the windows or of a program. The core libraries get no Qt include path either, so most such
# includes would not compile anyway; this names the offending line plainly.
set(core_folders automation platform dbengine engine session query/core timings/core cli)
set(window_header "#include[ \t]*[\"<](app/|objectmap/|programs/|query/[A-Z]|timings/[A-Z])")
set(problems "")
foreach(folder ${core_folders})
  file(GLOB_RECURSE sources ${SOURCE_DIR}/${folder}/*.h ${SOURCE_DIR}/${folder}/*.cpp)
  foreach(source ${sources})
    file(STRINGS ${source} lines REGEX "${window_header}")
    foreach(line ${lines})
      file(RELATIVE_PATH name ${SOURCE_DIR} ${source})
      string(APPEND problems "  ${name}: ${line}\n")
    endforeach()
  endforeach()
endforeach()
if(problems)
  message(FATAL_ERROR "A library below the windows includes a window header:\n${problems}")
endif()
