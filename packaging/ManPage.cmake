# cmake [-DPROGRAM=exe] -DTEMPLATE=page.1.in -DOUTPUT=page.1.gz -DVERSION=x.y [-DITEMS=ON] -P ManPage.cmake
# Puts the program's own --help text into the hand-written page, so the page cannot drift from the program. With
# ITEMS, the help is a list of "  term" lines each followed by "        description" lines, set as tagged
# paragraphs that the reader's terminal width fills; otherwise it is set as written. Without PROGRAM (the window
# programs, which have no --help) the page is the template with the version filled in.
if(PROGRAM)
  execute_process(COMMAND ${PROGRAM} --help OUTPUT_VARIABLE help RESULT_VARIABLE result)
  if(NOT result EQUAL 0 OR help STREQUAL "")
    message(FATAL_ERROR "${PROGRAM} --help failed (${result})")
  endif()
else()
  set(help "")
endif()
string(REGEX REPLACE "\n+$" "" help "${help}")
# roff: a backslash is an escape, a line starting with . or ' a request, and a plain - may print as a hyphen.
string(REPLACE "\\" "\\e" help "${help}")
string(REPLACE "-" "\\-" help "${help}")
string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" help "${help}")

if(ITEMS)
  # CMake lists split at ";", which the help text holds too.
  string(REPLACE ";" "@SEMICOLON@" help "${help}")
  string(REPLACE "\n" ";" lines "${help}")
  set(help "")
  foreach(line IN LISTS lines)
    if(line MATCHES "^        +(.*)")
      string(APPEND help "${CMAKE_MATCH_1}\n")
    elseif(line MATCHES "^  +(.*)")
      string(APPEND help ".TP\n\\fB${CMAKE_MATCH_1}\\fR\n")
    elseif(line STREQUAL "")
      string(APPEND help ".PP\n")
    else()
      string(APPEND help "${line}\n")
    endif()
  endforeach()
  string(REPLACE "@SEMICOLON@" ";" help "${help}")
  string(REGEX REPLACE "\n$" "" help "${help}")
else()
  set(help ".nf\n.ft CR\n${help}\n.ft\n.fi")
endif()

set(KELVO_HELP "${help}")
set(KELVO_VERSION "${VERSION}")
get_filename_component(page "${OUTPUT}" NAME_WLE)
get_filename_component(dir "${OUTPUT}" DIRECTORY)
configure_file(${TEMPLATE} ${dir}/${page} @ONLY)
# -n: no name or time stamp in the header, so the same page gives the same bytes.
execute_process(COMMAND gzip -9nf ${dir}/${page} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "gzip failed")
endif()
