# At install time: the desktop entry with the installed binary's full path in Exec.
set(exec "${CMAKE_INSTALL_PREFIX}/${QV_BINDIR}/quorvalen")
string(REPLACE "%" "%%" exec "${exec}")
if(exec MATCHES "[ \t\"]")
  string(REPLACE "\"" "\\\\\"" exec "${exec}")
  set(exec "\"${exec}\"")
endif()
set(QV_EXEC "${exec}")
configure_file("${QV_DESKTOP_TEMPLATE}" "${QV_DESKTOP_OUTPUT}" @ONLY)
