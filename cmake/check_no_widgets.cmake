# Fails the build when a source of the core or the virtual station includes
# a window header: those layers must stay usable without QtWidgets.
string(REPLACE "|" ";" DIRS "${DIRS}")
foreach(dir IN LISTS DIRS)
  file(GLOB_RECURSE files "${dir}/*.h" "${dir}/*.cpp")
  foreach(f IN LISTS files)
    file(STRINGS "${f}" hits REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"](QtWidgets|QtGui)")
    if(hits)
      message(FATAL_ERROR "${f} includes a window header, which this layer must not use: ${hits}")
    endif()
  endforeach()
endforeach()
