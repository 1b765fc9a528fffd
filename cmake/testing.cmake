# pelloro_add_test(NAME <name> SOURCES <files...> LIBS <libs...> LABELS <labels...>
#                  [FIXTURE_DIRS <subfolders...>])
# Native tests are listed case by case; Windows test programs run whole through Wine, each as one
# CTest test (one Wine start per program, not per case).
include(GoogleTest)

function(pelloro_add_test)
  cmake_parse_arguments(T "" "NAME" "SOURCES;LIBS;LABELS;FIXTURE_DIRS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest_main)
  target_compile_definitions(${T_NAME} PRIVATE
    PELLORO_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
    PELLORO_SHARED_DIR="${CMAKE_SOURCE_DIR}/../shared")
  if(PELLORO_WINDOWS)
    add_test(NAME ${T_NAME} COMMAND ${T_NAME} --gtest_color=no)
    set_tests_properties(${T_NAME} PROPERTIES LABELS "${T_LABELS}" TIMEOUT 900)
    # Programs that drive real windows share one virtual display: run them one at a time, or one
    # takes the keyboard focus another is checking.
    if("gui" IN_LIST T_LABELS)
      set_tests_properties(${T_NAME} PROPERTIES RESOURCE_LOCK virtual_display)
    endif()
    # Fixtures made by the peer tools (zip, 7z, python's zipfile) before the program runs: each
    # <name>_fixtures.sh beside the tests (in this folder, or in the FIXTURE_DIRS subfolders) is
    # run natively with its own output folder, <build>/<folder>/fixtures/<name>/, which the tests
    # read through testutil::BinaryDir().
    set(fixture_globs ${CMAKE_CURRENT_SOURCE_DIR}/*_fixtures.sh)
    foreach(dir ${T_FIXTURE_DIRS})
      list(APPEND fixture_globs ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*_fixtures.sh)
    endforeach()
    file(GLOB fixture_scripts CONFIGURE_DEPENDS ${fixture_globs})
    foreach(script ${fixture_scripts})
      get_filename_component(fname ${script} NAME_WE)
      string(REGEX REPLACE "_fixtures$" "" fname ${fname})
      set(out ${CMAKE_CURRENT_BINARY_DIR}/fixtures/${fname})
      add_test(NAME ${T_NAME}_fixtures_${fname}
               COMMAND bash -c "rm -rf '${out}' && mkdir -p '${out}' && bash '${script}' '${out}'")
      set_tests_properties(${T_NAME}_fixtures_${fname} PROPERTIES
                           FIXTURES_SETUP ${T_NAME}_fixtures LABELS "${T_LABELS}" TIMEOUT 300)
    endforeach()
    if(fixture_scripts)
      set_tests_properties(${T_NAME} PROPERTIES FIXTURES_REQUIRED ${T_NAME}_fixtures)
    endif()
  else()
    gtest_discover_tests(${T_NAME} PROPERTIES LABELS "${T_LABELS}" DISCOVERY_TIMEOUT 60)
  endif()
endfunction()
