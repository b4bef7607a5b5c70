# `cmake --install build` puts the program into the application menu: the binary, its desktop
# entry, its icon in the hicolor theme and its AppStream metainfo, all named by the one
# application id. A user's install goes to ~/.local unless a prefix is given; `sudo` installs go
# to /usr/local. `cmake --build build --target uninstall` removes what the last install wrote.
set(QV_APP_ID io.github.quorvalen.Quorvalen)
set(QV_ICON_SIZES 48 128 256)
include(GNUInstallDirs)

# The PNG icons, drawn from the scalable one at build time.
set(qv_icon_svg ${PROJECT_SOURCE_DIR}/data/${QV_APP_ID}.svg)
set(qv_icon_dir ${CMAKE_BINARY_DIR}/icons)
set(qv_icon_pngs)
foreach(size ${QV_ICON_SIZES})
  list(APPEND qv_icon_pngs ${qv_icon_dir}/${size}x${size}/apps/${QV_APP_ID}.png)
endforeach()
add_custom_command(OUTPUT ${qv_icon_pngs}
  COMMAND appicon ${qv_icon_svg} ${qv_icon_dir} ${QV_ICON_SIZES}
  DEPENDS appicon ${qv_icon_svg}
  COMMENT "Drawing the application icon")
add_custom_target(app_icons ALL DEPENDS ${qv_icon_pngs})

configure_file(${PROJECT_SOURCE_DIR}/data/${QV_APP_ID}.metainfo.xml.in
               ${CMAKE_BINARY_DIR}/data/${QV_APP_ID}.metainfo.xml @ONLY)

# Runs first at install time: the default prefix becomes ~/.local for anyone but root (who
# could not write /usr/local anyway).
if(CMAKE_INSTALL_PREFIX STREQUAL "/usr/local")
  install(CODE "
    execute_process(COMMAND id -u OUTPUT_VARIABLE qv_uid OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(CMAKE_INSTALL_PREFIX STREQUAL \"${CMAKE_INSTALL_PREFIX}\" AND NOT qv_uid STREQUAL \"0\"
       AND NOT \"\$ENV{DESTDIR}\" AND NOT \"\$ENV{HOME}\" STREQUAL \"\")
      set(CMAKE_INSTALL_PREFIX \"\$ENV{HOME}/.local\")
      message(STATUS \"Installing for this user into \${CMAKE_INSTALL_PREFIX}\")
    endif()")
endif()

install(TARGETS quorvalen RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The PDF module, where the program looks for it (beside its binary's folder).
install(TARGETS qvpdf LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}/quorvalen)
# The desktop entry names the installed binary by its full path (~/.local/bin is not always on
# the launcher's PATH), so it is written for the prefix the install goes to.
install(CODE "
  set(QV_DESKTOP_TEMPLATE \"${PROJECT_SOURCE_DIR}/data/${QV_APP_ID}.desktop.in\")
  set(QV_DESKTOP_OUTPUT \"${CMAKE_BINARY_DIR}/data/${QV_APP_ID}.desktop\")
  set(QV_BINDIR \"${CMAKE_INSTALL_BINDIR}\")")
install(SCRIPT ${PROJECT_SOURCE_DIR}/cmake/WriteDesktopEntry.cmake)
install(FILES ${CMAKE_BINARY_DIR}/data/${QV_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${qv_icon_svg} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size ${QV_ICON_SIZES})
  install(FILES ${qv_icon_dir}/${size}x${size}/apps/${QV_APP_ID}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
install(FILES ${CMAKE_BINARY_DIR}/data/${QV_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

add_custom_target(uninstall
  COMMAND ${CMAKE_COMMAND} -DMANIFEST=${CMAKE_BINARY_DIR}/install_manifest.txt -P ${PROJECT_SOURCE_DIR}/cmake/Uninstall.cmake
  COMMENT "Removing the installed files")
