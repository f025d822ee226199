# Installing Tunelet: the two programs with the command's modules, and for the window its desktop entry, icons, the
# script file type and the songbook, all under the usual freedesktop.org places.
#
#   cmake --install build --prefix ~/.local        for one user (no root needed)
#   sudo cmake --install build                     for everyone, under /usr/local
#
# The desktop only sees a new file type and a new entry once its caches are rebuilt; the
# install does that itself for the prefix it writes to (not when DESTDIR is set, where a
# package's own scripts do it), with whichever of the tools the system has.
include(GNUInstallDirs)

option(TUNELET_INSTALL_UPDATE_CACHES
  "Rebuild the MIME and desktop-entry caches of the install prefix after installing" ON)

install(TARGETS tunelet-export RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# tunelet-export's output modules: it looks for them in bin/../lib/tunelet, relative to
# itself, so any prefix works.
install(TARGETS tunelet-export-wav LIBRARY DESTINATION ${TUNELET_MODULE_INSTALL_DIR})

if(TUNELET_GUI)
  install(TARGETS tunelet RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(TARGETS tunelet-window tunelet-window-print
    LIBRARY DESTINATION ${TUNELET_MODULE_INSTALL_DIR})
  install(TARGETS tunelet-export-notation tunelet-export-musicxml
    LIBRARY DESTINATION ${TUNELET_MODULE_INSTALL_DIR})

  set(tunelet_data ${CMAKE_INSTALL_DATADIR})
  # The installed entry names the program by its full path in the prefix given to
  # cmake --install, so the menu starts it even while that bin/ folder is not yet in the
  # session's PATH (~/.local/bin gets there only at the next login). A path that would need
  # quoting in an Exec line keeps the bare name.
  install(CODE "set(tunelet_bindir \"${CMAKE_INSTALL_BINDIR}\")
    set(tunelet_entry_in \"${PROJECT_SOURCE_DIR}/data/tunelet.desktop\")
    set(tunelet_entry_out \"${PROJECT_BINARY_DIR}/install/tunelet.desktop\")
    set(tunelet_applications \"${tunelet_data}/applications\")")
  install(CODE [[
    if(IS_ABSOLUTE "${tunelet_bindir}")
      set(bin "${tunelet_bindir}")
    else()
      set(bin "${CMAKE_INSTALL_PREFIX}/${tunelet_bindir}")
    endif()
    file(READ "${tunelet_entry_in}" entry)
    if(bin MATCHES "^[A-Za-z0-9/._+-]+$")
      string(REPLACE "
Exec=tunelet " "
Exec=${bin}/tunelet " entry "${entry}")
      string(REPLACE "
TryExec=tunelet
" "
TryExec=${bin}/tunelet
" entry "${entry}")
    endif()
    file(WRITE "${tunelet_entry_out}" "${entry}")
    file(INSTALL DESTINATION "${CMAKE_INSTALL_PREFIX}/${tunelet_applications}" TYPE FILE
      FILES "${tunelet_entry_out}")
  ]])
  install(FILES ${PROJECT_SOURCE_DIR}/data/tunelet-mime.xml
    DESTINATION ${tunelet_data}/mime/packages RENAME tunelet.xml)

  set(app_icons ${PROJECT_SOURCE_DIR}/src/ui/resources/app)
  install(FILES ${app_icons}/tunelet.svg DESTINATION ${tunelet_data}/icons/hicolor/scalable/apps)
  foreach(size 16 32 48 64 128 256)
    install(FILES ${app_icons}/tunelet-${size}.png
      DESTINATION ${tunelet_data}/icons/hicolor/${size}x${size}/apps RENAME tunelet.png)
  endforeach()

  install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tunelet/examples)

  if(TUNELET_INSTALL_UPDATE_CACHES)
    # Runs at install time; the prefix is the one given to cmake --install.
    install(CODE [[
      if(NOT "$ENV{DESTDIR}" STREQUAL "")
        return()
      endif()
      set(share "${CMAKE_INSTALL_PREFIX}/share")
      find_program(tunelet_update_mime update-mime-database)
      find_program(tunelet_update_desktop update-desktop-database)
      find_program(tunelet_update_icons gtk-update-icon-cache)
      if(tunelet_update_mime)
        message(STATUS "Updating the MIME database: ${share}/mime")
        execute_process(COMMAND "${tunelet_update_mime}" "${share}/mime" RESULT_VARIABLE rc)
      else()
        message(STATUS "update-mime-database not found: .TNL files are known to the desktop after it runs on ${share}/mime")
      endif()
      if(tunelet_update_desktop)
        message(STATUS "Updating the desktop entries: ${share}/applications")
        execute_process(COMMAND "${tunelet_update_desktop}" -q "${share}/applications")
      else()
        message(STATUS "update-desktop-database not found (package desktop-file-utils): file managers offer Tunelet for .TNL files after it runs on ${share}/applications")
      endif()
      # A theme folder with a cache of its own hides new icons until the cache is rebuilt.
      if(tunelet_update_icons AND EXISTS "${share}/icons/hicolor/icon-theme.cache")
        execute_process(COMMAND "${tunelet_update_icons}" -q -t -f "${share}/icons/hicolor")
      endif()
    ]])
  endif()
endif()
