# A quoted include that climbs out of its folder ("../sync/X.h") would be
# found beside the including file and so pass round the layer views; the tree
# names every header from its root instead.
file(GLOB_RECURSE files ${SOURCE_ROOT}/src/*.cpp ${SOURCE_ROOT}/src/*.h)
set(offenders "")
foreach(f ${files})
  file(STRINGS ${f} hits REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<][^\">]*\\.\\./")
  if(hits)
    list(APPEND offenders "${f}: ${hits}")
  endif()
endforeach()
if(offenders)
  string(REPLACE ";" "\n" offenders "${offenders}")
  message(FATAL_ERROR "Includes that climb out of their folder:\n${offenders}")
endif()
