# Runs the Windows program as the installer would, under Wine, and checks
# what a person finds afterwards: exit code 0 and the run's log in the
# user's temporary folder. Also records how a command line reaches the
# program when the caller passes an argument holding a blank: Wine, like
# Windows, quotes that argument when it builds the command line, and the
# converter uses the line as it comes, quotes included.
#
#   cmake -DEMULATOR=<wine command, "|"-separated> -DPROGRAM=<exe> -P program_under_wine.cmake

string(REPLACE "|" ";" emulator "${EMULATOR}")

# The temporary folder as the program sees it, then as a host path.
execute_process(COMMAND ${emulator} cmd /c echo %TEMP%
                OUTPUT_VARIABLE temp OUTPUT_STRIP_TRAILING_WHITESPACE)
string(STRIP "${temp}" temp)
execute_process(COMMAND ${emulator} winepath -u "${temp}"
                OUTPUT_VARIABLE temp_host OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT IS_DIRECTORY "${temp_host}")
  message(FATAL_ERROR "no temporary folder: '${temp}' -> '${temp_host}'")
endif()
set(log "${temp_host}/vorlake-upgrade.log")

# Runs the program with args; the log it leaves must name `seen` as the new
# installation folder.
function(run_and_check seen)
  file(REMOVE "${log}")
  execute_process(COMMAND ${emulator} "${PROGRAM}" ${ARGN} RESULT_VARIABLE code)
  if(NOT code STREQUAL "0")
    message(FATAL_ERROR "[${ARGN}]: exit code ${code}, not 0")
  endif()
  if(NOT EXISTS "${log}")
    message(FATAL_ERROR "[${ARGN}]: no log at ${log}")
  endif()
  file(READ "${log}" text)
  string(REPLACE "\r" "" text "${text}")  # the log's lines end in CRLF
  string(FIND "${text}" "new installation: ${seen}\n" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "[${ARGN}]: the log does not name '${seen}':\n${text}")
  endif()
endfunction()

# No version-5 installation is registered in the test prefix: the run lays
# out its paths and ends, touching nothing.
run_and_check([[C:\vorlake-smoke\New]] [[C:\vorlake-smoke\New]])
# One argument holding a blank arrives quoted...
run_and_check([["C:\vorlake smoke\New"]] [[C:\vorlake smoke\New]])
# ...two arguments arrive joined by the blank, unquoted.
run_and_check([[C:\vorlake smoke\New]] [[C:\vorlake]] [[smoke\New]])
# No argument at all: the empty command line is used as it is.
run_and_check([[]])
execute_process(COMMAND ${emulator} winepath -u [[C:\]]
                OUTPUT_VARIABLE drive_c OUTPUT_STRIP_TRAILING_WHITESPACE)
if(EXISTS "${drive_c}/vorlake-smoke" OR EXISTS "${drive_c}/vorlake smoke")
  message(FATAL_ERROR "the run made folders although no installation was found")
endif()
