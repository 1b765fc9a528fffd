# The Windows-only parts of the tree; each folder adds its own targets and tests.
if(BUILD_TESTING)
  add_subdirectory(testing)
endif()
foreach(dir engine control/prompts control framework components app sfxstub setup foldercompress)
  if(EXISTS ${CMAKE_SOURCE_DIR}/${dir}/CMakeLists.txt)
    add_subdirectory(${dir})
  endif()
endforeach()
