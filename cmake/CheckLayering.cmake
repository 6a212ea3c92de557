# Fails when a file of a subsystem includes a header of a subsystem it does not depend on, so
# that the layering written in src/CMakeLists.txt cannot rot without anyone noticing: the link
# would often still succeed through another library, and the back edge would stay.
#
#   cmake -DSOURCE_DIR=<the source tree> -P cmake/CheckLayering.cmake
#
# A subsystem may include its own folder and those of the libraries it depends on, directly or
# through them; sw_subsystem(<name> DEPENDS ...) in src/CMakeLists.txt is the one place saying so.
cmake_minimum_required(VERSION 3.25)
if(NOT SOURCE_DIR)
  message(FATAL_ERROR "SOURCE_DIR is not set")
endif()

file(READ ${SOURCE_DIR}/src/CMakeLists.txt listing)
string(REGEX MATCHALL "sw_subsystem\\([a-z]+ DEPENDS[^)]*\\)" declarations "${listing}")
set(subsystems)
foreach(declaration IN LISTS declarations)
  string(REGEX REPLACE "sw_subsystem\\(([a-z]+) DEPENDS([^)]*)\\)" "\\1" name "${declaration}")
  string(REGEX REPLACE "sw_subsystem\\(([a-z]+) DEPENDS([^)]*)\\)" "\\2" depends "${declaration}")
  string(REGEX MATCHALL "sw_[a-z]+" depends "${depends}")
  list(TRANSFORM depends REPLACE "^sw_" "")
  set(direct_${name} ${depends})
  list(APPEND subsystems ${name})
endforeach()
if(NOT subsystems)
  message(FATAL_ERROR "no sw_subsystem declarations found in src/CMakeLists.txt")
endif()

# Each subsystem's reach: itself and everything below it along the DEPENDS edges. A subsystem
# is declared after what it depends on, so one pass in declaration order is enough.
foreach(name IN LISTS subsystems)
  set(reach_${name} ${name})
  foreach(dependency IN LISTS direct_${name})
    if(NOT dependency IN_LIST subsystems)
      continue()  # a library of its own, such as the embedded files
    endif()
    if(NOT DEFINED reach_${dependency})
      message(FATAL_ERROR "${name} depends on sw_${dependency}, which is not declared before it")
    endif()
    list(APPEND reach_${name} ${reach_${dependency}})
  endforeach()
  list(REMOVE_DUPLICATES reach_${name})
endforeach()

set(violations 0)
foreach(name IN LISTS subsystems)
  file(GLOB files ${SOURCE_DIR}/src/${name}/*.h ${SOURCE_DIR}/src/${name}/*.cpp)
  foreach(path IN LISTS files)
    file(STRINGS ${path} includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"[A-Za-z]+/")
    foreach(line IN LISTS includes)
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([A-Za-z]+)/.*" "\\1" folder "${line}")
      if(folder IN_LIST subsystems AND NOT folder IN_LIST reach_${name})
        file(RELATIVE_PATH shown ${SOURCE_DIR} ${path})
        message("${shown}: ${name} includes ${folder}/, which it does not depend on: ${line}")
        math(EXPR violations "${violations} + 1")
      endif()
    endforeach()
  endforeach()
endforeach()

if(violations GREATER 0)
  message(FATAL_ERROR "${violations} include(s) against the layering of src/CMakeLists.txt")
endif()
list(LENGTH subsystems count)
message("layering holds for ${count} subsystems")
