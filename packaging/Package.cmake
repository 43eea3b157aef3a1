# What "cpack" builds: a Debian package on Linux, an NSIS installer and a ZIP file on Windows.
set(CPACK_PACKAGE_NAME orva-toolbox)
set(CPACK_PACKAGE_VENDOR "ORVA Toolbox developers")
# The same address as the About box.
set(CPACK_PACKAGE_CONTACT "ORVA Toolbox developers <orva-toolbox@lab.invalid>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "View, export, filter and convert EEG session and average files")
# Lines of at most 80 characters, as Debian's control file wants them.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "ORVA Toolbox opens the binary session (*.ses) and average (*.ave) files of an"
  "event-related EEG acquisition system, shows their header and traces, exports"
  "selections to text and statistics tables, low-pass filters the traces and"
  "reorders channels. The package holds the desktop program orva-toolbox and the"
  "batch tool orva.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGE_INSTALL_DIRECTORY "ORVA Toolbox")
set(CPACK_PACKAGE_EXECUTABLES orva-toolbox "ORVA Toolbox")
set(CPACK_STRIP_FILES ON)

if(WIN32)
  set(CPACK_GENERATOR NSIS ZIP)
  set(CPACK_NSIS_DISPLAY_NAME "ORVA Toolbox")
  set(CPACK_NSIS_PACKAGE_NAME "ORVA Toolbox ${PROJECT_VERSION}")
  set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
  set(CPACK_NSIS_INSTALLED_ICON_NAME "bin\\\\orva-toolbox.exe")
elseif(UNIX AND NOT APPLE)
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION science)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  # Libraries through dpkg-shlibdeps; Qt's platform plugins are loaded at run time, so
  # the linker's view does not show them.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  # Packages that dpkg-shlibdeps cannot see: add to this list (joined below).
  list(APPEND ORVA_DEBIAN_DEPENDS "")
  if(TARGET orva-toolbox)
    list(APPEND ORVA_DEBIAN_DEPENDS qt6-qpa-plugins)
  endif()
  # The Python module is built for Debian's python3 and uses NumPy's arrays.
  if(TARGET orva_python)
    list(APPEND ORVA_DEBIAN_DEPENDS python3 python3-numpy)
  endif()
  list(REMOVE_ITEM ORVA_DEBIAN_DEPENDS "")
  list(JOIN ORVA_DEBIAN_DEPENDS ", " CPACK_DEBIAN_PACKAGE_DEPENDS)
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "shared-mime-info, desktop-file-utils")
endif()

include(CPack)
