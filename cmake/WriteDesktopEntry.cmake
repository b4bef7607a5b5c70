# At install time: the desktop entry with the installed binary's full path in Exec.
# The desktop-entry rules: a literal % is written %%; an argument holding anything but plain
# path characters is quoted, and inside the quotes ", `, $ and \ take a backslash. The file's
# own string escapes apply first, so that backslash is itself written \\ (a literal backslash
# becomes four), and a newline or tab is written \n or \t.
set(exec "${CMAKE_INSTALL_PREFIX}/${QV_BINDIR}/quorvalen")
string(REPLACE "%" "%%" exec "${exec}")
if(exec MATCHES "[^A-Za-z0-9/._+,=:@%-]")
  string(REPLACE "\\" "\\\\\\\\" exec "${exec}")
  string(REPLACE "\"" "\\\\\"" exec "${exec}")
  string(REPLACE "`" "\\\\`" exec "${exec}")
  string(REPLACE "$" "\\\\$" exec "${exec}")
  string(REPLACE "\n" "\\n" exec "${exec}")
  string(REPLACE "\t" "\\t" exec "${exec}")
  string(REPLACE "\r" "\\r" exec "${exec}")
  set(exec "\"${exec}\"")
endif()
set(QV_EXEC "${exec}")
configure_file("${QV_DESKTOP_TEMPLATE}" "${QV_DESKTOP_OUTPUT}" @ONLY)
