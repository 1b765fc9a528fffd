# pelloro_add_test(NAME <name> SOURCES <files...> LIBS <libs...> LABELS <labels...>)
# Native tests are listed case by case; Windows test programs run whole through Wine, each as one
# CTest test (one Wine start per program, not per case).
include(GoogleTest)

function(pelloro_add_test)
  cmake_parse_arguments(T "" "NAME" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest_main)
  target_compile_definitions(${T_NAME} PRIVATE
    PELLORO_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
    PELLORO_SHARED_DIR="${CMAKE_SOURCE_DIR}/../shared")
  if(PELLORO_WINDOWS)
    add_test(NAME ${T_NAME} COMMAND ${T_NAME} --gtest_color=no)
    set_tests_properties(${T_NAME} PROPERTIES LABELS "${T_LABELS}" TIMEOUT 900)
  else()
    gtest_discover_tests(${T_NAME} PROPERTIES LABELS "${T_LABELS}" DISCOVERY_TIMEOUT 60)
  endif()
endfunction()
