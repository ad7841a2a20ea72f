# The login program, login_v2.cgi (cgi/login/): logs users in with the
# machine's accounts through PAM and writes the session files the management
# program checks. PAM loads its modules at run time, so this program links
# dynamically against libpam and the C library whatever MGMT_LINK_MODE says.
# Without PAM for the target (Debian's libpam0g-dev of its architecture) it
# is left out, and MGMT_LOGIN says so.
option(MGMT_BUILD_LOGIN "Build the login program login_v2.cgi (needs PAM)" ON)
set(MGMT_LOGIN_PAM_SERVICE "management" CACHE STRING "PAM service the login program authenticates with")
set(MGMT_LOGIN_RW_GROUP "mgmt-rw" CACHE STRING "Group whose members log in read-write")
find_path(PAM_INCLUDE_DIR security/pam_appl.h)
find_library(PAM_LIBRARY pam)
set(MGMT_LOGIN OFF)
if(MGMT_BUILD_LOGIN AND PAM_INCLUDE_DIR AND PAM_LIBRARY)
  set(MGMT_LOGIN ON)
elseif(MGMT_BUILD_LOGIN AND CMAKE_CROSSCOMPILING)
  message(WARNING "login_v2.cgi left out: no PAM for the target (libpam0g-dev:<arch>)")
elseif(MGMT_BUILD_LOGIN)
  message(STATUS "login_v2.cgi left out: no PAM (libpam0g-dev) for this target")
endif()

if(MGMT_LOGIN)
  file(GLOB LOGIN_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*.cpp)
  list(REMOVE_ITEM LOGIN_SOURCES ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
  add_library(mgmt_login STATIC ${LOGIN_SOURCES})
  target_include_directories(mgmt_login PUBLIC ${PAM_INCLUDE_DIR})
  target_compile_definitions(mgmt_login PUBLIC MGMT_LOGIN_PAM_SERVICE="${MGMT_LOGIN_PAM_SERVICE}"
                                               MGMT_LOGIN_RW_GROUP="${MGMT_LOGIN_RW_GROUP}")
  target_link_libraries(mgmt_login PUBLIC mgmt_tools ${PAM_LIBRARY})

  add_executable(login_v2.cgi ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
  set_target_properties(login_v2.cgi PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
  target_link_libraries(login_v2.cgi PRIVATE mgmt_login)
  if(MGMT_SANITIZE)
    target_sources(login_v2.cgi PRIVATE ${CMAKE_SOURCE_DIR}/sanitize/defaults.cpp)
    set_target_properties(login_v2.cgi PROPERTIES ENABLE_EXPORTS ON)
  endif()
endif()
