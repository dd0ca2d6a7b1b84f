# kelvo_add_test(<name> SOURCES <files...> LIBS <targets...>)
# One QtTest executable per unit, registered in CTest. Widget tests run offscreen; every test gets a private
# KELVO_HOME-free environment so it cannot touch a real installation.
function(kelvo_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE Qt6::Test ${ARG_LIBS})
  # Tests use the generated form headers of the libraries they link; they have no forms of their own.
  set_target_properties(${name} PROPERTIES AUTOUIC OFF)
  target_compile_definitions(${name} PRIVATE KELVO_TEST_DATA_DIR="${CMAKE_CURRENT_SOURCE_DIR}"
                                             KELVO_BINARY_DIR="${CMAKE_BINARY_DIR}")
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8;KELVO_HOME="
    TIMEOUT 300)
endfunction()
