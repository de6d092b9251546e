# Run by the first install rule: writes RECORD, the install's prefix on its
# first line and, on the next, the folders among FOLDERS (relative to the
# prefix) and their parents that exist before anything is installed, which
# the uninstall must leave.  An install into the prefix of the record keeps
# it: it describes the prefix before the first of them.
cmake_policy(VERSION 3.25)

set(prefix "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")
if(EXISTS "${RECORD}")
  file(STRINGS "${RECORD}" lines)
  list(GET lines 0 recorded)
  if(recorded STREQUAL prefix)
    return()
  endif()
endif()
set(existing "")
foreach(folder IN LISTS FOLDERS)
  while(folder)
    if(IS_DIRECTORY "${prefix}/${folder}")
      list(APPEND existing "${prefix}/${folder}")
    endif()
    get_filename_component(folder "${folder}" DIRECTORY)
  endwhile()
endforeach()
list(REMOVE_DUPLICATES existing)
file(WRITE "${RECORD}" "${prefix}\n${existing}\n")
