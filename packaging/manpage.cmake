# Writes the manual page of corvath-cli, or of one of its commands, from the text that
# `corvath-cli [COMMAND] --help` prints, so that the two never differ.
#   cmake -DCLI=path/to/corvath-cli [-DCLI_COMMAND=invert] -DVERSION=0.1.0 -DOUT=file.1 -P manpage.cmake
if(NOT CLI OR NOT OUT OR NOT VERSION)
  message(FATAL_ERROR "manpage.cmake needs CLI, OUT and VERSION")
endif()

function(help_of out)
  execute_process(COMMAND ${CLI} ${ARGN} --help OUTPUT_VARIABLE text RESULT_VARIABLE status ERROR_VARIABLE err)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${CLI} ${ARGN} --help failed (${status}): ${err}")
  endif()
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

# Text as troff reads it verbatim inside .nf: backslashes doubled, a leading dot or
# apostrophe made ordinary.
function(troff_escape out text)
  string(REPLACE "\\" "\\e" text "${text}")
  string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

help_of(overview)
if(CLI_COMMAND)
  set(name "corvath-cli-${CLI_COMMAND}")
  # The command's one-line summary from the overview: after the synopsis on its own
  # line, or on the next line when the synopsis fills the first.
  string(REPLACE "\n" ";" lines "${overview}")
  set(summary "")
  set(take_next OFF)
  foreach(line IN LISTS lines)
    if(take_next)
      string(STRIP "${line}" summary)
      break()
    endif()
    if(line MATCHES "^  ${CLI_COMMAND}( |$)")
      if(line MATCHES "[^ ]   +([^ ].*)$")
        set(summary "${CMAKE_MATCH_1}")
        break()
      endif()
      set(take_next ON)
    endif()
  endforeach()
  if(summary STREQUAL "")
    message(FATAL_ERROR "no summary of '${CLI_COMMAND}' in the overview of ${CLI} --help")
  endif()
  help_of(help ${CLI_COMMAND})
  set(invocation "corvath-cli ${CLI_COMMAND}")
  set(see_also ".BR corvath-cli (1)")
else()
  set(name "corvath-cli")
  set(summary "the batch command of Corvath: H/V spectral ratios and layered-model inversion")
  set(help "${overview}")
  set(invocation "corvath-cli")
  set(see_also "")
  foreach(command dump spectra forward invert hv survey)
    string(APPEND see_also ".BR corvath-cli-${command} (1)\n")
  endforeach()
endif()

string(TOUPPER "${name}" title)
string(REPLACE "-" "\\-" troff_name "${name}")
troff_escape(summary "${summary}")
troff_escape(help "${help}")
string(REGEX REPLACE "\n$" "" help "${help}")
string(STRIP "${see_also}" see_also)
file(WRITE "${OUT}.tmp" ".TH ${title} 1 \"\" \"Corvath ${VERSION}\" \"User Commands\"
.SH NAME
${troff_name} \\- ${summary}
.SH DESCRIPTION
The text of
.B ${invocation} \\-\\-help
(exit status: 0 success, 1 an input that cannot be read or gives no result, 2 a usage error):
.PP
.nf
${help}
.fi
.SH SEE ALSO
${see_also}
")
file(RENAME "${OUT}.tmp" "${OUT}")
