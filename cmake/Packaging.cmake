# The installed program and its Debian package (cpack -G DEB, or ./dev.sh package):
# the executable, the language files, the desktop entry, the AppStream
# metadata, the icons, the manual page, the copyright and the changelog.
include(GNUInstallDirs)

# Folders the install makes are 0755 whatever the umask of the one who builds.
set(VORREL_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
    WORLD_READ WORLD_EXECUTE)
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS ${VORREL_DIRECTORY_PERMISSIONS})

install(TARGETS vorrel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# A stripped install also loses the compiler's notes, as Debian's own strip does.
install(CODE "
    if(CMAKE_INSTALL_DO_STRIP)
        execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --remove-section=.comment
            --remove-section=.note \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/vorrel\"
            COMMAND_ERROR_IS_FATAL ANY)
    endif()")
# Found from the executable as ../share/vorrel/language.
install(DIRECTORY "${PROJECT_SOURCE_DIR}/language/"
    DESTINATION ${CMAKE_INSTALL_DATADIR}/vorrel/language
    DIRECTORY_PERMISSIONS ${VORREL_DIRECTORY_PERMISSIONS})
install(FILES "${PROJECT_SOURCE_DIR}/desktop/${VORREL_APP_ID}.desktop"
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES "${PROJECT_SOURCE_DIR}/desktop/${VORREL_APP_ID}.metainfo.xml"
    DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size 16 32 48 64 128 256)
    install(FILES "${PROJECT_SOURCE_DIR}/icons/vorrel-${size}.png"
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
        RENAME ${VORREL_APP_ID}.png)
endforeach()
install(FILES "${PROJECT_SOURCE_DIR}/icons/vorrel.svg"
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps RENAME ${VORREL_APP_ID}.svg)

# The manual page and the changelog compressed as Debian wants them: at the
# highest level and without a name or time stamp, so every build is the same.
set(VORREL_GZ_DIR "${CMAKE_BINARY_DIR}/packaging")
set(VORREL_GZ_FILES)
foreach(source man/vorrel.1 packaging/changelog)
    get_filename_component(name "${source}" NAME)
    add_custom_command(OUTPUT "${VORREL_GZ_DIR}/${name}.gz"
        COMMAND ${CMAKE_COMMAND} -E make_directory "${VORREL_GZ_DIR}"
        COMMAND sh -c "gzip -9n <\"$1\" >\"$2\"" sh "${PROJECT_SOURCE_DIR}/${source}"
                "${VORREL_GZ_DIR}/${name}.gz"
        DEPENDS "${PROJECT_SOURCE_DIR}/${source}"
        VERBATIM)
    list(APPEND VORREL_GZ_FILES "${VORREL_GZ_DIR}/${name}.gz")
endforeach()
add_custom_target(vorrel_compressed_docs ALL DEPENDS ${VORREL_GZ_FILES})
install(FILES "${VORREL_GZ_DIR}/vorrel.1.gz" DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES "${PROJECT_SOURCE_DIR}/packaging/copyright" "${VORREL_GZ_DIR}/changelog.gz"
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/vorrel)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vorrel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "The Vorrel team <team@vorrel.example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "password manager for a computer shared by several people")
set(CPACK_PACKAGE_DESCRIPTION
    "Each person logs in with their own name and account password and sees
only their own entries: a title, login, password, category, link, comments,
PIN code, credit card and software serial for each. The entries are grouped
into categories shown as a tree with counts; the list can be searched,
sorted, exported, and filled from the CSV export of a browser or another
password manager. A user's vault may be encrypted with a passphrase.
The interface is in English, Russian and Simplified Chinese.")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://vorrel.example.org/")
# The libraries the executable links, with the versions dpkg-shlibdeps finds.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's own words in the file dialogs and message boxes, in Russian and Chinese.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-translations-l10n)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS ${VORREL_DIRECTORY_PERMISSIONS})
execute_process(COMMAND dpkg --print-architecture OUTPUT_VARIABLE VORREL_DEB_ARCH
    OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${VORREL_DEB_ARCH})
set(VORREL_DEB "${CMAKE_BINARY_DIR}/vorrel_${PROJECT_VERSION}_${VORREL_DEB_ARCH}.deb")
get_filename_component(CPACK_DEBIAN_FILE_NAME "${VORREL_DEB}" NAME)
set(CPACK_PACKAGE_DIRECTORY "${CMAKE_BINARY_DIR}")
include(CPack)
