# Writes rmf's manual page (gzip-compressed) from its own help texts: the
# program's, then each command's, so the page says what the program says.
# cmake -DRMF=path/to/rmf -DVERSION=... -DOUTPUT=.../rmf.1.gz -P this-file
function(help_text out)
  execute_process(COMMAND ${RMF} ${ARGN} --help OUTPUT_VARIABLE help COMMAND_ERROR_IS_FATAL ANY)
  string(REPLACE "${RMF}" "rmf" help "${help}")
  # roff: a backslash is \e, a line starting with a dot or quote is protected.
  string(REPLACE "\\" "\\e" help "${help}")
  string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" help "${help}")
  string(STRIP "${help}" help)
  set(${out} "${help}" PARENT_SCOPE)
endfunction()

help_text(overview)
string(REGEX MATCH "Subcommands:\n.*" listing "${overview}")
string(REGEX MATCHALL "\n  [a-z][a-z-]*" commands "${listing}")
if(NOT commands)
  message(FATAL_ERROR "rmf --help lists no commands")
endif()

set(page ".TH RMF 1 \"\" \"ravuna_motion_serializer ${VERSION}\" \"User Commands\"\n")
string(APPEND page ".SH NAME\nrmf \\- inspect, check, convert and analyse motion documents and captures\n")
string(APPEND page ".SH SYNOPSIS\n.B rmf\n.I command\n[\\fIoptions\\fR] [\\fIfiles\\fR]\n")
string(APPEND page ".SH DESCRIPTION\n.nf\n${overview}\n.fi\n.SH COMMANDS\n")
foreach(command IN LISTS commands)
  string(STRIP "${command}" command)
  help_text(command_help ${command})
  string(APPEND page ".SS rmf ${command}\n.nf\n${command_help}\n.fi\n")
endforeach()

get_filename_component(output_folder ${OUTPUT} DIRECTORY)
get_filename_component(plain ${OUTPUT} NAME_WLE)
file(WRITE ${output_folder}/${plain} "${page}")
execute_process(COMMAND gzip -9nf ${output_folder}/${plain} COMMAND_ERROR_IS_FATAL ANY)
