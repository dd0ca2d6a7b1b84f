# kelvo_add_test(<name> [BOTH_ENGINES] SOURCES <files...> LIBS <targets...>)
# One QtTest executable per unit, registered in CTest. BOTH_ENGINES registers it a second time as <name>_pg with
# KELVO_TEST_ENGINE=postgresql (label postgresql): tests/support/TestDatabase.h then makes its databases on the
# server KELVO_TEST_PG names (in the sanitizer build only in the folders KELVO_SANITIZE_SERVER_FOLDERS names). Widget
# tests run offscreen; every test gets a private
# KELVO_HOME-free environment so it cannot touch a real installation.

set(KELVO_TEST_ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8;KELVO_HOME=")
set(KELVO_TEST_TIMEOUT 300)
if(KELVO_SANITIZE)
  # Every finding fails the test, also in the programs a test starts (kelvo, kelvoctl, scalesim): they inherit
  # these options, and the odd exit code cannot pass for a refusal's exit code 1. Leak detection stays on
  # everywhere; scripts/lsan.supp names the few third-party libraries whose leaks are not ours.
  set(_sanitizer_common "exitcode=86:print_stacktrace=1")
  # Use after return catches a lambda or a queued call that outlives the locals it captured by reference.
  set(KELVO_TEST_ASAN_OPTIONS "${_sanitizer_common}:detect_leaks=1:detect_stack_use_after_return=1")
  string(APPEND KELVO_TEST_ASAN_OPTIONS ":strict_init_order=1:check_initialization_order=1")
  # QtWebEngine's own code deletes objects through a base of another size (sized delete inside Chromium). ASan
  # cannot suppress that report by library, so the check is off only in the tests that render with QtWebEngine
  # (tst_web_serve through the PDF child of kelvoctl serve).
  set(KELVO_WEBENGINE_TESTS tst_print_ticketprint tst_app_ticketpreview tst_app_reprint tst_web_serve)
  set(KELVO_TEST_WEBENGINE_ASAN_OPTIONS "${KELVO_TEST_ASAN_OPTIONS}:new_delete_type_mismatch=0")
  list(APPEND KELVO_TEST_ENVIRONMENT
    "UBSAN_OPTIONS=${_sanitizer_common}:halt_on_error=1"
    "LSAN_OPTIONS=suppressions=${CMAKE_SOURCE_DIR}/scripts/lsan.supp:print_suppressions=0")
  # Instrumented code runs several times slower.
  set(KELVO_TEST_TIMEOUT 900)
  # The folders whose code below the windows and commands differs by engine also run on the server instrumented;
  # the others run the same code on either engine, and the plain suite runs every test on both.
  set(KELVO_SANITIZE_SERVER_FOLDERS data records weighing outbox backup web)
endif()

function(kelvo_add_test name)
  cmake_parse_arguments(ARG "BOTH_ENGINES" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE Qt6::Test ${ARG_LIBS})
  # Tests use the generated form headers of the libraries they link; they have no forms of their own.
  set_target_properties(${name} PROPERTIES AUTOUIC OFF)
  if(KELVO_SANITIZE)
    # The code under test is optimised in its libraries; the test's own unit compiles a third quicker unoptimised.
    target_compile_options(${name} PRIVATE -O0)
  endif()
  target_compile_definitions(${name} PRIVATE KELVO_TEST_DATA_DIR="${CMAKE_CURRENT_SOURCE_DIR}"
                                             KELVO_BINARY_DIR="${CMAKE_BINARY_DIR}")
  add_test(NAME ${name} COMMAND ${name})
  set(environment ${KELVO_TEST_ENVIRONMENT})
  if(KELVO_SANITIZE)
    if(name IN_LIST KELVO_WEBENGINE_TESTS)
      list(APPEND environment "ASAN_OPTIONS=${KELVO_TEST_WEBENGINE_ASAN_OPTIONS}")
    else()
      list(APPEND environment "ASAN_OPTIONS=${KELVO_TEST_ASAN_OPTIONS}")
    endif()
  endif()
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "${environment}"
    TIMEOUT ${KELVO_TEST_TIMEOUT})
  get_filename_component(folder ${CMAKE_CURRENT_SOURCE_DIR} NAME)
  if(KELVO_SANITIZE AND NOT folder IN_LIST KELVO_SANITIZE_SERVER_FOLDERS)
    set(ARG_BOTH_ENGINES OFF)
  endif()
  if(ARG_BOTH_ENGINES)
    add_test(NAME ${name}_pg COMMAND ${name})
    set_tests_properties(${name}_pg PROPERTIES
      ENVIRONMENT "${environment};KELVO_TEST_ENGINE=postgresql"
      LABELS postgresql
      TIMEOUT ${KELVO_TEST_TIMEOUT})
  endif()
endfunction()
