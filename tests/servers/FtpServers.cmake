# The local FTP servers as a CTest fixture: started once before the tests that need them and
# stopped after the last. Those tests find the ports in the file named by FH_FTP_SERVERS.
include_guard(GLOBAL)

set(FH_FTP_STATE ${CMAKE_BINARY_DIR}/ftp-servers)
add_test(NAME ftp_servers_start COMMAND ${CMAKE_SOURCE_DIR}/tests/servers/ftp-servers start ${FH_FTP_STATE})
add_test(NAME ftp_servers_stop COMMAND ${CMAKE_SOURCE_DIR}/tests/servers/ftp-servers stop ${FH_FTP_STATE})
set_tests_properties(ftp_servers_start PROPERTIES FIXTURES_SETUP ftp_servers LABELS servers TIMEOUT 60)
set_tests_properties(ftp_servers_stop PROPERTIES FIXTURES_CLEANUP ftp_servers LABELS servers TIMEOUT 60)

function(fh_needs_ftp_servers test)
  set_tests_properties(${test} PROPERTIES FIXTURES_REQUIRED ftp_servers
    ENVIRONMENT "FH_FTP_SERVERS=${CMAKE_BINARY_DIR}/ftp-servers/servers.env")
endfunction()
