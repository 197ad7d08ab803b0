# fw_about_page(<output>): writes the page "About..." opens, with this
# build's version and the places where this platform keeps the settings.
function(fw_about_page output)
  if(WIN32)
    set(FW_ABOUT_ADD "Started as <code>Fenwillow.exe add</code>, a further copy of the ornament appears at a random place.")
    set(FW_ABOUT_SETTINGS "the registry key <code>HKEY_CURRENT_USER\\Software\\Fenwillow</code>")
    set(FW_ABOUT_AUTOSTART "the value <code>Fenwillow</code> under <code>HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run</code>")
  else()
    set(FW_ABOUT_ADD "Started as <code>fenwillow add</code>, a further copy of the ornament appears at a random place; <code>fenwillow --help</code> and <code>man fenwillow</code> tell more.")
    set(FW_ABOUT_SETTINGS "<code>~/.config/fenwillow/registry</code> (under <code>$XDG_CONFIG_HOME</code> when that is set)")
    set(FW_ABOUT_AUTOSTART "the desktop entry <code>~/.config/autostart/fenwillow.desktop</code>")
  endif()
  configure_file(${PROJECT_SOURCE_DIR}/packaging/about.html.in ${output} @ONLY)
endfunction()
