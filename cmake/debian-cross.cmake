# Cross build with Debian's cross compilers and Debian's multiarch libraries:
# the target's cJSON comes from libcjson-dev:<arch> in /usr/lib/<triplet>.
# The toolchain files set MGMT_CROSS_TRIPLET and CMAKE_SYSTEM_PROCESSOR, then
# include this file.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_C_COMPILER ${MGMT_CROSS_TRIPLET}-gcc)
set(CMAKE_CXX_COMPILER ${MGMT_CROSS_TRIPLET}-g++)
set(CMAKE_STRIP ${MGMT_CROSS_TRIPLET}-strip CACHE FILEPATH "strip of the target")

# Libraries of the target architecture only: /usr/lib/<triplet> and the
# cross toolchain's own /usr/<triplet>; headers from /usr/include, which
# multiarch packages share.
set(CMAKE_LIBRARY_ARCHITECTURE ${MGMT_CROSS_TRIPLET})
set(CMAKE_FIND_ROOT_PATH /usr/${MGMT_CROSS_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
