# The desktop's files (resources/desktop/): the application entry, the project file type and
# the icon. Their texts are compiled into the program (kestrove --register-desktop writes them
# for the user), and `cmake --install` puts them under the prefix's share/.
set(KV_DESKTOP_DIR ${CMAKE_SOURCE_DIR}/resources/desktop)
set(KV_DESKTOP_FILES ${KV_DESKTOP_DIR}/kestrove.desktop.in ${KV_DESKTOP_DIR}/kestrove.xml ${KV_DESKTOP_DIR}/kestrove.svg)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${KV_DESKTOP_FILES} ${CMAKE_SOURCE_DIR}/cmake/desktoptexts.cpp.in)
file(READ ${KV_DESKTOP_DIR}/kestrove.desktop.in KV_DESKTOP_ENTRY)
file(READ ${KV_DESKTOP_DIR}/kestrove.xml KV_DESKTOP_MIME)
file(READ ${KV_DESKTOP_DIR}/kestrove.svg KV_DESKTOP_ICON)
configure_file(${CMAKE_SOURCE_DIR}/cmake/desktoptexts.cpp.in ${CMAKE_BINARY_DIR}/generated/desktoptexts.cpp @ONLY)
target_sources(kvplatform PRIVATE ${CMAKE_BINARY_DIR}/generated/desktoptexts.cpp)

install(TARGETS kestrove RUNTIME DESTINATION bin)
set(KV_EXEC kestrove)
configure_file(${KV_DESKTOP_DIR}/kestrove.desktop.in ${CMAKE_BINARY_DIR}/generated/kestrove.desktop)
install(FILES ${CMAKE_BINARY_DIR}/generated/kestrove.desktop DESTINATION share/applications)
install(FILES ${KV_DESKTOP_DIR}/kestrove.xml DESTINATION share/mime/packages)
install(FILES ${KV_DESKTOP_DIR}/kestrove.svg DESTINATION share/icons/hicolor/scalable/apps)
