# Removes what the last `cmake --install` of a build folder installed:
#
#   cmake -DBUILD_DIR=<build> -P cmake/uninstall.cmake
#
# (the uninstall target runs it).  Every file of <build>/install_manifest.txt
# goes, with the byte code Python may have left beside a module, then each
# folder that held one and is now empty, and its parents while they are
# empty, up to the prefix, except the folders that existed before the
# install (<build>/install_prefix.txt, cmake/install_record.cmake).
cmake_minimum_required(VERSION 3.25)

foreach(name install_manifest.txt install_prefix.txt)
  if(NOT EXISTS "${BUILD_DIR}/${name}")
    message(FATAL_ERROR "uninstall: no ${BUILD_DIR}/${name}: nothing installed from this build")
  endif()
endforeach()
file(STRINGS "${BUILD_DIR}/install_manifest.txt" files)
file(STRINGS "${BUILD_DIR}/install_prefix.txt" record)
list(POP_FRONT record prefix)
set(kept ${prefix} ${record})

set(folders "")
foreach(file IN LISTS files)
  if(EXISTS "${file}" OR IS_SYMLINK "${file}")
    message(STATUS "Removing ${file}")
    file(REMOVE "${file}")
  endif()
  get_filename_component(folder "${file}" DIRECTORY)
  if(file MATCHES "\\.py$")
    file(REMOVE_RECURSE "${folder}/__pycache__")
  endif()
  list(APPEND folders "${folder}")
endforeach()

list(REMOVE_DUPLICATES folders)
foreach(folder IN LISTS folders)
  while(IS_DIRECTORY "${folder}")
    file(GLOB entries "${folder}/*" "${folder}/.*")
    string(FIND "${folder}" "${prefix}/" inside)
    if(entries OR NOT inside EQUAL 0 OR folder IN_LIST kept)
      break()
    endif()
    file(REMOVE_RECURSE "${folder}")
    get_filename_component(folder "${folder}" DIRECTORY)
  endwhile()
endforeach()
file(REMOVE "${BUILD_DIR}/install_prefix.txt")
