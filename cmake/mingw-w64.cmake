# Cross-build for Windows with MinGW-w64. Included by the x64 and x86 toolchain files, which set
# MINGW_TRIPLET and CMAKE_SYSTEM_PROCESSOR first.
set(CMAKE_SYSTEM_NAME Windows)

# The compilers' thread model. win32, the default, builds the program: its runtime imports nothing
# newer than Windows XP. The posix one's runtime (winpthreads) imports GetTickCount64, which XP
# lacks, but it has the std::mutex GoogleTest needs: tests/CMakeLists.txt builds the test programs
# with it.
if(NOT MINGW_THREAD_MODEL)
    set(MINGW_THREAD_MODEL win32)
endif()
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES MINGW_THREAD_MODEL)
set(CMAKE_C_COMPILER ${MINGW_TRIPLET}-gcc-${MINGW_THREAD_MODEL})
set(CMAKE_CXX_COMPILER ${MINGW_TRIPLET}-g++-${MINGW_THREAD_MODEL})
set(CMAKE_RC_COMPILER ${MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# The binaries must import nothing but DLLs that ship with Windows.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# ctest runs the Windows binaries under Wine. Both builds share one prefix (WINEPREFIX_DIR,
# set by the presets), made once by tools/wine-env.sh.
if(NOT WINEPREFIX_DIR)
    set(WINEPREFIX_DIR ${CMAKE_BINARY_DIR}/wineprefix)
endif()
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh ${WINEPREFIX_DIR})
