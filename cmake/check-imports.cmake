# Fails unless the executable EXE imports only Windows system libraries, as
# objdump OBJDUMP lists them: the program must run on a bare Windows.
#
#   cmake -DOBJDUMP=<objdump> -DEXE=<program.exe> -P check-imports.cmake
cmake_minimum_required(VERSION 3.25)
set(allowed KERNEL32.dll msvcrt.dll)
execute_process(COMMAND ${OBJDUMP} -p ${EXE} OUTPUT_VARIABLE dump RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} -p ${EXE} failed")
endif()
string(REGEX MATCHALL "DLL Name: [^\n]+" lines "${dump}")
if(NOT lines)
  message(FATAL_ERROR "${EXE}: no imports found")
endif()
foreach(line IN LISTS lines)
  string(REPLACE "DLL Name: " "" dll "${line}")
  if(NOT dll IN_LIST allowed)
    message(FATAL_ERROR "${EXE} imports ${dll}, which is not a Windows system library")
  endif()
  message(STATUS "imports ${dll}")
endforeach()
