# The Debian package: `scripts/package` runs CPack on the release tree. Its dependencies come
# from dpkg-shlibdeps over the installed programs and libraries, never from a hand-kept list.
scrivtar_install_gzipped(docs/debian/changelog ${SCRIVTAR_INSTALL_DOCDIR})
install(FILES docs/debian/copyright DESTINATION ${SCRIVTAR_INSTALL_DOCDIR})
install(FILES docs/debian/lintian-overrides DESTINATION share/lintian/overrides RENAME scrivtar)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME scrivtar)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Scrivtar")
set(CPACK_PACKAGE_CONTACT "Scrivtar maintainers <maintainers@users.noreply.c-seed-c95d4b01.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "plain text from office documents, PDF, HTML and RTF")
# Lines of the extended description stay within 79 columns, the indent included.
set(CPACK_PACKAGE_DESCRIPTION
    "Scrivtar extracts the plain text of Word, Excel and PowerPoint files in
their binary (.doc, .xls, .ppt) and Office Open XML (.docx, .xlsx, .pptx)
forms, MIME web archives (.mht), Windows help files (.hlp), PDF, HTML and
RTF files, and writes it as UTF-8, UTF-16 or any Windows code page.
.
The package holds the console converter scrcmd and the filter libraries it
loads at run time.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION text)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
include(CPack)
