# Installs the menu entry (run by `cmake --install` and CPack, with
# FW_ENTRY_SOURCE and FW_ENTRY_STAGE set). Its Exec names the installed
# program by its full path, so the entry starts it whether or not that bin
# directory is on PATH (a ~/.local install, for one), quoted and escaped as
# desktop entries require.
set(program "${CMAKE_INSTALL_PREFIX}/bin/fenwillow")
set(FW_EXEC "${program}")
if(program MATCHES "[ \t\n\"'\\\\><~|&;$*?#()`]")
  string(REGEX REPLACE "([\"`$\\\\])" "\\\\\\1" FW_EXEC "${program}")
  set(FW_EXEC "\"${FW_EXEC}\"")
endif()
string(REPLACE "%" "%%" FW_EXEC "${FW_EXEC}")
# GLib looks for the program by Exec's first word before it turns "%%"
# back into "%".
if(program MATCHES "%")
  set(FW_EXEC "env ${FW_EXEC}")
endif()
string(REPLACE "\\" "\\\\" FW_EXEC "${FW_EXEC}")
configure_file("${FW_ENTRY_SOURCE}" "${FW_ENTRY_STAGE}/fenwillow.desktop" @ONLY)
file(INSTALL "${FW_ENTRY_STAGE}/fenwillow.desktop" DESTINATION "${CMAKE_INSTALL_PREFIX}/share/applications")
