# The Debian package (scripts/package.sh): cpack --config CPackConfig.cmake.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME apostilas)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Lumivark)
set(CPACK_PACKAGE_CONTACT "Equipe Apostilas <suporte@lumivark.com.br>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "start-up menu of a collection of school manuals")
# The synopsis is the summary above; CPack indents each line of this by one
# space, and a lone "." separates the English and the Portuguese paragraphs.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Opens the start-up menu of an educational collection for Brazilian primary
schools from the collection's disc, USB stick or shared folder: choose the
school year or level, then open its manual, the publisher's web content or
the diary. It opens from the Education menu, from Open With on a folder, or
from the autorun script at a medium's root.
.
Menu de abertura de uma coleção didática para o ensino fundamental, aberto a
partir do disco, do pendrive ou da pasta compartilhada da coleção: escolha o
ano ou o nível e abra o manual, o conteúdo da editora ou a agenda.")
set(CPACK_DEBIAN_PACKAGE_SECTION education)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "http://conteudo.lumivark.com.br/")
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# Libraries from the binaries; what the program needs and no library says:
# fonts for the window's faces, the desktop's opener for manuals, Qt's
# Portuguese texts.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "xdg-utils, fonts-dejavu-core | fonts-liberation2, qt6-translations-l10n")
# A tree whose reader cannot run here has its manuals opened by the desktop's
# PDF viewer. apostilas-abrir's windows are the menu's own (Qt): no dialog
# program is needed.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "evince | pdf-viewer")
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)
