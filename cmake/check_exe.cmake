# Run after each link of the program (ui/CMakeLists.txt): fails the build, and removes the exe,
# where the exe could not start on the oldest Windows it is built for, is not hardened, or
# carries the C++ exception runtime. Wine has every function whatever Windows it plays, so only
# the exe itself can tell.
#   EXE      the exe
#   MAP      the linker's map of it
#   OBJDUMP  MinGW-w64's objdump
#   IMPORTS  the list of functions the program may import, with the first Windows of each
#   FLOOR    the oldest Windows, as major.minor: 5.1 (XP) or 5.2 (XP x64)
cmake_minimum_required(VERSION 3.25)

set(problems "")

# The exception runtime and the threads support it needs (libgcc's, whose later versions import
# GetThreadId): nothing the program does may bring them in.
file(STRINGS "${MAP}" runtime REGEX "(__cxa_throw|__cxa_begin_catch|_Unwind_RaiseException|__gthr_win32_)")
foreach(line IN LISTS runtime)
    string(STRIP "${line}" line)
    list(APPEND problems "links the exception or threads runtime: ${line}")
endforeach()

# "DLL function first-Windows" lines, "#" lines left out.
file(STRINGS "${IMPORTS}" listed REGEX "^[^#]")
foreach(line IN LISTS listed)
    string(REGEX MATCH "^([^ ]+) +([^ ]+) +([0-9.]+)" entry "${line}")
    if(entry)
        set("first_${CMAKE_MATCH_1}_${CMAKE_MATCH_2}" ${CMAKE_MATCH_3})
    endif()
endforeach()

execute_process(COMMAND "${OBJDUMP}" -p "${EXE}" OUTPUT_VARIABLE headers RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "${OBJDUMP} could not read ${EXE}")
endif()
string(REPLACE "\n" ";" headers "${headers}")
set(dll "")
set(count 0)
foreach(line IN LISTS headers)
    if(line MATCHES "^\tDLL Name: (.+)$")
        set(dll "${CMAKE_MATCH_1}")
    # Debian 12's binutils: "vma hint name"; later ones: "vma ordinal-or-<none> hint name".
    elseif(line MATCHES "^\t[0-9a-f]+(\t +[0-9]+ +|  <none>  [0-9a-f]+  )(.+)$" AND dll)
        set(function "${CMAKE_MATCH_2}")
        set(first "first_${dll}_${function}")
        math(EXPR count "${count} + 1")
        if(NOT DEFINED "${first}")
            list(APPEND problems "imports ${dll} ${function}, which is not in ${IMPORTS}")
        elseif(${first} VERSION_GREATER FLOOR)
            list(APPEND problems "imports ${dll} ${function}, which needs Windows ${${first}}")
        endif()
    elseif(line STREQUAL "")
        set(dll "")
    elseif(dll AND NOT line MATCHES "^\tvma:")
        # An import by ordinal, which newer binutils print with no name, or a line of a form
        # this script does not know.
        list(APPEND problems "imports from ${dll} what has no name here: ${line}")
    endif()
endforeach()
# The headers: a subsystem version no newer than the floor (Windows refuses to start an exe that
# asks for a newer one), ASLR and DEP (and high-entropy ASLR on x64).
string(REGEX MATCH "MajorSubsystemVersion\t([0-9]+)" major "${headers}")
set(major "${CMAKE_MATCH_1}")
string(REGEX MATCH "MinorSubsystemVersion\t([0-9]+)" minor "${headers}")
if("${major}.${CMAKE_MATCH_1}" VERSION_GREATER FLOOR)
    list(APPEND problems "asks for Windows ${major}.${CMAKE_MATCH_1} in its headers")
endif()
string(REGEX MATCH "DllCharacteristics\t([0-9a-f]+)" flags "${headers}")
set(wanted "DYNAMIC_BASE=0x40" "NX_COMPAT=0x100")
if(FLOOR VERSION_EQUAL 5.2)
    list(APPEND wanted "HIGH_ENTROPY_VA=0x20")
endif()
foreach(flag IN LISTS wanted)
    string(REPLACE "=" ";" flag "${flag}")
    list(GET flag 1 bit)
    math(EXPR set "0x0${CMAKE_MATCH_1} & ${bit}")
    if(set EQUAL 0)
        list(GET flag 0 name)
        list(APPEND problems "lacks ${name} in its headers")
    endif()
endforeach()
# Windows XP's user32 makes no Common Controls 6 button, field or message box before comctl32
# has registered them (Wine's does): the exe must name the call it makes through GetProcAddress.
file(STRINGS "${EXE}" registers REGEX "InitCommonControlsEx" LIMIT_COUNT 1)
if(NOT registers)
    list(APPEND problems "never registers the common controls (no InitCommonControlsEx)")
endif()

if(count EQUAL 0)
    list(APPEND problems "no import was read: ${OBJDUMP} -p no longer prints what this script reads")
endif()

if(problems)
    file(REMOVE "${EXE}")
    list(JOIN problems "\n  " problems)
    message(FATAL_ERROR "${EXE} is not fit to ship for Windows ${FLOOR} (5.1 is XP, 5.2 XP x64) "
                        "and later, and was removed:\n  ${problems}")
endif()
