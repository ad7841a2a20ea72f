# What `cmake --install` puts in place (DESTDIR honoured, --strip strips the
# programs), under the installation prefix P and its configuration folder
# ETC (/etc for the prefix /usr, P/etc otherwise):
#   P/MGMT_INSTALL_CGIDIR/management_v2.cgi       the management program
#   P/MGMT_INSTALL_CGIDIR/login/login_v2.cgi      the login program, in a
#       folder (0750) for the server account alone: it is set-group-ID
#       shadow where the system gives it that (the Debian package does)
#   P/MGMT_INSTALL_CGIDIR/prepare-files           the boot script (POSIX sh)
#   P/lib/tmpfiles.d/management_v2.conf           the same for systemd
#   ETC/lighttpd/conf-available/50-management_v2.conf   the site, to enable
#   ETC/management_v2/lighttpd-limits.conf        its request limits
#   ETC/pam.d/<MGMT_LOGIN_PAM_SERVICE>            the login program's service
# The configuration files are written at install time, so that the paths in
# them are those of the prefix installed to (cmake --install --prefix).
set(MGMT_INSTALL_CGIDIR "lib/management_v2" CACHE STRING
    "Folder of the programs, relative to the installation prefix")
set(MGMT_SERVER_USER "www-data" CACHE STRING "Account the web server runs the programs as")
set(MGMT_SERVER_GROUP "www-data" CACHE STRING "Group of that account")
set(MGMT_HTTPS_PORT "443" CACHE STRING "Port the installed lighttpd site serves HTTPS on")

install(TARGETS management_v2.cgi RUNTIME DESTINATION ${MGMT_INSTALL_CGIDIR})
if(MGMT_LOGIN)
  install(DIRECTORY DESTINATION ${MGMT_INSTALL_CGIDIR}/login
          DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE)
  install(TARGETS login_v2.cgi RUNTIME DESTINATION ${MGMT_INSTALL_CGIDIR}/login)
endif()

# The TLS settings of the development configuration, taken whole.
file(READ ${PROJECT_SOURCE_DIR}/conf/transport-https.conf mgmt_https_conf)
string(REGEX MATCH "ssl\\.openssl\\.ssl-conf-cmd = \\([^)]*\\)" mgmt_tls_settings "${mgmt_https_conf}")
string(REPLACE "\n" "\n  " mgmt_tls_settings "${mgmt_tls_settings}")
set(mgmt_staged ${CMAKE_BINARY_DIR}/install-staged)
file(MAKE_DIRECTORY ${mgmt_staged})
file(WRITE ${mgmt_staged}/tls-settings.txt "${mgmt_tls_settings}")

# The PAM service, with the login program.
set(mgmt_install_pam "")
if(MGMT_LOGIN)
  set(mgmt_install_pam "file(INSTALL DESTINATION \"\${etc}/pam.d\" TYPE FILE
       FILES \"${PROJECT_SOURCE_DIR}/conf/pam.d/management\" RENAME \"${MGMT_LOGIN_PAM_SERVICE}\")")
endif()

install(CODE "
  set(prefix \"\${CMAKE_INSTALL_PREFIX}\")
  if(prefix STREQUAL \"/usr\")
    set(etc /etc)
  else()
    set(etc \"\${prefix}/etc\")
  endif()
  set(MGMT_SERVER_USER \"${MGMT_SERVER_USER}\")
  set(MGMT_SERVER_GROUP \"${MGMT_SERVER_GROUP}\")
  set(MGMT_HTTPS_PORT \"${MGMT_HTTPS_PORT}\")
  set(MGMT_CGI_DIR \"\${prefix}/${MGMT_INSTALL_CGIDIR}\")
  set(MGMT_INSTALL_CGIDIR_FULL \"\${MGMT_CGI_DIR}\")
  set(MGMT_CONF_DIR \"\${etc}/management_v2\")
  file(READ \"${mgmt_staged}/tls-settings.txt\" MGMT_TLS_SETTINGS)
  foreach(pair prepare-files.in:prepare-files tmpfiles.conf.in:tmpfiles.conf lighttpd-site.conf.in:lighttpd-site.conf)
    string(REPLACE \":\" \";\" pair \"\${pair}\")
    list(GET pair 0 from)
    list(GET pair 1 to)
    configure_file(\"${PROJECT_SOURCE_DIR}/conf/system/\${from}\" \"${mgmt_staged}/\${to}\" @ONLY)
  endforeach()
  file(INSTALL DESTINATION \"\${MGMT_CGI_DIR}\" TYPE PROGRAM FILES \"${mgmt_staged}/prepare-files\")
  file(INSTALL DESTINATION \"\${prefix}/lib/tmpfiles.d\" TYPE FILE
       FILES \"${mgmt_staged}/tmpfiles.conf\" RENAME management_v2.conf)
  file(INSTALL DESTINATION \"\${etc}/lighttpd/conf-available\" TYPE FILE
       FILES \"${mgmt_staged}/lighttpd-site.conf\" RENAME 50-management_v2.conf)
  file(INSTALL DESTINATION \"\${MGMT_CONF_DIR}\" TYPE FILE
       FILES \"${PROJECT_SOURCE_DIR}/conf/limits.conf\" RENAME lighttpd-limits.conf)
  ${mgmt_install_pam}
")

if(MGMT_BUILD_TESTS AND NOT CMAKE_CROSSCOMPILING AND MGMT_LOGIN)
  # Installs into a temporary folder and runs the boot script under BusyBox.
  add_test(NAME install COMMAND ${PROJECT_SOURCE_DIR}/tests/install/install_test.sh
                                ${CMAKE_BINARY_DIR} ${PROJECT_SOURCE_DIR} ${PROJECT_VERSION})
endif()
