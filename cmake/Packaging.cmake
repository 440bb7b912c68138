# The Debian package: `cpack -G DEB` in a build tree (after building it) makes
# kelvora_<version>_<arch>.deb from what `cmake --install` puts in place.
#
# Its dependencies are computed, never listed by hand: dpkg-shlibdeps reads the libraries the
# programs link, and the Qt pieces loaded at run time (the QML modules the views import, the
# SVG icon engine and the offscreen platform) are looked up with `dpkg -S` in the packages that
# own them here.

set(CPACK_PACKAGE_NAME kelvora)
set(CPACK_PACKAGE_VENDOR "Tizara")
set(CPACK_PACKAGE_CONTACT "Tizara developers <dev@tizara.app>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Records classes and writes study notes")
set(CPACK_PACKAGE_DESCRIPTION
  "Tizara records university classes from the tray (microphone and system audio), has them\n"
  "transcribed and writes study notes with a language model, one Markdown file per class.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

# The package that owns `path` on this system, or nothing.
function(kelv_owning_package path out)
  set(${out} "" PARENT_SCOPE)
  find_program(KELV_DPKG dpkg)
  if(NOT KELV_DPKG OR NOT EXISTS "${path}")
    return()
  endif()
  execute_process(COMMAND ${KELV_DPKG} -S "${path}" OUTPUT_VARIABLE owner
    RESULT_VARIABLE status ERROR_QUIET OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(status EQUAL 0)
    # "package[:arch]: path"; diversions and several owners take the first.
    string(REGEX MATCH "^[^:, ]+" package "${owner}")
    set(${out} "${package}" PARENT_SCOPE)
  endif()
endfunction()

set(KELV_RUNTIME_PACKAGES "")
if(KELV_BUILD_APP)
  find_package(Qt6 6.4 COMPONENTS Core QUIET)
endif()
if(TARGET Qt6::qmake)
  get_target_property(KELV_QMAKE Qt6::qmake LOCATION)
  if(KELV_QMAKE)
    execute_process(COMMAND ${KELV_QMAKE} -query QT_INSTALL_QML OUTPUT_VARIABLE qml_root
      OUTPUT_STRIP_TRAILING_WHITESPACE)
    execute_process(COMMAND ${KELV_QMAKE} -query QT_INSTALL_PLUGINS OUTPUT_VARIABLE plugin_root
      OUTPUT_STRIP_TRAILING_WHITESPACE)
    # The modules the views import (QtQml.WorkerScript comes with QtQuick's own imports).
    set(runtime_files
      ${qml_root}/QtQuick/qmldir ${qml_root}/QtQuick/Layouts/qmldir
      ${qml_root}/QtQuick/Window/qmldir ${qml_root}/QtQuick/Templates/qmldir
      ${qml_root}/QtQuick/Controls/qmldir ${qml_root}/QtQuick/Dialogs/qmldir
      ${qml_root}/QtQml/WorkerScript/qmldir
      ${plugin_root}/iconengines/libqsvgicon.so
      # kelvora-pdf typesets without a display
      ${plugin_root}/platforms/libqoffscreen.so)
    foreach(file ${runtime_files})
      kelv_owning_package("${file}" package)
      if(package)
        list(APPEND KELV_RUNTIME_PACKAGES ${package})
      endif()
    endforeach()
    list(REMOVE_DUPLICATES KELV_RUNTIME_PACKAGES)
  endif()
endif()
# The symbols the views draw come from the Adwaita theme.
kelv_owning_package(/usr/share/icons/Adwaita/index.theme KELV_ICON_PACKAGE)
if(KELV_ICON_PACKAGE)
  list(APPEND KELV_RUNTIME_PACKAGES ${KELV_ICON_PACKAGE})
endif()
list(JOIN KELV_RUNTIME_PACKAGES ", " CPACK_DEBIAN_PACKAGE_DEPENDS)

include(CPack)
